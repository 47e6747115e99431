// The four identification strategies against scripted controllers.
#include <gtest/gtest.h>

#include <algorithm>

#include "scan/identify_strategies.h"
#include "device/core/dev_attribute.h"
#include "platform/virtual_os.h"
#include "scan_fakes.h"

namespace app::testing {
namespace {

using device::STORAGE_ATA;
using device::STORAGE_NVME;
using device::STORAGE_NVME_BRIDGE;
using device::STORAGE_NVME_MINIPORT;
using device::STORAGE_PHYSICAL;
using device::STORAGE_SCSI;

constexpr uint32_t kSata = STORAGE_ATA | STORAGE_PHYSICAL;
constexpr uint32_t kNvme = STORAGE_NVME | STORAGE_PHYSICAL;

class Strategies : public ::testing::Test {
 protected:
  int Run(IdentifyStrategy s, device::StorageDevice& drive, const ProfileTable& table) {
    return Identify(s, IdentifyTarget{controller, drive, slot, table, os});
  }
  int Count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), "0:" + call));
  }

  os::VirtualOs os;
  FakeMachine machine{os};
  std::vector<std::string> calls;
  ScriptedController controller{machine, calls, 0};
  SlotData slot;
};

// --- Parameter block -----------------------------------------------------

TEST_F(Strategies, ParameterBlockFamilyAndVariantPickTheProfile) {
  const ProfileTable table = FamilyProfiles();
  FakeDrive d4610;
  d4610.parameterBlock = ParamBlock("VK4610PARA", "01", "FFB17A");
  FakeDrive d4620 = Sata4620("S1");
  FakeDrive dXt2 = Sata4620("S2");
  dXt2.modeSector[52] = 'X';
  dXt2.modeSector[53] = 'A';
  // "XA" elsewhere in the sector does not make the variant.
  FakeDrive dNotXt2 = Sata4620("S3");
  dNotXt2.modeSector[50] = 'X';
  dNotXt2.modeSector[51] = 'A';

  EXPECT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("A", kSata, d4610), table), 0);
  EXPECT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("B", kSata, d4620), table), 1);
  EXPECT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("C", kSata, dXt2), table), 2);
  EXPECT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("D", kSata, dNotXt2), table), 1);
}

TEST_F(Strategies, ParameterBlockSignatureCountsOnlyBeforeTheFirstNul) {
  const ProfileTable table = FamilyProfiles();
  FakeDrive inside = Sata4620("S1");
  inside.parameterBlock = ParamBlock("ABC-VK4620PARA", "01", "  B27A");
  FakeDrive afterNul = Sata4620("S2");
  afterNul.parameterBlock = ParamBlock("ABC", "01", "  B27A");
  PutText(afterNul.parameterBlock, 4, "VK4620PARA");

  EXPECT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("A", kSata, inside), table), 1);
  EXPECT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("B", kSata, afterNul), table),
            kNoProfile);
}

TEST_F(Strategies, ParameterBlockOfNoFamilyNeverMatchesWhateverTheProfile) {
  // Even a profile whose tag the NVMe block's own name would suggest.
  const ProfileTable table = Profiles({Profile("VK4630", "VKM4630"), Profile("Any", "VK4630PARA"),
                                       Profile("VK4620XT", "VKM4620XT")});
  FakeDrive d = Sata4620("S1");
  d.parameterBlock = ParamBlock("VK4630PARA", "01", "  B27A");
  EXPECT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("A", kSata, d), table), kNoProfile);
  // Every profile was tried, each with a fresh read of the block and the mode.
  EXPECT_EQ(Count("parameter block"), 3);
  EXPECT_EQ(Count("mode query"), 3);
  EXPECT_EQ(Count("smart read"), 0);
}

TEST_F(Strategies, ParameterBlockWithoutFirmwareTagDoesNotMatch) {
  FakeDrive d = Sata4620("S1");
  d.parameterBlock = ParamBlock("VK4620PARA", "01", std::string(6, '\0'));
  EXPECT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("A", kSata, d), FamilyProfiles()),
            kNoProfile);
}

