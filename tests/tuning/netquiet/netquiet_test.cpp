// The Netquiet Blocker over a scratch services key: the status shown for
// every start type and for a missing key, the two buttons writing "Start" in
// place (the key's other values untouched, a missing key never created), and
// the 9x family's notice.
#include <gtest/gtest.h>

#include <memory>

#include "core/globals.h"
#include "core/registry.h"
#include "support/globals_guard.h"
#include "support/module_window_test.h"
#include "support/sandbox.h"
#include "tuning/netquiet/nq_form.h"
#include "ui/graphics.h"
#include "ui/stdctrls.h"

namespace qz::nq::test {
namespace {

class Netquiet : public ::testing::Test {
 protected:
  Netquiet() : scratch("nq-services"), savedIsNT(IsNT) {
    services = {HKEY_CURRENT_USER, scratch.key()};
    messenger = scratch.key() + "\\Messenger";
    qz::test::ResetWindowGlobals();
    IsNT = 1;
  }
  ~Netquiet() override { IsNT = savedIsNT; }

  std::unique_ptr<TForm_Netquiet> MakeWindow() {
    auto w = std::make_unique<TForm_Netquiet>(nullptr, services);
    w->DoCreate();
    return w;
  }
  // "label|colour|On Off" of the window.
  static std::string Shown(const TForm_Netquiet& w) {
    return w.Label_Status->Caption() + "|" + (w.Label_Status->Font().color == kActiveColor ? "red" : "black") + "|" +
           (w.Button_On->Enabled() ? "On" : "-") + " " + (w.Button_Off->Enabled() ? "Off" : "-");
  }

  qz::test::GlobalsGuard globals;
  qz::test::ScratchKey scratch;
  uint8_t savedIsNT;
  ServicesKey services;
  std::string messenger;
};

const std::string kActive = "Windows®-Nachrichtendienst aktiv";
const std::string kInactive = "Windows®-Nachrichtendienst nicht aktiv";

TEST_F(Netquiet, StatusForEveryStartType) {
  const struct {
    int start;
    std::string shown;
  } rows[] = {
      {1, kInactive + "|black|On -"},
      {2, kActive + "|red|- Off"},
      {3, kInactive + "|black|On -"},
      {4, kInactive + "|black|On -"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.start);
    ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, messenger, "Start", r.start));
    EXPECT_EQ(GetServiceStartType(services, kMessengerService), r.start == 1 ? 0 : r.start);
    EXPECT_EQ(Shown(*MakeWindow()), r.shown);
  }
  // No service key: not active, and nothing to switch.
  ASSERT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, messenger));
  EXPECT_EQ(GetServiceStartType(services, kMessengerService), 0);
  auto w = MakeWindow();
  EXPECT_EQ(Shown(*w), kInactive + "|black|- -");
  EXPECT_FALSE(w->Button_Weiter->Visible());
  EXPECT_FALSE(w->Button_Zurueck->Visible());
  EXPECT_TRUE(w->Button_Help->Visible());
  EXPECT_TRUE(w->Button_Close->Visible());
}

TEST_F(Netquiet, TheButtonsWriteStartInPlace) {
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, messenger, "Start", 2));
  ASSERT_TRUE(RegSetStringChecked(HKEY_CURRENT_USER, messenger, "DisplayName", "Messenger"));
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, messenger, "Type", 32));
  auto w = MakeWindow();
  w->Button_Off->Click();
  auto v = RegReadRaw(HKEY_CURRENT_USER, messenger, "Start");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(RegGetInteger(HKEY_CURRENT_USER, messenger, "Start"), 4);
  EXPECT_EQ(Shown(*w), kInactive + "|black|On -");
  w->Button_On->Click();
  EXPECT_EQ(RegGetInteger(HKEY_CURRENT_USER, messenger, "Start"), 2);
  EXPECT_EQ(Shown(*w), kActive + "|red|- Off");
  // The key's other values stay.
  EXPECT_EQ(RegListValues(HKEY_CURRENT_USER, messenger).size(), 3u);
  EXPECT_EQ(RegGetString(HKEY_CURRENT_USER, messenger, "DisplayName"), "Messenger");
  EXPECT_EQ(RegGetInteger(HKEY_CURRENT_USER, messenger, "Type"), 32);

  // Only 2, 3 and 4 are written; a missing key is not created.
  EXPECT_FALSE(SetServiceStartType(services, kMessengerService, 1));
  EXPECT_EQ(RegGetInteger(HKEY_CURRENT_USER, messenger, "Start"), 2);
  EXPECT_TRUE(SetServiceStartType(services, kMessengerService, 3));
  EXPECT_FALSE(SetServiceStartType(services, "Absent", 4));
  EXPECT_FALSE(RegHasKey(HKEY_CURRENT_USER, scratch.key() + "\\Absent"));
}

TEST_F(Netquiet, OnlyForTheNtFamily) {
  ASSERT_TRUE(RegSetIntegerChecked(HKEY_CURRENT_USER, messenger, "Start", 2));
  IsNT = 0;
  auto w = MakeWindow();
  EXPECT_EQ(w->Label_Status->Caption(), "Nur für Windows2000 oder WindowsXP verfügbar!");
  EXPECT_FALSE(w->Button_On->Enabled());
  EXPECT_FALSE(w->Button_Off->Enabled());
}

}  // namespace
}  // namespace qz::nq::test
