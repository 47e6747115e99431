#pragma once
// SCSI and ATA pass-through requests, from a disk handle or (SCSI) from a
// port handle that names the disk by its address.
#include "lab/edge/edge_request.h"

namespace lab::edge {

class PassThrough {
 public:
  explicit PassThrough(const EdgeContext& ctx) : ctx_(ctx) {}
  Reply Scsi(const Request& r, LabDisk& disk);
  // Only the AHCI port carries task files.
  Reply Ata(const Request& r, LabDisk& disk);

 private:
  const EdgeContext& ctx_;
};

}  // namespace lab::edge
