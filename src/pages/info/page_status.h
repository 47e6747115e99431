#pragma once
// The status-bar texts of the Device Info, SMART and Summary pages.
#include <cstdint>
#include <string>

namespace info {

inline constexpr const char* kReadConfigOk = "Read configuration table successful";
inline constexpr const char* kReadSmartOk = "Read SMART data successful";

// A failed IDENTIFY DEVICE (or Identify Controller): its result.
std::string ReadConfigFailText(int result);
// A failed SMART READ DATA: its result.
std::string ReadSmartFailText(int result);
// The outcome of the NVMe SMART / Health log read: success; the completion's
// status code and type when the drive answered with an error status (-127);
// the result code for any other failure.
std::string NvmeSmartLogStatusText(int result, uint16_t statusCode, uint16_t statusCodeType);

}  // namespace info
