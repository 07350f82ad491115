#pragma once

#include <stddef.h>
// Decimal text <-> double, always with '.' as the decimal point, whatever the C runtime's locale.
// Neither function reads the locale, allocates, or calls the C runtime's number conversions.

// FormatDecimalF: what snprintf(dest, size, "%f", value) gives in the "C" locale: six digits after the
//   point, rounded; "-" for negatives (also -0.0 -> "-0.000000"); "inf"/"-inf"/"nan"/"-nan" for non-finite
//   values. Bounded: never writes more than size bytes and always NUL-terminates when size > 0 (cut text).
//   Exact for every finite double, not only |value| < 1e15: the digits are those of the value's exact
//   binary expansion, rounded to six decimals with ties to even, so 1e300 prints all 301 integer digits
//   (at most 317 characters for -DBL_MAX).
void FormatDecimalF(char* dest, unsigned size, double value);

// ParseDecimalAtof: what atof(text) gives in the "C" locale (C99/C11 strtod semantics of the longest valid
//   prefix): leading whitespace (space, \t \n \v \f \r) skipped; optional sign; decimal digits with an
//   optional '.' and an optional exponent (e/E, optional sign, digits; a malformed exponent is not
//   consumed); or "inf"/"infinity"/"nan"/"nan(chars)" case-insensitively; or hexadecimal "0x"/"0X" digits with
//   optional '.' and optional binary exponent p/P. No valid prefix gives 0.0. Overflow gives +-HUGE_VAL
//   (infinity), underflow 0 or a subnormal. Text after the number is ignored.
//   Accuracy: hexadecimal input is always correctly rounded (ties to even). Decimal input is correctly
//   rounded whenever its value is an integer of at most 2^53 times a power of ten from 10^-22 to
//   10^22 (so "89", "0.89", "1080.5", "12.5e3", "1.50000000000000000000", "1e30"). Other decimal
//   input is computed in 80-bit extended precision from its first 19 significant digits and is then
//   within one unit in the last place of the correctly rounded double, and nearly always equal to it.
//   That needs the x87 unit at its full 64-bit precision; in a process that has set it to 53 bits such
//   input can be off by up to about three units. Any length of digits and any exponent (even
//   1e-99999999999) is handled without integer overflow. A NaN's "(chars)" are accepted but give the
//   default quiet NaN, with the sign of the text.
double ParseDecimalAtof(const char* text);

// ParseDecimalPrefix: ParseDecimalAtof that also tells, in *length (when not null), how many characters
//   of `text` the number took, leading whitespace included: strtod's end pointer. 0 when there is no number.
double ParseDecimalPrefix(const char* text, size_t* length);
