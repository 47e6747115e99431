#pragma once
// The controller family a parameter block announces (`nICVer`). The numbers are
// the codes the update-file trace prints.
#include <cstdint>

namespace firmware {

enum class IcFamily : int32_t {
  kNone = 0,
  k4610 = 2425,
  k4620 = 2427,
};

inline int32_t IcFamilyCode(IcFamily f) { return static_cast<int32_t>(f); }

}  // namespace firmware
