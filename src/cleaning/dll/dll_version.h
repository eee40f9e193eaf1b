// Version numbers of DLL copies, compared as numbers: four parts, the most
// significant first. The fixed version of the version resource is the number
// of a copy; a copy without one takes the leading numbers of its version text.
// A copy with neither has an unknown version, which counts lower than any
// known one. The texts themselves are only shown (in the cut form below) and
// compared for equality.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cleaning/dll/pe_version.h"

namespace qz::dll {

struct DllVersion {
  bool Known = false;
  uint32_t Parts[4] = {};
};

DllVersion VersionFromFixed(const uint16_t (&fixed)[4]);
// The leading numbers of a text, up to four, separated by "." or "," with
// blanks ignored: "6, 0, 2800, 1106" is 6.0.2800.1106, "4.71 Build 3110" is
// 4.71.0.0, "5.1 (x.1)" is 5.1.0.0. Missing parts are 0. A text that does not
// begin with a number (after blanks) is unknown.
DllVersion ParseVersionText(std::string_view text);
// The fixed version when the file has one, else the text's numbers.
DllVersion VersionOf(const PeVersionInfo& info);
// < 0, 0 or > 0; an unknown version is lower than every known one and equal
// to another unknown one.
int CompareVersions(const DllVersion& a, const DllVersion& b);
// "a.b.c.d" of a known version; "" otherwise.
std::string VersionNumberText(const DllVersion& v);

// The version text as the result list shows it: every "," becomes ".", the
// text is cut before a "(" and after the blank of a " B" (" Build ..."),
// trimmed. "5.1.2600.0 (xpclient.010817-1148)" -> "5.1.2600.0",
// "6, 0, 2800, 1106" -> "6. 0. 2800. 1106", "4.71 Build 3110" -> "4.71".
std::string VersionDisplayText(std::string_view text);

}  // namespace qz::dll
