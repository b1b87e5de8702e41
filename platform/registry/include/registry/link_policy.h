// When a symbolic link may be followed to a file that is then rewritten.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

namespace registry {

// True when a link with status `link`, found in the directory with status
// `directory`, may be followed by `user` (the effective uid) on the way to a
// file it rewrites: the link belongs to that user, or it belongs to root in a
// directory root owns, so that root made it there. Anyone else's link is
// refused. This is the protected-symlinks rule of the kernel without its two
// exemptions that would defeat it here: a prefix is never a sticky
// world-writable folder, and a prefix owner's own link is exactly what must
// not lead a more privileged user to another file.
bool MayFollowLink(const struct stat& link, const struct stat& directory, uid_t user);

}  // namespace registry
