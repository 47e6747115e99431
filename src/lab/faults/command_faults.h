#pragma once
// Counts the commands of one protocol by opcode and says which one a
// FailCommand switch of lab.ini fails.
#include <cstdint>
#include <map>
#include <vector>

#include "lab/config/disk_config.h"

namespace lab {

class CommandFaultPlan {
 public:
  CommandFaultPlan(const std::vector<CommandFault>& all, CommandProtocol protocol);
  // Counts the command; true when it is to fail.
  bool ShouldFail(uint8_t opcode);
  bool Empty() const { return faults_.empty(); }

 private:
  std::vector<CommandFault> faults_;
  std::map<uint8_t, uint32_t> seen_;
};

}  // namespace lab
