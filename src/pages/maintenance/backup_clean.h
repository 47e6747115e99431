#pragma once
// The partitioning tool's cleaning of the destination before a copy: the
// script written whole in the current folder, the tool started hidden, and a
// bounded wait for it to end, so that nothing is written to the destination
// while the tool still works on it.
#include <cstdint>
#include <string>

#include "platform/os.h"

namespace maintenance {

inline constexpr const char* kCleanScriptName = "diskpart.txt";
inline constexpr const char* kCleanCommand = "DISKPART /s diskpart.txt";
// Rescan and clean take seconds; a tool still busy after two minutes is hung.
inline constexpr os::DWORD kCleanWaitMs = 120000;

// "RESCAN", "SELECT DISK n", "ATTRIBUTES DISK CLEAR READONLY", "CLEAN", "EXIT".
std::string CleanScript(uint32_t diskNumber);

// Writes the script, runs the tool and waits for it. Empty when the tool
// ended with success; otherwise why the destination cannot be trusted to be
// clean (the message shown to the user).
std::string CleanDestination(os::Os& os, uint32_t diskNumber);

}  // namespace maintenance
