#include "clock_overlay/locale_free_number.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

// The reference results come from the C library itself. The test program runs in the "C" locale
// except inside the comma-locale test, which puts the previous locale back.

namespace {

uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

std::string Show(double value) {
  char text[80];
  std::snprintf(text, sizeof text, "%.17g (%a)", value, value);
  return text;
}

// Identical bits, or both NaN with the same sign (a NaN's payload is the implementation's choice).
bool SameDouble(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) {
    return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
  }
  return Bits(a) == Bits(b);
}

// Steps between two non-NaN doubles; infinity counts as the step after DBL_MAX.
uint64_t UlpDistance(double a, double b) {
  if (a == 0 && b == 0) return 0;
  if (std::signbit(a) != std::signbit(b)) return UINT64_MAX;
  const uint64_t x = Bits(a) & ~(uint64_t{1} << 63), y = Bits(b) & ~(uint64_t{1} << 63);
  return x > y ? x - y : y - x;
}

std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out += escape;
    }
  }
  return out.size() > 60 ? out.substr(0, 30) + "..." + out.substr(out.size() - 20) : out;
}

std::string OurFormat(double value) {
  char text[400];
  FormatDecimalF(text, sizeof text, value);
  return text;
}

std::string ReferenceFormat(double value) {
  char text[400];
  std::snprintf(text, sizeof text, "%f", value);
  return text;
}

