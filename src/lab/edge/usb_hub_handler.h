#pragma once
// USB hub handles (a root hub's or an external hub's device path).
#include "lab/edge/edge_request.h"

namespace lab::edge {

class UsbHubHandler : public HandleHandler {
 public:
  Reply Control(const Request& r) override;
};

}  // namespace lab::edge
