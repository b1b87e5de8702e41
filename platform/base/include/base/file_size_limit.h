// Writes past the process's file-size limit (ulimit -f).
#pragma once

namespace base {

// By default the system ends a process that writes past its file-size limit
// (SIGXFSZ), which leaves temporary files behind and reports nothing. After
// this call such a write fails with EFBIG instead, which the writers report
// like a full disk, cleaning up after themselves. Each program calls it first
// thing in main(); programs it starts inherit the setting.
void FailWritesPastFileSizeLimit();

}  // namespace base
