// The NVMe vendor object on a scripted miniport: the command dwords of each
// admin and vendor command, the kept status, and the results callers read.
#include <gtest/gtest.h>

#include "controller/nvme/vk4630.h"
#include "vendor_script.h"

namespace controller {
namespace {

using namespace vendortest;

class NvmeCommands : public ::testing::Test {
 protected:
  NvmeCommands() : dev(sos) {
    OpenDrive(sos, dev, device::STORAGE_NVME_MINIPORT);
    dev.devHaId = 2;
    hba.Bind(&dev);
  }

  struct Hba : VK4630 {
    void Bind(device::StorageDevice* d) { device_ = d; }
  };

  ScriptedOs sos;
  device::StorageDevice dev;
  Hba hba;
  MiniportSeen seen;
};

TEST_F(NvmeCommands, GetLogPageEncodesTheDwordCountAndCopiesThePage) {
  Bytes page(512);
  page[0] = 0xA5;
  page[511] = 0x5A;
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, page});
  Bytes out(512);
  EXPECT_EQ(hba.GetLogPage(out, 0x02, 0, 0xFFFFFFFF, 0, 0), 0);
  EXPECT_EQ(seen.dw[0], 0x02u);
  EXPECT_EQ(seen.dw[1], 0xFFFFFFFFu);
  EXPECT_EQ(seen.dw[10], 0x007F0002u);
  EXPECT_EQ(seen.dw[11], 0x00000000u);
  EXPECT_EQ(out, page);

  // 256 KiB + 4 with LSP 1 and CDW12/13: NUMD 0x10000, whose upper half goes
  // to CDW11.
  ExpectMiniport(sos, Handle(), &seen);
  Bytes big(0x40000 + 4);
  EXPECT_EQ(hba.GetLogPage(big, 0xC0, 1, 1, 0x200, 0x3), 0);
  EXPECT_EQ(seen.dw[10], 0x000001C0u);
  EXPECT_EQ(seen.dw[11], 0x00000001u);
  EXPECT_EQ(seen.dw[12], 0x200u);
  EXPECT_EQ(seen.dw[13], 0x3u);
}

TEST_F(NvmeCommands, GetLogPageResults) {
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, NvmeStatus(0x09, 1), {}});
  Bytes out(512, 0xEE);
  EXPECT_EQ(hba.GetLogPage(out, 0x02, 0, 0, 0, 0), -127);
  EXPECT_EQ(hba.StatusCode(), 0x09);
  EXPECT_EQ(hba.StatusCodeType(), 1);
  EXPECT_EQ(out, Bytes(512, 0xEE));

  ExpectMiniport(sos, Handle(), &seen, MiniportReply{true, 0, 0, {}});
  EXPECT_EQ(hba.GetLogPage(out, 0x02, 0, 0, 0, 0), -3);
  EXPECT_EQ(hba.StatusCodeType(), 7);  // the request failed

  EXPECT_EQ(hba.GetLogPage({}, 0x02, 0, 0, 0, 0), -2);
  Bytes odd(6);
  EXPECT_EQ(hba.GetLogPage(odd, 0x02, 0, 0, 0, 0), -1);
}

TEST_F(NvmeCommands, FirmwareImageDownloadSendsSizeAndOffsetInDwords) {
  Bytes image(4096);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 3);
  ExpectMiniport(sos, Handle(), &seen);
  EXPECT_EQ(hba.FirmwareImageDownload(image, 8192), 0);
  EXPECT_EQ(seen.dw[0], 0x11u);
  EXPECT_EQ(seen.dw[10], 1023u);
  EXPECT_EQ(seen.dw[11], 2048u);
  EXPECT_EQ(seen.direction, 1u);
  ASSERT_GE(seen.data.size(), 4096u);
  EXPECT_EQ(Bytes(seen.data.begin(), seen.data.begin() + 4096), image);

  EXPECT_EQ(hba.FirmwareImageDownload({}, 0), -2);
  // Pieces that are not whole dwords would lose bytes of the image.
  EXPECT_EQ(hba.FirmwareImageDownload(std::span<const uint8_t>(image).first(4094), 0), -1);
  EXPECT_EQ(hba.FirmwareImageDownload(image, 2), -1);

  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, NvmeStatus(0x14, 1), {}});
  EXPECT_EQ(hba.FirmwareImageDownload(image, 0), -127);
  EXPECT_EQ(hba.StatusCode(), 0x14);
}

