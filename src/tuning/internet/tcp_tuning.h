// The Internet Tuner's TCP/IP and browser-connection values: reading them,
// the device presets, writing them with an undo file first, and the reset to
// the Windows defaults. No window code: the manual dialog only edits a
// TcpSettings record.
//
// The places, by family (IsNT of the core; 1 for every NT system):
//
//   value                 NT family                          9x family
//   HTTP 1.1 / 1.0        HKCU Internet Settings, DWORD "MaxConnectionsPerServer" / "MaxConnectionsPer1_0Server"
//   MTU                   every sub-key of Tcpip\Parameters\    every sub-key of Class\NetTrans,
//                         Interfaces (or that key itself when   DWORD "MaxMTU" and DWORD "MaxMSS" (MTU-40)
//                         it has none), DWORD "MTU"
//   RWIN                  Tcpip\Parameters, DWORD                VxD\MSTCP, string "DefaultRcvWindow"
//                         "TcpWindowSize" + "GlobalMaxTcpWindowSize"
//   TTL                   Tcpip\Parameters, DWORD "DefaultTTL"   MSTCP, string "DefaultTTL"
//   path-MTU discovery    DWORD "EnablePMTUDiscovery" 1/0        string "PMTUDiscovery" "1"/"0"
//   black-hole detection  DWORD "EnablePMTUBHDetect"             string "PMTUBlackHoleDetect"
//   SACK                  DWORD "SackOpts"                       string "SackOpts"
//   RFC 1323 options      DWORD "Tcp1323Opts" 3 or 0             DWORD "Tcp1323Opts" 3 or 0 (MSTCP)
//
// A value that equals the Windows default (MTU 1500, RWIN 8760, TTL 32,
// HTTP 1.1 2, HTTP 1.0 4, or "Windows decides") is removed, not written; the
// four flags are always written. A flag that is missing reads as Windows'
// own default: path-MTU discovery and SACK on, black-hole detection off;
// "Tcp1323Opts" is on when it is not 0.
//
// Changing: every value the change touches is recorded in an undo file
// (AppDir\Backups\IT\<user>\<date name>.REG) before the first write; when
// the undo file cannot be started or a value cannot be recorded nothing is
// changed. Every write is checked (read back); the first that fails ends the
// change, and the undo file, closed then, covers every value written so far.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/stringlist.h"