std::string Repeat(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

// Inside the domain where the result must be the correctly rounded one: decimal text whose value is
// an integer up to 2^53 times a power of ten up to 22, all hexadecimal text, and every syntax path.
TEST(ParseDecimalAtof, MatchesStrtodBitForBit) {
  const std::vector<std::string> inputs = {
      // plain numbers and screen positions
      "0", "1", "89", "89.000000", "0.89", "50", "0.5", ".5", "5.", "-0.25", "+7.5", "1920",
      "1080.5", "0.1", "0.2", "0.3", "3.14159", "123456789.125", "9007199254740992",
      "9007199254740991.5e1", "4503599627370497.5", "1.5e22", "9007199254740993e-22", "1e30",
      "123e25", "1000000000000000e22", "7373e34", "83459e33", "4826135079e28", "63575271835336e24",
      "0.000001", "1e22", "1e-22",
      "1.50000000000000000000000", "89.0000000000000000000000000000000",
      "0.00000000000000000000000001e26",
      // whitespace and signs
      "  50", "\t\n\v\f\r 7", " -3", "\xa0" "5", "+-5", "--5", "- 5", "+ 5", "-.", "-.e1", "-x",
      "-in", "-0x", "+0xg",
      // where the number stops
      "12,5", "5.5.5", "..5", ".e1", "1e5e5", "1e", "1e+", "1e-", "1E2", "1e+2", "1e-2", "1.5e3x",
      "2e0", "7e+-1", "1e02", "3 4",
      // words
      "inf", "INF", "infinit", "infinity", "-Infinity", "+iNfInItY", "in", "nan", "-nan",
      "NaN(123)", "nan(", "nan()", "nAn(abc_12)", "na", "abc", "", "-", "+", ".",
      // hexadecimal
      "0x10", "0X1f", "0x", "0xg", "0x.", "0x.p1", "-0x", "0x1p-3", "0x.8", "0x1P+4", "0x1p",
      "0x1.p1", "0x1.8p1x", "0xABCdef", "0x.00000000000000000000001p0",
      "0x0000000000000000000001p0",
      "0x123456789abcdef0123p0", "0x1.00000000000008p0", "0x1.00000000000018p0",
      "0x1.000000000000080000001p0", "0x1.0000000000000800000000000000000000001p0",
      "0x1.fffffffffffff8p1023", "0x1.fffffffffffff7ffffp1023", "0x1p1024", "0x1p1023",
      "0x1p-1074", "0x1p-1075", "0x1.8p-1075", "0x1.0000000001p-1075", "0x1p-1076",
      "0x0.0000000000001p-1022", "0x1.ffffffffffffffffffffp-1023", "0x1.234p-1060", "0x1.239p-1060",
      "0x1p99999999999999999999", "0x1p-99999999999999999999", "-0x1p-1080",
      // huge and tiny exponents
      "1e309", "-1e309", "1e-400", "-1e-400", "1e99999999999", "1e-99999999999",
      "0e99999999999", "1e99999999999999999999999999", "0." + std::string(400, '0') + "1e400",
      "1" + std::string(400, '0') + "e-400", "-0", "-0.0e5", "0.0",
  };
  for (size_t i = 0; i < inputs.size(); ++i) {
    char* expectedEnd = nullptr;
    const double expected = std::strtod(inputs[i].c_str(), &expectedEnd);
    const double actual = ParseDecimalAtof(inputs[i].c_str());
    EXPECT_TRUE(SameDouble(expected, actual)) << "case " << i << " \"" << Printable(inputs[i])
                                              << "\": strtod " << Show(expected) << ", got "
                                              << Show(actual);
    size_t length = 99999;
    const double prefixed = ParseDecimalPrefix(inputs[i].c_str(), &length);
    EXPECT_TRUE(SameDouble(actual, prefixed)) << "case " << i << ": the two entry points disagree";
    EXPECT_EQ(length, static_cast<size_t>(expectedEnd - inputs[i].c_str()))
        << "case " << i << " \"" << Printable(inputs[i]) << "\": the number's length";
  }
}

// The values the standard defines for the awkward inputs, checked against strtod as well so that a
// wrong expectation here cannot hide.
TEST(ParseDecimalAtof, AwkwardInputsGiveTheStandardValues) {
  const double kNan = std::nan("");
  const struct {
    std::string text;
    double expected;
  } cases[] = {
      {"", 0.0},
      {"-", 0.0},
      {"+", 0.0},
      {".", 0.0},
      {"12,5", 12.0},
      {"abc", 0.0},
      {"  50", 50.0},
      {"1e309", HUGE_VAL},
      {"-1e309", -HUGE_VAL},
      {"nan", kNan},
      {"NaN(123)", kNan},
      {"-nan", -kNan},
      {"inf", HUGE_VAL},
      {"-Infinity", -HUGE_VAL},
      {"infinit", HUGE_VAL},
      {"-0", -0.0},
      {"0x10", 16.0},
      {"0x", 0.0},
      {"0x1p-3", 0.125},
      {"0x.8", 0.5},
      {"1e", 1.0},
      {"1e+", 1.0},
      {"1.5e3x", 1500.0},
      {Repeat("1234567890", 20), 1.2345678901234568e199},
      {"0." + std::string(400, '0') + "1", 0.0},
      {"4.9e-324", std::numeric_limits<double>::denorm_min()},
      {"2.4703282292062328e-324", std::numeric_limits<double>::denorm_min()},
      {"2.4703282292062327e-324", 0.0},
      {"2.2250738585072014e-308", DBL_MIN},
      {"1.7976931348623157e308", DBL_MAX},
      {"1.7976931348623158e308", DBL_MAX},
      {"1.7976931348623159e308", HUGE_VAL},
      {"-1.7976931348623159e308", -HUGE_VAL},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const char* text = cases[i].text.c_str();
    const double actual = ParseDecimalAtof(text);
    EXPECT_TRUE(SameDouble(cases[i].expected, actual))
        << "case " << i << " \"" << Printable(text) << "\": expected " << Show(cases[i].expected)
        << ", got " << Show(actual);
    EXPECT_TRUE(SameDouble(cases[i].expected, std::strtod(text, nullptr)))
        << "case " << i << ": the expectation disagrees with strtod";
  }
}

// Past the exactly rounded domain the result is computed in extended precision: within one step.
TEST(ParseDecimalAtof, LongOrFarDecimalsStayWithinAnUlpOfStrtod) {
  const std::vector<std::string> inputs = {
      Repeat("1234567890", 20),
      Repeat("9", 200),
      Repeat("9", 200) + "e-400",
      "0." + Repeat("3", 300),
      "123456789012345678901234567890",
      "123456789012345678901234567890e-29",
      "0.1234567890123456789",
      "9007199254740993",
      "9007199254740993.00000000000000000001",
      "1.0000000000000002220446049250313080847263336181640625",
      "1.00000000000000011102230246251565404236316680908203125",
      "3.0e-310",
      "1.23456789e-320",
      "6.02214076e23",
      "1.7976931348623157e308",
      "2.2250738585072011e-308",
      "8.98846567431158e307",
      "1e23",
      "5e-324",
  };
  for (size_t i = 0; i < inputs.size(); ++i) {
    const double expected = std::strtod(inputs[i].c_str(), nullptr);
    const double actual = ParseDecimalAtof(inputs[i].c_str());
    EXPECT_LE(UlpDistance(expected, actual), 1u)
        << "case " << i << " \"" << Printable(inputs[i]) << "\": strtod " << Show(expected)
        << ", got " << Show(actual);
  }
}

// Digit strings and powers of ten that are exact doubles, with the point anywhere in the digits.
TEST(ParseDecimalAtof, GeneratedExactlyRoundedCasesMatchStrtod) {
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t digits = random() >> (11 + random() % 50);  // up to 2^53 - 1
    std::string text = std::to_string(digits);
    // The point sits `decimals` places from the right; the exponent makes the power of ten `power`.
    const int decimals = static_cast<int>(random() % (text.size() + 1));
    const int power = static_cast<int>(random() % 45) - 22;
    text.insert(text.size() - decimals, ".");
    text = (random() & 1 ? "-" : "") + text + "e" + std::to_string(power + decimals);
    const double expected = std::strtod(text.c_str(), nullptr);
    const double actual = ParseDecimalAtof(text.c_str());
    ASSERT_TRUE(SameDouble(expected, actual))
        << "case " << i << " \"" << text << "\": strtod " << Show(expected) << ", got "
        << Show(actual);
  }
}

