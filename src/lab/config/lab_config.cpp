#include "lab/config/lab_config.h"

#include <cctype>
#include <map>
#include <set>
#include <tuple>

#include "common/text.h"
#include "lab/config/disk_section.h"
#include "lab/config/section_reader.h"
#include "lab/config/value_parsers.h"

namespace lab {
namespace {

bool HasPrefixNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && common::EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

void ReadMachine(SectionReader& r, MachineFacts& m) {
  m.systemDirectory = r.Str("SystemDirectory", m.systemDirectory);
  const std::string& dir = m.systemDirectory;
  if (dir.size() < 3 || !std::isalpha(static_cast<unsigned char>(dir[0])) || dir[1] != ':' ||
      dir[2] != '\\' || dir.size() > 259) {
    r.Problem("SystemDirectory", "expected a folder such as C:\\Windows\\system32");
    m.systemDirectory = "C:\\Windows\\system32";
  }
  m.osMajor = r.U32("OsMajorVersion", m.osMajor, 5, 10);
  m.osMinor = r.U32("OsMinorVersion", m.osMinor, 0, 3);
  m.osBuild = r.U32("OsBuild", m.osBuild, 0, 0x7FFFFFFF);
  m.privilegesGranted = r.Flag("Administrator", m.privilegesGranted);
  if (r.Has("SataPci")) {
    std::string why;
    if (auto loc = ParsePciLocation(r.Str("SataPci"), why)) {
      m.sataPci = *loc;
    } else {
      r.Problem("SataPci", why);
    }
  }
}

void ReadHostController(SectionReader& r, uint32_t index, HostControllerConfig& hc) {
  hc.index = index;
  hc.section = r.Section();
  hc.pciLocation = common::Format("PCI bus 0, device 20, function %u", index % 8);
  if (r.Has("Pci")) {
    std::string why;
    if (auto loc = ParsePciLocation(r.Str("Pci"), why)) {
      hc.pciLocation = *loc;
    } else {
      r.Problem("Pci", why);
    }
  }
  hc.rootPorts = r.U32("Ports", hc.rootPorts, 1, 127);
  hc.usb3 = r.U32("UsbVersion", 3, 2, 3) == 3;
  hc.broken = r.Flag("Broken", false);
}

void ReadHub(SectionReader& r, std::string name, HubConfig& h) {
  h.section = r.Section();
  h.name = std::move(name);
  h.parent = common::Trim(r.Str("Parent"));
  h.port = r.U32("Port", 0, 0, 255);
  h.vid = r.Hex16("Vid", 0x05E3);
  h.pid = r.Hex16("Pid", 0x0610);
  h.bcdDevice = r.Hex16("BcdDevice", 0x0100);
  h.ports = r.U32("Ports", 4, 1, 127);
  h.manufacturer = r.Str("Manufacturer", "Generic");
  h.product = r.Str("Product", "USB Hub");
  h.serial = r.Str("Serial");
  if (h.parent.empty()) r.Problem("Parent", "a hub needs the host controller or hub above it");
  if (h.port == 0) r.Problem("Port", "a hub needs the port number of its parent (from 1)");
}

// Ports of every hub (host controller sections stand for their root hubs).
struct HubPorts {
  uint32_t count;
  std::string parent;  // empty for a root hub
};

// A hub may be named by its name ("Front") or by its section ("Hub Front").
void NormaliseHubReference(const LabConfig& cfg, std::string& ref) {
  for (const HostControllerConfig& hc : cfg.hostControllers)
    if (common::EqualsNoCase(hc.section, ref)) return;
  for (const HubConfig& h : cfg.hubs) {
    if (common::EqualsNoCase(h.name, ref)) return;
    if (common::EqualsNoCase(h.section, ref)) {
      ref = h.name;
      return;
    }
  }
}

void CheckUsbTree(LabConfig& cfg) {
  for (HubConfig& h : cfg.hubs) NormaliseHubReference(cfg, h.parent);
  for (DiskConfig& d : cfg.disks) NormaliseHubReference(cfg, d.usb.hub);
  std::map<std::string, HubPorts> hubs;  // lower-case name
  for (const HostControllerConfig& hc : cfg.hostControllers)
    hubs[common::ToLower(hc.section)] = HubPorts{hc.rootPorts, ""};
  for (const HubConfig& h : cfg.hubs) {
    if (hubs.count(common::ToLower(h.name))) {
      cfg.problems.push_back("[" + h.section + "] the hub name " + h.name + " is used twice");
      continue;
    }
    hubs[common::ToLower(h.name)] = HubPorts{h.ports, h.parent};
  }
  std::set<std::pair<std::string, uint32_t>> taken;
  auto place = [&](const std::string& section, const std::string& hub, uint32_t port) {
    const auto it = hubs.find(common::ToLower(hub));
    if (it == hubs.end()) {
      cfg.problems.push_back("[" + section + "] no host controller or hub is called " + hub);
      return;
    }
    if (port < 1 || port > it->second.count) {
      cfg.problems.push_back(common::Format("[%s] %s has no port %u (it has %u)", section.c_str(),
                                            hub.c_str(), port, it->second.count));
      return;
    }
    if (!taken.insert({common::ToLower(hub), port}).second) {
      cfg.problems.push_back(
          common::Format("[%s] port %u of %s is taken twice", section.c_str(), port, hub.c_str()));
    }
  };
  for (const HubConfig& h : cfg.hubs) {
    if (!h.parent.empty() && h.port != 0) place(h.section, h.parent, h.port);
    // Walking up must reach a host controller.
    std::string at = h.name;
    for (size_t steps = 0;; ++steps) {
      const auto it = hubs.find(common::ToLower(at));
      if (it == hubs.end()) break;  // reported above
      if (it->second.parent.empty()) break;
      if (steps > cfg.hubs.size()) {
        cfg.problems.push_back("[" + h.section + "] the hubs above it form a loop");
        break;
      }
      at = it->second.parent;
    }
  }
  for (const DiskConfig& d : cfg.disks) {
    if (IsUsb(d.attachment) && !d.usb.hub.empty() && d.usb.port != 0)
      place(d.section, d.usb.hub, d.usb.port);
  }
}

// Each replacement names a spare of the same attachment, and no spare
// replaces two disks.
void CheckReplacements(LabConfig& cfg) {
  std::set<std::string> used;
  for (const DiskConfig& d : cfg.disks) {
    if (d.replacedBy.empty()) continue;
    const DiskConfig* spare = nullptr;
    for (const DiskConfig& s : cfg.spares)
      if (common::EqualsNoCase(s.section, d.replacedBy)) spare = &s;
    if (spare == nullptr) {
      cfg.problems.push_back("[" + d.section + "] ReplacedBy: '" + d.replacedBy +
                             "' is no disk section with Spare=1");
    } else if (spare->attachment != d.attachment) {
      cfg.problems.push_back("[" + d.section + "] ReplacedBy: [" + spare->section +
                             "] has another attachment");
    } else if (!used.insert(common::ToLower(spare->section)).second) {
      cfg.problems.push_back("[" + d.section + "] ReplacedBy: [" + spare->section +
                             "] replaces another disk already");
    }
  }
}

// Namespace ids and LUNs of the disks that are further namespaces of an
// earlier disk's controller.
void NumberNamespaces(LabConfig& cfg) {
  for (size_t i = 0; i < cfg.disks.size(); ++i) {
    DiskConfig& d = cfg.disks[i];
    if (d.namespaceOf.empty()) continue;
    const DiskConfig* owner = nullptr;
    uint32_t before = 0;
    for (size_t k = 0; k < i; ++k) {
      const DiskConfig& o = cfg.disks[k];
      if (common::EqualsNoCase(o.section, d.namespaceOf) && o.namespaceOf.empty()) owner = &o;
      if (common::EqualsNoCase(o.namespaceOf, d.namespaceOf)) ++before;
    }
    if (owner == nullptr || (owner->attachment != Attachment::kNvme &&
                             owner->attachment != Attachment::kNvmeMiniport)) {
      cfg.problems.push_back(common::Format(
          "[%s] NamespaceOf: expected an earlier NVMe disk section (not a namespace itself)",
          d.section.c_str()));
      d.namespaceOf.clear();
      continue;
    }
    if (d.attachment != owner->attachment) {
      cfg.problems.push_back(common::Format("[%s] NamespaceOf: the attachment must be [%s]'s",
                                            d.section.c_str(), owner->section.c_str()));
    }
    d.namespaceId = before + 2;
    d.lun = static_cast<uint8_t>(d.namespaceId - 1);
  }
}

void CheckDisks(LabConfig& cfg) {
  std::set<uint32_t> numbers;
  std::set<std::tuple<int32_t, uint8_t, int32_t, uint8_t>> addresses;
  for (const DiskConfig& d : cfg.disks) {
    if (!numbers.insert(d.number).second) {
      cfg.problems.push_back(common::Format("[%s] physical drive number %u is used twice",
                                            d.section.c_str(), d.number));
    }
    if (d.scsiPort >= 0 && d.targetId >= 0 &&
        !addresses.insert({d.scsiPort, d.pathId, d.targetId, d.lun}).second) {
      cfg.problems.push_back(common::Format("[%s] SCSI address %d:%u:%d:%u is used twice",
                                            d.section.c_str(), d.scsiPort, d.pathId, d.targetId,
                                            d.lun));
    }
  }
}

}  // namespace

char LabConfig::SystemLetter() const {
  if (machine.systemDirectory.empty()) return 0;
  const char c =
      static_cast<char>(std::toupper(static_cast<unsigned char>(machine.systemDirectory[0])));
  return c >= 'A' && c <= 'Z' ? c : 0;
}

LabConfig ParseLabConfig(std::string_view iniText) {
  LabConfig cfg;
  const common::IniFile ini = common::IniFile::FromText(iniText);
  std::set<std::string> seen;
  std::set<uint32_t> controllers;
  uint32_t nextNumber = 0;
  std::set<uint32_t> explicitNumbers;
  for (const std::string& name : ini.SectionNames()) {
    SectionReader r(ini, name, cfg.problems);
    if (r.Has("Number")) explicitNumbers.insert(r.U32("Number", 0, 0, 999));
  }
  cfg.problems.clear();  // reported again below, once, with the section

  for (const std::string& name : ini.SectionNames()) {
    if (!seen.insert(common::ToLower(name)).second) {
      cfg.problems.push_back("[" + name + "] appears twice; only the first one counts");
      continue;
    }
    SectionReader r(ini, name, cfg.problems);
    if (common::EqualsNoCase(name, "Machine")) {
      ReadMachine(r, cfg.machine);
    } else if (HasPrefixNoCase(name, "HostController")) {
      const auto index = ParseU64(std::string_view(name).substr(14));
      if (!index || *index > 9) {
        cfg.problems.push_back("[" + name +
                               "] host controllers are HostController0 to HostController9");
        continue;
      }
      if (!controllers.insert(static_cast<uint32_t>(*index)).second) {
        cfg.problems.push_back("[" + name + "] host controller " + std::to_string(*index) +
                               " is described twice");
        continue;
      }
      cfg.hostControllers.emplace_back();
      ReadHostController(r, static_cast<uint32_t>(*index), cfg.hostControllers.back());
    } else if (HasPrefixNoCase(name, "Hub")) {
      std::string hubName = common::Trim(std::string_view(name).substr(3));
      if (hubName.empty()) {
        cfg.problems.push_back("[" + name + "] a hub section is named [Hub <name>]");
        continue;
      }
      cfg.hubs.emplace_back();
      ReadHub(r, std::move(hubName), cfg.hubs.back());
    } else if (HasPrefixNoCase(name, "Disk")) {
      while (explicitNumbers.count(nextNumber)) ++nextNumber;
      DiskConfig disk;
      ReadDiskSection(r, nextNumber, disk);
      // A spare takes no drive number: it answers under the number of the
      // disk it replaces.
      if (disk.spare) {
        cfg.spares.push_back(std::move(disk));
        continue;
      }
      cfg.disks.push_back(std::move(disk));
      if (!r.Has("Number")) ++nextNumber;
    } else {
      cfg.problems.push_back("[" + name +
                             "] is not a lab.ini section (Machine, HostControllerN, Hub <name>, "
                             "Disk<name>)");
    }
  }
  if (cfg.hostControllers.empty()) {
    HostControllerConfig hc;
    hc.section = "HostController0";
    hc.pciLocation = "PCI bus 0, device 20, function 0";
    cfg.hostControllers.push_back(hc);
  }
  CheckUsbTree(cfg);
  NumberNamespaces(cfg);
  CheckDisks(cfg);
  CheckReplacements(cfg);
  return cfg;
}

}  // namespace lab
