#pragma once
// Whether files in a folder keep holes that can be read back: Linux file
// systems and NTFS do; wine on Linux reports every file as all data (its
// allocated ranges and compressed size are the file's length), so tests of
// what the lab saves by holes are skipped there with the reason.
#include <string>

#include "platform/host/host_file.h"

namespace testsupport {

inline bool FolderKeepsHoles(const std::string& folder) {
  constexpr uint64_t kProbeOffset = uint64_t{64} << 20;
  const std::string path = folder + "/hole-probe";
  std::string error;
  auto file = host::File::Open(path, host::OpenMode::kReadWrite, true, error);
  if (!file) return false;
  (void)file->MakeSparse();
  const bool keeps = file->WriteAt("x", 1, kProbeOffset) == 1 && file->NextData(0) > 0;
  file.reset();
  host::RemoveFile(path);
  return keeps;
}

}  // namespace testsupport

#define SKIP_UNLESS_HOLES_KEPT(folder)        \
  if (!testsupport::FolderKeepsHoles(folder)) \
  GTEST_SKIP() << "files in " << (folder) << " do not report holes here (wine on Linux)"
