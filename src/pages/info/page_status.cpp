#include "pages/info/page_status.h"

#include "common/text.h"
#include "controller/nvme/nvme_ssd_hba.h"

namespace info {

std::string ReadConfigFailText(int result) {
  return common::Format("Read configuration table fail(%d)", result);
}

std::string ReadSmartFailText(int result) {
  return common::Format("Read SMART data fail(%d)", result);
}

std::string NvmeSmartLogStatusText(int result, uint16_t statusCode, uint16_t statusCodeType) {
  if (result == controller::kNvmeOk) return kReadSmartOk;
  if (result == controller::kNvmeStatusError) {
    return common::Format("Read SMART data fail(SC:0x%02X, SCT:0x%02X)", unsigned{statusCode},
                          unsigned{statusCodeType});
  }
  return ReadSmartFailText(result);
}

}  // namespace info
