// A recording as `--replay` reads it: parsed whole, then answered to a fixed
// run of calls such as the start of a scan makes (the clock, a disk opened, a
// property query, a direct pass-through read, a raw read, a seek and a close),
// each answered from the recording or stopped with a report. Whatever the
// file says, an answer never writes past the caller's buffer nor reports more
// bytes than were asked for.
//
// Input: the recording's text.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/scsi_pass_through.h"
#include "platform/storage_property.h"
#include "record/recording_reader.h"
#include "record/replay_os.h"

namespace {

struct Stopped : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Run(record::ReplayOs& os) {
  os.GetTickCount64();
  os.GetLocalTime();
  const os::HANDLE disk = os.CreateFileA("\\\\.\\PHYSICALDRIVE0", 0xC0000000u, 3, nullptr, 3, 0,
                                         nullptr);
  os::STORAGE_PROPERTY_QUERY query{};
  std::vector<uint8_t> reply(1024);
  os::DWORD returned = 0;
  os.DeviceIoControl(disk, os::IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), reply.data(),
                     static_cast<os::DWORD>(reply.size()), &returned);
  FUZZ_CHECK(returned <= reply.size());

  std::vector<uint8_t> data(512);
  os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER sptd{};
  sptd.sptd.Length = sizeof(sptd.sptd);
  sptd.sptd.CdbLength = 6;
  sptd.sptd.DataIn = os::SCSI_IOCTL_DATA_IN;
  sptd.sptd.DataTransferLength = static_cast<os::ULONG>(data.size());
  sptd.sptd.DataBuffer = data.data();
  sptd.sptd.Cdb[0] = 0x12;
  os.DeviceIoControl(disk, os::IOCTL_SCSI_PASS_THROUGH_DIRECT, &sptd, sizeof(sptd), &sptd,
                     sizeof(sptd), &returned);
  FUZZ_CHECK(sptd.sptd.DataBuffer == data.data());

  os::DWORD got = 0;
  os.ReadFile(disk, data.data(), static_cast<os::DWORD>(data.size()), &got);
  FUZZ_CHECK(got <= data.size());
  os::LONG high = 0;
  os.SetFilePointer(disk, 512, &high, 0);
  os.CloseHandle(disk);
  os.Unasked();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto recording = record::ParseRecording(text, error);
  if (!recording) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  record::ReplayOs os(std::move(*recording), "fuzz.rec",
                      [](const std::string& report) { throw Stopped(report); });
  try {
    Run(os);
  } catch (const Stopped&) {
  }
  return 0;
}