TEST_F(Strategies, ParameterBlockNeedsAReadyAttachOnAnAtaDrive) {
  FakeDrive refusing = Sata4620("S1");
  refusing.attachFails = true;
  EXPECT_EQ(
      Run(IdentifyStrategy::kParameterBlock, machine.Add("A", kSata, refusing), FamilyProfiles()),
      kNoProfile);
  // A drive reached only as SCSI is attached but never asked for its block.
  EXPECT_EQ(
      Run(IdentifyStrategy::kParameterBlock,
          machine.Add("B", STORAGE_SCSI | STORAGE_PHYSICAL, Sata4620("S2")), FamilyProfiles()),
      kNoProfile);
  EXPECT_EQ(Count("attach A"), 4);
  EXPECT_EQ(Count("attach B"), 4);
  EXPECT_EQ(Count("identify"), 0);
  EXPECT_EQ(Count("parameter block"), 0);
}

TEST_F(Strategies, TwoProfilesWithTheSameTagTheFirstWins) {
  const ProfileTable table =
      Profiles({Profile("VK4610XT", "VKM4610XT"), Profile("First", "VKM4620XT"),
                Profile("Second", "VKM4620XT")});
  EXPECT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("A", kSata, Sata4620("S1")), table),
            1);
  EXPECT_EQ(Count("attach A"), 2);
}

TEST_F(Strategies, ParameterBlockMatchReadsSmartIntoTheSlot) {
  FakeDrive d = Sata4620("S1");
  PutText(d.smart, 0, "SMARTDATA");
  ASSERT_EQ(Run(IdentifyStrategy::kParameterBlock, machine.Add("A", kSata, d), FamilyProfiles()),
            1);
  const std::vector<std::string> expected{
      "0:name VKM4610XT",  "0:attach A",       "0:identify",     "0:parameter block",
      "0:mode query",      "0:name VKM4620XT", "0:attach A",     "0:identify",
      "0:parameter block", "0:mode query",     "0:smart enable", "0:smart read"};
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(std::string(slot.smartData.begin(), slot.smartData.begin() + 9), "SMARTDATA");
  // IDENTIFY went into the slot too.
  EXPECT_TRUE(std::equal(d.identify.begin(), d.identify.end(), slot.ataIdentify.begin()));
  EXPECT_EQ(slot.parameterBlock[0], 'V');
}

// --- Model name ----------------------------------------------------------

TEST_F(Strategies, ModelNameMaskIgnoresThePositionsMarkedZero) {
  ControllerProfile masked = Profile("Masked", "VKXY");
  masked.VKMStrTagMask = "1100";
  const ProfileTable table = Profiles({Profile("Plain", "VKXY"), masked});
  FakeDrive d;
  d.identify = AtaIdentify("S1", "F1", "VKM4620 SSD");
  EXPECT_EQ(Run(IdentifyStrategy::kModelName, machine.Add("A", kSata, d), table), 1);
}

TEST_F(Strategies, ModelNameIgnoresTheAttachAndReadsEverythingIntoTheSlot) {
  FakeDrive d;
  d.identify = AtaIdentify("S1", "F1", "VKM4620 SSD");
  d.parameterBlock = ParamBlock("VK4620PARA", "01", "  B27A");
  PutText(d.smart, 0, "SM");
  d.attachFails = true;
  const ProfileTable table = Profiles({Profile("Other", "XYZ"), Profile("Ours", "VKM4620")});
  EXPECT_EQ(Run(IdentifyStrategy::kModelName, machine.Add("A", kSata, d), table), 1);
  EXPECT_EQ(Count("identify"), 4);
  EXPECT_EQ(slot.parameterBlock[0], 'V');
  EXPECT_EQ(slot.smartData[0], 'S');
}

