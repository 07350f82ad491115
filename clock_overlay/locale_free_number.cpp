#include "clock_overlay/locale_free_number.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

// Both compilers provide this; it keeps the exact six-decimal rounding to one multiply and a shift.
__extension__ typedef unsigned __int128 Uint128;

// Exponents are read with saturation at this bound, far beyond anything that still gives a finite
// nonzero double, so no counter can overflow whatever the text holds.
static const int64_t kExponentCap = 100000000000000000;  // 1e17

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

static int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  const char lower = static_cast<char>(c | 0x20);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Case-insensitive match of a lowercase word; stops at the text's NUL, which matches no letter.
static bool StartsWithWord(const char* p, const char* word) {
  for (; *word != '\0'; ++p, ++word) {
    if ((*p | 0x20) != *word) return false;
  }
  return true;
}

static void Put(char* dest, unsigned size, unsigned* length, char c) {
  if (*length + 1 < size) dest[*length] = c;
  ++*length;
}

void FormatDecimalF(char* dest, unsigned size, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  unsigned length = 0;
  if (bits >> 63) Put(dest, size, &length, '-');
  const unsigned biased = static_cast<unsigned>(bits >> 52) & 0x7FF;
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) {
    for (const char* word = mantissa != 0 ? "nan" : "inf"; *word != '\0'; ++word) {
      Put(dest, size, &length, *word);
    }
  } else {
    // |value| = mantissa * 2^exponent exactly; build round(|value| * 10^6) as a big integer.
    const int exponent = biased != 0 ? static_cast<int>(biased) - 1075 : -1074;
    if (biased != 0) mantissa |= uint64_t{1} << 52;
    Uint128 scaled = static_cast<Uint128>(mantissa) * 1000000u;  // below 2^73
    unsigned offset = 0;                                         // in 32-bit limbs
    if (exponent >= 0) {
      scaled <<= exponent & 31;
      offset = static_cast<unsigned>(exponent) >> 5;
    } else {
      // Past 2^-100 everything rounds to zero, as this still computes without overflowing.
      const unsigned shift = exponent < -100 ? 100 : static_cast<unsigned>(-exponent);
      // Adding just under half, plus one more when the kept part is odd, rounds ties to even.
      const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
      scaled = (scaled + (half - 1) + ((scaled >> shift) & 1)) >> shift;
    }
    uint32_t limbs[36] = {};  // DBL_MAX * 10^6 needs 1044 bits
    for (unsigned i = 0; i < 4; ++i) limbs[offset + i] = static_cast<uint32_t>(scaled >> (32 * i));
    unsigned used = offset + 4;

    // Nine decimal digits per division, written from the right.
    char digits[36 * 9];
    unsigned first = sizeof digits;
    do {
      uint64_t remainder = 0;
      for (unsigned i = used; i-- > 0;) {
        const uint64_t current = remainder << 32 | limbs[i];
        limbs[i] = static_cast<uint32_t>(current / 1000000000u);
        remainder = current % 1000000000u;
      }
      while (used > 0 && limbs[used - 1] == 0) --used;
      for (int k = 0; k < 9; ++k, remainder /= 10) {
        digits[--first] = static_cast<char>('0' + remainder % 10);
      }
    } while (used > 0);
    // Keep the six decimals and at least one integer digit.
    while (sizeof digits - first > 7 && digits[first] == '0') ++first;
    for (unsigned i = first; i < sizeof digits; ++i) {
      if (i == sizeof digits - 6) Put(dest, size, &length, '.');
      Put(dest, size, &length, digits[i]);
    }
  }
  if (size > 0) dest[length < size ? length : size - 1] = '\0';
}

// Reads the tail of an exponent (after 'e' or 'p'): optional sign, then digits. Without a digit the
// exponent is not part of the number and counts as zero.
static int64_t ReadExponent(const char* p) {
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  int64_t exponent = 0;
  for (; IsDigit(*p); ++p) {
    if (exponent < kExponentCap) exponent = exponent * 10 + (*p - '0');
  }
  return negative ? -exponent : exponent;
}

// Rounds (mantissa + a fraction of one unit when sticky) * 2^exponent to the nearest double, ties
// to even, building the bits directly so that neither the floating-point unit's precision setting
// nor double rounding at the subnormal boundary can change the result. mantissa must not be zero.
static double ComposeBinary(uint64_t mantissa, bool sticky, int64_t exponent) {
  while ((mantissa >> 63) == 0) {
    mantissa <<= 1;
    --exponent;
  }
  int64_t lowest = exponent + 11;  // weight of the last bit a double keeps, 53 bits below the top
  if (lowest < -1074) lowest = -1074;
  const int64_t drop = lowest - exponent;         // at least 11
  if (drop > 64) return 0.0;                      // below half of the smallest subnormal
  const uint64_t rest = mantissa << (64 - drop);  // the dropped bits, left-aligned
  uint64_t kept = (mantissa >> 1) >> (drop - 1);
  const uint64_t half = uint64_t{1} << 63;
  if (rest > half || (rest == half && (sticky || (kept & 1) != 0))) ++kept;
  if (kept >> 53) {  // rounding carried into a new leading bit
    kept >>= 1;
    ++lowest;
  }
  uint64_t bits = kept;  // subnormal: the exponent field stays zero
  if (kept >> 52) {
    const int64_t biased = lowest + 1075;
    if (biased >= 0x7FF) return HUGE_VAL;
    bits = static_cast<uint64_t>(biased) << 52 | (kept & ((uint64_t{1} << 52) - 1));
  }
  double result;
  std::memcpy(&result, &bits, sizeof result);
  return result;
}

