#include "core/number_format.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "core/text.h"

namespace qz {

NumberFormat NumberFormat::User() {
  NumberFormat nf;
  wchar_t buf[16] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 16) > 1) nf.Decimal = Narrow(buf);
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buf, 16) > 0) nf.Thousands = Narrow(buf);
  return nf;
}

std::string FormatExponent(double v, int digits, const NumberFormat& nf) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits > 1 ? digits - 1 : 0, v);
  std::string s = buf;
  size_t e = s.find('e');
  std::string mant = s.substr(0, e);
  int exp = std::atoi(s.c_str() + e + 1);
  if (mant.find('.') != std::string::npos) {
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    if (!mant.empty() && mant.back() == '.') mant.pop_back();
  }
  size_t dot = mant.find('.');
  if (dot != std::string::npos) mant.replace(dot, 1, nf.Decimal);
  return mant + "E" + std::to_string(exp);
}

std::string FormatFixed(double v, int decimals, const NumberFormat& nf, bool separators) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  size_t dot = s.find('.');
  std::string intPart = dot == std::string::npos ? s : s.substr(0, dot);
  std::string frac = dot == std::string::npos ? std::string() : s.substr(dot + 1);
  bool neg = !intPart.empty() && intPart[0] == '-';
  if (neg) intPart.erase(0, 1);
  if (separators && !nf.Thousands.empty()) {
    std::string grouped;
    int count = 0;
    for (size_t i = intPart.size(); i-- > 0;) {
      grouped.insert(grouped.begin(), intPart[i]);
      if (++count % 3 == 0 && i > 0) grouped.insert(0, nf.Thousands);
    }
    intPart = grouped;
  }
  std::string out = (neg ? "-" : "") + intPart;
  if (!frac.empty()) out += nf.Decimal + frac;
  return out;
}

}  // namespace qz
