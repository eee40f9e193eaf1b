// The Internet Tuner's window driven from code over scratch places: the
// start page's choices, questions answered No that change nothing, the
// manual dialog (its cross applies nothing; OK without edits writes only the
// flags; values outside a spin's range are kept), presets read the registry
// afresh, Finished only after a successful change, the Backups page, the
// speed test's pages (success box, abort, close, the rate once a second on
// the slow path) and the plug-in page. Boxes are recorded and answered by
// the hook, the manual dialog by the modal hook.
#include <memory>

#include "cleaning/frame/backup_page.h"
#include "support/module_window_test.h"
#include "support/sandbox.h"
#include "tuning/internet/it_fixture.h"
#include "tuning/internet/it_form.h"
#include "tuning/internet/it_manual.h"
#include "ui/application.h"
#include "ui/graphics.h"
#include "ui/listview.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"
#include "ui/timer.h"
#include "ui/vtree_view.h"

namespace qz::it::test {
namespace {

int ServerPort() { return StrToIntDef(Trim(qz::test::ReadFileText("C:\\qztests\\http-port.txt")), 0); }
std::string Url(const std::string& path) { return "http://127.0.0.1:" + std::to_string(ServerPort()) + path; }

class ItWindow : public TcpTest {
 protected:
  ItWindow() {
    ProductRegKey = scratch.key() + "\\Product";
    qz::test::ResetWindowGlobals();
  }
  ~ItWindow() override { cleaning::SetModalHook(nullptr); }

  std::unique_ptr<TForm_IT> MakeWindow(PlugInPlaces plugIns = {}) {
    auto w = std::make_unique<TForm_IT>(nullptr, places, plugIns);
    w->DoCreate();
    w->Tuner().MakeUndoFileName = Tuner().MakeUndoFileName;
    w->Speed().TempFolder = ExcludeTrailingBackslash(dir.path() + "temp");
    CreateDirectoryW(Widen(w->Speed().TempFolder).c_str(), nullptr);
    w->Speed().ProjectIni = dir / "project.ini";
    return w;
  }
  // Start: Weiter shown, Zurück hidden; any other page the other way round.
  void ExpectPage(const TForm_IT& w, int page) {
    EXPECT_EQ(w.PageIndex(), page);
    EXPECT_EQ(w.Button_Weiter->Visible(), page == kPageStart);
    EXPECT_EQ(w.Button_Zurueck->Visible(), page != kPageStart && page != kPageTest2);
    if (w.Button_Zurueck->Visible()) {
      EXPECT_TRUE(w.Button_Zurueck->Enabled());
    }
  }
  std::string Texts() const { return boxes.Texts(); }
  void AddressTo(const std::string& target) {
    WriteFileBytes(dir / "project.ini", "[ITTest]\r\nfile=" + Url("/speedtest/address.txt?target=" + target) + "\r\n");
  }

  qz::test::MessageBoxRecorder boxes;
};

TEST_F(ItWindow, StartPageTypesAndTheQuestions) {
  CleanSystem(true);
  auto w = MakeWindow();
  ExpectPage(*w, kPageStart);
  EXPECT_EQ(w->JvPageControl1->PageCount(), 6);
  EXPECT_TRUE(w->RadioButton_Auto->Checked());
  ASSERT_EQ(w->ComboBox_Typ->ItemCount(), 5);
  EXPECT_EQ(w->ComboBox_Typ->ItemIndex(), 0);
  EXPECT_EQ(w->ComboBox_Typ->ItemText(4), "LAN-Verbindung");
  EXPECT_EQ(w->AdapterList(), StringList{"{ADAPTER-1}"});
  const RegSnapshot before = State();

  // "Bitte auswählen..." warns.
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_NE(boxes.boxes[0].text.find("Geräteart"), std::string::npos);

  // Every No changes nothing.
  boxes.defaultAnswer = IDNO;
  for (int item : {1, 2, 3, 4}) {
    w->ComboBox_Typ->SetItemIndex(item);
    w->Button_Weiter->Click();
  }
  ASSERT_EQ(boxes.boxes.size(), 5u);
  EXPECT_EQ(boxes.boxes[4].text,
            "Sind Sie sicher, dass Sie die Einstellungen optimieren wollen auf:\rLAN-Verbindung");
  EXPECT_EQ(State(), before) << SnapshotDiff(before, State());
  ExpectPage(*w, kPageStart);

  // Yes: the LAN values, and the Finished page; Zurück goes back to Start.
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 6u) << Texts();
  ExpectPage(*w, kPageFinished);
  EXPECT_EQ(Value(places.tcpip, "DefaultTTL"), "dword 64");
  EXPECT_EQ(Value(places.tcpip, "SackOpts"), "dword 1");
  EXPECT_EQ(Value(places.internetSettings, "MaxConnectionsPerServer"), "dword 4");
  EXPECT_EQ(w->Settings().ttl.value, 64);  // read anew after the change
  w->Button_Zurueck->Click();
  ExpectPage(*w, kPageStart);

