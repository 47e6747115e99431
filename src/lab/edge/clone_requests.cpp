// What a disk clone asks of the lab beyond reads and writes: the zero-range
// request on a disk handle, answered by making the range read as zeros
// without writing them (unwritten extents in the media file), and the
// partitioning tool as a process that ends, with an exit code that says
// whether its script went through.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/text.h"
#include "lab/edge/lab_os.h"
#include "lab/edge/zero_data_request.h"
#include "lab/media/sparse_file_media.h"
#include "platform/allocated_ranges.h"
#include "platform/request_buffer.h"
#include "platform/zero_data.h"

namespace lab {
namespace {

constexpr uint64_t kVolumeStartBytes = 1u << 20;
// The tool takes a moment of its own to start, rescan and clean.
constexpr uint64_t kDiskpartRunMs = 1500;

bool StartsDiskpart(const std::string& commandLine) {
  std::string program = common::Trim(commandLine);
  program = program.substr(0, program.find(' '));
  const size_t slash = program.find_last_of("\\/");
  if (slash != std::string::npos) program = program.substr(slash + 1);
  program = common::ToUpper(program);
  return program == "DISKPART" || program == "DISKPART.EXE";
}

bool Succeeded(const std::string& line) {
  for (const char* ok : {": done", ": selected"}) {
    const std::string_view s(ok);
    if (line.size() >= s.size() && line.compare(line.size() - s.size(), s.size(), s) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

namespace edge {

Reply ZeroDataRequest(const EdgeContext& ctx, const Request& r) {
  if (r.target.volume != nullptr) return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  os::FILE_ZERO_DATA_INFORMATION z{};
  if (!os::LoadRequest(r.in, r.inSize, &z)) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  LabDisk& disk = *r.target.disk;
  Media& media = disk.GetMedia();
  const uint64_t sector = media.SectorSize();
  const uint64_t size = media.SectorCount() * sector;
  if (z.FileOffset < 0 || z.BeyondFinalZero < z.FileOffset) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  const auto from = static_cast<uint64_t>(z.FileOffset);
  const auto to = static_cast<uint64_t>(z.BeyondFinalZero);
  if (from % sector != 0 || to % sector != 0) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  if (to > size) return Reply::Fail(os::ERROR_SECTOR_NOT_FOUND);
  if (from == to) return Reply::Done(0);
  // A mounted volume's sectors are out of bounds, as they are for WriteFile.
  if (to > kVolumeStartBytes) {
    for (const Volume& v : ctx.machine.Volumes()) {
      const bool onDisk = std::find(v.disks.begin(), v.disks.end(), &disk) != v.disks.end();
      if (onDisk && v.present && v.mounted && v.lockedBy == 0) {
        return Reply::Fail(os::ERROR_ACCESS_DENIED);
      }
    }
  }
  // The request zeroes sectors as a write-zeroes command would: a media file
  // keeps the blocks it holds there, which costs no discard of the freed
  // blocks on the host disk; other media drop the range.
  auto* file = dynamic_cast<SparseFileMedia*>(&media);
  const uint64_t lba = from / sector;
  const uint64_t count = (to - from) / sector;
  if (!(file != nullptr ? file->ZeroInPlace(lba, count) : media.Zero(lba, count))) {
    return Reply::Fail(os::ERROR_WRITE_FAULT);
  }
  return Reply::Done(0);
}

Reply AllocatedRangesRequest(const Request& r) {
  if (r.target.volume != nullptr) return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  os::FILE_ALLOCATED_RANGE_BUFFER asked{};
  if (!os::LoadRequest(r.in, r.inSize, &asked)) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  if (asked.FileOffset < 0 || asked.Length < 0 ||
      asked.Length > INT64_MAX - asked.FileOffset) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  const auto from = static_cast<uint64_t>(asked.FileOffset);
  const uint64_t to = from + static_cast<uint64_t>(asked.Length);
  const std::vector<ByteRange> ranges = r.target.disk->GetMedia().StoredRanges(from, to);
  const size_t room = r.out == nullptr ? 0 : r.outSize / sizeof(os::FILE_ALLOCATED_RANGE_BUFFER);
  const size_t n = std::min(room, ranges.size());
  auto* out = static_cast<uint8_t*>(r.out);
  for (size_t i = 0; i < n; ++i) {
    const os::FILE_ALLOCATED_RANGE_BUFFER one{static_cast<os::LONGLONG>(ranges[i].begin),
                                              static_cast<os::LONGLONG>(ranges[i].end -
                                                                        ranges[i].begin)};
    std::memcpy(out + i * sizeof one, &one, sizeof one);
  }
  const auto bytes = static_cast<os::DWORD>(n * sizeof(os::FILE_ALLOCATED_RANGE_BUFFER));
  if (n < ranges.size()) return Reply{false, os::ERROR_MORE_DATA, bytes};
  return Reply::Done(bytes);
}

}  // namespace edge

bool LabOs::CreateProcessA(const std::string& commandLine, os::UINT showCommand,
                           os::PROCESS_INFORMATION* info) {
  const size_t before = diskpartLog_.size();
  if (!os::VirtualOs::CreateProcessA(commandLine, showCommand, info)) return false;
  if (StartsDiskpart(commandLine)) {
    const bool ok = std::all_of(diskpartLog_.begin() + static_cast<std::ptrdiff_t>(before),
                                diskpartLog_.end(), Succeeded);
    SetProcessOutcome(info->hProcess, kDiskpartRunMs, ok ? 0 : 1);
  }
  return true;
}

}  // namespace lab