// 10^e by binary powers; e < 512. Every 10^e up to 10^27 comes out exact.
static long double PowerOfTen(unsigned e) {
  static const long double kBinaryPowers[] = {1e1L,  1e2L,  1e4L,   1e8L,  1e16L,
                                              1e32L, 1e64L, 1e128L, 1e256L};
  long double power = 1;
  for (unsigned i = 0; e != 0; ++i, e >>= 1) {
    if (e & 1) power *= kBinaryPowers[i];
  }
  return power;
}

// Reads base-10 or base-16 digits with at most one point, as mantissa * base^exponent. Only the
// first `limit` significant digits go into the mantissa; later ones before the point raise the
// exponent. Returns the first character that is not part of the digits.
static const char* ReadDigits(const char* p, int base, uint64_t* mantissa, int64_t* exponent,
                              bool* dropped_nonzero) {
  const int limit = base == 10 ? 19 : 16;  // as many as fit 64 bits
  int digits = 0;
  bool after_point = false;
  for (;; ++p) {
    if (*p == '.' && !after_point) {
      after_point = true;
      continue;
    }
    const int digit = HexValue(*p);
    if (digit < 0 || digit >= base) return p;
    if (digits < limit) {
      if (digits > 0 || digit != 0) {
        *mantissa = *mantissa * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        ++digits;
      }
      if (after_point) --*exponent;
    } else {
      if (!after_point) ++*exponent;
      *dropped_nonzero |= digit != 0;
    }
  }
}

// value = mantissa * 10^exponent, mantissa nonzero and below 10^19.
static double DecimalToDouble(uint64_t mantissa, int64_t exponent, bool dropped_nonzero) {
  // Trailing zeros may sit in either part; move them so that both parts fit a double exactly.
  if (!dropped_nonzero) {
    for (; mantissa % 10 == 0; mantissa /= 10) ++exponent;
  }
  for (; exponent > 22 && mantissa <= (uint64_t{1} << 53) / 10; mantissa *= 10) --exponent;
  // Digits and power of ten both exact as doubles: one rounding, the correct one.
  if (mantissa <= uint64_t{1} << 53 && exponent >= -22 && exponent <= 22) {
    const int64_t ten_exponent = exponent < 0 ? -exponent : exponent;
    const double power = static_cast<double>(PowerOfTen(static_cast<unsigned>(ten_exponent)));
    const double digits_value = static_cast<double>(mantissa);
    return exponent < 0 ? digits_value / power : digits_value * power;
  }
  // 1 <= mantissa < 10^19 bounds what is left to 10^-343 .. 10^308.
  if (exponent > 308) return HUGE_VAL;
  if (exponent < -343) return 0.0;
  const long double digits_value = static_cast<long double>(mantissa);
  const long double magnitude = exponent < 0
                                    ? digits_value / PowerOfTen(static_cast<unsigned>(-exponent))
                                    : digits_value * PowerOfTen(static_cast<unsigned>(exponent));
  // From halfway between DBL_MAX and 2^1024 on, the nearest double is infinity; below it the
  // conversion is in range.
  if (magnitude >= 0x1.fffffffffffff8p1023L) return HUGE_VAL;
  return static_cast<double>(magnitude);
}

// Past an exponent's tail (after 'e' or 'p'), or `p` itself when the tail has no digit.
static const char* ExponentEnd(const char* p) {
  const char* q = *p == '-' || *p == '+' ? p + 1 : p;
  if (!IsDigit(*q)) return p - 1;  // the 'e' or 'p' is not part of the number either
  while (IsDigit(*q)) ++q;
  return q;
}

// Past "(chars)" after "nan", or `p` itself when there is no closed group of such characters.
static const char* NanTailEnd(const char* p) {
  if (*p != '(') return p;
  const char* q = p + 1;
  while (IsDigit(*q) || ((*q | 0x20) >= 'a' && (*q | 0x20) <= 'z') || *q == '_') ++q;
  return *q == ')' ? q + 1 : p;
}

double ParseDecimalAtof(const char* text) { return ParseDecimalPrefix(text, nullptr); }

double ParseDecimalPrefix(const char* text, size_t* length) {
  if (length != nullptr) *length = 0;
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  double magnitude = 0.0;
  // "0x" without a hexadecimal digit after it is the number 0 followed by other text.
  const bool hexadecimal = p[0] == '0' && (p[1] | 0x20) == 'x' &&
                           (HexValue(p[2]) >= 0 || (p[2] == '.' && HexValue(p[3]) >= 0));
  const char* end = p;
  if (StartsWithWord(p, "inf")) {
    magnitude = HUGE_VAL;  // "infinity" reads the same
    end = StartsWithWord(p + 3, "inity") ? p + 8 : p + 3;
  } else if (StartsWithWord(p, "nan")) {
    magnitude = NAN;
    end = NanTailEnd(p + 3);
  } else if (hexadecimal || IsDigit(p[0]) || (p[0] == '.' && IsDigit(p[1]))) {
    uint64_t mantissa = 0;
    int64_t exponent = 0;
    bool dropped_nonzero = false;
    p = ReadDigits(hexadecimal ? p + 2 : p, hexadecimal ? 16 : 10, &mantissa, &exponent,
                   &dropped_nonzero);
    if (hexadecimal) exponent *= 4;
    end = p;
    if ((*p | 0x20) == (hexadecimal ? 'p' : 'e')) {
      exponent += ReadExponent(p + 1);
      end = ExponentEnd(p + 1);
    }
    if (mantissa != 0) {
      magnitude = hexadecimal ? ComposeBinary(mantissa, dropped_nonzero, exponent)
                              : DecimalToDouble(mantissa, exponent, dropped_nonzero);
    }
  } else {
    return 0.0;  // no number, so the sign is not part of one either
  }
  if (length != nullptr) *length = static_cast<size_t>(end - text);
  return negative ? -magnitude : magnitude;
}
