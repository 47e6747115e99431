#include "platform/linux/nvme_status.h"

#include "common/text.h"

namespace os::linuxos {

std::string DescribeNvmeStatus(int status, uint32_t dw0) {
  return common::Format("NVMe status 0x%04X (SCT %u, SC 0x%02X%s) DW0 0x%08X",
                        static_cast<unsigned>(status), NvmeStatusCodeType(status),
                        NvmeStatusCode(status), NvmeDoNotRetry(status) ? ", DNR" : "", dw0);
}

}  // namespace os::linuxos
