#ifndef _WIN32
#include <unistd.h>

#include "common/file_sync.h"

namespace common {

bool SyncToDisk(std::FILE* file) { return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0; }

int ThisProcessId() { return static_cast<int>(::getpid()); }

}  // namespace common
#endif  // !_WIN32