TEST_F(Strategies, ModelNameNeedsTheSecondIdentifyToSucceed) {
  FakeDrive d;
  d.identify = AtaIdentify("S1", "F1", "VKM4620 SSD");
  d.identifyFails = true;
  EXPECT_EQ(Run(IdentifyStrategy::kModelName, machine.Add("A", kSata, d),
                Profiles({Profile("Ours", "VKM4620")})),
            kNoProfile);
}

TEST_F(Strategies, ModelNameTagLongerThanTheModelFieldNeverMatches) {
  FakeDrive d;
  const std::string model40 = "VKM4620 SSD 0123456789ABCDEFGHIJKLMNOPQR";
  ASSERT_EQ(model40.size(), 40u);
  d.identify = AtaIdentify("S1", "F1", model40);
  EXPECT_EQ(Run(IdentifyStrategy::kModelName, machine.Add("A", kSata, d),
                Profiles({Profile("Long", model40 + "S"), Profile("Exact", model40)})),
            1);
}

// --- SMART -----------------------------------------------------------------

TEST_F(Strategies, SmartTagAtTheDefaultOffsetMatchesAndRereadsIdentity) {
  FakeDrive d = Sata4620("S1");
  PutText(d.smart, 400, "VKM4620XT");
  ASSERT_EQ(Run(IdentifyStrategy::kSmart, machine.Add("A", kSata, d), FamilyProfiles()), 1);
  EXPECT_EQ(Count("smart read"), 3);  // profile 0, profile 1, and again on the match
  EXPECT_EQ(Count("identify"), 1);
  EXPECT_TRUE(std::equal(d.identify.begin(), d.identify.end(), slot.ataIdentify.begin()));
  EXPECT_EQ(slot.smartData[400], 'V');
}

TEST_F(Strategies, SmartSearchOffsetIsPerProfileAndBounded) {
  ControllerProfile nearEnd = Profile("NearEnd", "VKM4620XT");
  nearEnd.SMARTSearchStrOffset = 508;  // the tag would run past the 512 bytes read
  ControllerProfile negative = Profile("Negative", "VKM4620XT");
  negative.SMARTSearchStrOffset = -4;
  ControllerProfile early = Profile("Early", "VKM4620XT");
  early.SMARTSearchStrOffset = 10;
  FakeDrive d = Sata4620("S1");
  PutText(d.smart, 10, "VKM4620XT");
  PutText(d.smart, 508, "VKM4");
  EXPECT_EQ(Run(IdentifyStrategy::kSmart, machine.Add("A", kSata, d),
                Profiles({nearEnd, negative, early})),
            2);
}

TEST_F(Strategies, SmartReadFailureMovesToTheNextProfile) {
  FakeDrive d = Sata4620("S1");
  PutText(d.smart, 400, "VKM4620XT");
  d.smartFails = true;
  EXPECT_EQ(Run(IdentifyStrategy::kSmart, machine.Add("A", kSata, d), FamilyProfiles()),
            kNoProfile);
  EXPECT_EQ(Count("identify"), 0);
}

// --- NVMe ---------------------------------------------------------------------

TEST_F(Strategies, NvmeEmptySubTagMatchesEveryDriveTheAttachAccepts) {
  FakeDrive d;
  d.idCtrl = NvmeIdCtrl("N1", "VK NVMe", "N0100A0");
  PutText(d.idNs, 0, "NS");
  d.acceptedNames = {"VKM4630"};
  const ProfileTable table =
      Profiles({Profile("VK4620XT", "VKM4620XT"), Profile("VK4630", "VKM4630")});
  ASSERT_EQ(Run(IdentifyStrategy::kNvme, machine.Add("A", kNvme, d), table), 1);
  const std::vector<std::string> expected{"0:name VKM4620XT",      "0:attach A",
                                          "0:name VKM4630",        "0:attach A",
                                          "0:vendor read 0",       "0:identify controller",
                                          "0:identify namespace 1"};
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(slot.nvmeIdentifyController[4], 'N');
  EXPECT_EQ(slot.nvmeIdentifyNamespace[0], 'N');
  // The two pauses around the vendor read series, on the virtual clock.
  EXPECT_EQ(os.Clock().ElapsedMs(), 2u);
}

