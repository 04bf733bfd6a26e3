// Small text utilities: blanks, durations in words, lines and settings lines.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// Cuts the text at its first blank (0x20): every blank becomes a terminator,
// not only the trailing ones, so "AB CD " becomes "AB". Returns szText.
char* TrimRight(char* szText);

// 1 when the text is empty or only blanks (0x20); tabs count as non-blank.
int IsBlank(const char* szText);

// Writes a duration in words into szBuffer (uSize bytes, cut to fit):
// "59 secs", "2 mins 5 secs", "1 hour", "136 years 70 days". The major unit
// takes its plural from 2 on; a minor value of 0 or 1 is left out, a shown
// minor unit always ends in "s". A year is 365 days. Returns the length of
// the full text (as snprintf).
int HumanDuration(unsigned uSeconds, char* szBuffer, size_t uSize);

// Calls fnLine(line, number) for each line of the bytes, numbered from 1:
// lines end at a line feed (not part of the line; the last line needs
// none). A reader of files from outside bounds each line itself.
template <typename F>
void ForEachLine(const char* pText, size_t uLength, F fnLine)
{
    size_t start = 0;
    unsigned number = 0;
    while (start < uLength) {
        const void* lf = std::memchr(pText + start, '\n', uLength - start);
        const size_t end = lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - pText) : uLength;
        fnLine(std::string_view(pText + start, end - start), ++number);
        start = end + 1;
    }
}

// Splits a settings line "key=value" (a CR before the line end dropped, as a
// file edited on the other platform has it). false for an empty line, a
// comment (";") or a line without "=".
bool SplitSettingLine(std::string_view line, std::string* pKey, std::string* pValue);
