// The TCP/IP engine on scratch places, for both families: reading, the exact
// registry after each preset and after the reset, the defaults that write
// nothing, the undo file (its lines and a restore through the registry
// editor), and the refusals: an undo file that cannot be started, a value
// that cannot be recorded, a write that fails.
#include <set>

#include "core/stringlist.h"
#include "tuning/internet/it_fixture.h"

namespace qz::it::test {
namespace {

class TcpEngine : public TcpTest {
 protected:
  // Every value below the scratch key as "Sub\Key|Name=dword N" or "=text T".
  std::set<std::string> Values() {
    std::set<std::string> out;
    Collect(scratch.key(), "", out);
    return out;
  }
  void Collect(const std::string& key, const std::string& rel, std::set<std::string>& out) {
    for (const RegNamedValue& v : RegListValues(HKEY_CURRENT_USER, key)) {
      RegRawValue raw{v.type, v.data};
      std::string shown = v.type == REG_DWORD ? "dword " + RegValueText(raw) : "text " + RegValueText(raw);
      out.insert(rel + "|" + v.name + "=" + shown);
    }
    for (const std::string& sub : RegListSubKeys(HKEY_CURRENT_USER, key))
      Collect(key + "\\" + sub, rel.empty() ? sub : rel + "\\" + sub, out);
  }
};

using Set = std::set<std::string>;

// A record in one line: "mtu W1500 rwin F2000000 ttl W32 http 2/4 flags pmtu bh sack 1323"
// (W: Windows decides, F: fixed, M: (MTU-40)*4; a flag that is off is left out).
std::string Shown(const TcpSettings& s) {
  auto choice = [](bool fixed, bool mss = false) { return fixed ? "F" : mss ? "M" : "W"; };
  std::string t = std::string("mtu ") + choice(s.mtuChoice == MtuChoice::Fixed) + std::to_string(s.mtu.value) +
                  " rwin " + choice(s.rwinChoice == RwinChoice::Fixed, s.rwinChoice == RwinChoice::Mss) +
                  std::to_string(s.rwin.value) + " ttl " + choice(s.ttlChoice == TtlChoice::Fixed) +
                  std::to_string(s.ttl.value) + " http " + std::to_string(s.http11.value) + "/" +
                  std::to_string(s.http10.value) + " flags";
  if (s.pmtuDiscovery) t += " pmtu";
  if (s.pmtuBlackHole) t += " bh";
  if (s.sack) t += " sack";
  if (s.tcp1323) t += " 1323";
  return t;
}

TEST_F(TcpEngine, ReadingNt) {
  CleanSystem(true);
  TcpTuner t = Tuner();
  ASSERT_EQ(t.ListNetworkInterfaces(), StringList{"{ADAPTER-1}"});
  auto read = [&] { return Shown(t.Read(t.ListNetworkInterfaces())); };

  // Nothing there: Windows decides everything; missing flags are Windows' own.
  EXPECT_EQ(read(), "mtu W1500 rwin W8760 ttl W32 http 2/4 flags pmtu sack");

  // Present values, out of every dialog range, are kept whole.
  SetDword(places.interfaces, "MTU", 9000, "{ADAPTER-1}");
  SetDword(places.tcpip, "TcpWindowSize", 2000000);
  SetDword(places.tcpip, "DefaultTTL", 300);
  SetDword(places.internetSettings, "MaxConnectionsPerServer", 100);
  SetDword(places.internetSettings, "MaxConnectionsPer1_0Server", 0);  // 0 reads as the default
  SetDword(places.tcpip, "EnablePMTUDiscovery", 0);
  SetDword(places.tcpip, "EnablePMTUBHDetect", 1);
  SetDword(places.tcpip, "SackOpts", 0);
  SetDword(places.tcpip, "Tcp1323Opts", 1);
  EXPECT_EQ(read(), "mtu F9000 rwin F2000000 ttl F300 http 100/4 flags bh 1323");
  EXPECT_FALSE(t.Read(t.ListNetworkInterfaces()).mtu.edited);

  // A non-numeric string or a long binary where a DWORD belongs reads as
  // absent; a decimal string is a number.
  SetText(places.tcpip, "DefaultTTL", "sixty-four");
  SetText(places.tcpip, "SackOpts", "yes");
  const uint8_t eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(RegWriteRaw(HKEY_CURRENT_USER, places.tcpip.key, "TcpWindowSize", REG_BINARY, eight, 8));
  ASSERT_TRUE(RegWriteRaw(HKEY_CURRENT_USER, places.tcpip.key, "EnablePMTUDiscovery", REG_BINARY, eight, 8));
  SetText(places.tcpip, "Tcp1323Opts", "3");
  EXPECT_EQ(read(), "mtu F9000 rwin W8760 ttl W32 http 100/4 flags pmtu bh sack 1323");

  // Without an Interfaces key there is no adapter and the MTU is read from
  // the Interfaces key itself.
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, places.interfaces.key));
  EXPECT_TRUE(t.ListNetworkInterfaces().empty());
  SetDword(places.interfaces, "MTU", 1400);
  EXPECT_EQ(read(), "mtu F1400 rwin W8760 ttl W32 http 100/4 flags pmtu bh sack 1323");
}