  // The Windows defaults.
  w->ComboBox_Typ->SetItemIndex(1);
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ExpectPage(*w, kPageFinished);
  EXPECT_EQ(boxes.boxes.back().text,
            "Sind Sie sicher, dass Sie die Einstellungen auf Windows-Standard zurücksetzen wollen?");
  EXPECT_EQ(Value(places.tcpip, "DefaultTTL"), "");
  EXPECT_EQ(Value(places.tcpip, "SackOpts"), "");
  EXPECT_EQ(Value(places.internetSettings, "MaxConnectionsPerServer"), "");
}

TEST_F(ItWindow, ManualDialog) {
  CleanSystem(true);
  SetDword(places.interfaces, "MTU", 9000, "{ADAPTER-1}");
  SetDword(places.internetSettings, "MaxConnectionsPerServer", 100);
  auto w = MakeWindow();
  TForm_IT_Manual& d = *w->Manual();
  EXPECT_EQ(d.PageControl1->ActivePage(), d.TabSheet_MTU);
  // The spin shows the nearest end of its range; the record keeps the value.
  EXPECT_TRUE(d.RadioButton_MTU2->Checked());
  EXPECT_EQ(d.SpinEdit_MTU->Value(), 3000);
  EXPECT_EQ(d.SpinEdit_HTTP11->Value(), 64);
  EXPECT_TRUE(d.CheckBox_PMTUDiscovery->Checked());
  EXPECT_TRUE(d.CheckBox_SackOpts->Checked());
  w->RadioButton_MANUELL->SetChecked(true);
  const RegSnapshot before = State();

  // The window's cross: nothing applied, no question.
  cleaning::SetModalHook([&](ui::Form& f) {
    EXPECT_EQ(&f, &d);
    d.SpinEdit_TTL->SetValue(200);
    d.RadioButton_TTL2->SetChecked(true);
    return ui::mrCancel;
  });
  w->Button_Weiter->Click();
  EXPECT_TRUE(boxes.boxes.empty()) << Texts();
  EXPECT_EQ(State(), before);
  ExpectPage(*w, kPageStart);
  // ... and the dialog keeps the edit until the next reading.
  EXPECT_EQ(d.SpinEdit_TTL->Value(), 200);

  // OK, then No: nothing.
  cleaning::SetModalHook([&](ui::Form&) {
    d.Button_Ok->Click();
    return d.ModalResult();
  });
  boxes.answers = {IDNO};
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            "Sind Sie sicher, dass Sie die eben vorgenommenen, manuellen Einstellungen anwenden wollen?");
  EXPECT_EQ(State(), before);

  // OK and Yes with the dialog as read: every number that was not touched is
  // written back as it was, the flags as Windows' defaults.
  w->ReadTcpSettings();
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ExpectPage(*w, kPageFinished);
  EXPECT_EQ(Value(places.interfaces, "MTU", "{ADAPTER-1}"), "dword 9000");
  EXPECT_EQ(Value(places.internetSettings, "MaxConnectionsPerServer"), "dword 100");
  EXPECT_EQ(Value(places.tcpip, "EnablePMTUDiscovery"), "dword 1");
  EXPECT_EQ(Value(places.tcpip, "EnablePMTUBHDetect"), "dword 0");
  EXPECT_EQ(Value(places.tcpip, "SackOpts"), "dword 1");
  EXPECT_EQ(Value(places.tcpip, "Tcp1323Opts"), "dword 0");
  EXPECT_EQ(Value(places.tcpip, "DefaultTTL"), "");

  // A spin the user moved counts.
  w->Button_Zurueck->Click();
  cleaning::SetModalHook([&](ui::Form&) {
    d.SpinEdit_MTU->SetValue(1400);
    d.Button_Ok->Click();
    return d.ModalResult();
  });
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  EXPECT_EQ(Value(places.interfaces, "MTU", "{ADAPTER-1}"), "dword 1400");
}

