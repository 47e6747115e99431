#pragma once
// Builds lab.ini text for tests: the machine head (one host controller and the
// system disk of another maker, letter C), then the disks a test is about.
//
//   const std::string ini = testsupport::LabBuilder()
//                               .Sata("Disk Test", "VK4620XT2", {"Capacity=1GB"})
//                               .Nvme("Disk Nvme", {"Number=3"})
//                               .Text();
#include <initializer_list>
#include <string>
#include <string_view>

namespace testsupport {

class LabBuilder {
 public:
  // `systemDisk` false leaves the machine without one (the system letter is C).
  explicit LabBuilder(bool systemDisk = true) {
    text_ =
        "[Machine]\nSystemDirectory=C:\\Windows\\system32\n\n"
        "[HostController0]\nPci=0:20.0\nPorts=10\n";
    if (systemDisk) {
      Disk("Disk System", "sata", "generic",
           {"Model=Other Maker SATA SSD 256GB", "Serial=OM2561000000000001", "Firmware=3B2QGXA7",
            "Capacity=256GB", "Letters=C"});
    }
  }

  // A disk section of any attachment; `keys` are "Key=Value" lines.
  LabBuilder& Disk(std::string_view section, std::string_view attachment,
                   std::string_view controller, std::initializer_list<std::string_view> keys) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on
    // a literal + std::string temporary here.
    Line("");
    Line(std::string("[").append(section).append("]"));
    Line(std::string("Attachment=").append(attachment));
    if (!controller.empty()) Line(std::string("Controller=").append(controller));
    for (std::string_view k : keys) Line(k);
    return *this;
  }
  LabBuilder& Sata(std::string_view section, std::string_view controller,
                   std::initializer_list<std::string_view> keys = {}) {
    return Disk(section, "sata", controller, keys);
  }
  LabBuilder& Nvme(std::string_view section, std::initializer_list<std::string_view> keys = {}) {
    return Disk(section, "nvme", "VK4630", keys);
  }
  // A SATA drive behind a USB bridge on the root hub's `port`.
  LabBuilder& UsbSat(std::string_view section, std::string_view controller, int port,
                     std::initializer_list<std::string_view> keys = {}) {
    Disk(section, "usb-sat", controller, keys);
    Line("UsbHub=HostController0");
    return Line("UsbPort=" + std::to_string(port));
  }
  // Any further lines (a [Hub ...] section, a key for the last disk).
  LabBuilder& Raw(std::string_view text) {
    text_ += text;
    return *this;
  }

  const std::string& Text() const { return text_; }

 private:
  LabBuilder& Line(std::string_view line) {
    text_ += line;
    text_ += '\n';
    return *this;
  }
  std::string text_;
};

}  // namespace testsupport
