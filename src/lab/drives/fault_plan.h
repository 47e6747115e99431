#pragma once
// Which uses of a command fail, as a lab.ini fault switch lists them:
// "EC:2, C8:5+, 25" fails the second use of EC, every use of C8 from the fifth
// on, and every use of 25. Keys are hexadecimal (an ATA or NVMe opcode, a vendor
// sub-opcode); uses are counted from 1 since the drive was created.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lab::drives {

class FaultPlan {
 public:
  // Malformed entries are skipped.
  static FaultPlan Parse(std::string_view text);

  // Counts one use of `key` and says whether this use is to fail.
  bool Hit(uint32_t key);
  bool Empty() const { return rules_.empty(); }
  // The list in the form Parse reads.
  std::string ToText() const;

 private:
  struct Rule {
    uint32_t key = 0;
    uint32_t use = 0;  // 0: every use
    bool onward = false;
  };
  std::vector<Rule> rules_;
  std::map<uint32_t, uint32_t> uses_;
};

}  // namespace lab::drives