TEST_F(ItWindow, APresetStartsFromTheRegistryNotFromUnappliedEdits) {
  CleanSystem(true);
  SetDword(places.tcpip, "EnablePMTUBHDetect", 1);
  auto w = MakeWindow();
  w->RadioButton_MANUELL->SetChecked(true);
  cleaning::SetModalHook([&](ui::Form&) {
    w->Manual()->CheckBox_SackOpts->SetChecked(false);
    w->Manual()->CheckBox_PMTU_BlackHole->SetChecked(false);
    return ui::mrCancel;
  });
  w->Button_Weiter->Click();
  w->RadioButton_Auto->SetChecked(true);
  w->ComboBox_Typ->SetItemIndex(4);
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ExpectPage(*w, kPageFinished);
  EXPECT_EQ(Value(places.tcpip, "SackOpts"), "dword 1");
  EXPECT_EQ(Value(places.tcpip, "EnablePMTUBHDetect"), "dword 1");
  EXPECT_TRUE(w->Manual()->CheckBox_SackOpts->Checked());  // the dialog was read anew
}

TEST_F(ItWindow, FinishedOnlyAfterASuccessfulChange) {
  CleanSystem(true);
  auto w = MakeWindow();
  w->ComboBox_Typ->SetItemIndex(3);
  const RegSnapshot before = State();

  // The undo file cannot be started: its box, nothing changed, still Start.
  w->Tuner().MakeUndoFileName = [this](const std::string& base) {
    return base + "\\" + GetBackupUserFolder() + "\\taken.REG";
  };
  dir.Write("app\\Backups\\IT\\" + GetBackupUserFolder() + "\\taken.REG", "REGEDIT4\r\n");
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, "Error creating Backup-File!\rDisk full,corrupt or write-protected?");
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Error);
  EXPECT_EQ(State(), before);
  ExpectPage(*w, kPageStart);

  // A write fails: its box, the wizard stays on Start.
  DeleteFileW(Widen(AppDir + "\\Backups\\IT\\" + GetBackupUserFolder() + "\\taken.REG").c_str());
  w->Tuner().MakeUndoFileName = Tuner().MakeUndoFileName;
  w->Tuner().Write = [](const TcpChange& c) { return c.name != "SackOpts"; };
  boxes.answers = {IDYES};
  w->Button_Weiter->Click();
  ASSERT_EQ(boxes.boxes.size(), 4u);
  EXPECT_EQ(boxes.boxes[3].text, "Error during backup! Disk full or insufficient access-rights to registry?");
  ExpectPage(*w, kPageStart);

  // The Backups page lists that undo file (one row).
  w->RadioButton_Backups->SetChecked(true);
  w->Button_Weiter->Click();
  ExpectPage(*w, kPageBackups);
  ASSERT_EQ(w->Backups->Rows().size(), 1u);
  EXPECT_EQ(w->Backups->Rows()[0].DisplayName, "undo 1");
}

// ---- speed test --------------------------------------------------------------

