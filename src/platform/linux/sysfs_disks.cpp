#include "platform/linux/sysfs_disks.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/text.h"
#include "platform/storage_property.h"

namespace os::linuxos {
namespace fs = std::filesystem;
namespace {

std::string ReadLine(const fs::path& p) {
  std::ifstream in(p);
  std::string line;
  if (in) std::getline(in, line);
  return common::Trim(line);
}

bool IsScsiDisk(const std::string& n) {
  if (n.size() < 3 || n.compare(0, 2, "sd") != 0) return false;
  return std::all_of(n.begin() + 2, n.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// "nvme0n1" (not "nvme0n1p1", not "nvme0c0n1").
bool IsNvmeNamespace(const std::string& n, int* controller) {
  int c = -1, ns = -1, used = 0;
  if (std::sscanf(n.c_str(), "nvme%dn%d%n", &c, &ns, &used) != 2) return false;
  if (static_cast<size_t>(used) != n.size()) return false;
  *controller = c;
  return true;
}

bool SortKey(const SysfsDisk& a, const SysfsDisk& b) {
  const bool an = a.nvmeController >= 0, bn = b.nvmeController >= 0;
  if (an != bn) return !an;
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
  return a.name < b.name;
}

uint32_t LastNumber(const std::string& s) {
  size_t end = s.size();
  while (end > 0 && !std::isdigit(static_cast<unsigned char>(s[end - 1]))) --end;
  size_t begin = end;
  while (begin > 0 && std::isdigit(static_cast<unsigned char>(s[begin - 1]))) --begin;
  if (begin == end) return 0;
  return static_cast<uint32_t>(std::strtoul(s.substr(begin, end - begin).c_str(), nullptr, 10));
}

// The place of a USB device in a walk of every bus: bus number, then the
// port path ("usb2" is bus 2 itself, "2-1.4" port 4 of the hub on port 1).
std::vector<uint32_t> UsbTreeKey(const std::string& name) {
  std::vector<uint32_t> key;
  unsigned bus = 0;
  int used = 0;
  if (std::sscanf(name.c_str(), "usb%u%n", &bus, &used) == 1 &&
      static_cast<size_t>(used) == name.size())
    return {bus};
  const size_t dash = name.find('-');
  if (dash == std::string::npos || name.find(':') != std::string::npos) return key;
  key.push_back(static_cast<uint32_t>(std::strtoul(name.substr(0, dash).c_str(), nullptr, 10)));
  for (const std::string& port : common::Split(name.substr(dash + 1), '.'))
    key.push_back(static_cast<uint32_t>(std::strtoul(port.c_str(), nullptr, 10)));
  return key;
}

}  // namespace

std::map<std::string, uint32_t> UsbHubNumbers(const std::string& sysRoot) {
  // Hubs (root hubs too) are the USB devices with ports.
  std::vector<std::pair<std::vector<uint32_t>, std::string>> hubs;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(sysRoot) / "bus/usb/devices", ec)) {
    const std::string name = e.path().filename().string();
    std::vector<uint32_t> key = UsbTreeKey(name);
    const std::string ports = ReadLine(e.path() / "maxchild");
    if (key.empty() || ports.empty() || ports == "0") continue;
    hubs.emplace_back(std::move(key), name);
  }
  std::sort(hubs.begin(), hubs.end());
  std::map<std::string, uint32_t> numbers;
  for (size_t i = 0; i < hubs.size(); ++i) numbers[hubs[i].second] = static_cast<uint32_t>(i + 1);
  return numbers;
}

namespace {

// Walks the resolved device path for the PCI function and the USB device.
void FillLocation(const fs::path& resolved, const std::map<std::string, uint32_t>& hubNumbers,
                  SysfsDisk& d) {
  fs::path at;
  fs::path usbDevice;
  fs::path usbParent;
  for (const fs::path& part : resolved) {
    at /= part;
    const std::string pci = PciLocationFromComponent(part.string());
    if (!pci.empty()) d.pciLocation = pci;
    std::error_code ec;
    if (fs::exists(at / "idVendor", ec) && fs::exists(at / "devnum", ec)) {
      usbParent = usbDevice;
      usbDevice = at;
    }
  }
  if (usbDevice.empty()) return;
  d.usbVid = common::ToUpper(ReadLine(usbDevice / "idVendor"));
  d.usbPid = common::ToUpper(ReadLine(usbDevice / "idProduct"));
  d.usbSerial = ReadLine(usbDevice / "serial");
  d.usbPort = LastNumber(usbDevice.filename().string());
  if (usbParent.empty()) return;
  // Device numbers repeat on every bus; the hub numbers of a walk over all
  // buses do not. Without the bus list the device number is all there is.
  const auto hub = hubNumbers.find(usbParent.filename().string());
  d.usbHub = hub != hubNumbers.end() ? hub->second : LastNumber(ReadLine(usbParent / "devnum"));
  d.usbHubVid = common::ToUpper(ReadLine(usbParent / "idVendor"));
  d.usbHubPid = common::ToUpper(ReadLine(usbParent / "idProduct"));
}

int ControllerNumber(const std::string& name) {
  int n = -1, used = 0;
  if (std::sscanf(name.c_str(), "nvme%d%n", &n, &used) != 1 ||
      static_cast<size_t>(used) != name.size() || n < 0)
    return -1;
  return n;
}

std::string PciLocationOfPath(const fs::path& resolved) {
  std::string location;
  for (const fs::path& part : resolved) {
    const std::string pci = PciLocationFromComponent(part.string());
    if (!pci.empty()) location = pci;
  }
  return location;
}

// The folder of the NVMe subsystem a controller belongs to, or "".
fs::path SubsystemOfController(const std::string& sysRoot, const std::string& controller) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(sysRoot) / "class/nvme-subsystem", ec)) {
    std::error_code ec2;
    if (fs::exists(e.path() / controller, ec2)) return e.path();
  }
  return fs::path();
}