TEST_F(NvmeCommands, FirmwareCommitPacksSlotActionAndBootPartition) {
  ExpectMiniport(sos, Handle(), &seen);
  EXPECT_EQ(hba.FirmwareCommit(1, 2, false), 0);
  EXPECT_EQ(seen.dw[0], 0x10u);
  EXPECT_EQ(seen.dw[10], 0x0000000Au);
  EXPECT_EQ(seen.direction, 0u);

  ExpectMiniport(sos, Handle(), &seen);
  EXPECT_EQ(hba.FirmwareCommit(3, 1, true), 0);
  EXPECT_EQ(seen.dw[10], 0x80000019u);

  // "Firmware Activation Requires Reset" is a non-zero status like any other.
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0x1234, NvmeStatus(0x11, 1), {}});
  EXPECT_EQ(hba.FirmwareCommit(1, 1, false), -127);
  EXPECT_EQ(hba.StatusCode(), 0x11);
  EXPECT_EQ(hba.StatusCodeType(), 1);
  EXPECT_EQ(hba.CompletionDw0(), 0x1234u);

  EXPECT_EQ(hba.FirmwareCommit(8, 1, false), -1);
  EXPECT_EQ(hba.FirmwareCommit(1, 8, false), -1);
}

TEST_F(NvmeCommands, VendorCommandCountsVendorDoneAsSuccess) {
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, NvmeStatus(0xC0, 7), {}});
  EXPECT_EQ(hba.VendorNoData(true), 0);
  EXPECT_EQ(seen.dw[0], 0xC0u);
  EXPECT_EQ(seen.dw[12], 1u);
  EXPECT_EQ(seen.dw[13], 1u);

  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, NvmeStatus(0xC1, 7), {}});
  EXPECT_EQ(hba.VendorNoData(false), -1);
  EXPECT_EQ(seen.dw[13], 0u);

  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, NvmeStatus(0x00, 1), {}});
  EXPECT_EQ(hba.VendorNoData(false), -1);

  ExpectMiniport(sos, Handle(), &seen, MiniportReply{true, 0, 0, {}});
  EXPECT_EQ(hba.VendorNoData(false), -3);
}

TEST_F(NvmeCommands, VendorReadAsksForLengthInDwordsAndTheSelector) {
  Bytes answer(2048, 0);
  answer[496] = 'V';
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, answer});
  Bytes out(2048, 0xEE);
  EXPECT_EQ(hba.VendorRead(out, 1), 0);
  EXPECT_EQ(seen.dw[0], 0xC2u);
  EXPECT_EQ(seen.dw[10], 512u);
  EXPECT_EQ(seen.dw[12], 0x40u);
  EXPECT_EQ(seen.dw[13], 1u);
  EXPECT_EQ(seen.direction, 2u);
  EXPECT_EQ(out, answer);
}

TEST_F(NvmeCommands, VendorCommandCopiesTheCommandImageDwords) {
  NvmeCommandImage command{};
  const uint32_t dwords[16] = {0x000000C1, 0x00000001, 0xAAAAAAAA, 0xBBBBBBBB, 1,    2,
                               3,          4,          5,          6,          0x10, 0x11,
                               0x12,       0x13,       0x14,       0x15};
  std::memcpy(command.data(), dwords, sizeof dwords);
  Bytes data(512, 0x3C);
  ExpectMiniport(sos, Handle(), &seen);
  EXPECT_EQ(hba.VendorCommand(command, data), 0);
  EXPECT_EQ(seen.dw[0], 0xC1u);
  EXPECT_EQ(seen.dw[1], 1u);
  // CDW2, CDW3 and the pointers are the dispatcher's, not the image's.
  EXPECT_EQ(seen.dw[2], 0u);
  EXPECT_EQ(seen.dw[6], 0u);
  for (int i = 10; i <= 15; ++i) EXPECT_EQ(seen.dw[i], 0x10u + (i - 10)) << i;
  EXPECT_EQ(seen.direction, 1u);
  EXPECT_EQ(Bytes(seen.data.begin(), seen.data.begin() + 512), data);
}

