#include <base/file_size_limit.h>

#include <csignal>

namespace base {

void FailWritesPastFileSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace base
