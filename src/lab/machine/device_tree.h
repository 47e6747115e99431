#pragma once
// The configuration manager's view of a lab machine: device nodes with their
// parent, instance id and registry properties, which the SetupAPI and
// CM_ look-ups answer from.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lab {

struct DevNode {
  uint32_t id = 0;      // DEVINST, from 1 (the root)
  uint32_t parent = 0;  // 0 for the root
  std::string instanceId;
  std::string description;
  std::string hardwareId;  // the first entry of the hardware id list; empty: none
  std::string location;    // empty: the node has no location information
  std::optional<uint32_t> address;
};

class DeviceTree {
 public:
  DeviceTree();
  uint32_t Root() const { return 1; }
  // Adds a node under `parent` and returns its id.
  uint32_t Add(uint32_t parent, DevNode node);
  const DevNode* Find(uint32_t id) const;

 private:
  std::vector<DevNode> nodes_;
};

}  // namespace lab
