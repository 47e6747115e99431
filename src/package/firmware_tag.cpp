#include "package/firmware_tag.h"

#include <algorithm>

#include "common/text.h"

namespace firmware {
namespace {

bool SkippedInFront(uint8_t c) { return c == ' ' || c == 'F' || c == 0; }
bool DroppedAtEnd(uint8_t c) { return c == ' ' || c == 0; }

std::string CText(std::span<const uint8_t> bytes) { return common::TextFromBytes(bytes); }

}  // namespace

std::string CutFirmwareTag(std::span<const uint8_t> raw) {
  size_t start = 0;
  while (start < raw.size() && SkippedInFront(raw[start])) ++start;
  if (start == raw.size()) start = 0;
  size_t end = raw.size();
  while (end > start && DroppedAtEnd(raw[end - 1])) --end;
  return CText(raw.subspan(start, end - start));
}

FirmwareIdentity ExtractFirmwareIdentity(std::span<const uint8_t> field) {
  FirmwareIdentity id;
  auto part = [&](size_t off, size_t len) -> std::span<const uint8_t> {
    if (field.size() <= off) return {};
    return field.subspan(off, std::min(len, field.size() - off));
  };
  id.retryTag = CText(part(identity_field::kRetryTag, identity_field::kRetryTagLength));
  id.tag = CutFirmwareTag(part(identity_field::kFirmwareTag, identity_field::kFirmwareTagLength));
  return id;
}

FirmwareIdentity ExtractFirmwareIdentity(const ParameterBlock& block) {
  return ExtractFirmwareIdentity(block.IdentityField());
}

std::string NormaliseRetryTag(std::string_view retryTag) {
  if (retryTag.empty() || retryTag.front() < '0' || retryTag.front() > '9') return {};
  return std::string(retryTag);
}

std::string NandMakerName(uint8_t makerCode) {
  if (makerCode == ParameterBlock::kMakerSnk) return "SNK";
  if (makerCode == ParameterBlock::kMakerTsb) return "TSB";
  return {};
}

std::optional<std::string> MapNandType(uint8_t makerCode, std::string_view dieText,
                                       std::string_view tag) {
  const std::string t(tag);
  auto layered = [&](const char* kind) -> std::optional<std::string> {
    const std::string maker = NandMakerName(makerCode);
    if (maker.empty()) return std::nullopt;
    const char* dies = dieText.find("8die") != std::string_view::npos ? "8die" : "4die";
    return common::Format("%s\\%s\\%s\\%s", kind, maker.c_str(), dies, t.c_str());
  };
  if (tag.find("BiCS") != std::string_view::npos) return layered("BiCS");
  if (tag.find("1Z2") != std::string_view::npos || tag.find("1Z4") != std::string_view::npos) {
    return layered("1ZMLC");
  }
  for (const char* word : {"IM27A", "IM27B", "YMTC"}) {
    if (tag.find(word) != std::string_view::npos) return std::string(word);
  }
  return t;
}

}  // namespace firmware