TEST_F(TcpEngine, Reading9x) {
  CleanSystem(false);
  TcpTuner t = Tuner();
  ASSERT_EQ(t.ListNetworkInterfaces(), StringList{"0000"});
  auto read = [&] { return Shown(t.Read(t.ListNetworkInterfaces())); };
  EXPECT_EQ(read(), "mtu W1500 rwin W8760 ttl W32 http 2/4 flags pmtu sack");

  const TcpPlace adapter{HKEY_CURRENT_USER, places.netTrans.key + "\\0000"};
  SetText(adapter, "MaxMTU", " 1492 ");
  SetText(places.mstcp, "DefaultRcvWindow", "64240");
  SetText(places.mstcp, "DefaultTTL", "128");
  SetText(places.mstcp, "PMTUDiscovery", "0");
  SetText(places.mstcp, "PMTUBlackHoleDetect", "1");
  SetText(places.mstcp, "SackOpts", "0");
  SetDword(places.mstcp, "Tcp1323Opts", 3);
  EXPECT_EQ(read(), "mtu F1492 rwin F64240 ttl F128 http 2/4 flags bh 1323");

  // Texts that are no numbers: MTU and RWIN fixed at their defaults, the TTL left to Windows.
  SetText(adapter, "MaxMTU", "auto");
  SetText(places.mstcp, "DefaultRcvWindow", "big");
  SetText(places.mstcp, "DefaultTTL", "x");
  EXPECT_EQ(read(), "mtu F1500 rwin F8760 ttl W32 http 2/4 flags bh 1323");
}

// The whole registry below the places after each preset on a clean system.
TEST_F(TcpEngine, PresetsWriteExactlyTheirValues) {
  struct Case {
    bool nt;
    TcpPreset preset;
    Set values;
  };
  const std::string a = "Tcpip\\Parameters\\Interfaces\\{ADAPTER-1}";
  const std::string p = "Tcpip\\Parameters";
  const std::string m = "VxD\\MSTCP";
  const std::string n = "Class\\NetTrans\\0000";
  const std::string is = "Internet Settings";
  const Case cases[] = {
      {true, TcpPreset::Modem,
       {a + "|MTU=dword 576", p + "|TcpWindowSize=dword 4288", p + "|GlobalMaxTcpWindowSize=dword 4288",
        p + "|EnablePMTUDiscovery=dword 1", p + "|EnablePMTUBHDetect=dword 0", p + "|SackOpts=dword 1",
        p + "|Tcp1323Opts=dword 0"}},
      {true, TcpPreset::Dsl,
       {is + "|MaxConnectionsPerServer=dword 4", is + "|MaxConnectionsPer1_0Server=dword 8", a + "|MTU=dword 1492",
        p + "|TcpWindowSize=dword 185856", p + "|GlobalMaxTcpWindowSize=dword 185856", p + "|DefaultTTL=dword 128",
        p + "|EnablePMTUDiscovery=dword 0", p + "|EnablePMTUBHDetect=dword 0", p + "|SackOpts=dword 1",
        p + "|Tcp1323Opts=dword 3"}},
      {true, TcpPreset::Lan,
       {is + "|MaxConnectionsPerServer=dword 4", is + "|MaxConnectionsPer1_0Server=dword 8",
        p + "|TcpWindowSize=dword 373760", p + "|GlobalMaxTcpWindowSize=dword 373760", p + "|DefaultTTL=dword 64",
        p + "|EnablePMTUDiscovery=dword 0", p + "|EnablePMTUBHDetect=dword 0", p + "|SackOpts=dword 1",
        p + "|Tcp1323Opts=dword 3"}},
      {false, TcpPreset::Modem,
       {n + "|MaxMSS=dword 536", n + "|MaxMTU=dword 576", m + "|DefaultRcvWindow=text 4288",
        m + "|PMTUDiscovery=text 1", m + "|PMTUBlackHoleDetect=text 0", m + "|SackOpts=text 1",
        m + "|Tcp1323Opts=dword 0"}},
      {false, TcpPreset::Dsl,
       {is + "|MaxConnectionsPerServer=dword 4", is + "|MaxConnectionsPer1_0Server=dword 8", n + "|MaxMSS=dword 1452",
        n + "|MaxMTU=dword 1492", m + "|DefaultRcvWindow=text 185856", m + "|DefaultTTL=text 128",
        m + "|PMTUDiscovery=text 0", m + "|PMTUBlackHoleDetect=text 0", m + "|SackOpts=text 1",
        m + "|Tcp1323Opts=dword 3"}},
      {false, TcpPreset::Lan,
       {is + "|MaxConnectionsPerServer=dword 4", is + "|MaxConnectionsPer1_0Server=dword 8",
        m + "|DefaultRcvWindow=text 373760", m + "|DefaultTTL=text 64", m + "|PMTUDiscovery=text 0",
        m + "|PMTUBlackHoleDetect=text 0", m + "|SackOpts=text 1", m + "|Tcp1323Opts=dword 3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.nt ? "NT " : "9x ") + std::to_string(static_cast<int>(c.preset)));
    ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, scratch.key()));
    CleanSystem(c.nt);
    TcpTuner t = Tuner();
    TcpSettings s = t.Read(t.ListNetworkInterfaces());
    ApplyPreset(s, c.preset);
    ApplyResult r = t.Apply(s);
    EXPECT_EQ(r.outcome, ApplyOutcome::Applied);
    EXPECT_TRUE(r.undoFileClosed);
    EXPECT_EQ(Values(), c.values);
  }
}

