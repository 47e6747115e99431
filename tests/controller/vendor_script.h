#pragma once
// Script helpers for the vendor-object tests: a drive record already open on
// the scripted OS (handle 7), and the vendor protocol's sector reads and
// writes at its reserved LBAs. The requests themselves are the shared
// scripted ones (support/scripted_requests.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/core/fixed_text.h"
#include "device/core/storage_device.h"
#include "support/scripted_drive.h"
#include "support/scripted_os.h"
#include "support/scripted_requests.h"

namespace vendortest {

using namespace testsupport;

inline os::HANDLE Handle() { return ScriptedOs::H(7); }

// A drive found by physical number, closed.
inline void NameDrive(device::StorageDevice& dev, uint32_t attribute) {
  dev.devAttribute = attribute;
  device::SetFixedText(dev.devPath, "\\\\.\\PHYSICALDRIVE1");
  device::SetFixedText(dev.devName, "PHYSICALDRIVE1");
}

// The same drive with its handle open already; it is closed by the end.
inline void OpenDrive(ScriptedOs& sos, device::StorageDevice& dev, uint32_t attribute) {
  NameDrive(dev, attribute);
  HoldOpen(sos, dev, Handle());
}

inline Bytes Sector(uint8_t fill) { return Bytes(512, fill); }

// A 512-byte sector with `text` at `offset`.
inline Bytes SectorWith(size_t offset, const std::string& text) {
  Bytes s(512, 0);
  std::copy(text.begin(), text.end(), s.begin() + static_cast<ptrdiff_t>(offset));
  return s;
}

// READ DMA (flags 0x13) and WRITE DMA (flags 0x15) with hand-written task files.
inline Step& ReadDma(ScriptedOs& sos, Bytes taskFile, Bytes data, bool fail = false) {
  const uint32_t length = taskFile[1] * 512u;
  AtaReply r;
  r.data = std::move(data);
  r.fail = fail;
  return ExpectAta(sos, Handle(), 0x13, std::move(taskFile), length, r);
}
inline Step& WriteDma(ScriptedOs& sos, Bytes taskFile, Bytes* written, bool fail = false) {
  const uint32_t length = taskFile[1] * 512u;
  AtaReply r;
  r.fail = fail;
  return ExpectAta(sos, Handle(), 0x15, std::move(taskFile), length, r, CaptureAtaOut(written));
}

// The task files of the reserved LBAs, one sector each.
inline Bytes ReadAt0xAA() { return {0x00, 0x01, 0xAA, 0x00, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0xAA00() { return {0x00, 0x01, 0x00, 0xAA, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x55() { return {0x00, 0x01, 0x55, 0x00, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x5500() { return {0x00, 0x01, 0x00, 0x55, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x55AA() { return {0x00, 0x01, 0xAA, 0x55, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x789() { return {0x00, 0x01, 0x89, 0x07, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x1234() { return {0x00, 0x01, 0x34, 0x12, 0x00, 0xE0, 0xC8}; }
inline Bytes WriteAt0x55AA() { return {0x00, 0x01, 0xAA, 0x55, 0x00, 0xE0, 0xCA}; }
inline Bytes WriteAt0x789() { return {0x00, 0x01, 0x89, 0x07, 0x00, 0xE0, 0xCA}; }

// The five detect reads, the last answering `modeSector`.
inline void ExpectDetect(ScriptedOs& sos, const Bytes& modeSector) {
  ReadDma(sos, ReadAt0xAA(), Sector(0));
  ReadDma(sos, ReadAt0xAA00(), Sector(0));
  ReadDma(sos, ReadAt0x55(), Sector(0));
  ReadDma(sos, ReadAt0x5500(), Sector(0));
  ReadDma(sos, ReadAt0x55AA(), modeSector);
}

// A mode sector of normal firmware on a VK4620XT.
inline Bytes Vk4620ModeSector() { return SectorWith(46, "VK4620XT"); }

}  // namespace controllertest
