#pragma once
// What the fuzz targets share: a failed invariant aborts (libFuzzer ignores
// the entry's return value, so only a crash is a finding), a reader that cuts
// the input into a selector and parts, and fresh folders for the inputs that
// need files.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

// Aborts with the broken invariant when `cond` is false.
#define FUZZ_CHECK(cond)                                                                \
  do {                                                                                  \
    if (!(cond)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

namespace fuzz {

// Takes bytes off the front of the input; what is asked beyond its end reads
// as zero, so every input runs.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : rest_(data, size) {}

  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const uint8_t b = rest_.front();
    rest_ = rest_.subspan(1);
    return b;
  }
  uint16_t Le16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  // Up to `n` bytes.
  std::span<const uint8_t> Take(size_t n) {
    const size_t k = n < rest_.size() ? n : rest_.size();
    const std::span<const uint8_t> part = rest_.first(k);
    rest_ = rest_.subspan(k);
    return part;
  }
  // A part whose length (up to `limit`) the next two bytes give.
  std::span<const uint8_t> Sized(size_t limit) { return Take(Le16() % (limit + 1)); }
  std::span<const uint8_t> Rest() { return Take(rest_.size()); }
  std::string RestText() {
    const std::span<const uint8_t> r = Rest();
    return std::string(r.begin(), r.end());
  }

 private:
  std::span<const uint8_t> rest_;
};

inline std::string Text(std::span<const uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// This process's own folder under /dev/shm (or the temp folder), removed
// at exit. Inputs that need files get `FreshFolder()`: emptied first, so
// nothing one input left shapes the next.
const std::string& ProcessFolder();
const std::string& FreshFolder();

// Writes `content` to `path` (creating its folders); aborts when it cannot,
// since a target that silently lost its input would fuzz nothing.
void WriteFile(const std::string& path, std::string_view content);
// The same for a path made of input bytes, which may name no possible file.
bool TryWriteFile(const std::string& path, std::string_view content);

}  // namespace fuzz
