// Small text utilities of the configuration pages.
#pragma once

#include <cstddef>

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
