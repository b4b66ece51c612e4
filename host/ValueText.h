#pragma once

#include <cstdint>

namespace tovrel {

// Renderings of numbers for parameter displays, eight characters of significance at most.
// Each writes at most maxLen characters and a NUL after the last one; the caller provides at
// least maxLen + 1 bytes.

// A value with up to eight significant characters, e.g. 1.500000, -3.20000, 12345.50 or 1234567.
// Values too large to show render as "Huge!".
void formatFloatText(double value, char* text, int32_t maxLen);

// Decimal digits without leading zeros; 100000000 and above render as "Huge!".
void formatIntegerText(int32_t value, char* text, int32_t maxLen);

// 20 log10(gain) with formatFloatText; zero, negative and not-a-number gains render as "-oo".
void formatDecibelText(float gain, char* text, int32_t maxLen);

} // namespace tovrel
