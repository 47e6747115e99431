#include "lab/faults/command_faults.h"

namespace lab {

CommandFaultPlan::CommandFaultPlan(const std::vector<CommandFault>& all, CommandProtocol protocol) {
  for (const CommandFault& f : all)
    if (f.protocol == protocol) faults_.push_back(f);
}

bool CommandFaultPlan::ShouldFail(uint8_t opcode) {
  if (faults_.empty()) return false;
  const uint32_t n = ++seen_[opcode];
  for (const CommandFault& f : faults_) {
    if (f.opcode != opcode) continue;
    if (n >= f.occurrence && n - f.occurrence < f.times) return true;
  }
  return false;
}

}  // namespace lab