TEST_F(Strategies, NvmeSubTagIsComparedAtItsOffsetInTheVendorInformation) {
  ControllerProfile wrongOffset = Profile("Wrong", "VKM4630");
  wrongOffset.SubVKMStrTag = "VK4630AB";
  wrongOffset.SubVKMStrTagOffset = 101;
  ControllerProfile right = wrongOffset;
  right.Name = "Right";
  right.SubVKMStrTagOffset = 100;
  ControllerProfile outside = wrongOffset;
  outside.Name = "Outside";
  outside.SubVKMStrTagOffset = 2044;  // would run past the 2048 bytes
  FakeDrive d;
  PutText(d.vendorPage0, 100, "VK4630AB");
  PutText(d.vendorPage0, 2044, "VK46");
  EXPECT_EQ(Run(IdentifyStrategy::kNvme, machine.Add("A", kNvme, d),
                Profiles({wrongOffset, outside, right})),
            2);
}

TEST_F(Strategies, NvmeSecondVendorPageReplacesTheFirstWhenByteFourIsSet) {
  ControllerProfile p = Profile("VK4630", "VKM4630");
  p.SubVKMStrTag = "PAGE1";
  p.SubVKMStrTagOffset = 16;
  FakeDrive d;
  d.vendorPage0[4] = 1;
  PutText(d.vendorPage1, 16, "PAGE1");
  EXPECT_EQ(Run(IdentifyStrategy::kNvme, machine.Add("A", kNvme, d), Profiles({p})), 0);
  EXPECT_EQ(Count("vendor read 1"), 1);
  // Without the flag the second page is never read.
  FakeDrive single;
  PutText(single.vendorPage1, 16, "PAGE1");
  calls.clear();
  EXPECT_EQ(Run(IdentifyStrategy::kNvme, machine.Add("B", kNvme, single), Profiles({p})),
            kNoProfile);
  EXPECT_EQ(Count("vendor read 1"), 0);
}

TEST_F(Strategies, NvmeVendorReadIsTriedFiveTimesThenTheBufferIsUsedAsItIs) {
  FakeDrive d;
  d.vendorReadFailures = 7;
  PutText(d.vendorPage0, 0, "GOOD");
  ControllerProfile needsData = Profile("NeedsData", "VKM4630");
  needsData.SubVKMStrTag = "GOOD";
  const ProfileTable table = Profiles({needsData, Profile("Any", "VKM4630")});
  // First attempt: five failures, nothing read; second attempt: two more
  // failures, then the page arrives, but "Any" has no sub-tag to check.
  EXPECT_EQ(Run(IdentifyStrategy::kNvme, machine.Add("A", kNvme, d), table), 1);
  EXPECT_EQ(Count("vendor read 0"), 8);
  EXPECT_EQ(slot.nvmeVendorInfo[0], 'G');
}

TEST(ScanStrategyChoice, NvmeBitsAlwaysTakeTheNvmeStrategy) {
  AppOptions o;
  o.EnableUseModelNameToFindIC = true;
  o.EnableUseSMARTToFindIC = true;
  for (uint32_t bit : {STORAGE_NVME, STORAGE_NVME_MINIPORT, STORAGE_NVME_BRIDGE}) {
    EXPECT_EQ(ChooseStrategy(bit | STORAGE_ATA, o), IdentifyStrategy::kNvme) << std::hex << bit;
  }
  EXPECT_EQ(ChooseStrategy(kSata, o), IdentifyStrategy::kModelName);
  o.EnableUseModelNameToFindIC = false;
  EXPECT_EQ(ChooseStrategy(kSata, o), IdentifyStrategy::kSmart);
  o.EnableUseSMARTToFindIC = false;
  EXPECT_EQ(ChooseStrategy(kSata, o), IdentifyStrategy::kParameterBlock);
  EXPECT_EQ(ChooseStrategy(STORAGE_SCSI, o), IdentifyStrategy::kParameterBlock);
}

}  // namespace
}  // namespace app::testing