namespace qz::it {

enum class TcpFamily { NT, Win9x };
// NT when the core's IsNT is set.
TcpFamily CurrentFamily();

struct TcpPlace {
  HKEY root = HKEY_LOCAL_MACHINE;
  std::string key;
};

// Where the values live; the real places by default, scratch keys in tests.
struct TcpPlaces {
  TcpPlace internetSettings;  // HKCU ...\CurrentVersion\Internet Settings
  TcpPlace tcpip;             // NT: SYSTEM\CurrentControlSet\Services\Tcpip\Parameters
  TcpPlace interfaces;        // NT: ...\Tcpip\Parameters\Interfaces
  TcpPlace mstcp;             // 9x: System\CurrentControlSet\Services\VxD\MSTCP
  TcpPlace netTrans;          // 9x: System\CurrentControlSet\Services\Class\NetTrans
  TcpPlace cacheSize;         // 9x: ...\VxD\NwLink\NDI\Params\Cachesize\Default (reset only)
  static TcpPlaces System();
};

enum class MtuChoice { Windows, Fixed };
enum class RwinChoice { Windows, Mss, Fixed };  // Mss: (MTU - 40) * 4
enum class TtlChoice { Windows, Fixed };

// A number of the record: the value as read (kept whole, whatever range the
// dialog's spin has) and whether it was set since the reading.
struct TcpNumber {
  int64_t value = 0;
  bool edited = false;
  void Set(int64_t v) {
    value = v;
    edited = true;
  }
};

// Windows' own values: nothing is written for them.
inline constexpr int64_t kDefaultMtu = 1500;
inline constexpr int64_t kDefaultRwin = 8760;
inline constexpr int64_t kDefaultTtl = 32;
inline constexpr int64_t kDefaultHttp11 = 2;
inline constexpr int64_t kDefaultHttp10 = 4;

// The values carried between reading, the dialog, the presets and the apply.
struct TcpSettings {
  MtuChoice mtuChoice = MtuChoice::Windows;
  TcpNumber mtu{kDefaultMtu};
  bool pmtuDiscovery = true;
  bool pmtuBlackHole = false;
  RwinChoice rwinChoice = RwinChoice::Windows;
  TcpNumber rwin{kDefaultRwin};
  bool tcp1323 = false;
  bool sack = true;
  TcpNumber http10{kDefaultHttp10};
  TcpNumber http11{kDefaultHttp11};
  TtlChoice ttlChoice = TtlChoice::Windows;
  TcpNumber ttl{kDefaultTtl};
};

enum class TcpPreset { Modem, Dsl, Lan };
// Sets the record as the device preset wants it (black-hole detection and
// SACK stay as they are).
void ApplyPreset(TcpSettings& s, TcpPreset preset);
// MTU, RWIN and TTL to "Windows decides" with their default numbers (the
// first step of the reset; HTTP and the flags stay).
void SetWindowsChoices(TcpSettings& s);

// One registry change of an apply: the value removed, or written as a DWORD
// or as a string.
struct TcpChange {
  enum class Kind { Remove, Dword, Text };
  HKEY root = HKEY_LOCAL_MACHINE;
  std::string key;
  std::string name;
  Kind kind = Kind::Remove;
  uint32_t number = 0;
  std::string text;
};

enum class ApplyOutcome {
  Applied,
  UndoFileNotStarted,  // "Error creating Backup-File!..."; nothing changed
  NotRecorded,         // a value could not be recorded; nothing changed
  WriteFailed,         // a write failed; what was written is in the undo file
};
struct ApplyResult {
  ApplyOutcome outcome = ApplyOutcome::Applied;
  // False when the undo file could not be closed after changes were made.
  bool undoFileClosed = true;
  std::string undoFile;
};

// The texts of the undo-file failures (English, not translated).
inline constexpr const char* kUndoFileNotStarted = "Error creating Backup-File!\rDisk full,corrupt or write-protected?";
inline constexpr const char* kUndoFileNotClosed = "Error closing Backup-File!\rBackup may be corrupt or incomplete!";
inline constexpr const char* kChangeFailed = "Error during backup! Disk full or insufficient access-rights to registry?";

class TcpTuner {
 public:
  explicit TcpTuner(TcpPlaces places = TcpPlaces::System());

  const TcpPlaces& Places() const { return places_; }

  // The network interfaces (AdapterList): NT the sub-keys of the Interfaces
  // key, 9x those of NetTrans.
  StringList ListNetworkInterfaces() const;
  // The registry state as a record; the MTU is read below the first adapter
  // (or from the MTU key itself when there is none).
  TcpSettings Read(const StringList& adapters) const;

  // The changes an apply of `s` makes, in order, one per value (the MTU
  // targets are listed anew).
  std::vector<TcpChange> PlanApply(const TcpSettings& s) const;
  // The reset's changes: the apply of `s` with the Windows choices, then the
  // removal of the HTTP values and of the flags.
  std::vector<TcpChange> PlanReset(const TcpSettings& s) const;

  // Writes the record, with an undo file first (see the top of this file).
  ApplyResult Apply(const TcpSettings& s);
  // Returns everything to the Windows defaults (s gets the Windows choices),
  // in one undo file; nothing is removed when the apply part is refused.
  ApplyResult Reset(TcpSettings& s);

  // Seams. The undo file's name for a base folder (the core's date name for
  // now by default), and one change done and checked (default: the core's
  // checked setters and RegRemoveValue).
  std::function<std::string(const std::string& base)> MakeUndoFileName;
  std::function<bool(const TcpChange& change)> Write;

 private:
  ApplyResult Change(const std::vector<TcpChange>& changes);

  TcpPlaces places_;
};

// The undo folder's base: AppDir + "\Backups\IT".
std::string TcpBackupBase();

}  // namespace qz::it
