// Byte counts shown as megabytes (bytes / 1,048,576), the one formatter of
// the result labels, summaries and result texts of every cleaner.
#pragma once

#include <cstdint>
#include <string>

#include "core/number_format.h"

namespace qz::cleaning {

using qz::NumberFormat;

// Result-window labels: thousands separators and 3 decimals; from 10000 MB
// on in exponent form with 4 significant digits ("1.235E4").
std::string FormatMB(int64_t bytes, const NumberFormat& nf = NumberFormat::User());
// Summaries and result texts: 2 decimals, no separators, exponent form from
// 10000 MB ("1234.56", "1.235E4").
std::string FormatMBSummary(int64_t bytes, const NumberFormat& nf = NumberFormat::User());

}  // namespace qz::cleaning
