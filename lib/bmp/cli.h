// Command-line helpers shared by the tool drivers.
#pragma once

#include <cstdint>

// Reads a number the way strtoul(word, &end, 0) reads it where unsigned long
// has 32 bits: leading white space, an optional sign, "0x" hexadecimal,
// leading "0" octal or decimal; a value too large for 32 bits saturates to
// 0xFFFFFFFF, and a minus sign negates the value modulo 2^32. The word must be
// used up whole. On success stores the value taken as a signed 32-bit integer
// and returns 0; returns -1 when characters remain.
[[nodiscard]] int cli_parse_number(const char* word, int32_t* value);
