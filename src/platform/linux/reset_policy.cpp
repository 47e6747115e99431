#include "platform/linux/reset_policy.h"

#include <algorithm>

#include "common/text.h"

namespace os::linuxos {
namespace {

bool Serves(const SysfsDisk& d, int controller) {
  return d.nvmeController == controller ||
         std::find(d.nvmeOtherControllers.begin(), d.nvmeOtherControllers.end(), controller) !=
             d.nvmeOtherControllers.end();
}

}  // namespace

std::string ResetRefusal(const std::vector<SysfsDisk>& disks, const DiskUsage& usage,
                         int controller, const std::vector<int>& siblings) {
  if (controller < 0) return "no controller is known";
  std::vector<int> all{controller};
  all.insert(all.end(), siblings.begin(), siblings.end());
  for (size_t n = 0; n < disks.size(); ++n) {
    for (const int c : all) {
      if (!Serves(disks[n], c)) continue;
      const int drive = static_cast<int>(n);
      if (drive == usage.systemDrive) {
        return common::Format("nvme%d serves %s, which holds %s (the running system)", c,
                              disks[n].name.c_str(), usage.systemMount.c_str());
      }
      const std::string why = usage.DriveRefusal(drive);
      if (!why.empty())
        return common::Format("nvme%d serves %s: %s", c, disks[n].name.c_str(), why.c_str());
    }
  }
  return "";
}

std::vector<int> ControllersOfStates(const std::vector<std::string>& statePaths) {
  std::vector<int> out;
  for (const std::string& p : statePaths) {
    const size_t end = p.rfind('/');
    if (end == std::string::npos) continue;
    const size_t begin = p.rfind('/', end - 1);
    const std::string name = p.substr(begin + 1, end - begin - 1);
    if (name.size() > 4 && name.size() < 10 && name.compare(0, 4, "nvme") == 0 &&
        name.find_first_not_of("0123456789", 4) == std::string::npos)
      out.push_back(std::stoi(name.substr(4)));
  }
  return out;
}

}  // namespace os::linuxos
