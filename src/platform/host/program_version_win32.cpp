// The version resource read as Explorer's Details tab reads it:
// GetFileVersionInfoA on the program's own file, then VerQueryValueA for the
// fixed file version and the InternalName of the first translation.
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/host/program_version.h"

namespace host {
namespace {

constexpr DWORD kMaxResourceBytes = 1u << 20;

struct Translation {
  WORD language;
  WORD codePage;
};

}  // namespace

std::optional<ProgramVersion> ReadOwnVersionResource() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::nullopt;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0 || size > kMaxResourceBytes) return std::nullopt;
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path, 0, size, data.data())) return std::nullopt;

  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  if (fixed->dwSignature != VS_FFI_SIGNATURE) return std::nullopt;
  ProgramVersion v;
  v.major = HIWORD(fixed->dwFileVersionMS);
  v.minor = LOWORD(fixed->dwFileVersionMS);
  v.build = HIWORD(fixed->dwFileVersionLS);
  v.revision = LOWORD(fixed->dwFileVersionLS);

  if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length) &&
      length >= sizeof(Translation)) {
    const auto* t = static_cast<const Translation*>(value);
    char key[64];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\InternalName", t->language,
                  t->codePage);
    if (VerQueryValueA(data.data(), key, &value, &length) && length > 0) {
      // The length counts the terminating zero.
      const auto* text = static_cast<const char*>(value);
      v.internalName.assign(text, strnlen(text, length));
    }
  }
  return v;
}

}  // namespace host
#endif  // _WIN32
