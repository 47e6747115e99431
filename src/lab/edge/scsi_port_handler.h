#pragma once
// SCSI port handles (\\.\ScsiN:): SCSI pass-through to the disk the request
// addresses, and the maker's NVMe miniport ("NvmeMini" pass-through and
// "VkmCtrl " control requests), which a disk handle also reaches.
#include "lab/edge/edge_request.h"
#include "lab/edge/pass_through.h"

namespace lab::edge {

class ScsiPortHandler : public HandleHandler {
 public:
  ScsiPortHandler(const EdgeContext& ctx, PassThrough& passThrough)
      : ctx_(ctx), passThrough_(passThrough) {}
  Reply Control(const Request& r) override;
  Reply Miniport(const Request& r, ScsiPort& port);

 private:
  const EdgeContext& ctx_;
  PassThrough& passThrough_;
};

}  // namespace lab::edge
