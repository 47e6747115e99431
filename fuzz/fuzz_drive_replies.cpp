// Drive replies through the whole scan and the pages that show them: a fresh
// lab machine per input with one drive of the family, whose reply to one
// command is the input (laid over what the emulated controller answered, so
// the rest of the reply stays plausible). Covers IDENTIFY DEVICE, SMART READ
// DATA and THRESHOLDS, the vendor protocol's blocks (parameter block, flash
// information, mode sector, vendor identify, controller memory), the ATA
// registers a SAT bridge turns into sense data, and NVMe Identify Controller
// and Namespace, log pages and vendor reads. Nothing the scan or the
// information pages do may write to the drive's media.
//
// Input: byte 0 the reply, byte 1 the flags (attachment, controller,
// automatic mode), then the reply's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "lab/drives/lab_drive_factory.h"
#include "lab_session.h"

namespace {

enum class Reply : uint8_t {
  kIdentify,
  kSmartData,
  kSmartThresholds,
  kParameterBlock,
  kFlashInfo,
  kModeSector,
  kVendorIdentify,
  kMemory,
  kAtaRegisters,
  kNvmeIdentifyController,
  kNvmeIdentifyNamespace,
  kNvmeLogPage,
  kNvmeVendor,
  kCount,
};

bool IsNvme(Reply r) { return r >= Reply::kNvmeIdentifyController; }

struct Input {
  Reply reply = Reply::kIdentify;
  uint8_t flags = 0;
  std::span<const uint8_t> bytes;
};

void Overlay(std::span<uint8_t> data, std::span<const uint8_t> bytes, size_t from = 0) {
  if (from >= bytes.size()) return;
  const size_t n = std::min(data.size(), bytes.size() - from);
  std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(from), n, data.begin());
}

// Counts the writes that reach the media.
class WatchedMedia : public lab::Media {
 public:
  explicit WatchedMedia(std::shared_ptr<lab::Media> inner) : inner_(std::move(inner)) {}
  uint64_t SectorCount() const override { return inner_->SectorCount(); }
  uint32_t SectorSize() const override { return inner_->SectorSize(); }
  bool Read(uint64_t lba, uint32_t count, uint8_t* out) override {
    return inner_->Read(lba, count, out);
  }
  bool Write(uint64_t lba, uint32_t count, const uint8_t* in) override {
    ++writes;
    return inner_->Write(lba, count, in);
  }
  bool Zero(uint64_t lba, uint64_t count) override {
    ++writes;
    return inner_->Zero(lba, count);
  }
  int writes = 0;

 private:
  std::shared_ptr<lab::Media> inner_;
};

uint64_t AtaLba(const lab::AtaCommand& c) {
  uint64_t lba =
      c.current.lbaLow | uint64_t{c.current.lbaMid} << 8 | uint64_t{c.current.lbaHigh} << 16;
  if (c.extended) {
    lba |= uint64_t{c.previous.lbaLow} << 24 | uint64_t{c.previous.lbaMid} << 32 |
           uint64_t{c.previous.lbaHigh} << 40;
  } else {
    lba |= uint64_t{c.current.device & 0x0Fu} << 24;
  }
  return lba;
}

// The VK46xx drive with one reply replaced. The vendor protocol is followed
// only as far as needed to know which read carries which block: a command
// block written to a command LBA names the data the next read of 0x55AA
// returns; the read of 0x55AA right after 0x5500 is the mode sector.
class FuzzedAtaDrive : public lab::AtaDevice {
 public:
  FuzzedAtaDrive(std::unique_ptr<lab::AtaDevice> inner, const Input& in)
      : inner_(std::move(inner)), in_(in) {}

  lab::AtaResult ExecuteAta(lab::AtaCommand& c) override {
    constexpr uint8_t kIdentifyDevice = 0xEC, kSmart = 0xB0, kReadData = 0xD0,
                      kReadThresholds = 0xD1;
    constexpr uint64_t kVendorData = 0x55AA, kAltCommand = 0x789, kLastDetect = 0x5500;
    const bool moves = !c.data.empty() && c.direction != lab::DataDirection::kNone;
    const uint64_t lba = AtaLba(c);
    const uint8_t command = c.current.command;
    const uint8_t feature = c.current.features;
    if (moves && c.direction == lab::DataDirection::kOut &&
        (lba == kVendorData || lba == kAltCommand) && c.data.size() >= 2) {
      if (!awaitingData_ || c.data[0] == 0xF0 || c.data[0] == 0xF1) {
        block_ = {c.data[0], c.data[1]};
        awaitingData_ = c.data[0] == 0xF0;
      }
    }
    lab::AtaResult r = inner_->ExecuteAta(c);
    if (in_.reply == Reply::kAtaRegisters && command == kIdentifyDevice) {
      // What comes back in the task file, as a SAT bridge reports it in sense data.
      const std::span<const uint8_t> b = in_.bytes;
      auto at = [&](size_t i) -> uint8_t { return i < b.size() ? b[i] : 0; };
      r.current = {at(0), at(1), at(2), at(3), at(4), at(5), at(6)};
      r.previous = {at(7), at(8), at(9), at(10), at(11), at(12), at(13)};
      r.bytesTransferred = static_cast<uint32_t>(at(14) | at(15) << 8);
      return r;
    }
    if (!moves || c.direction != lab::DataDirection::kIn) {
      lastReadLba_ = ~uint64_t{0};
      return r;
    }
    const Reply want = in_.reply;
    if (command == kIdentifyDevice && want == Reply::kIdentify) Overlay(c.data, in_.bytes);
    if (command == kSmart && feature == kReadData && want == Reply::kSmartData) {
      Overlay(c.data, in_.bytes);
    }
    if (command == kSmart && feature == kReadThresholds && want == Reply::kSmartThresholds) {
      Overlay(c.data, in_.bytes);
    }
    if (lba == kVendorData) {
      if (lastReadLba_ == kLastDetect) {
        if (want == Reply::kModeSector) Overlay(c.data, in_.bytes);
      } else if (awaitingData_) {
        awaitingData_ = false;
        const uint8_t sub = block_[1];
        if ((want == Reply::kParameterBlock && sub == 0x04) ||
            (want == Reply::kFlashInfo && sub == 0x3F) ||
            (want == Reply::kVendorIdentify && sub == 0x20) ||
            (want == Reply::kMemory && sub == 0x2A)) {
          Overlay(c.data, in_.bytes);
        }
      }
    }
    lastReadLba_ = lba;
    return r;
  }

