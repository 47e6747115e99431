#pragma once
// USB host controller handles.
#include "lab/edge/edge_request.h"

namespace lab::edge {

class UsbHostControllerHandler : public HandleHandler {
 public:
  Reply Control(const Request& r) override;
};

}  // namespace lab::edge
