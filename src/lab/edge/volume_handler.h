#pragma once
// Volume handles (\\.\X:).
#include "lab/edge/disk_handler.h"
#include "lab/edge/edge_request.h"

namespace lab::edge {

class VolumeHandler : public HandleHandler {
 public:
  VolumeHandler(const EdgeContext& ctx, DiskHandler& disk) : ctx_(ctx), disk_(disk) {}
  Reply Control(const Request& r) override;

 private:
  Reply VolumeRequest(const Request& r);

  const EdgeContext& ctx_;
  DiskHandler& disk_;
};

}  // namespace lab::edge
