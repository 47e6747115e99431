#pragma once
// Physical disk handles (\\.\PHYSICALDRIVEn and disk interface paths).
#include "lab/edge/edge_request.h"
#include "lab/edge/nvme_inbox_handler.h"
#include "lab/edge/pass_through.h"
#include "lab/edge/scsi_port_handler.h"

namespace lab::edge {

class DiskHandler : public HandleHandler {
 public:
  DiskHandler(PassThrough& passThrough, NvmeInboxHandler& nvme, ScsiPortHandler& port)
      : passThrough_(passThrough), nvme_(nvme), port_(port) {}
  Reply Control(const Request& r) override;

 private:
  Reply QueryProperty(const Request& r);
  Reply DeviceDescriptor(const Request& r, LabDisk& disk);
  Reply GetAddress(const Request& r, LabDisk& disk);
  Reply DeviceNumber(const Request& r);

  PassThrough& passThrough_;
  NvmeInboxHandler& nvme_;
  ScsiPortHandler& port_;
};

}  // namespace lab::edge
