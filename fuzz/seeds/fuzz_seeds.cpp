// Writes the seed corpus of every fuzz target from the project's own data:
// the blocks and replies the lab's emulated controllers give, the demo tool
// folder the build writes (settings, rule files, SetCID.ini, version
// databases, firmware images), the demo lab's lab.ini and the state files a
// lab writes when it starts.
//
//   fuzz_seeds OUT_DIR DEMO_HOME
//
// Each target gets OUT_DIR/<target>/; the files are in that target's input
// layout (see the comment at the top of each target).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lab/demo/open_lab.h"
#include "lab/drives/ata/ata_identify.h"
#include "lab/drives/vk46xx/vk46xx_blocks.h"
#include "lab/drives/vk46xx/vk46xx_settings.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

fs::path gOut;
int gWritten = 0;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  const fs::path dir = gOut / target;
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  ++gWritten;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Sized(const Bytes& b) {
  Bytes out{static_cast<uint8_t>(b.size()), static_cast<uint8_t>(b.size() >> 8)};
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

Bytes FromText(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return FromText(s.str());
}

template <typename A>
Bytes FromArray(const A& a) {
  return Bytes(a.begin(), a.end());
}

void ControllerSeeds() {
  using namespace lab::drives;
  const VkController all[] = {VkController::kVk4610Xt, VkController::kVk4620Xt,
                              VkController::kVk4620Xt2};
  int i = 0;
  for (VkController c : all) {
    const Vk46xxSettings s = Vk46xxDefaults(c);
    const Bytes param = BuildParameterBlock(s, "S0220A0", 2097152);
    const Bytes mode = FromArray(BuildModeSector(s, lab::VkMode::kNormal, "S0220A0"));
    const Sector identify = BuildIdentify("VKM SATA SSD 256GB", "VK20000000000000001",
                                          AtaFeatures{}, AtaIdentifyDynamic{"S0220A0", 2097152});
    const Bytes flash = BuildFlashInfoBlock(s, identify);
    const std::string n = std::to_string(i++);
    Seed("fuzz_vendor_blocks", "blocks" + n,
         Join({{static_cast<uint8_t>(i * 5), 0x2E, 0x06}, Sized(param), Sized(mode), flash}));
    // The drive replies: the same blocks as whole replies, per attachment.
    for (uint8_t flags : {0x00, 0x01, 0x02, 0x04, 0x08}) {
      const std::string f = n + "_" + std::to_string(flags);
      Seed("fuzz_drive_replies", "identify" + f, Join({{0, flags}, FromArray(identify)}));
      Seed("fuzz_drive_replies", "param" + f, Join({{3, flags}, param}));
      Seed("fuzz_drive_replies", "flash" + f, Join({{4, flags}, flash}));
      Seed("fuzz_drive_replies", "mode" + f, Join({{5, flags}, mode}));
    }
    Seed("fuzz_rule_files", "identify" + n, Join({{0}, Sized(FromArray(identify))}));
    Seed("fuzz_firmware_image", "drive" + n,
         Join({{0x06, 0x2E, 0x06},
               Sized(FromText("VKM SATA SSD 256GB")),
               Sized(FromText("S0220A0")),
               Sized(param),
               Sized(mode)}));
  }
  // Every other reply as the emulated drive gives it (nothing laid over).
  for (uint8_t reply = 0; reply < 13; ++reply) {
    for (uint8_t flags : {0x00, 0x01, 0x03}) {
      Seed("fuzz_drive_replies", "reply" + std::to_string(reply) + "_" + std::to_string(flags),
           {reply, flags});
    }
  }
}

void DemoFolderSeeds(const fs::path& home) {
  int i = 0;
  for (const auto& e : fs::recursive_directory_iterator(home)) {
    if (!e.is_regular_file()) continue;
    const std::string name = e.path().filename().string();
    const std::string ext = e.path().extension().string();
    const Bytes bytes = ReadFile(e.path());
    const std::string n = std::to_string(i++);
    if (name == "Setting.ini") {
      Seed("fuzz_settings", "setting" + n, bytes);
      Seed("fuzz_package_ini", "setting" + n,
           Join({{0x22},
                 Sized(FromText("BiCS4")),
                 Sized(FromText("S0220A0")),
                 Sized(FromText("S0312A0")),
                 Sized({}),
                 bytes}));
    } else if (name == "SetCID.ini" || name.find("FWVerDB") != std::string::npos) {
      Seed("fuzz_package_ini", name + n,
           Join({{0x20},
                 Sized(FromText("B27A")),
                 Sized(FromText("S0220A0")),
                 Sized(FromText("S0312A0")),
                 Sized(FromText("11111110")),
                 bytes}));
    } else if (ext == ".ini") {
      Seed("fuzz_rule_files", name + n, Join({{static_cast<uint8_t>(i & 3)}, Sized({}), bytes}));
      Seed("fuzz_rule_files", name + n + "_t",
           Join({{static_cast<uint8_t>(i & 3)}, Sized(Bytes(512, 0x41)), bytes}));
    } else if (ext == ".bin" && bytes.size() <= (1u << 20)) {
      Seed("fuzz_firmware_image", name + n,
           Join({{0x06, 0x2E, 0x06},
                 Sized(FromText("VKM SATA SSD 256GB")),
                 Sized(FromText("S0220A0")),
                 Sized({}),
                 Sized({}),
                 bytes}));
    }
  }
}

void LabSeeds(const fs::path& scratch) {
  const std::string demo = lab::DemoLabIni();
  Seed("fuzz_lab_config", "demo_lab", Join({{0x00}, FromText(demo)}));
  Seed("fuzz_lab_config", "demo_lab_pages", Join({{0x01}, FromText(demo)}));
  // The state files the demo lab writes when it starts.
  std::string error;
  const fs::path lab = scratch / "demo-lab";
  if (!lab::EnsureDemoLab(lab.string(), error)) {
    std::fprintf(stderr, "fuzz_seeds: %s\n", error.c_str());
    return;
  }
  { auto os = lab::OpenLab(lab.string(), error); }
  int i = 0;
  for (const auto& e : fs::recursive_directory_iterator(lab)) {
    if (e.is_regular_file() && e.path().extension() == ".state") {
      const Bytes text = ReadFile(e.path());
      Seed("fuzz_lab_state", "state" + std::to_string(i),
           Join({{static_cast<uint8_t>(i & 7)}, text}));
      ++i;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_seeds OUT_DIR DEMO_HOME\n");
    return 2;
  }
  gOut = argv[1];
  fs::remove_all(gOut);
  fs::create_directories(gOut);
  ControllerSeeds();
  DemoFolderSeeds(argv[2]);
  LabSeeds(gOut / ".scratch");
  fs::remove_all(gOut / ".scratch");
  std::printf("fuzz_seeds: %d seeds in %s\n", gWritten, argv[1]);
  return 0;
}