TEST_F(NvmeCommands, ControlRequestGoesOnlyToMiniports) {
  Bytes reply = {0x9F, 0x1F, 0x30, 0x46, 0, 0, 0, 0};
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, reply});
  Bytes data = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(hba.ControlRequest(data, 0xE0001C28), 0);
  EXPECT_EQ(seen.signature, "VkmCtrl ");
  EXPECT_EQ(seen.controlCode, 0xE0001C28u);
  EXPECT_EQ(seen.direction, 3u);
  EXPECT_EQ(Bytes(seen.data.begin(), seen.data.begin() + 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(data, reply);

  ExpectMiniport(sos, Handle(), &seen, MiniportReply{true, 0, 0, {}});
  EXPECT_EQ(hba.ControlRequest(data, 0xE0001C14), -3);

  // Native NVMe: the location comes from the device record, other codes go
  // nowhere.
  dev.devAttribute = device::STORAGE_NVME | device::STORAGE_PHYSICAL;
  dev.devLocation = 0x00030010;
  Bytes location(4, 0xEE);
  EXPECT_EQ(hba.ControlRequest(location, 0xE0001C00), 0);
  EXPECT_EQ(location, (Bytes{0x10, 0x00, 0x03, 0x00}));
  Bytes untouched(8, 0xEE);
  EXPECT_EQ(hba.ControlRequest(untouched, 0xE0001C28), 0);
  EXPECT_EQ(untouched, Bytes(8, 0xEE));
  Bytes tooSmall(2);
  EXPECT_EQ(hba.ControlRequest(tooSmall, 0xE0001C00), -2);
}

// The bridge location code: port, hub port count and hub number, with the
// slot from the bridge's GPIO answer on a recognised hub.
TEST_F(NvmeCommands, BridgeLocationCodeComesFromTheUsbRecordAndTheGpioAnswer) {
  dev.devAttribute = device::STORAGE_PHYSICAL | device::STORAGE_NVME_BRIDGE;
  dev.devUsbInfo.port = 3;
  dev.devUsbInfo.hubPortCount = 4;
  dev.devUsbInfo.hubNumber = 2;
  dev.devUsbInfo.recognisedHub = 0;
  EXPECT_EQ(hba.BridgeLocationCode(), 0xFF020403u);

  dev.devUsbInfo.recognisedHub = 1;
  Bytes packet;
  ExpectScsi(sos, Handle(), {0x3B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00}, 0, 1024,
             {}, CaptureOut(&packet));
  Bytes gpio(512, 0);
  gpio[0] = 'G';
  gpio[1] = 'P';
  gpio[2] = 'I';
  gpio[3] = 'O';
  gpio[4] = 0x85;
  ExpectScsi(sos, Handle(), {0x3C, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}, 1, 512,
             Good(gpio));
  Bytes location(4);
  EXPECT_EQ(hba.ControlRequest(location, 0xE0001C00), 0);
  EXPECT_EQ(location, (Bytes{0x03, 0x04, 0x02, 0x85}));
  ASSERT_EQ(packet.size(), 1024u);
  EXPECT_EQ(packet[68], 6);  // the location query index

  // No GPIO answer: recognised, but no slot.
  ExpectScsi(sos, Handle(), {0x3B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00}, 0, 1024);
  ExpectScsi(sos, Handle(), {0x3C, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}, 1, 512,
             DriverError());
  EXPECT_EQ(hba.BridgeLocationCode(), 0x80020403u);
}

TEST_F(NvmeCommands, IdentifyKeepsStringsOnlyFromASuccessfulCompletion) {
  Bytes id(4096, 0);
  const std::string serial = "SN0123456789ABCDEFGH", model = "VKM VK4630 NVMe SSD 1TB",
                    firmware = "V0414A0 ";
  id[0] = 0x9F;
  id[1] = 0x1F;
  id[2] = 0x9F;
  id[3] = 0x1F;
  std::copy(serial.begin(), serial.end(), id.begin() + 4);
  std::copy(model.begin(), model.end(), id.begin() + 24);
  std::copy(firmware.begin(), firmware.end(), id.begin() + 64);

  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, id});
  Bytes out(4096);
  EXPECT_TRUE(hba.Identify(out, 0, true));
  EXPECT_EQ(seen.dw[0], 0x06u);
  EXPECT_EQ(seen.dw[1], 0u);
  EXPECT_EQ(seen.dw[10], 1u);
  EXPECT_EQ(out, id);
  EXPECT_EQ(hba.Serial(), serial);
  EXPECT_EQ(hba.Model(), model);
  EXPECT_EQ(hba.FirmwareRevision(), firmware);
  EXPECT_EQ(hba.PciVendorIds(), (std::array<uint8_t, 4>{0x9F, 0x1F, 0x9F, 0x1F}));

  Bytes other(4096, 'X');
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, NvmeStatus(0x02, 0), other});
  Bytes out2(4096, 0xEE);
  EXPECT_FALSE(hba.Identify(out2, 0, true));
  EXPECT_EQ(hba.Serial(), serial);
  EXPECT_EQ(out2, Bytes(4096, 0xEE));

  Bytes ns(4096, 0);
  const uint8_t nsze[8] = {0x00, 0x10, 0x00, 0x00, 0x01, 0, 0, 0};
  const uint8_t ncap[8] = {0x00, 0x08, 0x00, 0x00, 0x01, 0, 0, 0};
  std::copy(std::begin(nsze), std::end(nsze), ns.begin());
  std::copy(std::begin(ncap), std::end(ncap), ns.begin() + 8);
  for (int i = 0; i < 8; ++i) ns[120 + i] = static_cast<uint8_t>(0xE0 + i);
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, ns});
  EXPECT_TRUE(hba.Identify(out, 1, false));
  EXPECT_EQ(seen.dw[1], 1u);
  EXPECT_EQ(seen.dw[10], 0u);
  EXPECT_EQ(hba.NamespaceSize(), 0x100001000u);
  EXPECT_EQ(hba.NamespaceCapacity(), 0x100000800u);
  EXPECT_EQ(hba.Eui64(), (std::array<uint8_t, 8>{0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7}));
}

