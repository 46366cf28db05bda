#pragma once
// Pure text services of the scene: decimal formatting, path shortening, the
// countdown text and the settings' decimal parsing. No window, no GDI: the
// scene passes its own text measure, tests pass a stub.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Decimal text of any 64-bit value, "-" in front when negative (INT64_MIN too).
std::wstring FormatDecimal(int64_t value);

// The same with "," between groups of three digits counted from the right;
// never a separator between the sign and the first digit.
std::wstring FormatDecimalGrouped(int64_t value);

// Widths of the leading parts of a text: extents[i] receives the width in pixels of
// its first i + 1 characters, for every i below length (GetTextExtentExPointW's
// partial extents). False when the text cannot be measured.
using PrefixMeasure = std::function<bool(const wchar_t* text, int length, int* extents)>;

// Shortens `path` to fit `max_width`: the longest front part that fits the room
// the tail leaves (cut back at backslashes, then filled up character by character),
// then "...", the last backslash and the file name. The tail itself is never
// shortened. A path that fits comes back unchanged, and so does any path that
// cannot be measured; a name without a backslash keeps the front part that fits
// with "..." behind it. Measures only as far into a text as can fit, so its cost
// grows with the line's width and at most in proportion to the path's length.
std::wstring FitPathToMeasure(const std::wstring& path, int max_width,
                              const PrefixMeasure& measure);

// Seconds between two calendar times, clamped to the int64 range instead of
// overflowing (a stored time may be anything).
int64_t SecondsBetween(int64_t earlier, int64_t later);

// The schedule line for `seconds_left` (> 0) until the next cycle: the clock form
// below one day, the days form above. Exact for every positive value.
std::wstring FormatCountdown(int64_t seconds_left);

// Reads a signed decimal as the runtime's text-to-integer conversion does: leading
// blanks, an optional sign, digits up to the first other character; no digits give 0,
// values beyond the int64 range are clamped. Reads at most `length` characters and
// stops at a NUL.
int64_t ParseDecimal(const wchar_t* text, size_t length);