// Fills the controller facts of an NVMe namespace. Its device link leads to
// its controller, or, for a namespace shared through a multipath head, to
// the subsystem, whose folder links every controller.
void FillNvme(const std::string& sysRoot, const fs::path& device, const std::string& name,
              SysfsDisk& d) {
  std::error_code ec;
  const fs::path target = fs::canonical(device, ec);
  const std::string targetName = ec ? std::string() : target.filename().string();
  fs::path subsystem;
  if (targetName.compare(0, 11, "nvme-subsys") == 0)
    subsystem = target;
  else if (ControllerNumber(targetName) >= 0)
    subsystem = SubsystemOfController(sysRoot, targetName);
  std::vector<int> controllers;
  std::error_code ec2;
  if (!subsystem.empty())
    for (const auto& e : fs::directory_iterator(subsystem, ec2)) {
      const int n = ControllerNumber(e.path().filename().string());
      if (n >= 0) controllers.push_back(n);
    }
  if (controllers.empty() && ControllerNumber(targetName) >= 0)
    controllers.push_back(ControllerNumber(targetName));
  std::sort(controllers.begin(), controllers.end());
  int chosen = -1;
  const fs::path classNvme = fs::path(sysRoot) / "class/nvme";
  auto controllerDir = [&](int n) {
    const std::string c = "nvme" + std::to_string(n);
    std::error_code e1;
    if (!subsystem.empty() && fs::exists(subsystem / c, e1)) return subsystem / c;
    return classNvme / c;
  };
  // A node of one controller speaks through that controller; a multipath
  // head through any live one.
  chosen = ControllerNumber(targetName);
  for (const int n : controllers)
    if (chosen < 0 && ReadLine(controllerDir(n) / "state") == "live") chosen = n;
  if (chosen < 0 && !controllers.empty()) chosen = controllers.front();
  if (chosen < 0) {
    // Neither a controller nor a subsystem: the name is all there is.
    int c = -1;
    IsNvmeNamespace(name, &c);
    chosen = c;
  }
  d.nvmeController = chosen;
  for (const int n : controllers)
    if (n != chosen) d.nvmeOtherControllers.push_back(n);
  const fs::path ctrl = controllerDir(chosen);
  if (d.pciLocation.empty()) {
    std::error_code e3;
    const fs::path resolved = fs::canonical(ctrl, e3);
    if (!e3) d.pciLocation = PciLocationOfPath(resolved);
    if (d.pciLocation.empty()) d.pciLocation = PciLocationFromComponent(ReadLine(ctrl / "address"));
  }
  // The subsystem and its controllers carry the same identity.
  for (const fs::path& from : {device, ctrl}) {
    if (d.model.empty()) d.model = ReadLine(from / "model");
    if (d.serial.empty()) d.serial = ReadLine(from / "serial");
    if (d.revision.empty()) d.revision = ReadLine(from / "firmware_rev");
  }
  d.subsystem = subsystem.filename().string();
  d.nsid = ReadLine(fs::path(sysRoot) / "block" / name / "nsid");
  d.wwid = ReadLine(fs::path(sysRoot) / "block" / name / "wwid");
}

