#pragma once
// Small text helpers shared by every layer: printf-style formatting, trimming,
// case-insensitive comparison and the swapped-pair byte order of ATA strings.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// On Windows the build uses mingw's C99 printf (%zu, %lld), which the
// compiler checks as gnu_printf; plain printf there means the old C library's.
#if defined(__MINGW32__)
#define SSD_PRINTF_STYLE gnu_printf
#else
#define SSD_PRINTF_STYLE printf
#endif

namespace common {

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(SSD_PRINTF_STYLE, 1, 2)));

// Blanks are space, tab, CR, LF, VT and FF (what Windows' profile reader strips).
bool IsBlank(char c);
std::string_view TrimView(std::string_view s);
std::string Trim(std::string_view s);
std::string TrimRight(std::string_view s);

std::string ToUpper(std::string_view s);
std::string ToLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Swaps the two bytes of every pair; an odd trailing byte stays where it is.
void SwapBytePairs(std::span<uint8_t> bytes);
std::string SwapBytePairs(std::string_view s);

// Bytes up to the first NUL (or all of them), as text.
std::string TextFromBytes(std::span<const uint8_t> bytes);

// Text that came from a drive or an untrusted file, fit to show on a terminal,
// in a window or in a log: every byte outside printable ASCII (0x20..0x7E) is
// written as "\xHH", so no such text can move a terminal's cursor, clear it or
// start a line of its own. Comparisons keep using the raw bytes.
std::string ShownText(std::string_view raw);

// Splits on a single character; empty fields are kept.
std::vector<std::string> Split(std::string_view s, char sep);

}  // namespace common
