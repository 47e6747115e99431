#pragma once
// File access for the package code. Every path is a product path (backslashes,
// built from ExeDir) and goes through common::ToNativePath, so packages authored
// on a case-insensitive file system are found here too.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ini_file.h"

namespace firmware {

bool FileExists(const std::string& path);    // a regular file
bool FolderExists(const std::string& path);  // a directory
// The size of a regular file; nothing when it is missing or not a file.
std::optional<uint64_t> FileSize(const std::string& path);

// Up to `length` bytes from `offset`; fewer when the file ends first, none when
// it is missing or the offset is negative.
std::vector<uint8_t> ReadFileRange(const std::string& path, int64_t offset, size_t length);

// The whole file when it exists and is not larger than `maxBytes`.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, size_t maxBytes);

// An INI file, when it exists as a regular file of at most 16 MiB (a folder of
// that name, or anything larger, counts as missing).
std::optional<common::IniFile> LoadIniFile(const std::string& path);

}  // namespace firmware
