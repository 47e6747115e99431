#pragma once
// Small stand-ins for the drive models, for the lab's own tests: an ATA drive
// and an NVMe controller over a Media that answer the few commands the
// attachments send, record every command and can be told to answer one
// command with chosen registers or status.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lab/core/device_interfaces.h"
#include "lab/core/drive_factory.h"

namespace labtest {

// Media in memory, for bridge tests that need no files.
class MemoryMedia : public lab::Media {
 public:
  explicit MemoryMedia(uint64_t sectors, uint32_t sectorSize = 512)
      : bytes_(sectors * sectorSize, 0), sectors_(sectors), sectorSize_(sectorSize) {}
  uint64_t SectorCount() const override { return sectors_; }
  uint32_t SectorSize() const override { return sectorSize_; }
  bool Read(uint64_t lba, uint32_t count, uint8_t* out) override;
  bool Write(uint64_t lba, uint32_t count, const uint8_t* in) override;

 private:
  std::vector<uint8_t> bytes_;
  uint64_t sectors_;
  uint32_t sectorSize_;
};

struct FakeIdentity {
  std::string model = "LAB TEST DRIVE";
  std::string serial = "SN123";
  std::string firmware = "FW01";
};

class FakeAtaDrive : public lab::AtaDevice {
 public:
  FakeAtaDrive(std::shared_ptr<lab::Media> media, FakeIdentity id)
      : media_(std::move(media)), id_(std::move(id)) {}

  lab::AtaResult ExecuteAta(lab::AtaCommand& command) override;

  std::vector<lab::AtaCommand> commands;      // data spans are not kept valid
  std::vector<std::vector<uint8_t>> dataOut;  // what each data-out command carried
  // Registers to answer a command opcode with instead of the usual reply.
  std::map<uint8_t, lab::AtaResult> scripted;
  bool powered = true;

 private:
  std::shared_ptr<lab::Media> media_;
  FakeIdentity id_;
};

class FakeNvmeController : public lab::NvmeController {
 public:
  FakeNvmeController(std::shared_ptr<lab::Media> media, FakeIdentity id)
      : media_(std::move(media)), id_(std::move(id)) {}

  lab::NvmeCompletion ExecuteNvme(lab::NvmeSubmission& command) override;
  bool HandleControlRequest(uint32_t code, std::span<uint8_t> data) override;

  std::vector<lab::NvmeSubmission> commands;
  std::vector<std::vector<uint8_t>> dataOut;
  std::map<uint8_t, lab::NvmeCompletion> scripted;  // admin opcodes
  std::vector<uint32_t> controlCodes;
  uint8_t frmw = 0x02 << 1;  // two slots
  std::string slot1 = "FW01";

 private:
  std::shared_ptr<lab::Media> media_;
  FakeIdentity id_;
};

// Builds fakes from lab.ini (Model, Serial, Firmware) and keeps pointers to
// them by section so a test can look at what they received. The "state" a
// fake saves is the text of its Firmware key, to test persistence.
class FakeFactory {
 public:
  lab::DriveFactory Factory();
  FakeAtaDrive* Ata(const std::string& section) const;
  FakeNvmeController* Nvme(const std::string& section) const;
  std::map<std::string, std::string> savedStateSeen;  // what each drive found at start

 private:
  std::map<std::string, FakeAtaDrive*> ata_;
  std::map<std::string, FakeNvmeController*> nvme_;
};

}  // namespace labtest
