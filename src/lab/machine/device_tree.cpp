#include "lab/machine/device_tree.h"

namespace lab {

DeviceTree::DeviceTree() {
  DevNode root;
  root.id = 1;
  root.instanceId = "HTREE\\ROOT\\0";
  nodes_.push_back(root);
}

uint32_t DeviceTree::Add(uint32_t parent, DevNode node) {
  node.id = static_cast<uint32_t>(nodes_.size() + 1);
  node.parent = parent;
  nodes_.push_back(std::move(node));
  return nodes_.back().id;
}

const DevNode* DeviceTree::Find(uint32_t id) const {
  if (id == 0 || id > nodes_.size()) return nullptr;
  return &nodes_[id - 1];
}

}  // namespace lab