TEST_F(TcpEngine, WindowsDefaultsWriteNothing) {
  CleanSystem(true);
  TcpTuner t = Tuner();
  const Set flags = {"Tcpip\\Parameters|EnablePMTUDiscovery=dword 1", "Tcpip\\Parameters|EnablePMTUBHDetect=dword 0",
                     "Tcpip\\Parameters|SackOpts=dword 1", "Tcpip\\Parameters|Tcp1323Opts=dword 0"};
  // Read and written back unchanged on a clean system: only the four flags.
  TcpSettings s = t.Read(t.ListNetworkInterfaces());
  ASSERT_EQ(t.Apply(s).outcome, ApplyOutcome::Applied);
  EXPECT_EQ(Values(), flags);

  // A fixed MTU of 1500 is the default: nothing written, and it reads back as Windows'.
  s.mtuChoice = MtuChoice::Fixed;
  s.mtu.Set(1500);
  ASSERT_EQ(t.Apply(s).outcome, ApplyOutcome::Applied);
  EXPECT_EQ(Values(), flags);
  EXPECT_EQ(t.Read(t.ListNetworkInterfaces()).mtuChoice, MtuChoice::Windows);

  // (MTU - 40) * 4: 5840 at MTU 1500 is written; 8760 at MTU 2230 is not.
  s.rwinChoice = RwinChoice::Mss;
  ASSERT_EQ(t.Apply(s).outcome, ApplyOutcome::Applied);
  EXPECT_EQ(Value(places.tcpip, "TcpWindowSize"), "dword 5840");
  EXPECT_EQ(Value(places.tcpip, "GlobalMaxTcpWindowSize"), "dword 5840");
  s.mtu.Set(2230);
  ASSERT_EQ(t.Apply(s).outcome, ApplyOutcome::Applied);
  EXPECT_EQ(Value(places.tcpip, "TcpWindowSize"), "");
  EXPECT_EQ(Value(places.interfaces, "MTU", "{ADAPTER-1}"), "dword 2230");

  // HTTP 2 and 4 remove both values.
  SetDword(places.internetSettings, "MaxConnectionsPerServer", 10);
  SetDword(places.internetSettings, "MaxConnectionsPer1_0Server", 20);
  s.http11.Set(2);
  s.http10.Set(4);
  ASSERT_EQ(t.Apply(s).outcome, ApplyOutcome::Applied);
  EXPECT_EQ(Value(places.internetSettings, "MaxConnectionsPerServer"), "");
  EXPECT_EQ(Value(places.internetSettings, "MaxConnectionsPer1_0Server"), "");

  // Values read out of any dialog range and not touched are written back as they were.
  SetDword(places.tcpip, "TcpWindowSize", 2000000);
  SetDword(places.internetSettings, "MaxConnectionsPerServer", 100);
  s = t.Read(t.ListNetworkInterfaces());
  ASSERT_EQ(t.Apply(s).outcome, ApplyOutcome::Applied);
  EXPECT_EQ(Value(places.tcpip, "TcpWindowSize"), "dword 2000000");
  EXPECT_EQ(Value(places.tcpip, "GlobalMaxTcpWindowSize"), "dword 2000000");
  EXPECT_EQ(Value(places.internetSettings, "MaxConnectionsPerServer"), "dword 100");
}