// Random digit strings of any length and exponents across the whole range, and the 17-digit
// text of random doubles, subnormals included.
TEST(ParseDecimalAtof, GeneratedDecimalsStayWithinAnUlpOfStrtod) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 40000; ++i) {
    std::string text;
    if (i % 2 == 0) {
      const int count = 1 + static_cast<int>(random() % 30);
      for (int k = 0; k < count; ++k) text += static_cast<char>('0' + random() % 10);
      text.insert(text.begin() + static_cast<long>(random() % (count + 1)), '.');
      text += "e" + std::to_string(static_cast<int>(random() % 680) - 360);
    } else {
      double value;
      uint64_t bits = random();
      if (i % 16 == 1) bits &= ~(uint64_t{0x7FF} << 52);  // subnormal
      std::memcpy(&value, &bits, sizeof value);
      if (!std::isfinite(value)) continue;
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.17g", value);
      text = buffer;
    }
    const double expected = std::strtod(text.c_str(), nullptr);
    const double actual = ParseDecimalAtof(text.c_str());
    ASSERT_LE(UlpDistance(expected, actual), 1u)
        << "case " << i << " \"" << text << "\": strtod " << Show(expected) << ", got "
        << Show(actual);
  }
}

// Random text from the characters the grammar cares about, to reach every way a number can stop.
TEST(ParseDecimalAtof, GeneratedTextStopsWhereStrtodStops) {
  const std::string alphabet =
      "0123456789012345678901234567890123456789..eE+-xXpPaAfFiInNtTyY() \t_";
  std::mt19937_64 random(99);
  for (int i = 0; i < 50000; ++i) {
    std::string text;
    const int length = 1 + static_cast<int>(random() % 24);
    for (int k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
    char* expectedEnd = nullptr;
    const double expected = std::strtod(text.c_str(), &expectedEnd);
    size_t used = 99999;
    const double actual = ParseDecimalPrefix(text.c_str(), &used);
    const bool same = std::isnan(expected) || std::isnan(actual)
                          ? SameDouble(expected, actual)
                          : UlpDistance(expected, actual) <= 1;
    ASSERT_TRUE(same) << "case " << i << " \"" << Printable(text) << "\": strtod " << Show(expected)
                      << ", got " << Show(actual);
    ASSERT_EQ(used, static_cast<size_t>(expectedEnd - text.c_str()))
        << "case " << i << " \"" << Printable(text) << "\": where the number stops";
  }
}

// A settings reader keeps positions as float; the narrowed value must be the one strtod gives.
TEST(ParseDecimalAtof, ScreenPositionsNarrowToTheSameFloat) {
  const char* inputs[] = {"89", "0.89", "0.01", "0.3", "89.000000", "0.890000", "1919.999",
                          "0.333333", "-12.75", "3.4028235e38", "1.4e-45", "0.1e1", "16777217"};
  for (size_t i = 0; i < std::size(inputs); ++i) {
    const float expected = static_cast<float>(std::strtod(inputs[i], nullptr));
    const float actual = static_cast<float>(ParseDecimalAtof(inputs[i]));
    EXPECT_EQ(expected, actual) << "case " << i << " \"" << inputs[i] << "\"";
  }
}

TEST(FormatDecimalF, KnownTexts) {
  const struct {
    double value;
    const char* expected;
  } cases[] = {
      {89.0, "89.000000"},
      {1.0, "1.000000"},
      {0.0, "0.000000"},
      {-0.0, "-0.000000"},
      {0.5, "0.500000"},
      {1e-7, "0.000000"},
      {-1e-7, "-0.000000"},
      {123456789.125, "123456789.125000"},
      {1e14, "100000000000000.000000"},
      {0.0078125, "0.007812"},   // exactly halfway: ties go to the even digit
      {0.0234375, "0.023438"},
      {1048576 - std::ldexp(1.0, -21), "1048576.000000"},  // rounding carries into the integer
      {std::ldexp(1.0, 64), "18446744073709551616.000000"},
      {HUGE_VAL, "inf"},
      {-HUGE_VAL, "-inf"},
      {std::nan(""), "nan"},
      {-std::nan(""), "-nan"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].expected, OurFormat(cases[i].value))
        << "case " << i << " value " << Show(cases[i].value);
    EXPECT_EQ(cases[i].expected, ReferenceFormat(cases[i].value))
        << "case " << i << ": the expectation disagrees with snprintf";
  }
}