// Without multipath every controller of a shared namespace shows it under a
// node of its own (nvme0n1, nvme1n1): one of them is kept.
void DropRepeatedNamespaces(std::vector<SysfsDisk>& disks) {
  std::vector<SysfsDisk> kept;
  for (SysfsDisk& d : disks) {
    SysfsDisk* same = nullptr;
    for (SysfsDisk& k : kept)
      if (d.nvmeController >= 0 && !d.subsystem.empty() && !d.nsid.empty() &&
          k.subsystem == d.subsystem && k.nsid == d.nsid)
        same = &k;
    if (same == nullptr) {
      kept.push_back(std::move(d));
      continue;
    }
    auto& others = same->nvmeOtherControllers;
    if (std::find(others.begin(), others.end(), d.nvmeController) == others.end() &&
        d.nvmeController != same->nvmeController)
      others.push_back(d.nvmeController);
  }
  disks = std::move(kept);
}

}  // namespace

bool IsSecondaryNvmePort(const std::vector<SysfsDisk>& disks, uint32_t port) {
  if (port < kNvmePortBase) return false;
  const int controller = static_cast<int>(port - kNvmePortBase);
  bool secondary = false;
  for (const SysfsDisk& d : disks) {
    if (d.nvmeController == controller) return false;
    for (const int n : d.nvmeOtherControllers)
      if (n == controller) secondary = true;
  }
  return secondary;
}

std::string PciLocationFromComponent(const std::string& c) {
  unsigned domain = 0, bus = 0, dev = 0, fn = 0;
  int used = 0;
  if (std::sscanf(c.c_str(), "%4x:%2x:%2x.%1x%n", &domain, &bus, &dev, &fn, &used) != 4 ||
      static_cast<size_t>(used) != c.size())
    return std::string();
  return common::Format("PCI bus %u, device %u, function %u", bus, dev, fn);
}

std::vector<SysfsDisk> ListSysfsDisks(const std::string& sysRoot) {
  std::vector<SysfsDisk> disks;
  std::error_code ec;
  const std::map<std::string, uint32_t> hubNumbers = UsbHubNumbers(sysRoot);
  const fs::path block = fs::path(sysRoot) / "block";
  for (const fs::directory_entry& e : fs::directory_iterator(block, ec)) {
    SysfsDisk d;
    d.name = e.path().filename().string();
    const bool scsi = IsScsiDisk(d.name);
    if (!scsi && !IsNvmeNamespace(d.name, &d.nvmeController)) continue;
    d.devicePath = "/dev/" + d.name;
    const fs::path device = e.path() / "device";
    const fs::path resolved = fs::canonical(e.path(), ec);
    if (!ec) FillLocation(resolved, hubNumbers, d);
    ec.clear();
    if (scsi) {
      d.vendor = ReadLine(device / "vendor");
      d.model = ReadLine(device / "model");
      d.revision = ReadLine(device / "rev");
      d.wwid = ReadLine(device / "wwid");
      const std::string hctl = fs::canonical(device, ec).filename().string();
      unsigned h = 0, c = 0, t = 0, l = 0;
      if (!ec && std::sscanf(hctl.c_str(), "%u:%u:%u:%u", &h, &c, &t, &l) == 4) {
        d.host = h;
        d.channel = c;
        d.target = t;
        d.lun = l;
      }
      const std::string path = resolved.string();
      if (!d.usbVid.empty())
        d.busType = BusTypeUsb;
      else if (path.find("/ata") != std::string::npos)
        d.busType = BusTypeSata;
      else
        d.busType = BusTypeScsi;
      d.serial = d.usbSerial;
    } else {
      FillNvme(sysRoot, device, d.name, d);
      d.busType = BusTypeNvme;
      d.host = kNvmePortBase + static_cast<uint32_t>(std::max(d.nvmeController, 0));
    }
    disks.push_back(d);
  }
  std::sort(disks.begin(), disks.end(), SortKey);
  DropRepeatedNamespaces(disks);
  return disks;
}

std::string StableIdentity(const SysfsDisk& d) {
  if (!d.wwid.empty()) return "wwid:" + d.wwid;
  if (!d.serial.empty()) return "serial:" + d.model + "\n" + d.serial + "\n" + d.nsid;
  return "node:" + d.name;
}

std::string InstanceIdOf(const SysfsDisk& d) {
  auto clean = [](std::string s) {
    for (char& c : s)
      if (c == ' ' || c == '\\' || c == '&') c = '_';
    return s;
  };
  if (!d.usbVid.empty())
    return "USBSTOR\\DISK&VEN_" + clean(d.vendor) + "&PROD_" + clean(d.model) + "&REV_" +
           clean(d.revision) + "\\" + clean(d.usbSerial.empty() ? d.name : d.usbSerial) + "&0";
  const char* kind = d.nvmeController >= 0 ? "NVME" : "SCSI";
  return std::string(kind) + "\\DISK&VEN_" + clean(d.vendor) + "&PROD_" + clean(d.model) + "\\" +
         clean(d.name);
}

}  // namespace os::linuxos