TEST_F(ItWindow, SpeedTestSuccessAndItsBox) {
  ASSERT_GT(ServerPort(), 0);
  auto w = MakeWindow();
  w->RadioButton_Test->SetChecked(true);
  w->Button_Weiter->Click();
  ExpectPage(*w, kPageTest1);
  AddressTo("/speedtest/file.bin%3Fsize%3D2000000");
  bool sawTestPage = false;
  w->Speed().OnWaiting = [&] {
    sawTestPage = w->PageIndex() == kPageTest2 && !w->Button_Zurueck->Visible() &&
                  w->JvThreadTimer_ITTest->Interval() == 1000u;
  };
  w->Button_Start_Test->Click();
  EXPECT_TRUE(sawTestPage);
  EXPECT_EQ(w->LastSpeedTest(), SpeedTestOutcome::Success);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  const MessageBoxRequest& box = boxes.boxes[0];
  EXPECT_EQ(box.kind, MsgKind::Information);
  EXPECT_NE(box.text.find(w->Speed().TempFolder + "\\TestFile.exe"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find(" kb/sec."), std::string::npos) << box.text;
  EXPECT_EQ(box.text.find("???"), std::string::npos) << box.text;
  EXPECT_FALSE(w->JvThreadTimer_ITTest->Enabled());
  ExpectPage(*w, kPageStart);
}

TEST_F(ItWindow, SpeedTestFailureAndAbort) {
  ASSERT_GT(ServerPort(), 0);
  auto w = MakeWindow();
  // project.ini missing, then without an address: the English boxes.
  w->Button_Start_Test->Click();
  WriteFileBytes(dir / "project.ini", "[ITTest]\r\n");
  w->Button_Start_Test->Click();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text, "Needed file\r" + (dir / "project.ini") + "\ris missing!");
  EXPECT_EQ(boxes.boxes[1].text, "ITTest->URL is empty!");
  ExpectPage(*w, kPageStart);
  boxes.boxes.clear();

  // One failure box for a failed address fetch.
  WriteFileBytes(dir / "project.ini", "[ITTest]\r\nfile=" + Url("/missing.txt") + "\r\n");
  w->Button_Start_Test->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NE(boxes.boxes[0].text.find("Verbindung oder Download fehlgeschlagen!"), std::string::npos);
  ExpectPage(*w, kPageStart);
  boxes.boxes.clear();

  // Abbrechen during either transfer: No goes on, Yes ends it at once, without a box.
  for (const std::string& address : {Url("/hang"), Url("/speedtest/address.txt?target=/hang")}) {
    SCOPED_TRACE(address);
    WriteFileBytes(dir / "project.ini", "[ITTest]\r\nfile=" + address + "\r\n");
    int wakes = 0;
    DWORD abortedAt = 0;
    w->Speed().OnWaiting = [&] {
      ++wakes;
      if (wakes == 2) {
        boxes.answers = {IDNO};
        w->Button_ITTest_Abort->Click();
      } else if (wakes == 4) {
        boxes.answers = {IDYES};
        abortedAt = GetTickCount();
        w->Button_ITTest_Abort->Click();
      }
    };
    w->Button_Start_Test->Click();
    EXPECT_LT(GetTickCount() - abortedAt, 1000u);
    EXPECT_EQ(w->LastSpeedTest(), SpeedTestOutcome::Aborted);
    ASSERT_EQ(boxes.boxes.size(), 2u) << Texts();
    EXPECT_EQ(boxes.boxes[0].text, "Sind Sie sicher, dass Sie abbrechen möchten?");
    ExpectPage(*w, kPageStart);
    boxes.boxes.clear();
  }
}

