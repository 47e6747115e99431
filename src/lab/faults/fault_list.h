#pragma once
// The one grammar of lab.ini's command-fault lists, for the faults the
// attachment plays (FailTransport) and those inside a drive (FailCommands,
// FailVendorCommands). A list is comma separated; each entry is
//
//   [protocol ':'] code [('@' | ':') use] ['+' | '*' times]
//
//   protocol  ata, scsi, nvme (admin commands) or nvme-io: FailTransport
//             entries must name one, a drive's own lists name none
//   code      the opcode (or vendor sub-opcode), up to FFh: "0x" marks it
//             hexadecimal; without it, a code after a protocol is decimal
//             (as FailTransport always took it) and a bare code hexadecimal
//   use       the use that fails first, counted from 1 since the drive started
//   '+'       every use from `use` on;  '*' times: that many uses in a row
//
// Without a use, a transport entry fails the first use once and a drive entry
// fails every use. So "ata:0x92@3*2" fails the 3rd and 4th ATA 92h commands,
// "EC:2" the second EC, "C8:5+" every C8 from the fifth on, "25" every 25.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lab {

// kNvme matches admin commands, kNvmeIo I/O commands (their opcodes overlap).
enum class CommandProtocol { kAta, kScsi, kNvme, kNvmeIo };

struct FaultRule {
  std::optional<CommandProtocol> protocol;
  uint8_t code = 0;
  uint32_t first = 0;  // 0: every use
  uint32_t times = 1;  // 0: every use from `first` on
  bool operator==(const FaultRule&) const = default;
};

enum class FaultListKind {
  kTransport,  // protocol required; no use = the first use, once
  kDrive,      // no protocol; no use = every use
};

// Nullopt with `why` naming the first malformed entry.
std::optional<std::vector<FaultRule>> ParseFaultList(std::string_view text, FaultListKind kind,
                                                     std::string& why);

// Counts the commands of one protocol (or, for a drive's own list, all) by
// code and says which uses fail.
class FaultCounter {
 public:
  FaultCounter() = default;
  FaultCounter(const std::vector<FaultRule>& rules, std::optional<CommandProtocol> protocol);
  // Counts one use of `code`; true when this use is to fail.
  bool Hit(uint8_t code);
  bool Empty() const { return rules_.empty(); }

 private:
  std::vector<FaultRule> rules_;
  std::map<uint8_t, uint32_t> uses_;
};

}  // namespace lab
