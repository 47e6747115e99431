#pragma once
// The fixed facts of the recording format (docs/recordings.md): one JSON
// object per line, a header line first, then one line per call through os::Os.
#include <cstddef>

namespace record {

inline constexpr char kFormatName[] = "ssdtools-recording";
inline constexpr int kFormatVersion = 1;

// Disk data transfers (ReadFile/WriteFile, pass-through data, request
// buffers) above this many bytes are kept as length and digest unless the
// user asks for the data itself.
inline constexpr size_t kWholeDataBound = 4096;

// Bounds a replay puts on an untrusted file.
inline constexpr size_t kMaxLineBytes = size_t{64} << 20;
inline constexpr size_t kMaxEntries = size_t{8} << 20;
// No single buffer the tool hands over is larger than a clone chunk; a reply
// longer than the caller's buffer is refused anyway.
inline constexpr size_t kMaxBufferBytes = size_t{32} << 20;

// Exit code of a run that left the recording.
inline constexpr int kExitReplayDiverged = 5;

// Call name of the trace lines (kept, never matched).
inline constexpr char kTraceCall[] = "OutputDebugStringA";

}  // namespace record
