#include "core/scene/text_format.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <vector>

namespace {

// Magnitude of a value as unsigned, so the smallest int64 has one too.
uint64_t Magnitude(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

std::wstring UnsignedDigits(uint64_t value) {
  wchar_t reversed[24];
  size_t count = 0;
  do {
    reversed[count++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  std::wstring digits(reversed, count);
  std::reverse(digits.begin(), digits.end());
  return digits;
}

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

}  // namespace

std::wstring FormatDecimal(int64_t value) {
  std::wstring digits = UnsignedDigits(Magnitude(value));
  return value < 0 ? L"-" + digits : digits;
}

std::wstring FormatDecimalGrouped(int64_t value) {
  const std::wstring digits = UnsignedDigits(Magnitude(value));
  std::wstring grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) grouped += L',';
    grouped += digits[i];
  }
  return value < 0 ? L"-" + grouped : grouped;
}

namespace {

const wchar_t kEllipsis[] = L"...";

// The widths of a text's leading parts, measured only as far as needed to learn
// which of them are at most `limit` wide: the text is measured in growing runs from
// its start until a run is wider than the limit (or the text ends). Widths never
// shrink as a text grows, so every longer part is wider than the limit too.
class PrefixWidths {
 public:
  PrefixWidths(const wchar_t* text, size_t length, int limit, const PrefixMeasure& measure) {
    size_t count = std::min<size_t>(length, kFirstRun);
    for (;;) {
      widths_.resize(count);
      if (count > 0 && !measure(text, static_cast<int>(count), widths_.data())) {
        measured_ = false;
        return;
      }
      if (count == length || widths_[count - 1] > limit) return;
      count = std::min(length, count * 4);
    }
  }
  bool measured() const { return measured_; }
  // Width of the first n characters; INT_MAX for a part longer than those measured.
  int Width(size_t n) const {
    if (n == 0) return 0;
    return n <= widths_.size() ? widths_[n - 1] : INT_MAX;
  }

 private:
  static constexpr size_t kFirstRun = 256;
  std::vector<int> widths_;
  bool measured_ = true;
};

// The characters of `prefix` (from `from` on) that still fit `room`, stopping at
// the first that does not.
size_t FittingLength(const PrefixWidths& prefix, size_t from, size_t limit, int room) {
  size_t kept = from;
  while (kept < limit && prefix.Width(kept + 1) <= room) ++kept;
  return kept;
}

}  // namespace

std::wstring FitPathToMeasure(const std::wstring& path, int max_width,
                              const PrefixMeasure& measure) {
  const PrefixWidths whole(path.c_str(), path.size(), max_width, measure);
  if (!whole.measured() || whole.Width(path.size()) <= max_width) return path;

  size_t cut_at = path.rfind(L'\\');
  if (cut_at == std::wstring::npos) {
    // No file name to keep whole: the front that fits, then "...".
    const PrefixWidths dots(kEllipsis, 3, max_width, measure);
    const int room = max_width - dots.Width(3);
    if (!dots.measured()) return path;
    if (room < 0) return std::wstring();
    return path.substr(0, FittingLength(whole, 0, path.size(), room)) + kEllipsis;
  }

  const std::wstring tail = kEllipsis + path.substr(cut_at);
  const PrefixWidths tail_widths(tail.c_str(), tail.size(), max_width, measure);
  if (!tail_widths.measured()) return path;
  const int tail_width = tail_widths.Width(tail.size());
  if (tail_width >= max_width) return tail;  // no room left for the head
  const int room = max_width - tail_width;

  // Cut back directory by directory; the search never wraps to the end of the head.
  size_t head_length = 0, cut_length = 0;
  do {
    const size_t slash = cut_at == 0 ? std::wstring::npos : path.rfind(L'\\', cut_at - 1);
    if (slash == std::wstring::npos) {
      head_length = cut_length = 0;
      break;
    }
    head_length = slash + 1;
    cut_length = cut_at - head_length;
    cut_at = slash;
  } while (whole.Width(head_length) > room);

  // Give back as much of the last cut directory name as still fits.
  const size_t kept = FittingLength(whole, head_length, head_length + cut_length, room);
  return path.substr(0, kept) + tail;
}

int64_t SecondsBetween(int64_t earlier, int64_t later) {
  if (later >= earlier) {
    const uint64_t span = static_cast<uint64_t>(later) - static_cast<uint64_t>(earlier);
    return span > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(span);
  }
  const uint64_t span = static_cast<uint64_t>(earlier) - static_cast<uint64_t>(later);
  return span > static_cast<uint64_t>(INT64_MAX) ? INT64_MIN : -static_cast<int64_t>(span);
}

std::wstring FormatCountdown(int64_t seconds_left) {
  const int64_t days = seconds_left / 86400;
  const int64_t hours = seconds_left % 86400 / 3600;
  const int64_t minutes = seconds_left % 3600 / 60;
  const int64_t seconds = seconds_left % 3600 % 60;
  if (days == 0) {
    wchar_t clock[16];
    swprintf(clock, sizeof clock / sizeof clock[0], L"%.2d:%.2d:%.2d", static_cast<int>(hours),
             static_cast<int>(minutes), static_cast<int>(seconds));
    return std::wstring(L"Time until next defragmentation ") + clock;
  }
  std::wstring text = L"Time until next defragmentation: about " + FormatDecimal(days) +
                      (days == 1 ? L" Day" : L" Days");
  if (hours != 0) text += L" and " + FormatDecimal(hours) + (hours == 1 ? L" Hour" : L" Hours");
  return text;
}

int64_t ParseDecimal(const wchar_t* text, size_t length) {
  size_t i = 0;
  while (i < length && text[i] != L'\0' && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < length && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  // Accumulate the magnitude, stopping at the largest one the sign allows.
  const uint64_t limit = negative ? static_cast<uint64_t>(INT64_MAX) + 1 : INT64_MAX;
  uint64_t magnitude = 0;
  for (; i < length && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    const uint64_t digit = static_cast<uint64_t>(text[i] - L'0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  if (!negative) return static_cast<int64_t>(magnitude);
  return magnitude == static_cast<uint64_t>(INT64_MAX) + 1 ? INT64_MIN
                                                           : -static_cast<int64_t>(magnitude);
}
