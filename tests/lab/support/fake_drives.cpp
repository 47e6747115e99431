#include "lab/support/fake_drives.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "common/text.h"

namespace labtest {
namespace {

constexpr uint8_t kGood = lab::kAtaStatusDrdy | lab::kAtaStatusDsc;

void PutAtaString(std::span<uint8_t> id, size_t offset, size_t length, const std::string& s) {
  std::vector<uint8_t> field(length, ' ');
  std::copy_n(s.begin(), std::min(s.size(), length), field.begin());
  common::SwapBytePairs(field);
  std::copy(field.begin(), field.end(), id.begin() + static_cast<ptrdiff_t>(offset));
}

void PutNvmeString(std::span<uint8_t> id, size_t offset, size_t length, const std::string& s) {
  for (size_t i = 0; i < length; ++i)
    id[offset + i] = i < s.size() ? static_cast<uint8_t>(s[i]) : ' ';
}

struct Transfer {
  uint64_t lba;
  uint32_t count;
};

// 28-bit or 48-bit by the opcode, as a drive tells them apart.
Transfer Decode(const lab::AtaCommand& c) {
  const uint8_t op = c.current.command;
  if (op == 0x24 || op == 0x25 || op == 0x34 || op == 0x35) {
    const uint64_t lba = uint64_t{c.current.lbaLow} | uint64_t{c.current.lbaMid} << 8 |
                         uint64_t{c.current.lbaHigh} << 16 | uint64_t{c.previous.lbaLow} << 24 |
                         uint64_t{c.previous.lbaMid} << 32 | uint64_t{c.previous.lbaHigh} << 40;
    const uint32_t count = uint32_t{c.previous.sectorCount} << 8 | c.current.sectorCount;
    return {lba, count == 0 ? 65536u : count};
  }
  const uint64_t lba = uint64_t{c.current.lbaLow} | uint64_t{c.current.lbaMid} << 8 |
                       uint64_t{c.current.lbaHigh} << 16 | uint64_t{c.current.device & 0x0Fu} << 24;
  return {lba, c.current.sectorCount == 0 ? 256u : c.current.sectorCount};
}

}  // namespace

bool MemoryMedia::Read(uint64_t lba, uint32_t count, uint8_t* out) {
  if (lba > sectors_ || count > sectors_ - lba) return false;
  std::copy_n(bytes_.begin() + static_cast<ptrdiff_t>(lba * sectorSize_),
              size_t{count} * sectorSize_, out);
  return true;
}

bool MemoryMedia::Write(uint64_t lba, uint32_t count, const uint8_t* in) {
  if (lba > sectors_ || count > sectors_ - lba) return false;
  std::copy_n(in, size_t{count} * sectorSize_,
              bytes_.begin() + static_cast<ptrdiff_t>(lba * sectorSize_));
  return true;
}

lab::AtaResult FakeAtaDrive::ExecuteAta(lab::AtaCommand& c) {
  commands.push_back(c);
  dataOut.push_back(c.direction == lab::DataDirection::kOut
                        ? std::vector<uint8_t>(c.data.begin(), c.data.end())
                        : std::vector<uint8_t>());
  lab::AtaResult r;
  if (!powered) {
    r.delivered = false;
    return r;
  }
  r.current = c.current;
  r.previous = c.previous;
  if (auto it = scripted.find(c.current.command); it != scripted.end()) return it->second;
  r.current.command = kGood;
  r.current.features = 0;
  const uint8_t op = c.current.command;
  switch (op) {
    case 0xEC: {
      std::vector<uint8_t> id(512, 0);
      common::WriteLe16(id, 0, 0x0040);
      common::WriteLe16(id, 4, 0xC837);  // specific configuration: complete
      PutAtaString(id, 20, 20, id_.serial);
      PutAtaString(id, 46, 8, id_.firmware);
      PutAtaString(id, 54, 40, id_.model);
      const uint64_t sectors = media_->SectorCount();
      common::WriteLe32(id, 120, static_cast<uint32_t>(std::min<uint64_t>(sectors, 0x0FFFFFFF)));
      common::WriteLe16(id, 166, 1u << 10);
      common::WriteLe64(id, 200, sectors);
      std::copy_n(id.begin(), std::min(id.size(), c.data.size()), c.data.begin());
      r.bytesTransferred = static_cast<uint32_t>(std::min(id.size(), c.data.size()));
      return r;
    }
    case 0xC8:
    case 0x20:
    case 0x25:
    case 0x24:
    case 0xCA:
    case 0x30:
    case 0x35:
    case 0x34: {
      const bool write = op == 0xCA || op == 0x30 || op == 0x35 || op == 0x34;
      const Transfer t = Decode(c);
      if (c.data.size() < size_t{t.count} * 512) {
        r.current.command = kGood | lab::kAtaStatusErr;
        r.current.features = lab::kAtaErrorAbrt;
        return r;
      }
      const bool ok = write ? media_->Write(t.lba, t.count, c.data.data())
                            : media_->Read(t.lba, t.count, c.data.data());
      if (!ok) {
        r.current.command = kGood | lab::kAtaStatusErr;
        r.current.features = write ? 0x10 : 0x40;  // IDNF / UNC
        return r;
      }
      r.bytesTransferred = t.count * 512;
      return r;
    }
    case 0xB0:
      if (c.current.features == 0xD0 && !c.data.empty()) {
        std::fill(c.data.begin(), c.data.end(), 0);
        c.data[0] = 0x10;
        r.bytesTransferred = static_cast<uint32_t>(c.data.size());
      }
      r.current.lbaMid = 0x4F;
      r.current.lbaHigh = 0xC2;
      return r;
    case 0xE7:
    case 0xEA:
      return r;
    default:
      r.current.command = kGood | lab::kAtaStatusErr;
      r.current.features = lab::kAtaErrorAbrt;
      return r;
  }
}

lab::NvmeCompletion FakeNvmeController::ExecuteNvme(lab::NvmeSubmission& s) {
  commands.push_back(s);
  dataOut.push_back(s.direction == lab::DataDirection::kOut
                        ? std::vector<uint8_t>(s.data.begin(), s.data.end())
                        : std::vector<uint8_t>());
  lab::NvmeCompletion r;
  const uint32_t blockBytes = media_->SectorSize();
  if (!s.admin) {
    const uint64_t lba = uint64_t{s.cdw[0]} | uint64_t{s.cdw[1]} << 32;
    const uint32_t count = (s.cdw[2] & 0xFFFF) + 1;
    if (s.opcode == 0x00) return r;
    if ((s.opcode == 0x01 || s.opcode == 0x02) && s.data.size() >= size_t{count} * blockBytes) {
      const bool ok = s.opcode == 0x01 ? media_->Write(lba, count, s.data.data())
                                       : media_->Read(lba, count, s.data.data());
      if (!ok) {
        r.statusCodeType = 2;
        r.statusCode = 0x81;  // unrecovered read error
      }
      return r;
    }
    r.statusCode = 0x01;
    return r;
  }
  if (auto it = scripted.find(s.opcode); it != scripted.end()) return it->second;
  switch (s.opcode) {
    case 0x06: {
      std::vector<uint8_t> d(4096, 0);
      if ((s.cdw[0] & 0xFF) == 1) {
        common::WriteLe16(d, 0, 0x1F9F);
        PutNvmeString(d, 4, 20, id_.serial);
        PutNvmeString(d, 24, 40, id_.model);
        PutNvmeString(d, 64, 8, id_.firmware);
        common::WriteLe16(d, 256, 0x0006);
        d[260] = frmw;
      } else if ((s.cdw[0] & 0xFF) == 0 && s.nsid == 1) {
        common::WriteLe64(d, 0, media_->SectorCount());
        common::WriteLe64(d, 8, media_->SectorCount());
        d[128 + 2] = blockBytes == 4096 ? 12 : 9;
      } else {
        r.statusCode = 0x0B;  // invalid namespace or format
        return r;
      }
      std::copy_n(d.begin(), std::min(d.size(), s.data.size()), s.data.begin());
      return r;
    }
    case 0x02: {
      std::vector<uint8_t> d(512, 0);
      const uint8_t lid = s.cdw[0] & 0xFF;
      if (lid == 2) {
        common::WriteLe16(d, 1, 0x0141);
        d[3] = 100;  // available spare
      } else if (lid == 3) {
        d[0] = 0x01;  // slot 1 active
        PutNvmeString(d, 8, 8, slot1);
      } else {
        r.statusCode = 0x09;  // invalid log page
        return r;
      }
      std::copy_n(d.begin(), std::min(d.size(), s.data.size()), s.data.begin());
      return r;
    }
    case 0x10:
    case 0x11:
    case 0xC0:
    case 0xC2:
      return r;
    default:
      r.statusCode = 0x01;  // invalid opcode
      return r;
  }
}

bool FakeNvmeController::HandleControlRequest(uint32_t code, std::span<uint8_t> data) {
  controlCodes.push_back(code);
  if (code != 0xE0001C30u) return false;
  const char answer[] = "CTRL";
  std::copy_n(answer, std::min<size_t>(4, data.size()), data.begin());
  return true;
}

lab::DriveFactory FakeFactory::Factory() {
  return [this](const lab::DriveContext& ctx) {
    lab::BuiltDrive b;
    const lab::DiskConfig& d = ctx.config;
    if (d.controller == "broken") {
      b.error = "this controller cannot be built";
      return b;
    }
    FakeIdentity id;
    if (!d.model.empty()) id.model = d.model;
    id.serial = d.serial;
    if (!d.firmware.empty()) id.firmware = d.firmware;
    savedStateSeen[d.section] = ctx.savedState;
    ctx.saveState("Firmware=" + id.firmware + "\n");
    if (lab::NeedsNvmeDrive(d.attachment)) {
      auto n = std::make_unique<FakeNvmeController>(ctx.media, id);
      nvme_[d.section] = n.get();
      b.nvme = std::move(n);
    } else {
      auto a = std::make_unique<FakeAtaDrive>(ctx.media, id);
      ata_[d.section] = a.get();
      b.ata = std::move(a);
    }
    return b;
  };
}

FakeAtaDrive* FakeFactory::Ata(const std::string& section) const {
  const auto it = ata_.find(section);
  return it == ata_.end() ? nullptr : it->second;
}

FakeNvmeController* FakeFactory::Nvme(const std::string& section) const {
  const auto it = nvme_.find(section);
  return it == nvme_.end() ? nullptr : it->second;
}

}  // namespace labtest
