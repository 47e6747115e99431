// The Windows C run-time's calls: no windows.h below the platform layer.
#ifdef _WIN32
#include <io.h>
#include <process.h>

#include "common/file_sync.h"

namespace common {

bool SyncToDisk(std::FILE* file) {
  return std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0;
}

int ThisProcessId() { return ::_getpid(); }

}  // namespace common
#endif  // _WIN32
