#pragma once
// The USB ports found by the host-controller and hub walk, each with the
// hub it sits on: used to tell which USB drives hang off a recognised
// external hub, and on which port of how large a hub.
#include <array>
#include <cstdint>

#include "device/core/usb_location.h"

namespace device {

struct HubPortEntry {
  uint32_t recognisedHub;      // flag of the hub the port belongs to
  uint32_t recognisedOrdinal;  // 0 unless recognised
  uint32_t hubPortCount;
  uint32_t port;
  uint32_t hubOrdinal;
  char vid[8];      // "%04X" of idVendor
  char pid[8];      // "%04X" of idProduct
  char serial[32];  // serial string, low byte of each character
};
static_assert(sizeof(HubPortEntry) == 68);

class HubPortTable {
 public:
  static constexpr int kMaxEntries = 128;

  void Clear();
  // False (and nothing stored) when the table is full.
  bool Add(const HubPortEntry& entry);
  int Count() const { return count_; }
  const HubPortEntry& Entry(int i) const { return entries_[static_cast<size_t>(i)]; }

  // Hubs seen below the root hubs, and how many of them were recognised.
  uint32_t NextHubOrdinal() { return ++hubCount_; }
  uint32_t NextRecognisedOrdinal() { return ++recognisedCount_; }
  uint32_t HubCount() const { return hubCount_; }
  uint32_t RecognisedCount() const { return recognisedCount_; }

  // The first entry whose VID, PID and serial text begin the record's VID,
  // PID and serial token and whose port is the record's port gives the
  // record its hub port count, recognised ordinal and flag. True on a match.
  bool Match(UsbLocationRecord& record) const;

 private:
  std::array<HubPortEntry, kMaxEntries> entries_{};
  int count_ = 0;
  uint32_t hubCount_ = 0;
  uint32_t recognisedCount_ = 0;
};

}  // namespace device
