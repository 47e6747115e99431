// The package's ini files: SetCID.ini (the CID record and IDENTIFY template
// changes of a tag folder, and its version override), the version database
// (which current version may go to which offered one) and the UpdateFW
// permission keys of Setting.ini. One text serves as all three.
//
// Input: a flags byte, then the tag, the current version, the offered version
// and the mask (each a length of 2 bytes and the bytes), then the ini text.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "fuzz_check.h"
#include "package/expected_version.h"
#include "package/generate/set_cid.h"
#include "package/update_rules.h"

namespace {

using namespace firmware;

// SetCID.ini may change the CID record anywhere, but of the IDENTIFY template
// only the bits its IDTable switches name.
void CheckSetCid(const common::IniFile& ini, IcFamily family, const std::string& tag,
                 uint8_t fill) {
  std::vector<uint8_t> cid(cid_byte::kRecordLength, fill);
  std::vector<uint8_t> identify(identify_byte::kLength, static_cast<uint8_t>(~fill));
  const std::vector<uint8_t> before = identify;
  ApplySetCid(ini, family, tag, cid, identify);
  constexpr std::array<size_t, 5> kSwitches = {identify_byte::kHipm, identify_byte::kDipm,
                                               identify_byte::kDevSlp, identify_byte::kSelfTestA,
                                               identify_byte::kSelfTestB};
  for (size_t i = 0; i < identify.size(); ++i) {
    if (std::find(kSwitches.begin(), kSwitches.end(), i) == kSwitches.end()) {
      FUZZ_CHECK(identify[i] == before[i]);
    }
  }
  // Short buffers are left alone, never written past.
  std::vector<uint8_t> shortCid(cid_byte::kRecordLength - 1, fill);
  std::vector<uint8_t> shortIdentify(identify_byte::kLength - 1, fill);
  ApplySetCid(ini, family, tag, shortCid, shortIdentify);
  FUZZ_CHECK(std::all_of(shortCid.begin(), shortCid.end(), [&](uint8_t b) { return b == fill; }));
  FUZZ_CHECK(std::all_of(shortIdentify.begin(), shortIdentify.end(),
                         [&](uint8_t b) { return b == fill; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in(data, size);
  const uint8_t flags = in.Byte();
  const std::string tag = fuzz::Text(in.Sized(8));
  const std::string current = fuzz::Text(in.Sized(20));
  const std::string offered = fuzz::Text(in.Sized(20));
  const std::string mask = fuzz::Text(in.Sized(20));
  const std::string text = in.RestText();

  const common::IniFile ini = common::IniFile::FromText(text);
  const IcFamily family = (flags & 1) != 0 ? IcFamily::k4610 : IcFamily::k4620;
  CheckSetCid(ini, family, tag, flags);

  const std::string& dir = fuzz::FreshFolder();
  fuzz::WriteFile(dir + "/SetCID.ini", text);
  fuzz::WriteFile(dir + "/Setting.ini", text);
  fuzz::WriteFile(dir + "/FWVerDB.ini", text);
  const std::string over = SetCidVersionOverride(dir + "\\SetCID.ini", current);
  FUZZ_CHECK(over.size() <= 8);

  const int length = static_cast<int8_t>(flags) >> 2;
  const std::string masked = MaskVersion(current, length, mask);
  FUZZ_CHECK(masked.size() <= 16 && masked.find('\0') == std::string::npos);

  UpdateRuleContext ctx;
  ctx.exeDir = dir;
  ctx.autoGenFlu = (flags & 2) != 0;
  ctx.versionDatabasePath = dir + "\\FWVerDB.ini";
  const std::optional<std::string_view> prefix =
      (flags & 2) != 0 ? std::optional<std::string_view>(tag) : std::nullopt;
  (void)IsUpdateAllowed(ctx, offered, current, length, mask, prefix);
  // Installing the version a drive already runs is always allowed outside the
  // automatic package's permission keys.
  FUZZ_CHECK(IsUpdateAllowed(ctx, current, current, length, mask, std::nullopt));
  return 0;
}
