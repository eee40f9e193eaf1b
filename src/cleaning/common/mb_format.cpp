#include "cleaning/common/mb_format.h"

#include <cmath>

namespace qz::cleaning {

namespace {

std::string MBText(int64_t bytes, int decimals, const NumberFormat& nf, bool separators) {
  const double mb = static_cast<double>(bytes) / 1048576.0;
  const double scale = std::pow(10.0, decimals);
  const double shown = std::round(mb * scale) / scale;
  if (std::fabs(shown) >= 10000.0) return FormatExponent(mb, 4, nf);
  return FormatFixed(mb, decimals, nf, separators);
}

}  // namespace

std::string FormatMB(int64_t bytes, const NumberFormat& nf) { return MBText(bytes, 3, nf, true); }
std::string FormatMBSummary(int64_t bytes, const NumberFormat& nf) { return MBText(bytes, 2, nf, false); }

}  // namespace qz::cleaning
