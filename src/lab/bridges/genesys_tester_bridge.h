#pragma once
// The Genesys bridge of the maker's SATA testers: a SAT bridge that answers a
// vendor INQUIRY (allocation field 0x552E) with "Genesys" as vendor and the
// tester's revision letter at byte 32; letters 'N' to 'Z' mark a tester.
#include "lab/bridges/sat_bridge.h"

namespace lab {

class GenesysTesterBridge : public SatBridge {
 public:
  GenesysTesterBridge(std::unique_ptr<AtaDevice> drive, Options options, char testerRevision)
      : SatBridge(std::move(drive), std::move(options)), testerRevision_(testerRevision) {}

 protected:
  ScsiResult Inquiry(const ScsiCommand& command) override;

 private:
  char testerRevision_;
};

}  // namespace lab
