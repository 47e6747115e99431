#include "pages/maintenance/clone_operation.h"

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

}  // namespace

std::string ConfirmText(const BackupDisk& d) {
  return common::Format(
      "Application will delete all of data on the Destination Disk!!\n"
      "Model: %s\nSerial: %s\nCapacity: %.2lf GB\n"
      "Are you sure to do this Data Backup flow...",
      d.model.c_str(), d.serial.c_str(), CapacityGb(d.sectors));
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
  if (source->sectors > destination->sectors) return kDiskSizeWarning;
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

int CloneOperation::Attempt(app::DriveRun& run, bool first) {
  const std::optional<BackupDisk> source = disks_.At(source_);
  const std::optional<BackupDisk> destination = disks_.At(destination_);
  if (const std::string refusal = Refusal(source, destination); !refusal.empty()) {
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
  run.Log(common::Format("Data Backup      : %s -> %s, %llu sectors%s", source->Path().c_str(),
                         destination->Path().c_str(),
                         static_cast<unsigned long long>(source->sectors),
                         first ? "" : " (second attempt)"));
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
  DiskHandle out(os_, destination->Path(), os::GENERIC_READ | os::GENERIC_WRITE);
  run.Step(first ? "Copy" : "Copy (second attempt)");
  run.ResetProgress();
  presenter_.CopyStarting(source->sectors);
  DiskCopy copy(os_, ignoreZero_);
  RunObserver observer(presenter_, run);
  const CopyEnd end = copy.Run(in.get(), out.get(), source->sectors, observer);
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