// The window's close box during a test: the test is aborted, and the window
// closes only after the transfer has returned.
TEST_F(ItWindow, CloseDuringTheTestWaitsForIt) {
  ASSERT_GT(ServerPort(), 0);
  auto w = MakeWindow();
  AddressTo("/hang");
  int closes = 0;
  bool runningAtClose = true;
  w->OnClose = [&](ui::CloseAction&) {
    ++closes;
    runningAtClose = w->Speed().Running();
  };
  bool closeSent = false;
  w->Speed().OnWaiting = [&] {
    if (!closeSent) {
      closeSent = true;
      PostMessageW(w->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    }
  };
  ui::App().Post([&] {
    w->RadioButton_Test->SetChecked(true);
    w->Button_Weiter->Click();
    SendMessageW(GetParent(w->Button_Start_Test->Handle()), WM_COMMAND,
                 MAKEWPARAM(w->Button_Start_Test->ControlId(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(w->Button_Start_Test->Handle()));
  });
  const int result = w->ShowModal();
  EXPECT_EQ(result, ui::mrCancel);
  EXPECT_TRUE(closeSent);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(runningAtClose);
  EXPECT_EQ(w->LastSpeedTest(), SpeedTestOutcome::Aborted);
  EXPECT_TRUE(boxes.boxes.empty()) << Texts();
}

// On the slow path (40 KiB/s) each tick of the timer shows the progress and
// the average rate on the test's own clock.
TEST_F(ItWindow, TheTimerShowsProgressAndRate) {
  ASSERT_GT(ServerPort(), 0);
  auto w = MakeWindow();
  AddressTo("/slow.bin");
  int64_t now = 0;
  w->Speed().Clock = [&] { return now; };
  std::vector<std::string> rates;
  std::vector<int64_t> positions;
  uint64_t seen = 0;
  w->Speed().OnWaiting = [&] {
    const uint64_t got = w->Speed().BytesReceived();
    if (got == seen || positions.size() >= 3) return;
    seen = got;
    EXPECT_TRUE(w->JvThreadTimer_ITTest->Enabled());
    EXPECT_TRUE(w->Label_ITTest_Rate->Visible());
    now += 1000;
    w->JvThreadTimer_ITTest->OnTimer();
    rates.push_back(w->Label_ITTest_Rate->Caption());
    positions.push_back(w->ProgressBar_ITTest->Position());
    EXPECT_EQ(w->ProgressBar_ITTest->Max(), 1024 * 1024);
    if (positions.size() == 3) {
      boxes.answers = {IDYES};
      w->Button_ITTest_Abort->Click();
    }
  };
  w->Button_Start_Test->Click();
  ASSERT_EQ(positions.size(), 3u);
  EXPECT_LT(positions[0], positions[1]);
  EXPECT_LT(positions[1], positions[2]);
  for (const std::string& r : rates) {
    EXPECT_NE(r.find(" kb/sec"), std::string::npos) << r;
    EXPECT_EQ(r.find("???"), std::string::npos) << r;
  }
  // The rate is bytes over the clock's seconds: the third tick at 3 s.
  EXPECT_EQ(rates[2], RateText(static_cast<uint64_t>(positions[2]), 3.0));
}

// ---- plug-ins ----------------------------------------------------------------

TEST_F(ItWindow, PlugInPage) {
  const std::string base = "Software\\QZTests\\" + scratch.key().substr(scratch.key().rfind('\\') + 1);
  const std::string clsid = "{33333333-CCCC-4000-8000-000000000003}";
  PlugInPlaces p;
  p.listKey = base + "\\BHO";
  p.classesRoot = HKEY_CURRENT_USER;
  p.classesKey = scratch.key() + "\\Classes";
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_LOCAL_MACHINE, p.listKey + "\\" + clsid, "NoExplorer", 1));
  ASSERT_TRUE(RegSetStringChecked(HKEY_CURRENT_USER, p.classesKey + "\\CLSID\\" + clsid, "", "Test Bar"));
  struct Tidy {
    std::string key;
    ~Tidy() { RegRemoveKey(HKEY_LOCAL_MACHINE, key); }
  } tidy{base};

  auto w = MakeWindow(p);
  w->RadioButton_IEPlugIns->SetChecked(true);
  w->Button_Weiter->Click();
  ExpectPage(*w, kPagePlugIns);
  ASSERT_EQ(w->ListView_PlugIns->ItemCount(), 1);
  EXPECT_EQ(w->ListView_PlugIns->ItemText(0, 0), "Test Bar");
  EXPECT_EQ(w->ListView_PlugIns->ItemText(0, 2), clsid);
  EXPECT_EQ(w->ListView_PlugIns->ColumnCaption(1), "DLL - Datei");

  // Nothing selected: the warning.
  w->Button_DeletePlugIn->Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Sie müssen ein Plug-In aus der Liste auswählen.");

  // A removal that fails keeps the item and says so.
  w->ListView_PlugIns->SetItemIndex(0);
  w->RemovePlugInKey = [](HKEY, const std::string&) { return false; };
  boxes.answers = {IDYES};
  w->Button_DeletePlugIn->Click();
  ASSERT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(boxes.boxes[2].kind, MsgKind::Error);
  EXPECT_NE(boxes.boxes[2].text.find("konnte nicht entfernt werden"), std::string::npos);
  EXPECT_EQ(w->ListView_PlugIns->ItemCount(), 1);

  // The real removal: the key is gone, the item too, the class stays.
  w->RemovePlugInKey = [](HKEY root, const std::string& key) { return RegRemoveKey(root, key); };
  w->ListView_PlugIns->SetItemIndex(0);
  boxes.answers = {IDYES};
  w->Button_DeletePlugIn->Click();
  ASSERT_EQ(boxes.boxes.size(), 5u);
  EXPECT_EQ(boxes.boxes[4].kind, MsgKind::Information);
  EXPECT_EQ(w->ListView_PlugIns->ItemCount(), 0);
  EXPECT_FALSE(RegHasKey(HKEY_LOCAL_MACHINE, p.listKey + "\\" + clsid));
  EXPECT_TRUE(RegHasKey(HKEY_CURRENT_USER, p.classesKey + "\\CLSID\\" + clsid));
  w->Button_Zurueck->Click();
  ExpectPage(*w, kPageStart);
}

}  // namespace
}  // namespace qz::it::test