TEST_F(TcpEngine, MtuGoesToEveryAdapterOrToTheInterfacesKey) {
  CleanSystem(true);
  RegEnsureKey(HKEY_CURRENT_USER, places.interfaces.key + "\\{ADAPTER-2}");
  TcpTuner t = Tuner();
  TcpSettings s = t.Read(t.ListNetworkInterfaces());
  ApplyPreset(s, TcpPreset::Modem);
  ASSERT_EQ(t.Apply(s).outcome, ApplyOutcome::Applied);
  EXPECT_EQ(Value(places.interfaces, "MTU", "{ADAPTER-1}"), "dword 576");
  EXPECT_EQ(Value(places.interfaces, "MTU", "{ADAPTER-2}"), "dword 576");
  EXPECT_EQ(Value(places.interfaces, "MTU"), "");

  // No Interfaces key: the MTU goes to (and is read from) that key itself.
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, places.interfaces.key));
  ASSERT_EQ(t.Apply(s).outcome, ApplyOutcome::Applied);
  EXPECT_EQ(Value(places.interfaces, "MTU"), "dword 576");
  EXPECT_EQ(t.Read({}).mtu.value, 576);
}

TEST_F(TcpEngine, ResetRemovesEverythingItTunes) {
  for (bool nt : {true, false}) {
    SCOPED_TRACE(nt ? "NT" : "9x");
    ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, scratch.key()));
    CleanSystem(nt);
    TcpTuner t = Tuner();
    TcpSettings s = t.Read(t.ListNetworkInterfaces());
    ApplyPreset(s, TcpPreset::Dsl);
    s.pmtuBlackHole = true;
    ASSERT_EQ(t.Apply(s).outcome, ApplyOutcome::Applied);
    // Something else in the same keys stays.
    SetDword(nt ? places.tcpip : places.mstcp, "Other", 7);
    SetText(places.cacheSize, "", "16");
    SetText(places.cacheSize, "Max", "64");

    s = t.Read(t.ListNetworkInterfaces());
    ApplyResult r = t.Reset(s);
    ASSERT_EQ(r.outcome, ApplyOutcome::Applied);
    EXPECT_EQ(s.mtuChoice, MtuChoice::Windows);
    Set left = {(nt ? std::string("Tcpip\\Parameters") : std::string("VxD\\MSTCP")) + "|Other=dword 7",
                "VxD\\NwLink\\NDI\\Params\\Cachesize\\Default|Max=text 64"};
    // The 9x reset removes the cache size's default value; the NT reset leaves that key alone.
    if (nt) left.insert("VxD\\NwLink\\NDI\\Params\\Cachesize\\Default|=text 16");
    EXPECT_EQ(Values(), left);
  }
}

TEST_F(TcpEngine, UndoFileRecordsEveryTouchedValueAndRestoresTheFormerState) {
  for (bool nt : {true, false}) {
    SCOPED_TRACE(nt ? "NT" : "9x");
    ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, scratch.key()));
    CleanSystem(nt);
    const TcpPlace main = nt ? places.tcpip : places.mstcp;
    SetDword(main, "Tcp1323Opts", 1);
    if (nt)
      SetDword(places.tcpip, "DefaultTTL", 99);
    else
      SetText(places.mstcp, "DefaultTTL", "99");
    SetDword(places.internetSettings, "MaxConnectionsPerServer", 6);
    SetText(places.cacheSize, "", "16");
    const RegSnapshot before = State();

    TcpTuner t = Tuner();
    TcpSettings s = t.Read(t.ListNetworkInterfaces());
    ApplyResult r = t.Reset(s);
    ASSERT_EQ(r.outcome, ApplyOutcome::Applied);
    ASSERT_TRUE(FileExists(r.undoFile)) << r.undoFile;
    const std::string text = qz::test::ReadFileText(r.undoFile);
    EXPECT_NE(text.find("\"Tcp1323Opts\"=dword:00000001"), std::string::npos) << text;
    EXPECT_NE(text.find("\"MaxConnectionsPerServer\"=dword:00000006"), std::string::npos) << text;
    EXPECT_NE(text.find("\"MaxConnectionsPer1_0Server\"=-"), std::string::npos) << text;
    EXPECT_NE(text.find(nt ? "\"DefaultTTL\"=dword:00000063" : "\"DefaultTTL\"=\"99\""), std::string::npos) << text;
    EXPECT_NE(text.find(nt ? "\"EnablePMTUDiscovery\"=-" : "\"PMTUDiscovery\"=-"), std::string::npos) << text;
    if (!nt) {
      EXPECT_NE(text.find("@=\"16\""), std::string::npos) << text;
    }
    EXPECT_NE(State(), before);

    ASSERT_TRUE(RestoreRegistryBackup(r.undoFile));
    EXPECT_EQ(State(), before) << SnapshotDiff(before, State());
  }
}

