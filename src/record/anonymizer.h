#pragma once
// Replaces what identifies a user's machine in a recording: serial numbers,
// WWNs, volume names and the user's name in paths. Each distinct value gets
// one stand-in of the same length for the whole recording, so the replies
// that carry it stay consistent with each other (a serial in IDENTIFY data,
// byte-swapped, is the same serial in a descriptor's text).
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace record {

class Anonymizer {
 public:
  // Learns the identities a reply carries, then replaces every known value in it.
  void ScrubReply(std::span<uint8_t> bytes);
  // Known values and user paths in a text.
  std::string ScrubText(std::string text);
  // A value met outside any reply (a serial on the command line): it gets
  // its stand-in now, the same one the replies will carry.
  void Learn(const std::string& serial);

  size_t KnownCount() const { return serials_.size() + wwns_.size(); }

 private:
  struct Pattern {
    std::vector<uint8_t> from, to;
  };
  void LearnSerial(std::string_view raw, bool swapped);
  void LearnWwn(std::span<const uint8_t> raw);
  static void ReplaceAll(std::span<uint8_t> bytes, const Pattern& p);
  std::string ScrubPaths(std::string text);

  std::map<std::string, std::string> serials_;  // trimmed text -> stand-in
  std::set<std::string> fields_;                // padded fields with a swapped pattern
  // Keyed by the WWN's bytes as text: GCC 12 at -O3 warns falsely inside the
  // three-way comparison of byte vectors.
  std::map<std::string, std::vector<uint8_t>> wwns_;
  std::vector<Pattern> patterns_;  // longest first
  std::map<std::string, std::string> volumes_;
};

}  // namespace record
