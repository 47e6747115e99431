// lab.ini: parsed, and when it is sound, the machine it describes built in a
// fresh folder with the lab's drive models and scanned by the tool (start-up,
// and with flag bit 0 every information page and the update page).
//
// Input: a flags byte, then the text of lab.ini.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "common/ini_file.h"
#include "common/text.h"
#include "fuzz_check.h"
#include "lab/config/lab_config.h"
#include "lab/drives/lab_drive_factory.h"
#include "lab_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in(data, size);
  const uint8_t flags = in.Byte();
  const std::string text = in.RestText();

  const lab::LabConfig config = lab::ParseLabConfig(text);
  const size_t sections = common::IniFile::FromText(text).SectionNames().size();
  // Host controllers may be the lab's default one; disks and hubs each need a section.
  FUZZ_CHECK(config.disks.size() + config.hubs.size() <= sections);
  std::set<uint32_t> numbers;
  for (const lab::DiskConfig& d : config.disks) {
    FUZZ_CHECK(!d.section.empty());
    if (config.problems.empty()) {
      // A sound machine has one disk per drive number.
      FUZZ_CHECK(numbers.insert(d.number).second);
    }
  }
  for (const std::string& p : config.problems) FUZZ_CHECK(!p.empty());
  if (!config.problems.empty()) return 0;

  std::unique_ptr<lab::LabOs> os = fuzz::FreshLab(text, lab::drives::LabDriveFactory());
  if (!os) return 0;
  FUZZ_CHECK(os->Machine().Disks().size() == config.disks.size());
  fuzz::SessionOptions options;
  options.visitPages = (flags & 1) != 0;
  options.autoGenFlu = (flags & 2) != 0;
  fuzz::RunSession(*os, options);
  return 0;
}
