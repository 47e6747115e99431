#include "lab/machine/state_check.h"

#include <map>

#include "common/text.h"
#include "lab/machine/state_files.h"
#include "lab/media/sparse_file_media.h"
#include "platform/host/host_file.h"

namespace lab {
namespace {

constexpr const char* kStateFolderName = "state";

// Why the file at `path` cannot hold a disk's state, or "" when it can (an
// ordinary file, or nothing yet).
std::string UnusableFile(const std::string& path) {
  switch (host::KindOf(path)) {
    case host::PathKind::kMissing:
    case host::PathKind::kFile:
      return "";
    case host::PathKind::kFolder:
      return "is a folder, not a file";
    case host::PathKind::kLink:
      return "is a symbolic link; the lab does not follow links here";
    case host::PathKind::kOther:
      break;
  }
  return "is not an ordinary file";
}

// How far the data of an existing media file reaches past `capacity` bytes.
uint64_t DataEndPast(const std::string& path, uint64_t capacity) {
  if (host::KindOf(path) != host::PathKind::kFile) return 0;
  std::string error;
  const auto file = host::File::Open(path, host::OpenMode::kRead, true, error);
  if (!file || file->Size() <= capacity) return 0;  // an unusable one is reported when opened
  const uint64_t end = StoredDataEnd(*file, capacity);
  return end > capacity ? end : 0;
}

}  // namespace

void CheckStateFiles(const LabConfig& config, const std::string& stateDir,
                     std::vector<std::string>& problems) {
  const std::string shown = std::string(kStateFolderName) + "/";
  std::map<std::string, std::string> stems;  // lower-case stem -> first section
  for (const DiskConfig& d : config.disks) {
    const std::string stem = StateFileStem(d.section);
    // Folded, so a lab folder on a file system that ignores case is safe too.
    const auto [it, fresh] = stems.emplace(common::ToLower(stem), d.section);
    if (!fresh) {
      problems.push_back("[" + d.section + "] keeps its drive state in the same files as [" +
                         it->second + "] (" + shown + stem + ".img, " + shown + stem +
                         ".state): rename one of the sections");
      continue;
    }
    const std::string base = stateDir + "/" + stem;
    for (const char* ext : {".img", ".state"}) {
      const std::string why = UnusableFile(base + ext);
      if (!why.empty()) problems.push_back("[" + d.section + "] " + shown + stem + ext + " " + why);
    }
    if (d.sectorSize == 0 || d.sectors > (uint64_t{1} << 62) / d.sectorSize) continue;
    if (UnusableFile(base + ".img").empty()) {
      if (const uint64_t end = DataEndPast(base + ".img", d.sectors * d.sectorSize); end != 0) {
        problems.push_back("[" + d.section + "] Capacity: the media file " + shown + stem +
                           ".img " + DataBeyondCapacityText(end, d.sectors, d.sectorSize) +
                           " (give a capacity that holds it, or delete the file)");
      }
    }
  }
  const std::string why = UnusableFile(stateDir + "/machine.state");
  if (!why.empty()) problems.push_back("[Machine] " + shown + "machine.state " + why);
}

}  // namespace lab
