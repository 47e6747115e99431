#pragma once
// Builders for the controller blocks and package files the firmware tests use.
// Offsets are written out as numbers here on purpose: they are the documented
// byte positions, not the constants of the code under test.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fwtest {

inline void Put(std::vector<uint8_t>& b, size_t off, const std::string& text) {
  if (b.size() < off + text.size()) b.resize(off + text.size());
  std::memcpy(b.data() + off, text.data(), text.size());
}

struct BlockSpec {
  std::string signature = "VK4620PARA";
  uint8_t maker = 0x98;
  std::string version = "S0220A0 ";  // 8 bytes
  std::string retryTag = "02";       // 2 bytes
  std::string tag = " BiCS4";        // 6 bytes
};

inline std::vector<uint8_t> ParameterBlockBytes(const BlockSpec& s) {
  std::vector<uint8_t> b(1024, 0);
  Put(b, 0, s.signature);
  b[67] = 8;
  b[240] = s.maker;
  Put(b, 512, s.version);
  Put(b, 520, s.retryTag);
  Put(b, 522, s.tag);
  return b;
}

inline std::vector<uint8_t> FlashInfoBytes(const std::string& dieText, uint8_t planes,
                                           uint8_t retryTable) {
  std::vector<uint8_t> b(16384, 0);
  Put(b, 8384, dieText);
  b[9784] = planes;
  b[9864] = retryTable;
  return b;
}

inline std::vector<uint8_t> ModeSectorBytes(const std::string& start, const std::string& name) {
  std::vector<uint8_t> b(512, 0);
  Put(b, 0, start);
  Put(b, 46, name);
  return b;
}

// An image of `size` bytes with `text` at `offset`.
inline std::string ImageWith(size_t size, size_t offset, const std::string& text) {
  std::string img(size, '\x5A');
  img.replace(offset, text.size(), text);
  return img;
}

}  // namespace fwtest
