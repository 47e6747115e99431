#pragma once
// The host's files as the lab, the run log and the tool's own outputs use
// them: opened without following a link where asked, read and written at an
// offset, sized, and (where the file system can) kept sparse. One POSIX and
// one Win32 implementation; callers include no system header.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace host {

// What stands at a path, without following a link there.
enum class PathKind { kMissing, kFile, kFolder, kLink, kOther };
PathKind KindOf(const std::string& nativePath);

enum class OpenMode {
  kRead,             // an existing file, read only
  kReadWrite,        // read and write, created when missing
  kWriteTruncate,    // write only, created when missing, emptied
  kCreateExclusive,  // write only, a new file: never an existing file or link
};

// Sentinels of File::NextData / NextHole.
inline constexpr int64_t kNoMoreData = -1;  // only holes from `at` on
inline constexpr int64_t kNotKnown = -2;    // the file system cannot tell holes

class File {
 public:
  // Null with `error` set (the system's reason; "it is a symbolic link" when
  // refuseLinks met one).
  static std::unique_ptr<File> Open(const std::string& nativePath, OpenMode mode, bool refuseLinks,
                                    std::string& error);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // An ordinary file (not a folder, device or pipe).
  bool IsOrdinary() const;
  // The file's length; UINT64_MAX when it cannot be read.
  uint64_t Size() const;
  bool SetSize(uint64_t size);
  // Bytes moved, 0 at the end of the file, -1 on an error.
  int64_t ReadAt(void* buffer, size_t length, uint64_t at) const;
  int64_t WriteAt(const void* buffer, size_t length, uint64_t at);
  // Sequential, from where the last call left off.
  int64_t Read(void* buffer, size_t length);
  bool WriteAll(const void* buffer, size_t length);
  // Where stored bytes start at or after `at` (kNoMoreData, kNotKnown), and
  // where the stored bytes from `at` end (kNotKnown when it cannot tell).
  int64_t NextData(uint64_t at) const;
  int64_t NextHole(uint64_t at) const;
  // Space reserved ahead of a large write; may do nothing.
  void Preallocate(uint64_t at, uint64_t length);
  // The range reads as zeros and frees its space; false where the file
  // system cannot (the caller writes zeros then).
  bool PunchHole(uint64_t at, uint64_t length);
  // The range reads as zeros and keeps its space; false where not supported.
  bool ZeroRange(uint64_t at, uint64_t length);
  // Marks the file sparse where that takes a request (NTFS); true elsewhere.
  bool MakeSparse();
  // Writes what is buffered through to the disk.
  bool Flush();
  // Closes now, so that a failing close can be seen.
  bool Close();

 private:
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_;  // a descriptor, or a HANDLE
};

// Renames `from` over `to`, replacing a file there (a link at `to` is replaced,
// never followed).
bool RenameOver(const std::string& from, const std::string& to);
// Removes a file (a link itself, never its target); not a folder.
bool RemoveFile(const std::string& nativePath);
// Removes a folder only when it is empty.
bool RemoveEmptyFolder(const std::string& nativePath);
// Creates one folder that only this user may write to.
bool CreatePrivateFolder(const std::string& nativePath, std::string& error);
// Why an existing folder cannot be a private folder of this user, or "".
std::string FolderNotPrivate(const std::string& nativePath);
// The disk space a file takes (less than its length when it has holes);
// UINT64_MAX when it cannot be read.
uint64_t AllocatedBytes(const std::string& nativePath);
// The text of the last system error of this thread.
std::string LastErrorText();

}  // namespace host
