#include "scan/scan_target.h"

#include <string>

#include "common/text.h"
#include "device/core/dev_attribute.h"
#include "device/core/fixed_text.h"
#include "scan/identify_strategies.h"
#include "scan/scan_rules.h"

namespace app {

void DeviceScan::ScanTarget(const BackupLists& backup) {
  discovery_.Scan(BuildScanFlags(options_), kProbeTimeoutSeconds);
  table_.Reset();
  backup.source.Clear();
  backup.destination.Clear();
  os_.OutputDebugStringA(
      common::Format("[VKM_SCAN] ScanTarget: targetQty = %d\n", discovery_.Count()));

  dropped_ = discovery_.Dropped();
  // The drive that would need a 17th slot is not looked at, not even for the
  // backup lists.
  int i = 0;
  for (; i < discovery_.Count() && !table_.Full(); ++i) {
    device::StorageDevice& drive = discovery_.Device(i);
    drive.SetTimeout(kIdentifyTimeoutSeconds);
    const std::string name = common::ToUpper(device::FixedText(drive.devName));
    backup.source.AddItem(name);
    backup.destination.AddItem(name);
    os_.OutputDebugStringA(common::Format("[VKM_SCAN] ScanTarget: dev_name = %s\n", name.c_str()));
    os_.OutputDebugStringA(
        common::Format("[VKM_SCAN] ScanTarget: devAttribute = %X\n", drive.devAttribute));

    OpenForIdentify(drive);
    IdentifyCandidate(drive, i);
    drive.SetTimeout(kAfterIdentifyTimeoutSeconds);
    drive.Close();
  }
  for (; i < discovery_.Count(); ++i) {
    dropped_.push_back(
        {common::ToUpper(device::FixedText(discovery_.Device(i).devName)),
         common::Format("not looked at, the device list holds %d drives", kMaxDeviceSlots)});
  }
}

std::string DroppedDrivesText(const std::vector<device::DroppedDrive>& dropped) {
  if (dropped.empty()) return {};
  std::string text = common::Format("%zu drive%s found but not listed: ", dropped.size(),
                                    dropped.size() == 1 ? "" : "s");
  for (size_t k = 0; k < dropped.size(); ++k) {
    if (k > 0) text += "; ";
    text += dropped[k].name + " (" + dropped[k].reason + ")";
  }
  return text;
}

void DeviceScan::OpenForIdentify(device::StorageDevice& drive) {
  const uint32_t attribute = drive.devAttribute;
  if (device::IsNvme(attribute)) {
    if (attribute & device::kNvmeOwnHandleMask) {
      drive.Reopen(true);
    } else {
      drive.OpenPort();  // reached only through the miniport
    }
    return;
  }
  // Identification must not lock a mounted volume away from its user.
  drive.SetNoVolumeLock(true);
  drive.Reopen(true);
}

void DeviceScan::IdentifyCandidate(device::StorageDevice& drive, int index) {
  const int slot = table_.DeviceCount();
  SlotData& data = table_.Candidate().data;
  // Nothing read from an earlier drive that did not match may be shown for
  // this one when one of its reads fails.
  data.ClearReadData();
  // devOrder is the port number of a drive found only on its SCSI port; the
  // discovery matches such a drive to the disk on that port, so it stays
  // the system disk it is whatever path listed it.
  data.diskNumber = discovery_.DiskNumber(index);
  data.systemDisk = discovery_.IsSystemDisk(data.diskNumber);
  const IdentifyTarget target{devices_.At(slot), drive, data, profiles_, os_};
  const int profile = Identify(ChooseStrategy(drive.devAttribute, options_), target);
  if (profile == kNoProfile) return;
  data.profileIndex = profile;
  table_.CommitCandidate();
}

}  // namespace app
