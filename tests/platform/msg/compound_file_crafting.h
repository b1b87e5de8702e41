// Builds compound files that a writer would never produce, for the
// hostile-input tests and the fuzz seeds.
#pragma once

#include <cstddef>
#include <string>

namespace cfbcraft {

// A version-3 file whose root storage holds `streams` streams that all start
// at one chain of `chainSectors` 512-byte sectors, each stream claiming the
// whole chain: a small file that reads as streams x chain bytes.
std::string SharedChainCompoundFile(size_t streams, size_t chainSectors);

// A version-4 file (4096-byte sectors) whose root storage holds the stream
// "small" (in the mini stream) and the stream "large" (in sectors of its own).
std::string Version4CompoundFile(const std::string& small, const std::string& large);

}  // namespace cfbcraft