TEST_F(TcpEngine, AWriteIntoAMissingKeyIsUndoneByDeletingTheKey) {
  CleanSystem(true);
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, places.interfaces.key));
  const RegSnapshot before = State();
  TcpTuner t = Tuner();
  TcpSettings s = t.Read({});
  ApplyPreset(s, TcpPreset::Modem);
  ApplyResult r = t.Apply(s);
  ASSERT_EQ(r.outcome, ApplyOutcome::Applied);
  EXPECT_EQ(Value(places.interfaces, "MTU"), "dword 576");
  ASSERT_TRUE(RestoreRegistryBackup(r.undoFile));
  EXPECT_EQ(State(), before) << SnapshotDiff(before, State());
}

TEST_F(TcpEngine, NothingChangesWithoutAnUndoFileOrWhenAValueCannotBeRecorded) {
  CleanSystem(true);
  SetDword(places.tcpip, "DefaultTTL", 99);
  const RegSnapshot before = State();
  TcpTuner t = Tuner();
  TcpSettings s = t.Read(t.ListNetworkInterfaces());
  ApplyPreset(s, TcpPreset::Lan);

  // The undo file's name is taken (a second change within the same second).
  t.MakeUndoFileName = [this](const std::string& base) {
    return base + "\\" + GetBackupUserFolder() + "\\taken.REG";
  };
  const std::string taken = dir.Write("app\\Backups\\IT\\" + GetBackupUserFolder() + "\\taken.REG", "REGEDIT4\r\n");
  EXPECT_EQ(t.Apply(s).outcome, ApplyOutcome::UndoFileNotStarted);
  EXPECT_EQ(t.Reset(s).outcome, ApplyOutcome::UndoFileNotStarted);
  EXPECT_EQ(State(), before) << SnapshotDiff(before, State());
  EXPECT_EQ(qz::test::ReadFileText(taken), "REGEDIT4\r\n");

  // A value whose text has no form in the ANSI code page cannot be recorded.
  t = Tuner();
  ASSERT_TRUE(RegSetStringChecked(HKEY_CURRENT_USER, places.tcpip.key, "DefaultTTL", "\xE2\x98\x83"));
  const RegSnapshot withSnowman = State();
  ApplyResult r = t.Apply(s);
  EXPECT_EQ(r.outcome, ApplyOutcome::NotRecorded);
  EXPECT_EQ(State(), withSnowman) << SnapshotDiff(withSnowman, State());
  EXPECT_FALSE(FileExists(r.undoFile));
  EXPECT_FALSE(RegistryBackupActive());
}

TEST_F(TcpEngine, AFailedWriteStopsAndItsUndoFileCoversWhatWasWritten) {
  CleanSystem(true);
  SetDword(places.tcpip, "DefaultTTL", 99);
  SetDword(places.internetSettings, "MaxConnectionsPerServer", 6);
  const RegSnapshot before = State();
  TcpTuner t = Tuner();
  TcpSettings s = t.Read(t.ListNetworkInterfaces());
  ApplyPreset(s, TcpPreset::Dsl);
  std::vector<std::string> written;
  auto write = t.Write;
  t.Write = [&](const TcpChange& c) {
    if (c.name == "DefaultTTL") return false;
    written.push_back(c.name);
    return write(c);
  };
  ApplyResult r = t.Apply(s);
  EXPECT_EQ(r.outcome, ApplyOutcome::WriteFailed);
  EXPECT_TRUE(r.undoFileClosed);
  // The writes before the failing one were made; none after it.
  EXPECT_EQ(written, (std::vector<std::string>{"MaxConnectionsPerServer", "MaxConnectionsPer1_0Server", "MTU",
                                               "TcpWindowSize", "GlobalMaxTcpWindowSize"}));
  EXPECT_EQ(Value(places.tcpip, "TcpWindowSize"), "dword 185856");
  EXPECT_EQ(Value(places.tcpip, "SackOpts"), "");
  ASSERT_TRUE(RestoreRegistryBackup(r.undoFile));
  EXPECT_EQ(State(), before) << SnapshotDiff(before, State());
}

}  // namespace
}  // namespace qz::it::test