TEST_F(NvmeCommands, SectorsTravelAsScsiReadAndWrite) {
  dev.devAttribute = device::STORAGE_PHYSICAL | device::STORAGE_NVME;
  ExpectScsi(sos, Handle(), {0x28, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00}, 1, 512,
             Good(Sector(0x0D)));
  Bytes buf(512);
  EXPECT_EQ(hba.ReadSectors(0, 1, buf), 0);
  EXPECT_EQ(buf, Sector(0x0D));
  Bytes written;
  ExpectScsi(sos, Handle(), {0x2A, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00}, 0, 512,
             {}, CaptureOut(&written));
  EXPECT_EQ(hba.WriteSectors(1, 1, Sector(0x0E)), 0);
  EXPECT_EQ(written, Sector(0x0E));
  ExpectScsi(sos, Handle(), {0x28, 0x04, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x01, 0x00}, 1, 512,
             DriverError());
  EXPECT_EQ(hba.ReadSectors(2, 1, buf), -127);

  CloseScripted(sos, dev);
  sos.ExpectOpen("\\\\.\\PHYSICALDRIVE1", os::INVALID_HANDLE_VALUE).Fail(os::ERROR_ACCESS_DENIED);
  EXPECT_EQ(hba.ReadSectors(0, 1, buf), -12);
}

}  // namespace
}  // namespace controller
