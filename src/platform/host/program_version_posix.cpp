#ifndef _WIN32
#include "platform/host/program_version.h"

namespace host {

// An ELF program carries no version resource.
std::optional<ProgramVersion> ReadOwnVersionResource() { return std::nullopt; }

}  // namespace host
#endif  // !_WIN32
