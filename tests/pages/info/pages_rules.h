#pragma once
// Small rule files for the page tests, so that every expected row is visible
// in the test.
namespace infotest {

// IDENTIFY DEVICE: the model (stored byte-swapped, shown in order) and the
// commands-supported word with its SMART bit.
inline constexpr const char* kAtaIdentifyRules =
    "[Setting]\nUnitSize=1\nTotalUnitNum=512\n"
    "[Item_1]\nItemUnitOffset=54\nItemUnitNum=40\nItemStringMode=1\nItemDesc=Model number\n"
    "[Item_2]\nItemUnitOffset=164\nItemUnitNum=2\nItemDesc=Commands supported\n"
    "ItemBitEnable=1\nBitItemNum=1,15\nBitItemMethod=1,0\n"
    "BitItem0_0=SMART not supported\nBitItem0_1=SMART supported\n";

// Identify Controller: model and ONCS.
inline constexpr const char* kNvmeIdentifyRules =
    "[Setting]\nUnitSize=1\nTotalUnitNum=4096\n"
    "[Item_1]\nItemUnitOffset=24\nItemUnitNum=40\nItemStringMode=1\nItemDesc=Model number\n"
    "[Item_2]\nItemUnitOffset=520\nItemUnitNum=2\nItemDesc=Optional NVM commands\n";

// The health log: a 2-byte temperature, percentage used, a 16-byte counter
// and a 3-byte field whose value text is empty.
inline constexpr const char* kNvmeSmartRules =
    "[Setting]\nUnitSize=1\nTotalUnitNum=512\n"
    "[Item_1]\nItemUnitOffset=1\nItemUnitNum=2\nItemDesc=Composite temperature\n"
    "[Item_2]\nItemUnitOffset=5\nItemUnitNum=1\nItemDesc=Percentage used\n"
    "[Item_3]\nItemUnitOffset=48\nItemUnitNum=16\nItemDesc=Data units written\n"
    "[Item_4]\nItemUnitOffset=8\nItemUnitNum=3\nItemDesc=Odd width\n";

// ATA SMART names: no name for C2.
inline constexpr const char* kAtaSmartNames =
    "[VK4620XT]\nID5=Reallocated sectors\nID9=Power-on hours\nIDA9=Remaining life\n"
    "IDF1=Total LBAs written\n";

}  // namespace infotest
