// The exclusion multi-string in which exclusion lists cross the exports:
// entries of one or more non-NUL units, each followed by a NUL; the list ends
// at the first empty entry. Built texts end in three NULs.

#pragma once

#include <string>
#include <vector>

// Grows buffer to exactly length units (new units zero) when it is shorter;
// never shrinks. False when it cannot grow (buffer unchanged).
bool ReserveExclusionBuffer(std::vector<wchar_t>& buffer, size_t length);

// Builds the multi-string of the non-empty entries into buffer; answers its
// first unit, or NULL when no entry is non-empty or the buffer cannot grow.
const wchar_t* BuildExclusionText(const std::vector<std::wstring>& entries,
                                  std::vector<wchar_t>& buffer);

// Entries up to the first empty one. NULL reads as an empty list.
std::vector<std::wstring> ParseExclusionText(const wchar_t* text);
