// Win32 files for host_file.h. A file is opened with
// FILE_FLAG_OPEN_REPARSE_POINT where links are refused, so a link (symbolic
// link or junction) is opened itself and then turned away, never followed.
#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>

#include "platform/host/host_file.h"

namespace host {
namespace {

HANDLE H(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::string ErrorText(DWORD code) {
  char buf[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, buf, sizeof buf, nullptr);
  std::string text(buf, n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
    text.pop_back();
  }
  return text.empty() ? "Windows error " + std::to_string(code) : text;
}

bool IsReparsePoint(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

OVERLAPPED At(uint64_t at) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(at);
  o.OffsetHigh = static_cast<DWORD>(at >> 32);
  return o;
}

constexpr DWORD kMaxTransfer = 1u << 30;

// The allocated stretches of a sparse file from `at` on, one at a time.
bool FirstAllocated(HANDLE h, uint64_t at, uint64_t size, FILE_ALLOCATED_RANGE_BUFFER& found,
                    bool& any) {
  FILE_ALLOCATED_RANGE_BUFFER query{};
  query.FileOffset.QuadPart = static_cast<LONGLONG>(at);
  query.Length.QuadPart = static_cast<LONGLONG>(size - at);
  DWORD bytes = 0;
  const BOOL ok = DeviceIoControl(h, FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, &found,
                                  sizeof found, &bytes, nullptr);
  if (!ok && GetLastError() != ERROR_MORE_DATA) return false;
  any = bytes >= sizeof found;
  return true;
}

}  // namespace

PathKind KindOf(const std::string& nativePath) {
  const DWORD a = GetFileAttributesA(nativePath.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  if (IsReparsePoint(a)) return PathKind::kLink;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
  if (a & FILE_ATTRIBUTE_DEVICE) return PathKind::kOther;
  return PathKind::kFile;
}

std::unique_ptr<File> File::Open(const std::string& nativePath, OpenMode mode, bool refuseLinks,
                                 std::string& error) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::kRead:
      break;
    case OpenMode::kReadWrite:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = OPEN_ALWAYS;
      break;
    case OpenMode::kWriteTruncate:
      access = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
    case OpenMode::kCreateExclusive:
      access = GENERIC_WRITE;
      disposition = CREATE_NEW;  // fails on any existing name, a link too
      refuseLinks = true;
      break;
  }
  if (refuseLinks && disposition == CREATE_ALWAYS) {
    // CREATE_ALWAYS would follow a link before it could be looked at.
    if (KindOf(nativePath) == PathKind::kLink) {
      error = "it is a symbolic link";
      return nullptr;
    }
  }
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (refuseLinks ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE h = CreateFileA(nativePath.c_str(), access,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         disposition, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = ErrorText(GetLastError());
    return nullptr;
  }
  std::unique_ptr<File> file(new File(reinterpret_cast<intptr_t>(h)));
  BY_HANDLE_FILE_INFORMATION info{};
  if (refuseLinks && GetFileInformationByHandle(h, &info) &&
      IsReparsePoint(info.dwFileAttributes)) {
    error = "it is a symbolic link";
    return nullptr;
  }
  return file;
}

File::~File() {
  if (handle_ != 0) CloseHandle(H(handle_));
}

bool File::IsOrdinary() const {
  if (GetFileType(H(handle_)) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(H(handle_), &info) &&
         (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

uint64_t File::Size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(H(handle_), &size)) return UINT64_MAX;
  return static_cast<uint64_t>(size.QuadPart);
}

bool File::SetSize(uint64_t size) {
  FILE_END_OF_FILE_INFO eof{};
  eof.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return SetFileInformationByHandle(H(handle_), FileEndOfFileInfo, &eof, sizeof eof) != 0;
}

int64_t File::ReadAt(void* buffer, size_t length, uint64_t at) const {
  OVERLAPPED o = At(at);
  DWORD n = 0;
  const DWORD want = length > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(length);
  if (!ReadFile(H(handle_), buffer, want, &n, &o)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return n;
}

int64_t File::WriteAt(const void* buffer, size_t length, uint64_t at) {
  OVERLAPPED o = At(at);
  DWORD n = 0;
  const DWORD want = length > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(length);
  if (!WriteFile(H(handle_), buffer, want, &n, &o)) return -1;
  return n;
}

int64_t File::Read(void* buffer, size_t length) {
  DWORD n = 0;
  const DWORD want = length > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(length);
  if (!ReadFile(H(handle_), buffer, want, &n, nullptr)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return n;
}

bool File::WriteAll(const void* buffer, size_t length) {
  const auto* at = static_cast<const char*>(buffer);
  while (length > 0) {
    DWORD n = 0;
    const DWORD want = length > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(length);
    if (!WriteFile(H(handle_), at, want, &n, nullptr) || n == 0) return false;
    at += n;
    length -= n;
  }
  return true;
}

int64_t File::NextData(uint64_t at) const {
  const uint64_t size = Size();
  if (size == UINT64_MAX) return kNotKnown;
  if (at >= size) return kNoMoreData;
  FILE_ALLOCATED_RANGE_BUFFER r{};
  bool any = false;
  if (!FirstAllocated(H(handle_), at, size, r, any)) return kNotKnown;
  if (!any) return kNoMoreData;
  const auto begin = static_cast<uint64_t>(r.FileOffset.QuadPart);
  return static_cast<int64_t>(begin > at ? begin : at);
}

int64_t File::NextHole(uint64_t at) const {
  const uint64_t size = Size();
  if (size == UINT64_MAX) return kNotKnown;
  // Allocated stretches may lie end to end: walk them until a gap.
  while (at < size) {
    FILE_ALLOCATED_RANGE_BUFFER r{};
    bool any = false;
    if (!FirstAllocated(H(handle_), at, size, r, any)) return kNotKnown;
    const auto begin = static_cast<uint64_t>(r.FileOffset.QuadPart);
    if (!any || begin > at) return static_cast<int64_t>(at);
    at = begin + static_cast<uint64_t>(r.Length.QuadPart);
  }
  return static_cast<int64_t>(size);
}

void File::Preallocate(uint64_t, uint64_t) {}  // NTFS allocates as the write goes

bool File::PunchHole(uint64_t at, uint64_t length) {
  FILE_ZERO_DATA_INFORMATION zero{};
  zero.FileOffset.QuadPart = static_cast<LONGLONG>(at);
  zero.BeyondFinalZero.QuadPart = static_cast<LONGLONG>(at + length);
  DWORD bytes = 0;
  // On a sparse file this frees whole allocation units and zeroes the rest.
  return DeviceIoControl(H(handle_), FSCTL_SET_ZERO_DATA, &zero, sizeof zero, nullptr, 0, &bytes,
                         nullptr) != 0;
}

bool File::ZeroRange(uint64_t at, uint64_t length) { return PunchHole(at, length); }

bool File::MakeSparse() {
  DWORD bytes = 0;
  FILE_SET_SPARSE_BUFFER sparse{};
  sparse.SetSparse = TRUE;
  return DeviceIoControl(H(handle_), FSCTL_SET_SPARSE, &sparse, sizeof sparse, nullptr, 0, &bytes,
                         nullptr) != 0;
}

bool File::Flush() { return FlushFileBuffers(H(handle_)) != 0; }

bool File::Close() {
  HANDLE h = H(handle_);
  handle_ = 0;
  return h != nullptr && CloseHandle(h) != 0;
}

bool RenameOver(const std::string& from, const std::string& to) {
  // A link at `to` is replaced as a name, as rename(2) does.
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& nativePath) { return DeleteFileA(nativePath.c_str()) != 0; }

bool RemoveEmptyFolder(const std::string& nativePath) {
  return RemoveDirectoryA(nativePath.c_str()) != 0;
}

bool CreatePrivateFolder(const std::string& nativePath, std::string& error) {
  // A folder under the user's profile inherits its owner-only access.
  if (CreateDirectoryA(nativePath.c_str(), nullptr)) return true;
  error = ErrorText(GetLastError());
  return false;
}

std::string FolderNotPrivate(const std::string& nativePath) {
  const DWORD a = GetFileAttributesA(nativePath.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return ErrorText(GetLastError());
  if (IsReparsePoint(a)) return "it is a link to another folder";
  if ((a & FILE_ATTRIBUTE_DIRECTORY) == 0) return "it is not a folder";
  return "";
}

uint64_t AllocatedBytes(const std::string& nativePath) {
  // A sparse file's allocated size, as Explorer's "size on disk" has it.
  DWORD high = 0;
  const DWORD low = GetCompressedFileSizeA(nativePath.c_str(), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return UINT64_MAX;
  return (uint64_t{high} << 32) | low;
}

std::string LastErrorText() { return ErrorText(GetLastError()); }

}  // namespace host
#endif  // _WIN32