TEST(FormatDecimalF, MatchesSnprintf) {
  const double values[] = {
      89.0, 0.89, 0.01, 0.0000005, -0.0000005, 0.0000015, 0.0000025, 2.5e-7, 2.5000000000000004e-7,
      4.9999999999999998e-7, 5.0000000000000008e-7, 0.9999995, 0.99999949999, 0.1, 0.3, 1.0 / 3,
      123456.1234565, 1e15, 1e16, 9007199254740993.0, 1e17, 1e22, 1e23, 1e100, 1e300, DBL_MAX,
      -DBL_MAX, DBL_MIN, std::numeric_limits<double>::denorm_min(), std::ldexp(1.0, -21),
      std::ldexp(1.0, -22), std::ldexp(3.0, -23), std::ldexp(1.0, -74), std::ldexp(1.0, 63) + 2048,
      4294967295.5, 4294967296.0000005,
  };
  for (size_t i = 0; i < std::size(values); ++i) {
    EXPECT_EQ(ReferenceFormat(values[i]), OurFormat(values[i]))
        << "case " << i << " value " << Show(values[i]);
  }
}

// Random bit patterns over the whole range, and values with few binary fraction digits, where the
// sixth decimal is often exactly halfway.
TEST(FormatDecimalF, GeneratedValuesMatchSnprintf) {
  std::mt19937_64 random(42);
  for (int i = 0; i < 60000; ++i) {
    double value;
    if (i % 3 == 0) {
      const uint64_t bits = random();
      std::memcpy(&value, &bits, sizeof value);
    } else if (i % 3 == 1) {
      value = std::ldexp(static_cast<double>(static_cast<int64_t>(random() >> 20) - (1ll << 43)),
                         -static_cast<int>(random() % 30));
    } else {
      value = std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 90));
    }
    ASSERT_EQ(ReferenceFormat(value), OurFormat(value)) << "case " << i << " value " << Show(value);
  }
}

// Each case writes into a sentinel-filled buffer; everything past what snprintf would write must
// be left alone.
TEST(FormatDecimalF, StaysInsideTheBuffer) {
  const struct {
    double value;
    unsigned size;
    const char* written;  // before the terminating NUL; nullptr: nothing written at all
  } cases[] = {
      {89.0, 0, nullptr},   {89.0, 1, ""},          {89.0, 5, "89.0"},
      {89.0, 9, "89.00000"}, {89.0, 10, "89.000000"}, {89.0, 24, "89.000000"},
      {-HUGE_VAL, 3, "-i"}, {-std::nan(""), 5, "-nan"}, {-1e300, 9, "-1000000"},
      {-0.0, 2, "-"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    FormatDecimalF(buffer, cases[i].size, cases[i].value);
    std::string expected(sizeof buffer, '#');
    if (cases[i].written != nullptr) {
      expected.replace(0, std::strlen(cases[i].written) + 1,
                       std::string(cases[i].written) + std::string(1, '\0'));
    }
    EXPECT_EQ(Printable(expected), Printable(std::string(buffer, sizeof buffer)))
        << "case " << i << " size " << cases[i].size << " value " << Show(cases[i].value);
  }
}

// Saves the process locale and puts it back, also when an assertion ends the test early.
class LocaleRestorer {
 public:
  LocaleRestorer() : saved_(std::setlocale(LC_ALL, nullptr)) {}
  ~LocaleRestorer() { std::setlocale(LC_ALL, saved_.c_str()); }

 private:
  std::string saved_;
};

TEST(LocaleIndependence, CommaDecimalLocaleChangesNeitherFunction) {
  LocaleRestorer restorer;
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
      << "the de_DE.UTF-8 locale is not installed; this test needs Debian's locales-all package";
  // Without a comma-decimal C library this test would show nothing.
  ASSERT_EQ(ReferenceFormat(89.0), "89,000000");
  ASSERT_EQ(std::strtod("12,5", nullptr), 12.5);

  EXPECT_EQ(OurFormat(89.0), "89.000000");
  EXPECT_EQ(OurFormat(-0.0078125), "-0.007812");
  EXPECT_EQ(ParseDecimalAtof("12.5"), 12.5);
  EXPECT_EQ(ParseDecimalAtof("12,5"), 12.0);
  EXPECT_EQ(ParseDecimalAtof("0.89"), 0.89);
  EXPECT_EQ(ParseDecimalAtof("0x1.8p1"), 3.0);
  EXPECT_EQ(ParseDecimalAtof(Repeat("1234567890", 3).insert(1, ".").c_str()), 1.2345678901234567);
}

}  // namespace
