// Numbers as the user reads them: the locale's decimal and thousands
// separators, fixed-point texts and the short exponent form of large numbers.
#pragma once

#include <string>

namespace qz {

struct NumberFormat {
  std::string Decimal = ".";
  std::string Thousands = ",";
  static NumberFormat User();  // the user's locale
};

// "1.235E4" (4 significant digits), "1.23E3" (3): the mantissa rounded to
// `digits` significant digits with its trailing zeros dropped, the exponent
// without sign or leading zeros ("1E5").
std::string FormatExponent(double v, int digits, const NumberFormat& nf);
// v with exactly `decimals` decimals, thousands grouped when asked.
std::string FormatFixed(double v, int decimals, const NumberFormat& nf, bool separators);

}  // namespace qz
