#include "lab/config/drive_keys_reader.h"

#include "common/text.h"
#include "lab/config/value_parsers.h"

namespace lab {
namespace {

constexpr uint64_t k48Bits = 0xFFFFFFFFFFFFull;

std::optional<std::vector<FaultRule>> Faults(SectionReader& r, std::string_view key) {
  if (!r.Has(key)) return std::nullopt;
  std::string why;
  auto rules = ParseFaultList(r.Str(key), FaultListKind::kDrive, why);
  if (!rules) r.Problem(key, why);
  return rules;
}

std::optional<std::vector<BytePatch>> Patches(SectionReader& r, std::string_view key) {
  if (!r.Has(key)) return std::nullopt;
  std::string why;
  auto patches = ParseBytePatches(r.Str(key), why);
  if (!patches) r.Problem(key, why);
  return patches;
}

// "05=3,09=0x1234": attribute ids hexadecimal, raw values up to 48 bits.
std::optional<std::vector<std::pair<uint8_t, uint64_t>>> SmartRaw(SectionReader& r) {
  if (!r.Has("SmartRaw")) return std::nullopt;
  std::vector<std::pair<uint8_t, uint64_t>> values;
  for (const std::string& part : common::Split(r.Str("SmartRaw"), ',')) {
    const std::string entry = common::Trim(part);
    if (entry.empty()) continue;
    const size_t eq = entry.find('=');
    const auto id = eq == std::string::npos ? std::nullopt : ParseU64("0x" + entry.substr(0, eq));
    const auto raw = eq == std::string::npos ? std::nullopt : ParseU64(entry.substr(eq + 1));
    if (!id || *id == 0 || *id > 0xFF || !raw || *raw > k48Bits) {
      r.Problem("SmartRaw",
                common::Format("'%s': expected id=value, the id hexadecimal 01-FF", entry.c_str()));
      return std::nullopt;
    }
    values.emplace_back(static_cast<uint8_t>(*id), *raw);
  }
  return values;
}

// "05:3:10,C5:100:0": attribute id (hexadecimal), current value and threshold.
std::optional<std::vector<SmartValueKey>> SmartValues(SectionReader& r) {
  if (!r.Has("SmartValue")) return std::nullopt;
  std::vector<SmartValueKey> values;
  for (const std::string& part : common::Split(r.Str("SmartValue"), ',')) {
    const std::string entry = common::Trim(part);
    if (entry.empty()) continue;
    const std::vector<std::string> f = common::Split(entry, ':');
    // Each field as a number, or a value no field may have when it is not one.
    auto field = [&f](size_t i, const char* prefix) -> uint64_t {
      if (f.size() != 3) return UINT64_MAX;
      return ParseU64(prefix + common::Trim(f[i])).value_or(UINT64_MAX);
    };
    const uint64_t id = field(0, "0x");
    const uint64_t current = field(1, "");
    const uint64_t threshold = field(2, "");
    if (id == 0 || id > 0xFF || current > 0xFF || threshold > 0xFF) {
      r.Problem("SmartValue",
                common::Format("'%s': expected id:current:threshold, the id hexadecimal 01-FF, "
                               "the values 0-255",
                               entry.c_str()));
      return std::nullopt;
    }
    values.push_back(
        {static_cast<uint8_t>(id), static_cast<uint8_t>(current), static_cast<uint8_t>(threshold)});
  }
  return values;
}

// "55AA,789": the LBAs the firmware takes command blocks at (hexadecimal).
std::optional<std::vector<uint64_t>> CommandLbas(SectionReader& r) {
  if (!r.Has("CommandLbas")) return std::nullopt;
  std::vector<uint64_t> lbas;
  for (const std::string& part : common::Split(r.Str("CommandLbas"), ',')) {
    const std::string entry = common::Trim(part);
    const auto v = ParseU64("0x" + entry);
    if (!v || (*v != 0x55AA && *v != 0x789)) {
      r.Problem("CommandLbas",
                common::Format("'%s': the command LBAs are 55AA and 789", entry.c_str()));
      return std::nullopt;
    }
    lbas.push_back(*v);
  }
  if (lbas.empty()) r.Problem("CommandLbas", "names no LBA");
  return lbas.empty() ? std::nullopt : std::optional(lbas);
}

// Sixteen hexadecimal digits are the EUI-64 as it reads; anything else a number.
std::optional<uint64_t> Eui64(SectionReader& r) {
  if (!r.Has("Eui64")) return std::nullopt;
  std::string text = common::Trim(r.Str("Eui64"));
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
  if (text.size() == 16) {
    if (const auto v = ParseU64("0x" + text)) return v;
  }
  return r.Number("Eui64", 0, UINT64_MAX);
}

void ReadAtaKeys(SectionReader& r, AtaKeys& a) {
  a.security = r.OptFlag("Security");
  a.trim = r.OptFlag("Trim");
  a.ncq = r.OptFlag("Ncq");
  a.apm = r.OptFlag("Apm");
  a.hipm = r.OptFlag("Hipm");
  a.dipm = r.OptFlag("Dipm");
  a.devSleep = r.OptFlag("DevSleep");
  a.downloadMicrocode = r.OptFlag("DownloadMicrocode");
  a.downloadMicrocodeDma = r.OptFlag("DownloadMicrocodeDma");
  a.downloadOffsets = r.OptFlag("DownloadOffsets");
  a.dmMinBlocks = r.NumberAs<uint16_t>("DmMinBlocks", 0, 0xFFFF);
  a.dmMaxBlocks = r.NumberAs<uint16_t>("DmMaxBlocks", 0, 0xFFFF);
  a.eraseMinutes = r.NumberAs<uint16_t>("EraseMinutes", 0, 0xFFFF);
  a.wwn = r.Number("Wwn", 0, UINT64_MAX);
  a.dmBufferBlocks = r.NumberAs<uint32_t>("DmBufferBlocks", 1, 65536);
  a.dmUnitBytes = r.NumberAs<uint32_t>("DmUnitBytes", 512, 1u << 20);
  if (r.Has("DownloadFormat")) {
    a.downloadFormat = DownloadFormatFromName(r.Str("DownloadFormat"));
    if (!a.downloadFormat) r.Problem("DownloadFormat", "expected auto, plain or update");
  }
  a.masterPassword = r.Text("MasterPassword", 32);
  a.reallocated = r.Number("Reallocated", 0, k48Bits);
  a.averageEraseCount = r.Number("AverageEraseCount", 0, 0xFFFFFFFF);
  a.hostWrites32MiB = r.Number("HostWrites32MiB", 0, k48Bits);
  a.hostReads32MiB = r.Number("HostReads32MiB", 0, k48Bits);
  a.lifeLeft = r.NumberAs<uint8_t>("LifeLeft", 0, 100);
  a.smartRaw = SmartRaw(r);
  a.smartValues = SmartValues(r);
  a.smartTag = r.Text("SmartTag", 64);
  a.smartTagOffset = r.NumberAs<size_t>("SmartTagOffset", 2, 510);
  a.rejectSetPassword = r.OptFlag("RejectSetPassword");
  a.securityFrozen = r.OptFlag("SecurityFrozen");
  a.rejectDownloadError = r.NumberAs<uint8_t>("RejectDownloadError", 1, 0xFF);
}

void ReadVk46xxKeys(SectionReader& r, Vk46xxKeys& v) {
  if (r.Has("Mode")) {
    v.mode = VkModeFromName(r.Str("Mode"));
    if (!v.mode) r.Problem("Mode", "expected Normal, ISP, MPISP or ROMDE");
  }
  v.fwTag = r.Text("FwTag", 6);
  v.retryTag = r.Text("RetryTag", 2);
  v.nandMakerCode = r.NumberAs<uint8_t>("NandMakerCode", 0, 0xFF);
  v.planeMode = r.NumberAs<uint8_t>("PlaneMode", 0, 0xFF);
  v.capacityCode = r.HexBytes("CapacityCode", 2);
  v.unitSectors = r.NumberAs<uint8_t>("UnitSectors", 1, 0xFF);
  v.bootParam = r.NumberAs<uint8_t>("BootParam", 0, 0xFF);
  v.bootParams = r.HexBytes("BootParams", 3);
  v.validTlcPages = r.NumberAs<uint16_t>("ValidTlcPages", 0, 0xFFFF);
  v.paramBytes = Patches(r, "ParamBytes");
  v.dieText = r.Text("DieText", 63);
  v.flashByte2400 = r.NumberAs<uint8_t>("FlashByte2400", 0, 0xFF);
  v.flashByte2490 = r.NumberAs<uint8_t>("FlashByte2490", 0, 0xFF);
  v.planeCount = r.NumberAs<uint8_t>("PlaneCount", 0, 0xFF);
  v.retryTable = r.NumberAs<uint8_t>("RetryTable", 0, 0xFF);
  v.flashBytes = Patches(r, "FlashBytes");
  v.romId = r.Text("RomId", 8);
  v.hwId = r.NumberAs<uint8_t>("HwId", 0, 7);
  v.reg10001150 = r.NumberAs<uint8_t>("Reg10001150", 0, 0xFF);
  v.reg50000060 = r.NumberAs<uint8_t>("Reg50000060", 0, 0xFF);
  v.cid = r.HexBytes("Cid", kVkCidSize);
  v.retryData = r.HexBytes("RetryData", 0, kVkCidWindowSize - kVkCidSize);
  v.downloadNeedsPrep = r.OptFlag("DownloadNeedsPrep");
  v.commandLbas = CommandLbas(r);
  v.noEcho = r.OptFlag("NoEcho");
  v.failVendorCommands = Faults(r, "FailVendorCommands");
}

// Slot1..Slot7, ActiveSlot, NextSlot: each slot named must exist, the running
// slot holds `Firmware` (so it takes no SlotN key), and the slot for the next
// reset must hold an image.
void ReadSlotKeys(SectionReader& r, Vk4630Keys& n) {
  const uint64_t slots = n.firmwareSlots.value_or(2);
  n.activeSlot = r.NumberAs<uint8_t>("ActiveSlot", 1, slots);
  n.nextSlot = r.NumberAs<uint8_t>("NextSlot", 0, slots);
  const uint8_t active = n.activeSlot.value_or(1);
  for (size_t i = 0; i < kLabFirmwareSlots; ++i) {
    const std::string key = common::Format("Slot%zu", i + 1);
    if (!r.Has(key)) continue;
    const auto revision = r.Text(key, 8);
    if (!revision) continue;
    if (i + 1 > slots) {
      r.Problem(key, common::Format("the drive has %d firmware slots", static_cast<int>(slots)));
    } else if (i + 1 == active) {
      r.Problem(key, "the running slot holds Firmware");
    } else if (!common::Trim(*revision).empty()) {
      n.slotRevisions[i] = *revision;
    }
  }
  if (n.nextSlot && *n.nextSlot != 0 && *n.nextSlot != active &&
      !n.slotRevisions[*n.nextSlot - 1u]) {
    r.Problem("NextSlot", "that slot holds no image (give its SlotN)");
  }
  n.activationSilenceMs = r.NumberAs<uint32_t>("ActivationSilenceMs", 0, 3600000);
}

void ReadVk4630Keys(SectionReader& r, Vk4630Keys& n) {
  n.pciSubVendor = r.OptHex16("PciSubVendor");
  n.pciSubDevice = r.OptHex16("PciSubDevice");
  n.controllerName = r.Text("ControllerName", 16);
  n.vendorPages = r.NumberAs<uint8_t>("VendorPages", 1, 2);
  n.vendorTag = r.Text("VendorTag", 64);
  n.vendorTagOffset = r.NumberAs<size_t>("VendorTagOffset", 0, 2047);
  n.firmwareSlots = r.NumberAs<uint8_t>("FirmwareSlots", 1, 7);
  n.slot1ReadOnly = r.OptFlag("Slot1ReadOnly");
  n.fna = r.NumberAs<uint8_t>("Fna", 0, 3);
  if (r.Has("ActivationReset")) {
    n.activationReset = ActivationResetFromName(r.Str("ActivationReset"));
    if (!n.activationReset) {
      r.Problem("ActivationReset", "expected none, conventional, subsystem or controller");
    }
  }
  n.maxImageKB = r.NumberAs<uint32_t>("MaxImageKB", 4, 262144);
  n.imageVersionOffset = r.NumberAs<size_t>("ImageVersionOffset", 0, 0x10000000);
  n.eui64 = Eui64(r);
  n.availableSpare = r.NumberAs<uint8_t>("AvailableSpare", 0, 100);
  n.spareThreshold = r.NumberAs<uint8_t>("SpareThreshold", 0, 100);
  n.percentageUsed = r.NumberAs<uint8_t>("PercentageUsed", 0, 255);
  n.criticalWarning = r.NumberAs<uint8_t>("CriticalWarning", 0, 0xFF);
  n.dataUnitsRead = r.Number("DataUnitsRead", 0, UINT64_MAX);
  n.dataUnitsWritten = r.Number("DataUnitsWritten", 0, UINT64_MAX);
  n.mediaErrors = r.Number("MediaErrors", 0, UINT64_MAX);
  n.miniportLocation = r.NumberAs<uint32_t>("MiniportLocation", 0, UINT32_MAX);
  ReadSlotKeys(r, n);
}

}  // namespace

void ReadDriveKeys(SectionReader& r, bool nvme, DriveKeys& k) {
  k.powerOnHours = r.Number("PowerOnHours", 0, nvme ? UINT64_MAX : k48Bits);
  k.temperature = r.NumberAs<uint8_t>("Temperature", 0, nvme ? 150 : 99);
  k.failCommands = Faults(r, "FailCommands");
  k.rejectDownloadChunk = r.NumberAs<uint32_t>("RejectDownloadChunk", 0, UINT32_MAX);
  k.powerLossAtDownloadChunk = r.NumberAs<uint32_t>("PowerLossAtDownloadChunk", 0, UINT32_MAX);
  ReadAtaKeys(r, k.ata);
  ReadVk46xxKeys(r, k.vk46xx);
  ReadVk4630Keys(r, k.vk4630);
}

}  // namespace lab
