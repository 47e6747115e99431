#pragma once
// Request blocks as a Windows program fills them, for the edge tests.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "lab/edge/lab_os.h"
#include "platform/ata_pass_through.h"
#include "platform/scsi_pass_through.h"
#include "platform/storage_property.h"
#include "platform/win_file.h"

namespace labtest {

inline os::HANDLE OpenDevice(os::Os& o, const std::string& path) {
  return o.CreateFileA(path, os::GENERIC_READ | os::GENERIC_WRITE,
                       os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, nullptr, os::OPEN_EXISTING, 0,
                       nullptr);
}

struct ScsiOutcome {
  bool ok = false;
  os::DWORD error = 0;
  os::DWORD bytes = 0;
  os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER block{};
};

// One SCSI_PASS_THROUGH_DIRECT request with a 32-byte sense area behind it.
inline ScsiOutcome SendScsi(os::Os& o, os::HANDLE h, const std::vector<uint8_t>& cdb,
                            std::vector<uint8_t>& data, bool in, uint32_t timeout = 5) {
  ScsiOutcome out;
  os::SCSI_PASS_THROUGH_DIRECT& s = out.block.sptd;
  s.Length = sizeof(os::SCSI_PASS_THROUGH_DIRECT);
  s.CdbLength = static_cast<uint8_t>(cdb.size());
  s.SenseInfoLength = 32;
  s.DataIn = in ? os::SCSI_IOCTL_DATA_IN : os::SCSI_IOCTL_DATA_OUT;
  s.DataTransferLength = static_cast<uint32_t>(data.size());
  s.TimeOutValue = timeout;
  s.DataBuffer = data.empty() ? nullptr : data.data();
  s.SenseInfoOffset = offsetof(os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf);
  std::memcpy(s.Cdb, cdb.data(), cdb.size());
  o.SetLastError(0);
  out.ok = o.DeviceIoControl(h, os::IOCTL_SCSI_PASS_THROUGH_DIRECT, &out.block, sizeof out.block,
                             &out.block, sizeof out.block, &out.bytes);
  out.error = o.GetLastError();
  return out;
}

// A storage property query of the device descriptor; the raw answer.
inline std::vector<uint8_t> QueryDescriptor(os::Os& o, os::HANDLE h, size_t outSize = 1060) {
  os::STORAGE_PROPERTY_QUERY q{};
  q.PropertyId = os::StorageDeviceProperty;
  q.QueryType = os::PropertyStandardQuery;
  std::vector<uint8_t> out(outSize, 0);
  os::DWORD bytes = 0;
  if (!o.DeviceIoControl(h, os::IOCTL_STORAGE_QUERY_PROPERTY, &q, sizeof q, out.data(),
                         static_cast<os::DWORD>(out.size()), &bytes)) {
    return {};
  }
  out.resize(bytes);
  return out;
}

// A NUL-terminated string at an offset of a reply, or "" for offset 0.
inline std::string StringAt(const std::vector<uint8_t>& b, uint32_t offset) {
  if (offset == 0 || offset >= b.size()) return {};
  std::string s;
  for (size_t i = offset; i < b.size() && b[i] != 0; ++i) s.push_back(static_cast<char>(b[i]));
  return s;
}

}  // namespace labtest
