// Automatic mode on a lab drive whose tag the package files under its NAND
// type: the version the list offers is the one the update-file build writes.
#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "form_on_lab.h"
#include "package/generate/auto_gen_flu.h"
#include "package/package_files.h"
#include "package/package_layout.h"
#include "package/version_text.h"
#include "support/lab_builder.h"

namespace app::testing {
namespace {

const std::string kLabIni = testsupport::LabBuilder().Text() + R"(
[Disk A]
Attachment=sata
Controller=VK4620XT
Model=VKM SATA SSD VK4620XT 256GB
Serial=VK20000000000000009
Firmware=S0221A0
Capacity=256MB
FwTag=FBiCS4
RetryTag=02
NandMakerCode=0x98
DieText=BiCS4 TLC 8die 2CE
HwId=2
PlaneCount=4
RetryTable=1
UnitSectors=8
BootParam=0xA2
BootParams=000033
)";

constexpr const char* kSettings = R"([Option]
ErrorLog=0
SSDToolLogName=scan_offer_lab_test_no_such_log.txt
ShowFWTag=1
AutoGenFlu=1
ICType_0=VK4620XT
[VK4620XT]
VKMStrTag=VKM4620XT
ISP_FilePath=ISP_VK4620XT.bin
ISPVerOffset=1582
ISPVerChkStrLengh=8
ISPVerChkStrSwapFlag=1
)";

// The BiCS tag of an eight-die drive of NAND maker 0x98, as the build maps it.
constexpr const char* kMappedTagFolder = "Firmware/4620/BiCS/TSB/8die/BiCS4/";

std::string Image(const std::string& identity16) {
  std::string b(0x20000, '\0');
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  b.replace(0xEFF0, identity16.size(), identity16);
  return b;
}

class ScanOfferOnLab : public FormOnLab {
 protected:
  void SetUp() override {
    Build(kLabIni, kSettings);
    // The package has the drive's files only under the mapped tag: the image
    // of a four-plane drive in 4P, SetCID.ini beside the retry folders.
    home.Write(std::string(kMappedTagFolder) + "02/4P/ISP4620.bin", Image("20190312A0FBiCS4"));
    home.Write(std::string(kMappedTagFolder) + "BootISP4620.bin", std::string(16384, '\xEE'));
    // The profile's folder, where the build leaves a copy of the update file.
    home.Write("VK4620XT/FWVerDB.ini", "");
  }

  // Builds the drive's update file as the update does and returns the version
  // it carries.
  std::string BuiltVersion() {
    VKMClass& slot = plugin->Table().Slot(0).device;
    controller::VK4540LT* sata = slot.SataVendorObject();
    if (!sata) return "<no vendor object>";
    const ControllerProfile& profile = ctx->profiles.Profiles[0];
    const firmware::GenFluContext g{*labOs,  home.Str(), ctx->options, ctx->updateFiles,
                                    profile, "VKM SATA SSD VK4620XT 256GB", "S0221A0", -1};
    const firmware::GenFluResult gen = firmware::DoAutoGenFlu(g, *sata, 0);
    slot.Close();
    if (!gen.Ok()) return "<build failed " + std::to_string(gen.code) + ">";
    const auto flu =
        firmware::ReadWholeFile(gen.outputFolder + firmware::kMicrocodeFluFileName, 1 << 24);
    if (!flu) return "<no update file>";
    return common::Trim(firmware::ReadOfferedVersion(*flu, profile));
  }
};

TEST_F(ScanOfferOnLab, TheListOffersTheVersionTheBuildWritesFromTheMappedTagFolder) {
  form->RunCreate();
  ASSERT_EQ(plugin->Table().DeviceCount(), 1);
  // The image's dated identity field.
  EXPECT_EQ(form->LV_UpdateDevStatus.SubItem(0, 2), "S0312A0");
  EXPECT_EQ(BuiltVersion(), "S0312A0");

  // SetCID.ini, present only in the mapped tag's folder, sets the version for
  // this drive's current one: the list and the build both take it.
  home.Write(std::string(kMappedTagFolder) + "SetCID.ini",
             "[IDTable]\nSetFWVer_S0221A0=T0101B1\n");
  form->ST_DeviceName.Click();
  EXPECT_EQ(form->LV_UpdateDevStatus.SubItem(0, 2), "T0101B1");
  EXPECT_EQ(BuiltVersion(), "T0101B1");
  EXPECT_EQ(labOs->OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace app::testing
