#include "tuning/internet/tcp_tuning.h"

#include <optional>
#include <set>
#include <utility>

#include "core/globals.h"
#include "core/reg_backup.h"
#include "core/registry.h"
#include "core/text.h"

namespace qz::it {

namespace {

constexpr const char* kHttp11 = "MaxConnectionsPerServer";
constexpr const char* kHttp10 = "MaxConnectionsPer1_0Server";

// A value as a number: a DWORD as stored, a string holding a decimal number,
// a binary of at most 4 bytes (little-endian). Anything else, and a missing
// value, is no number.
std::optional<int64_t> NumberOf(const std::optional<RegRawValue>& v) {
  if (!v) return std::nullopt;
  switch (v->type) {
    case REG_DWORD:
      if (v->data.size() != 4) return std::nullopt;
      return static_cast<int64_t>(static_cast<uint32_t>(v->data[0]) | static_cast<uint32_t>(v->data[1]) << 8 |
                                  static_cast<uint32_t>(v->data[2]) << 16 |
                                  static_cast<uint32_t>(v->data[3]) << 24);
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::optional<int32_t> n = TryParseInt(Trim(RegValueText(*v)));
      if (!n) return std::nullopt;
      return *n;
    }
    case REG_BINARY: {
      if (v->data.empty() || v->data.size() > 4) return std::nullopt;
      uint32_t n = 0;
      for (size_t i = v->data.size(); i-- > 0;) n = n << 8 | v->data[i];
      return static_cast<int64_t>(n);
    }
    default:
      return std::nullopt;
  }
}

std::optional<int64_t> ReadNumber(const TcpPlace& p, const std::string& key, const char* name) {
  return NumberOf(RegReadRaw(p.root, key, name));
}

// The trimmed text of a value ("" when missing).
std::string ReadText(const TcpPlace& p, const std::string& key, const char* name) {
  std::optional<RegRawValue> v = RegReadRaw(p.root, key, name);
  return v ? Trim(RegValueText(*v)) : std::string();
}

// A switch: a readable number decides (1 is on; with nonZero anything but 0),
// a missing or unreadable value gives Windows' default.
bool ReadFlag(const TcpPlace& p, const char* name, bool windowsDefault, bool nonZero = false) {
  std::optional<int64_t> n = ReadNumber(p, p.key, name);
  if (!n) return windowsDefault;
  return nonZero ? *n != 0 : *n == 1;
}

std::string Lower(const TcpChange& c) {
  return std::to_string(reinterpret_cast<uintptr_t>(c.root)) + "|" + LowerAscii(c.key) + "|" + LowerAscii(c.name);
}

// The changes of one apply: one per value, a later change of a value
// replacing its earlier one in place.
class Plan {
 public:
  Plan() = default;
  explicit Plan(std::vector<TcpChange> changes) : changes_(std::move(changes)) {}
  void Remove(const TcpPlace& p, const std::string& key, const std::string& name) {
    Add({p.root, key, name, TcpChange::Kind::Remove, 0, {}});
  }
  void Dword(const TcpPlace& p, const std::string& key, const std::string& name, int64_t n) {
    Add({p.root, key, name, TcpChange::Kind::Dword, static_cast<uint32_t>(n), {}});
  }
  void Text(const TcpPlace& p, const std::string& key, const std::string& name, const std::string& text) {
    Add({p.root, key, name, TcpChange::Kind::Text, 0, text});
  }
  std::vector<TcpChange> Take() { return std::move(changes_); }

 private:
  void Add(TcpChange c) {
    for (TcpChange& old : changes_) {
      if (Lower(old) == Lower(c)) {
        old = std::move(c);
        return;
      }
    }
    changes_.push_back(std::move(c));
  }
  std::vector<TcpChange> changes_;
};

std::string OneOrZero(bool on) { return on ? "1" : "0"; }

}  // namespace

TcpFamily CurrentFamily() { return IsNT ? TcpFamily::NT : TcpFamily::Win9x; }

