#pragma once
// One Data Backup run as an operation of the run model: the checks that
// refuse a copy before anything is opened, the confirmation, the cleaning of
// the destination by the partitioning tool (waited for), and up to two copy
// attempts 3000 ms apart. The page (or the command line's headless form)
// presents it through ClonePresenter.
#include <cstdint>
#include <string>

#include "run/drive_run.h"
#include "pages/maintenance/backup_copy.h"
#include "pages/maintenance/backup_disk.h"

namespace maintenance {

inline constexpr const char* kSelectDiskWarning = "Please select Destination/Source Disk !!";
inline constexpr const char* kDiskSizeWarning = "Please check your Destination Disk size !!";
inline constexpr const char* kSystemDiskWarning =
    "The Destination Disk holds the running system: it cannot be overwritten. Please select "
    "another Destination Disk !!";
inline constexpr const char* kNoDiskNumberWarning =
    "The Destination Disk has no disk number the partitioning tool can select: it cannot be "
    "cleaned. Please select another Destination Disk !!";
inline constexpr const char* kSourceCapacityWarning =
    "The capacity of the Source Disk cannot be read: nothing was cleaned or copied. Please check "
    "the Source Disk !!";
inline constexpr const char* kDestinationCapacityWarning =
    "The capacity of the Destination Disk cannot be read: nothing was cleaned or copied. Please "
    "check the Destination Disk !!";
inline constexpr const char* kSectorSizeWarning =
    "The Source Disk does not end on a whole sector of the Destination Disk: the copy cannot be "
    "made sector for sector. Please select another Destination Disk !!";
// "%s": the reason that names what uses the disk.
inline constexpr const char* kInUseWarning =
    "%s. The Destination Disk cannot be overwritten while it is in use (nothing is unmounted "
    "for it). Please select another Destination Disk !!";
inline constexpr const char* kWarningCaption = "Warning";
inline constexpr const char* kConfirmCaption = "Data Backup";
inline constexpr const char* kResultCaption = "Result";
inline constexpr const char* kBackupSuccessful = "Backup Disk Successful";
inline constexpr const char* kBackupCancel = "Backup Disk Cancel";
inline constexpr const char* kBackupError = "Backup Disk Error";
inline constexpr const char* kNotConfirmed = "Backup Disk not started";
inline constexpr os::DWORD kRetryPauseMs = 3000;

// Attempt and run results.
inline constexpr int kResultSuccess = 0;
inline constexpr int kResultRefused = 1;
inline constexpr int kResultError = 2;  // the second attempt failed, or the cleaning did
inline constexpr int kResultRetry = 3;
inline constexpr int kResultCancelled = 256;

// "All data on the Destination Disk will be lost ..." naming its model,
// serial number and capacity.
std::string ConfirmText(const BackupDisk& destination);

class ClonePresenter : public CopyObserver {
 public:
  virtual void Warn(const std::string& text) = 0;
  // Yes/No, No by default.
  virtual bool Confirm(const std::string& text) = 0;
  // The progress bar over `sectors`, shown; the page locked (cancel cleared).
  virtual void CopyStarting(uint64_t sectors) = 0;
  // The progress bar at its end.
  virtual void CopyEnded() = 0;
  // A first attempt failed: the page is unlocked for the pause before the second.
  virtual void FirstAttemptFailed() = 0;
  // The outcome: status text, elapsed-time timer stopped, the Result box, unlocked.
  virtual void Finish(const std::string& status) = 0;
  // A refusal before anything was opened: the elapsed-time timer stopped.
  virtual void Refused() = 0;
};

class CloneOperation : public app::DriveOperation {
 public:
  CloneOperation(os::Os& os, const BackupDiskSource& disks, int source, int destination,
                 bool ignoreZeroChunks, ClonePresenter& presenter)
      : os_(os),
        disks_(disks),
        source_(source),
        destination_(destination),
        ignoreZero_(ignoreZeroChunks),
        presenter_(presenter) {}

  void Run(app::DriveRun& run) override;
  int Result() const { return result_; }
  const CopyCounts& Counts() const { return counts_; }

 private:
  int Attempt(app::DriveRun& run, bool first);
  // The reason to refuse, or empty.
  std::string Refusal(const std::optional<BackupDisk>& source,
                      const std::optional<BackupDisk>& destination) const;
  // Reads both capacities again from the disks (the list's may be stale or
  // 0 after a failed read in the scan); the reason to refuse, or empty.
  std::string CapacityRefusal(BackupDisk& source, BackupDisk& destination) const;

  os::Os& os_;
  const BackupDiskSource& disks_;
  int source_;
  int destination_;
  bool ignoreZero_;
  ClonePresenter& presenter_;
  int result_ = kResultRefused;
  CopyCounts counts_;
};

}  // namespace maintenance
