#include "core/text_format.h"

#include <algorithm>
#include <climits>
#include <cwchar>

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

std::wstring FitPathToMeasure(const std::wstring& path, int max_width, const TextMeasure& measure) {
  if (measure(path) <= max_width) return path;
  size_t cut_at = path.rfind(L'\\');
  if (cut_at == std::wstring::npos) return path;  // nothing to keep as the tail

  const std::wstring tail = L"..." + path.substr(cut_at);
  std::wstring head = path.substr(0, cut_at);
  std::wstring cut;
  const int room = max_width - measure(tail);
  if (room <= 0) return tail;

  // Cut back directory by directory; the search never wraps to the end of head.
  do {
    const size_t slash = cut_at == 0 ? std::wstring::npos : head.rfind(L'\\', cut_at - 1);
    if (slash == std::wstring::npos) {
      head.clear();
      cut.clear();
      break;
    }
    cut = head.substr(slash + 1, cut_at - slash - 1);
    head.resize(slash + 1);
    cut_at = slash;
  } while (measure(head) > room);

  // Give back as much of the last cut directory name as still fits.
  size_t kept = 0;
  for (size_t n = 1; n <= cut.size(); ++n) {
    if (measure(head + cut.substr(0, n)) > room) break;
    kept = n;
  }
  return head + cut.substr(0, kept) + tail;
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