 private:
  std::unique_ptr<lab::AtaDevice> inner_;
  const Input& in_;
  std::array<uint8_t, 2> block_{};
  bool awaitingData_ = false;
  uint64_t lastReadLba_ = ~uint64_t{0};
};

class FuzzedNvmeController : public lab::NvmeController {
 public:
  FuzzedNvmeController(std::unique_ptr<lab::NvmeController> inner, const Input& in)
      : inner_(std::move(inner)), in_(in) {}

  lab::NvmeCompletion ExecuteNvme(lab::NvmeSubmission& c) override {
    constexpr uint8_t kIdentify = 0x06, kGetLogPage = 0x02, kFirstVendor = 0xC0;
    lab::NvmeCompletion done = inner_->ExecuteNvme(c);
    if (c.direction != lab::DataDirection::kIn || !c.admin) return done;
    const uint32_t cns = c.cdw[0] & 0xFF;
    const Reply want = in_.reply;
    if ((c.opcode == kIdentify && cns == 1 && want == Reply::kNvmeIdentifyController) ||
        (c.opcode == kIdentify && cns == 0 && want == Reply::kNvmeIdentifyNamespace) ||
        (c.opcode == kGetLogPage && want == Reply::kNvmeLogPage) ||
        (c.opcode >= kFirstVendor && want == Reply::kNvmeVendor)) {
      Overlay(c.data, in_.bytes);
    }
    return done;
  }
  bool HandleControlRequest(uint32_t code, std::span<uint8_t> data) override {
    return inner_->HandleControlRequest(code, data);
  }

 private:
  std::unique_ptr<lab::NvmeController> inner_;
  const Input& in_;
};

std::string LabIni(const Input& in) {
  std::string ini =
      "[Machine]\nSystemDirectory=C:\\Windows\\system32\n\n"
      "[HostController0]\nPci=0:20.0\nPorts=10\n\n[Disk Fuzz]\n";
  if (IsNvme(in.reply)) {
    ini += (in.flags & 1) != 0 ? "Attachment=nvme-miniport\n" : "Attachment=nvme\n";
    ini +=
        "Controller=VK4630\nModel=VKM NVMe SSD VK4630 512GB\nSerial=VK30000000000000001\n"
        "Firmware=N0220A0\nCapacity=1GB\nPci=3:0.0\n";
    return ini;
  }
  static const char* const kControllers[] = {"VK4610XT", "VK4620XT", "VK4620XT2", "VK4620XT"};
  const char* controller = kControllers[(in.flags >> 2) & 3];
  ini += (in.flags & 1) != 0 ? "Attachment=usb-sat\nUsbHub=HostController0\nUsbPort=2\n"
                             : "Attachment=sata\n";
  ini += std::string("Controller=") + controller + "\nModel=VKM SATA SSD " + controller +
         " 256GB\nSerial=VK20000000000000001\nFirmware=S0220A0\nCapacity=1GB\n"
         "FwTag=  B27A\nRetryTag=02\n";
  return ini;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader reader(data, size);
  Input in;
  in.reply = static_cast<Reply>(reader.Byte() % static_cast<uint8_t>(Reply::kCount));
  in.flags = reader.Byte();
  in.bytes = reader.Take(16 * 1024);

  std::vector<std::shared_ptr<WatchedMedia>> media;
  const lab::DriveFactory factory = [&](const lab::DriveContext& c) {
    auto watched = std::make_shared<WatchedMedia>(c.media);
    media.push_back(watched);
    const lab::DriveContext mine{c.config, watched, c.savedState, c.saveState, c.clock};
    lab::BuiltDrive built = lab::drives::BuildLabDrive(mine);
    if (built.ata) built.ata = std::make_unique<FuzzedAtaDrive>(std::move(built.ata), in);
    if (built.nvme) built.nvme = std::make_unique<FuzzedNvmeController>(std::move(built.nvme), in);
    return built;
  };
  std::unique_ptr<lab::LabOs> os = fuzz::FreshLab(LabIni(in), factory);
  FUZZ_CHECK(os != nullptr);  // the machine is ours and always builds
  // A drive's answers start only once the machine is up: power-on writes no media.
  for (const auto& m : media) m->writes = 0;

  fuzz::SessionOptions options;
  options.autoGenFlu = (in.flags & 2) != 0;
  fuzz::RunSession(*os, options);
  for (const auto& m : media) FUZZ_CHECK(m->writes == 0);
  return 0;
}
