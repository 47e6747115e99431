#pragma once
// The firmware update of a SATA drive (directly attached or behind a USB
// bridge): the controller is prepared, the drive and the image checked, the
// image downloaded with DOWNLOAD MICROCODE through the vendor download engine
// and the new version confirmed. In automatic mode the image is the update
// file built for this drive.
#include <cstdint>

#include "pages/update/update_flow.h"

namespace update {

// Controller registers cleared or set before a download; each access is
// tried up to five times.
inline constexpr uint32_t kCheckDummyRegister = 0x10001150;
inline constexpr uint32_t kDownloadEnableRegister = 0x50000060;
inline constexpr int kMemoryTries = 5;
inline constexpr uint32_t kMemoryRetryMs = 100;
inline constexpr uint32_t kBeforeCommitCheckMs = 3000;
inline constexpr int kUpdateSteps = 5;
inline constexpr int kDownloadAttempts = 2;

// BTN_Microcode_DownloadClick: update steps 0..4 of the current drive.
void AtaDownloadClick(UpdateFlow& flow);
// One update step; false ends the chain.
bool AtaDownloadStep(UpdateFlow& flow, int step);
// BTN_Microcode_CommitClick. `deferred`: the image was saved without being
// activated, so it runs from the next power-on.
void AtaCommitClick(UpdateFlow& flow, bool deferred);

}  // namespace update
