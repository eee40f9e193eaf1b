// A service's start type in the registry: the DWORD "Start" of
// <services key>\<service name> (2 automatic, 3 manual, 4 disabled).
#pragma once

#include <windows.h>

#include <string>

namespace qz::nq {

inline constexpr int kStartAutomatic = 2;
inline constexpr int kStartManual = 3;
inline constexpr int kStartDisabled = 4;

// Where the services are: HKLM "SYSTEM\CurrentControlSet\Services" by
// default, a scratch key in tests.
struct ServicesKey {
  HKEY root = HKEY_LOCAL_MACHINE;
  std::string path = "SYSTEM\\CurrentControlSet\\Services";
};

// 2, 3 or 4 as stored; any other value, a missing value and a missing key
// give 0.
int GetServiceStartType(const ServicesKey& services, const std::string& service);
// Writes "Start" in place as a DWORD through the checked setter (the key's
// other values stay). Nothing for a start type other than 2, 3 or 4, and
// nothing when the service's key does not exist (it is never created).
// True when the value reads back as written.
bool SetServiceStartType(const ServicesKey& services, const std::string& service, int startType);

}  // namespace qz::nq
