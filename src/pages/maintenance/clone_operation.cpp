#include "pages/maintenance/clone_operation.h"

#include <algorithm>
#include <cmath>

#include "common/text.h"
#include "device/usage/disk_use.h"
#include "pages/maintenance/backup_clean.h"

namespace maintenance {
namespace {

class DiskHandle {
 public:
  DiskHandle(os::Os& os, const std::string& path, os::DWORD access) : os_(os) {
    h_ = os_.CreateFileA(path, access, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, nullptr,
                         os::OPEN_EXISTING, 0, nullptr);
  }
  ~DiskHandle() {
    if (h_ != os::INVALID_HANDLE_VALUE) os_.CloseHandle(h_);
  }
  DiskHandle(const DiskHandle&) = delete;
  DiskHandle& operator=(const DiskHandle&) = delete;
  os::HANDLE get() const { return h_; }

 private:
  os::Os& os_;
  os::HANDLE h_;
};

// Reports the copy's progress into the run as well.
class RunObserver : public CopyObserver {
 public:
  RunObserver(CopyObserver& inner, app::DriveRun& run) : inner_(inner), run_(run) {}
  void BeforeChunk(uint64_t position) override { inner_.BeforeChunk(position); }
  void AfterChunk(uint64_t position, uint64_t sectors) override {
    inner_.AfterChunk(position, sectors);
    run_.Progress(static_cast<int>(position * 100 / sectors));
  }
  bool Cancelled() override { return inner_.Cancelled(); }

 private:
  CopyObserver& inner_;
  app::DriveRun& run_;
};

// The disk the copy reads and the disk it writes are still the listed ones.
// A source reached only through its port has no disk path to read an identity
// through; the copy reads it as it is.
std::string SwappedDisk(os::Os& os, const BackupDisk& source, const BackupDisk& destination) {
  if (const std::string why = RecheckDisk(os, destination); !why.empty()) return why;
  if (source.PhysicalNumber() < 0) return "";
  return RecheckDisk(os, source);
}

}  // namespace

std::string ConfirmText(const BackupDisk& d) {
  return common::Format(
      "Application will delete all of data on the Destination Disk!!\n"
      "Model: %s\nSerial: %s\nCapacity: %.2lf GB\n"
      "Are you sure to do this Data Backup flow...",
      d.model.c_str(), d.serial.c_str(), CapacityGb(d.Sectors512()));
}

void CloneOperation::Run(app::DriveRun& run) {
  result_ = Attempt(run, true);
  if (result_ == kResultRetry) {
    os_.Sleep(kRetryPauseMs);
    result_ = Attempt(run, false);
  }
}

std::string CloneOperation::Refusal(const std::optional<BackupDisk>& source,
                                    const std::optional<BackupDisk>& destination) const {
  // The same disk under a drive letter and its drive number is no choice of two.
  if (!source || !destination || SamePhysicalDisk(*source, *destination)) {
    return kSelectDiskWarning;
  }
  const int number = destination->PhysicalNumber();
  // Asked now: a volume mounted on the destination since the scan counts.
  if (disks_.IsSystemDisk(number)) return kSystemDiskWarning;
  const device::DiskUse use = device::QueryDiskUse(os_, number);
  if (use.systemDisk) return kSystemDiskWarning;
  if (use.InUse())
    return common::Format(kInUseWarning,
                          device::DiskUseRefusal(common::Format("PHYSICALDRIVE%d", number), use)
                              .c_str());
  // The cleaning script selects the destination by its drive number; a disk
  // reached only through its port has none, and the number would pick another.
  if (destination->PhysicalNumber() < 0) return kNoDiskNumberWarning;
  return "";
}

std::string CloneOperation::CapacityRefusal(BackupDisk& source, BackupDisk& destination) const {
  if (!disks_.ReadCapacityNow(source)) return kSourceCapacityWarning;
  if (!disks_.ReadCapacityNow(destination)) return kDestinationCapacityWarning;
  if (source.Bytes() > destination.Bytes()) return kDiskSizeWarning;
  // Every transfer is whole sectors of both disks: a source that ends inside
  // a destination sector (512-byte sectors onto 4096) cannot be copied.
  if (source.Bytes() % destination.blockBytes != 0) return kSectorSizeWarning;
  return "";
}

int CloneOperation::Attempt(app::DriveRun& run, bool first) {
  std::optional<BackupDisk> source = disks_.At(source_);
  std::optional<BackupDisk> destination = disks_.At(destination_);
  std::string refusal = Refusal(source, destination);
  if (refusal.empty()) refusal = CapacityRefusal(*source, *destination);
  if (!refusal.empty()) {
    run.Log("Data Backup      : " + refusal);
    presenter_.Warn(refusal);
    presenter_.Refused();
    run.Fail(refusal);
    return kResultRefused;
  }
  if (first && !presenter_.Confirm(ConfirmText(*destination))) {
    presenter_.Refused();
    run.Fail(kNotConfirmed);
    return kResultRefused;
  }
  run.Log(common::Format("Data Backup      : %s -> %s, %llu sectors of %u bytes%s",
                         source->Path().c_str(), destination->Path().c_str(),
                         static_cast<unsigned long long>(source->sectors), source->blockBytes,
                         first ? "" : " (second attempt)"));
  // Asked right before the cleaning and right before each attempt writes: a
  // disk swapped in under the same number is not the one the user chose.
  const auto swapped = [&] {
    const std::string why = SwappedDisk(os_, *source, *destination);
    if (why.empty()) return false;
    run.Log("Data Backup      : " + why + "; nothing was written to it");
    presenter_.Warn(why);
    presenter_.Finish(kBackupError);
    run.Fail(why);
    return true;
  };
  if (swapped()) return kResultError;
  // Nothing in the copy writes to the source.
  DiskHandle in(os_, source->Path(), os::GENERIC_READ);
  if (first) {
    run.Step("Clean Destination");
    if (const std::string why = CleanDestination(os_, destination->order); !why.empty()) {
      run.Log("Data Backup      : " + why);
      presenter_.Warn(why);
      presenter_.Finish(kBackupError);
      run.Fail(kBackupError);
      return kResultError;
    }
  }
  if (first && swapped()) return kResultError;
  DiskHandle out(os_, destination->Path(), os::GENERIC_READ | os::GENERIC_WRITE);
  run.Step(first ? "Copy" : "Copy (second attempt)");
  run.ResetProgress();
  presenter_.CopyStarting(source->Sectors512());
  DiskCopy copy(os_, ignoreZero_);
  copy.SetSectorUnit(std::max(source->blockBytes, destination->blockBytes) / kSectorBytes);
  RunObserver observer(presenter_, run);
  const CopyEnd end = copy.Run(in.get(), out.get(), source->Sectors512(), observer);
  counts_ = copy.Counts();
  presenter_.CopyEnded();
  if (end == CopyEnd::kCancelled) {
    presenter_.Finish(kBackupCancel);
    run.Fail(kBackupCancel);
    return kResultCancelled;
  }
  if (end == CopyEnd::kCopied) {
    run.Progress(100);
    presenter_.Finish(kBackupSuccessful);
    run.Pass(kBackupSuccessful);
    return kResultSuccess;
  }
  run.Log(common::Format("Data Backup      : the chunk at sector %llu failed %d times",
                         static_cast<unsigned long long>(copy.Counts().failedAt), kTriesPerChunk));
  if (first) {
    presenter_.FirstAttemptFailed();
    return kResultRetry;
  }
  presenter_.Finish(kBackupError);
  run.Fail(kBackupError);
  return kResultError;
}

}  // namespace maintenance
