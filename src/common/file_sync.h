#pragma once
// The two facts about the host that WriteFileWhole needs below the platform
// layer: a written file pushed through to the disk, and this process's id
// (part of a temporary's name). POSIX and Windows C run-time implementations.
#include <cstdio>

namespace common {

// Writes what the C library and the system hold of `file` through to the disk.
bool SyncToDisk(std::FILE* file);
int ThisProcessId();

}  // namespace common
