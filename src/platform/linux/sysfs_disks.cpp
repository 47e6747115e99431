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

// Walks the resolved device path for the PCI function and the USB device.
void FillLocation(const fs::path& resolved, SysfsDisk& d) {
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
  d.usbHub = usbParent.empty() ? 0 : LastNumber(ReadLine(usbParent / "devnum"));
}

}  // namespace

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
  const fs::path block = fs::path(sysRoot) / "block";
  for (const fs::directory_entry& e : fs::directory_iterator(block, ec)) {
    SysfsDisk d;
    d.name = e.path().filename().string();
    const bool scsi = IsScsiDisk(d.name);
    if (!scsi && !IsNvmeNamespace(d.name, &d.nvmeController)) continue;
    d.devicePath = "/dev/" + d.name;
    const fs::path device = e.path() / "device";
    const fs::path resolved = fs::canonical(e.path(), ec);
    if (!ec) FillLocation(resolved, d);
    ec.clear();
    if (scsi) {
      d.vendor = ReadLine(device / "vendor");
      d.model = ReadLine(device / "model");
      d.revision = ReadLine(device / "rev");
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
      d.model = ReadLine(device / "model");
      d.serial = ReadLine(device / "serial");
      d.revision = ReadLine(device / "firmware_rev");
      d.busType = BusTypeNvme;
      d.host = kNvmePortBase + static_cast<uint32_t>(d.nvmeController);
    }
    disks.push_back(d);
  }
  std::sort(disks.begin(), disks.end(), SortKey);
  return disks;
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