TcpPlaces TcpPlaces::System() {
  TcpPlaces p;
  p.internetSettings = {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"};
  p.tcpip = {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters"};
  p.interfaces = {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces"};
  p.mstcp = {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\MSTCP"};
  p.netTrans = {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\NetTrans"};
  p.cacheSize = {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\NwLink\\NDI\\Params\\Cachesize\\Default"};
  return p;
}

void ApplyPreset(TcpSettings& s, TcpPreset preset) {
  struct Row {
    MtuChoice mtuChoice;
    int64_t mtu;
    TtlChoice ttlChoice;
    int64_t ttl;
    int64_t rwin;
    bool pmtuDiscovery, tcp1323;
    int64_t http10, http11;
  };
  static const Row kModem{MtuChoice::Fixed, 576, TtlChoice::Windows, 32, 4288, true, false, 4, 2};
  static const Row kDsl{MtuChoice::Fixed, 1492, TtlChoice::Fixed, 128, 185856, false, true, 8, 4};
  static const Row kLan{MtuChoice::Windows, 1500, TtlChoice::Fixed, 64, 373760, false, true, 8, 4};
  const Row& r = preset == TcpPreset::Modem ? kModem : preset == TcpPreset::Dsl ? kDsl : kLan;
  s.mtuChoice = r.mtuChoice;
  s.mtu.Set(r.mtu);
  s.ttlChoice = r.ttlChoice;
  s.ttl.Set(r.ttl);
  s.rwinChoice = RwinChoice::Fixed;
  s.rwin.Set(r.rwin);
  s.pmtuDiscovery = r.pmtuDiscovery;
  s.tcp1323 = r.tcp1323;
  s.http10.Set(r.http10);
  s.http11.Set(r.http11);
}

void SetWindowsChoices(TcpSettings& s) {
  s.mtuChoice = MtuChoice::Windows;
  s.ttlChoice = TtlChoice::Windows;
  s.rwinChoice = RwinChoice::Windows;
  s.mtu.Set(kDefaultMtu);
  s.rwin.Set(kDefaultRwin);
  s.ttl.Set(kDefaultTtl);
}

std::string TcpBackupBase() { return AppDir + "\\Backups\\IT"; }

TcpTuner::TcpTuner(TcpPlaces places) : places_(std::move(places)) {
  MakeUndoFileName = [](const std::string& base) { return MakeBackupFileName(base); };
  Write = [](const TcpChange& c) {
    switch (c.kind) {
      case TcpChange::Kind::Remove: return RegRemoveValue(c.root, c.key, c.name);
      case TcpChange::Kind::Dword:
        return RegSetIntegerChecked(c.root, c.key, c.name, static_cast<int32_t>(c.number));
      case TcpChange::Kind::Text: return RegSetStringChecked(c.root, c.key, c.name, c.text);
    }
    return false;
  };
}

StringList TcpTuner::ListNetworkInterfaces() const {
  const TcpPlace& parent = CurrentFamily() == TcpFamily::NT ? places_.interfaces : places_.netTrans;
  return RegListSubKeys(parent.root, parent.key);
}

TcpSettings TcpTuner::Read(const StringList& adapters) const {
  const bool nt = CurrentFamily() == TcpFamily::NT;
  TcpSettings s;

  const TcpPlace& is = places_.internetSettings;
  if (std::optional<int64_t> n = ReadNumber(is, is.key, kHttp11)) s.http11.value = *n == 0 ? kDefaultHttp11 : *n;
  if (std::optional<int64_t> n = ReadNumber(is, is.key, kHttp10)) s.http10.value = *n == 0 ? kDefaultHttp10 : *n;

  const TcpPlace& mtuParent = nt ? places_.interfaces : places_.netTrans;
  const std::string mtuKey = adapters.empty() ? mtuParent.key : mtuParent.key + "\\" + adapters[0];
  if (nt) {
    std::optional<int64_t> n = ReadNumber(mtuParent, mtuKey, "MTU");
    if (n && *n != 0) {
      s.mtuChoice = MtuChoice::Fixed;
      s.mtu.value = *n;
    }
  } else {
    std::string text = ReadText(mtuParent, mtuKey, "MaxMTU");
    if (!text.empty()) {
      s.mtuChoice = MtuChoice::Fixed;
      s.mtu.value = StrToIntDef(text, kDefaultMtu);
    }
  }

  const TcpPlace& main = nt ? places_.tcpip : places_.mstcp;
  if (nt) {
    std::optional<int64_t> n = ReadNumber(main, main.key, "TcpWindowSize");
    if (n && *n != 0) {
      s.rwinChoice = RwinChoice::Fixed;
      s.rwin.value = *n;
    }
    if (std::optional<int64_t> ttl = ReadNumber(main, main.key, "DefaultTTL")) {
      s.ttlChoice = TtlChoice::Fixed;
      s.ttl.value = *ttl;
    }
  } else {
    std::string text = ReadText(main, main.key, "DefaultRcvWindow");
    if (!text.empty()) {
      s.rwinChoice = RwinChoice::Fixed;
      s.rwin.value = StrToIntDef(text, kDefaultRwin);
    }
    if (std::optional<int32_t> ttl = TryParseInt(ReadText(main, main.key, "DefaultTTL"))) {
      s.ttlChoice = TtlChoice::Fixed;
      s.ttl.value = *ttl;
    }
  }

  s.pmtuDiscovery = ReadFlag(main, nt ? "EnablePMTUDiscovery" : "PMTUDiscovery", true);
  s.pmtuBlackHole = ReadFlag(main, nt ? "EnablePMTUBHDetect" : "PMTUBlackHoleDetect", false);
  s.sack = ReadFlag(main, "SackOpts", true);
  s.tcp1323 = ReadFlag(main, "Tcp1323Opts", false, true);
  return s;
}

std::vector<TcpChange> TcpTuner::PlanApply(const TcpSettings& s) const {
  const bool nt = CurrentFamily() == TcpFamily::NT;
  Plan plan;

  const TcpPlace& is = places_.internetSettings;
  plan.Remove(is, is.key, kHttp11);
  plan.Remove(is, is.key, kHttp10);
  if (s.http11.value != kDefaultHttp11) plan.Dword(is, is.key, kHttp11, s.http11.value);
  if (s.http10.value != kDefaultHttp10) plan.Dword(is, is.key, kHttp10, s.http10.value);

  const int64_t mtu = s.mtu.value;
  const bool writeMtu = mtu != kDefaultMtu && s.mtuChoice == MtuChoice::Fixed;
  const TcpPlace& mtuParent = nt ? places_.interfaces : places_.netTrans;
  StringList targets;
  for (const std::string& sub : RegListSubKeys(mtuParent.root, mtuParent.key))
    targets.push_back(mtuParent.key + "\\" + sub);
  if (targets.empty()) targets.push_back(mtuParent.key);
  for (const std::string& key : targets) {
    if (nt) {
      plan.Remove(mtuParent, key, "MTU");
      if (writeMtu) plan.Dword(mtuParent, key, "MTU", mtu);
    } else {
      plan.Remove(mtuParent, key, "MaxMTU");
      plan.Remove(mtuParent, key, "MaxMSS");
      if (writeMtu) {
        plan.Dword(mtuParent, key, "MaxMSS", mtu - 40);
        plan.Dword(mtuParent, key, "MaxMTU", mtu);
      }
    }
  }

  const TcpPlace& main = nt ? places_.tcpip : places_.mstcp;
  const int64_t rwin = s.rwinChoice == RwinChoice::Mss ? (mtu - 40) * 4 : s.rwin.value;
  const bool writeRwin = rwin != kDefaultRwin && s.rwinChoice != RwinChoice::Windows;
  if (nt) {
    plan.Remove(main, main.key, "TcpWindowSize");
    plan.Remove(main, main.key, "GlobalMaxTcpWindowSize");
    if (writeRwin) {
      plan.Dword(main, main.key, "TcpWindowSize", rwin);
      plan.Dword(main, main.key, "GlobalMaxTcpWindowSize", rwin);
    }
  } else {
    plan.Remove(main, main.key, "DefaultRcvWindow");
    if (writeRwin) plan.Text(main, main.key, "DefaultRcvWindow", std::to_string(rwin));
  }

  plan.Remove(main, main.key, "DefaultTTL");
  if (s.ttl.value != kDefaultTtl && s.ttlChoice == TtlChoice::Fixed) {
    if (nt)
      plan.Dword(main, main.key, "DefaultTTL", s.ttl.value);
    else
      plan.Text(main, main.key, "DefaultTTL", std::to_string(s.ttl.value));
  }

  if (nt) {
    plan.Dword(main, main.key, "EnablePMTUDiscovery", s.pmtuDiscovery ? 1 : 0);
    plan.Dword(main, main.key, "EnablePMTUBHDetect", s.pmtuBlackHole ? 1 : 0);
    plan.Dword(main, main.key, "SackOpts", s.sack ? 1 : 0);
  } else {
    plan.Text(main, main.key, "PMTUDiscovery", OneOrZero(s.pmtuDiscovery));
    plan.Text(main, main.key, "PMTUBlackHoleDetect", OneOrZero(s.pmtuBlackHole));
    plan.Text(main, main.key, "SackOpts", OneOrZero(s.sack));
  }
  plan.Dword(main, main.key, "Tcp1323Opts", s.tcp1323 ? 3 : 0);
  return plan.Take();
}

std::vector<TcpChange> TcpTuner::PlanReset(const TcpSettings& s) const {
  TcpSettings defaults = s;
  SetWindowsChoices(defaults);
  Plan plan(PlanApply(defaults));
  const TcpPlace& is = places_.internetSettings;
  plan.Remove(is, is.key, kHttp11);
  plan.Remove(is, is.key, kHttp10);
  if (CurrentFamily() == TcpFamily::NT) {
    const TcpPlace& t = places_.tcpip;
    for (const char* name :
         {"EnablePMTUDiscovery", "EnablePMTUBHDetect", "SackOpts", "Tcp1323Opts", "GlobalMaxTcpWindowSize"})
      plan.Remove(t, t.key, name);
  } else {
    const TcpPlace& m = places_.mstcp;
    for (const char* name : {"PMTUDiscovery", "PMTUBlackHoleDetect", "SackOpts", "Tcp1323Opts"})
      plan.Remove(m, m.key, name);
    const TcpPlace& c = places_.cacheSize;
    if (!RegListValueNames(c.root, c.key).empty()) plan.Remove(c, c.key, "");
  }
  return plan.Take();
}

ApplyResult TcpTuner::Apply(const TcpSettings& s) { return Change(PlanApply(s)); }

ApplyResult TcpTuner::Reset(TcpSettings& s) {
  SetWindowsChoices(s);
  return Change(PlanReset(s));
}

ApplyResult TcpTuner::Change(const std::vector<TcpChange>& changes) {
  ApplyResult r;
  BackupBaseDir = TcpBackupBase();
  r.undoFile = MakeUndoFileName(BackupBaseDir);
  if (r.undoFile.empty() || !BeginRegistryBackup(r.undoFile)) {
    r.outcome = ApplyOutcome::UndoFileNotStarted;
    return r;
  }

  // Everything is recorded before the first write. A value of a key that
  // does not exist: a removal changes nothing there; a write creates the
  // key, which the undo file then deletes again.
  std::set<std::string> recorded, keysRecorded;
  for (const TcpChange& c : changes) {
    if (!recorded.insert(Lower(c)).second) continue;
    bool ok = true;
    if (RegHasKey(c.root, c.key)) {
      ok = BackupRegistryValue(c.root, c.key, c.name);
    } else if (c.kind != TcpChange::Kind::Remove) {
      TcpChange keyOnly = c;
      keyOnly.name.clear();
      if (keysRecorded.insert(Lower(keyOnly)).second) ok = BackupRegistryKey(c.root, c.key);
    }
    if (!ok) {
      EndRegistryBackup();
      DeleteFileW(Widen(r.undoFile).c_str());
      r.outcome = ApplyOutcome::NotRecorded;
      return r;
    }
  }

  for (const TcpChange& c : changes) {
    if (!Write(c)) {
      r.outcome = ApplyOutcome::WriteFailed;
      break;
    }
  }
  r.undoFileClosed = EndRegistryBackup();
  return r;
}

}  // namespace qz::it
