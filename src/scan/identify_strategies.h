#pragma once
// The four ways of finding out which controller profile a discovered drive is
// built on. Each tries the profiles in table order, reads what it needs into
// the candidate slot and stops at the first match.
#include <cstdint>

#include "scan/device_table.h"
#include "scan/drive_access.h"
#include "config/settings/app_options.h"
#include "config/settings/controller_profile.h"
#include "device/core/storage_device.h"
#include "platform/os.h"

namespace app {

inline constexpr int kNoProfile = -1;
inline constexpr int kNvmeVendorReadAttempts = 5;
inline constexpr uint32_t kNvmeVendorReadPauseMs = 1;
inline constexpr size_t kNvmeVendorInfoMoreFlag = 4;  // non-zero: a second page follows
inline constexpr uint32_t kFirstNamespace = 1;

inline constexpr const char* kTag4610 = "VKM4610XT";
inline constexpr const char* kTag4620 = "VKM4620XT";
inline constexpr const char* kTag4620Xt2 = "VKM4620XT2";

enum class IdentifyStrategy { kNvme, kModelName, kSmart, kParameterBlock };

// NVMe drives always take the NVMe strategy; the others the model name when
// EnableUseModelNameToFindIC, else SMART when EnableUseSMARTToFindIC, else the
// parameter block.
IdentifyStrategy ChooseStrategy(uint32_t devAttribute, const AppOptions& options);

// What every strategy works with: the candidate slot's object and data, the
// drive it is bound to, and the profiles.
struct IdentifyTarget {
  DriveAccess& dev;
  device::StorageDevice& drive;
  SlotData& slot;
  const ProfileTable& profiles;
  os::Os& os;  // the pauses between NVMe vendor reads
};

// Each returns the index of the matching profile, or kNoProfile.
int IdentifyNvme(const IdentifyTarget& t);
int IdentifyByModelName(const IdentifyTarget& t);
int IdentifyBySmart(const IdentifyTarget& t);
int IdentifyByParameterBlock(const IdentifyTarget& t);

int Identify(IdentifyStrategy strategy, const IdentifyTarget& t);

}  // namespace app
