// Why a DLL copy is listed: each copy of a group (one file name) is compared
// with the reference copy in the Windows folders that a program of its own
// machine type would load, by size and by version number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cleaning/dll/dll_version.h"

namespace qz::dll {

// Reason codes; the result window has two lines of text for each.
enum DllReason : int {
  kReasonNone = 0,            // no active rule matched
  kReasonIdentical = 1,       // same size, number and text as the reference
  kReasonUnknownVersion = 2,  // no fixed version and no number in the text
  kReasonSameSize = 3,        // same size as the reference
  kReasonOlderOrEqual = 4,    // number <= the reference's
  kReasonNewer = 5,           // number > the reference's
  kReasonWindowsFolder = 6,   // lies directly in a Windows folder: a reference itself
};

// Where a copy lies: directly in one of the three Windows folders, or elsewhere.
enum class DllPlace : uint8_t { Elsewhere, WinDir, SysDir, Wow64Dir };
inline bool IsReferencePlace(DllPlace p) { return p != DllPlace::Elsewhere; }

// What classification needs of one copy.
struct DllCopy {
  DllPlace Place = DllPlace::Elsewhere;
  uint16_t Machine = 0;  // from the PE header; 0 when unknown
  int64_t Size = 0;
  DllVersion Number;
  std::string VersionText;  // as stored in the file
};

// The three comparison rules and whether the system has a 32-bit system folder.
struct DllRules {
  bool SameSize = false;
  bool SameVersion = true;
  bool Both = true;
  bool HasWow64Dir = false;
};

// The copy a member is compared with, or -1: on a 64-bit system an x86
// member's reference is the 32-bit system folder's copy, any other member's
// the system folder's; failing that, the Windows folder's. Only a copy of the
// member's own machine type counts.
int ReferenceFor(const std::vector<DllCopy>& copies, size_t member, bool hasWow64Dir);

// One reason per copy:
//  - a copy directly in a Windows folder: 6;
//  - a copy with an unknown version: 2, whatever the rules;
//  - no reference of its machine type: 0;
//  - otherwise, each matching rule overwriting the last: 3 same size
//    (SameSize), 4 or 5 by number (SameVersion), 1 same size, number and
//    text (Both); 0 when none matched.
std::vector<int> ClassifyGroup(const std::vector<DllCopy>& copies, const DllRules& rules);

// Red rows in the result list: unknown version, newer, in a Windows folder.
inline bool IsRiskyReason(int reason) {
  return reason == kReasonUnknownVersion || reason == kReasonNewer || reason == kReasonWindowsFolder;
}

}  // namespace qz::dll
