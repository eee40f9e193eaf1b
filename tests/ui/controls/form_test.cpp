// Forms: modal loop, closing (deferred while a handler pumps), the exception
// barrier, message boxes, help, hidden forms, window properties.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <commctrl.h>

#include <stdexcept>
#include <vector>

#include "core/globals.h"
#include "core/pump.h"
#include "support/pump_clock.h"
#include "support/sandbox.h"
#include "ui_test_util.h"

namespace qz::ui {
namespace {

using test::MakeForm;
using test::PumpFor;
using test::PumpUntil;

// A modal form with OK and Cancel buttons, and an owner form behind it.
struct ModalSetup {
  std::unique_ptr<Form> owner = MakeForm("TForm_Owner", 300, 200);
  std::unique_ptr<Form> dialog = MakeForm("TForm_Dialog", 200, 100);
  Button* ok;
  Button* cancel;
  Edit* edit;
  ModalSetup() {
    dialog->SetBorderStyle(FormBorder::Dialog);
    edit = new Edit(dialog.get(), "Edit1");
    edit->SetBounds(10, 10, 100, 21);
    ok = new Button(dialog.get(), "Button_Ok", "&Ok");
    ok->SetBounds(10, 60, 75, 25);
    ok->ModalResult = mrOk;
    ok->SetDefault(true);
    cancel = new Button(dialog.get(), "Button_Cancel", "&Abbrechen");
    cancel->SetBounds(100, 60, 75, 25);
    cancel->ModalResult = mrCancel;
    cancel->SetCancel(true);
    owner->Show();
  }
};

TEST(ModalForm, ClosureDrivesButtonsAndResults) {
  struct Case {
    const char* what;
    std::function<void(ModalSetup&)> act;
    int expected;
  };
  const Case cases[] = {
      {"OK button", [](ModalSetup& s) { SendMessageW(s.ok->Handle(), BM_CLICK, 0, 0); }, mrOk},
      {"Cancel button", [](ModalSetup& s) { SendMessageW(s.cancel->Handle(), BM_CLICK, 0, 0); }, mrCancel},
      {"Enter on the edit clicks the default button",
       [](ModalSetup& s) {
         SetFocus(s.edit->Handle());
         PostMessageW(s.edit->Handle(), WM_KEYDOWN, VK_RETURN, 0);
       },
       mrOk},
      {"Escape clicks the cancel button",
       [](ModalSetup& s) {
         SetFocus(s.edit->Handle());
         PostMessageW(s.edit->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
       },
       mrCancel},
      {"Alt and the mnemonic of Abbrechen",
       [](ModalSetup& s) {
         SetFocus(s.edit->Handle());
         PostMessageW(s.edit->Handle(), WM_SYSCHAR, 'a', 1 << 29);
       },
       mrCancel},
      {"the close box", [](ModalSetup& s) { PostMessageW(s.dialog->Handle(), WM_CLOSE, 0, 0); }, mrCancel},
      {"ModalResult from code", [](ModalSetup& s) { s.dialog->SetModalResult(mrYes); }, mrYes},
  };
  for (const Case& c : cases) {
    ModalSetup s;
    bool ownerDisabled = false, dialogEnabled = false, wasModal = false;
    App().Post([&] {
      ownerDisabled = !IsWindowEnabled(s.owner->Handle());
      dialogEnabled = IsWindowEnabled(s.dialog->Handle()) != FALSE;
      wasModal = s.dialog->IsModal();
      c.act(s);
    });
    EXPECT_EQ(s.dialog->ShowModal(), c.expected) << c.what;
    EXPECT_TRUE(ownerDisabled) << c.what;
    EXPECT_TRUE(dialogEnabled) << c.what;
    EXPECT_TRUE(wasModal) << c.what;
    EXPECT_FALSE(s.dialog->IsModal()) << c.what;
    EXPECT_FALSE(IsWindowVisible(s.dialog->Handle())) << c.what;
    EXPECT_TRUE(IsWindowEnabled(s.owner->Handle())) << c.what;
  }
}

TEST(ModalForm, CloseQueryAndOnCloseRunWhenTheLoopEnds) {
  ModalSetup s;
  int queries = 0;
  std::vector<int> closes;
  s.dialog->OnCloseQuery = [&](bool& can) { can = ++queries > 1; };  // refuses once
  s.dialog->OnClose = [&](CloseAction&) { closes.push_back(s.dialog->ModalResult()); };
  App().Post([&] {
    SendMessageW(s.ok->Handle(), BM_CLICK, 0, 0);  // refused: the loop goes on
    App().Post([&] { SendMessageW(s.ok->Handle(), BM_CLICK, 0, 0); });
  });
  EXPECT_EQ(s.dialog->ShowModal(), mrOk);
  EXPECT_EQ(queries, 2);
  EXPECT_EQ(closes, std::vector<int>{mrOk});

  // OnClose with action None keeps the form open.
  int rounds = 0;
  s.dialog->OnCloseQuery = nullptr;
  s.dialog->OnClose = [&](CloseAction& a) {
    if (++rounds == 1) a = CloseAction::None;
  };
  App().Post([&] {
    s.dialog->Close();
    App().Post([&] { s.dialog->Close(); });
  });
  EXPECT_EQ(s.dialog->ShowModal(), mrCancel);
  EXPECT_EQ(rounds, 2);
}

TEST(ModalForm, NestedModalFormsRestoreEachOther) {
  ModalSetup s;
  auto second = MakeForm("TForm_Second", 100, 80);
  bool dialogDisabledDuringSecond = false;
  int inner = -1;
  App().Post([&] {
    App().Post([&] {
      dialogDisabledDuringSecond = !IsWindowEnabled(s.dialog->Handle()) && !IsWindowEnabled(s.owner->Handle());
      second->SetModalResult(mrNo);
    });
    inner = second->ShowModal();
    s.dialog->SetModalResult(mrOk);
  });
  EXPECT_EQ(s.dialog->ShowModal(), mrOk);
  EXPECT_EQ(inner, mrNo);
  EXPECT_TRUE(dialogDisabledDuringSecond);
  EXPECT_TRUE(IsWindowEnabled(s.owner->Handle()));
  EXPECT_TRUE(IsWindowEnabled(s.dialog->Handle()));
}

// A form whose button runs a long loop that pumps messages, as a search does.
struct BusyForm : Form {
  explicit BusyForm(bool* destroyed) : Form(nullptr, "TForm_Busy"), destroyed_(destroyed) {
    SetClientSize(200, 100);
    status = new Label(this, "Label_Status", "idle");
    run = new Button(this, "Button_Run", "Run");
    run->OnClick = [this] {
      stop = false;
      for (int i = 0; i < 400 && !stop; ++i) {
        App().ProcessMessages();
        Sleep(2);
      }
      // Still whole here, whatever was asked while the loop ran.
      status->SetCaption("done");
      finishedWhole = !*destroyed_;
    };
  }
  ~BusyForm() override { *destroyed_ = true; }
  Label* status;
  Button* run;
  bool stop = false;
  bool finishedWhole = false;
  bool* destroyed_;
};

TEST(DeferredClose, CloseDuringAPumpingHandlerWaitsForIt) {
  struct Case {
    const char* what;
    bool viaWmClose;
  };
  for (Case c : {Case{"Close() from code", false}, Case{"WM_CLOSE (close box)", true}}) {
    bool destroyed = false;
    auto* form = new BusyForm(&destroyed);
    form->Show();
    int deferredCalls = 0;
    bool closedDuringRun = false;
    form->OnDeferredClose = [&] {
      ++deferredCalls;
      form->stop = true;  // the program sets its cancel flag here
    };
    form->OnClose = [&](CloseAction& a) {
      closedDuringRun = form->status->Caption() != "done";
      a = CloseAction::Free;
    };
    App().Post([&] {
      if (c.viaWmClose) SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
      else form->Close();
      EXPECT_TRUE(form->ClosePending());
      EXPECT_FALSE(destroyed);
    });
    SendMessageW(form->run->Handle(), BM_CLICK, 0, 0);
    // The handler returned with the form whole; the close follows afterwards.
    EXPECT_TRUE(form->finishedWhole) << c.what;
    EXPECT_EQ(deferredCalls, 1) << c.what;
    EXPECT_TRUE(PumpUntil([&] { return destroyed; })) << c.what;
    EXPECT_FALSE(closedDuringRun) << c.what;
  }
}

TEST(DeferredClose, ApplicationHookWhenTheFormHasNone) {
  bool destroyed = false;
  auto* form = new BusyForm(&destroyed);
  form->Show();
  Form* hooked = nullptr;
  App().OnDeferredClose = [&](Form* f) {
    hooked = f;
    form->stop = true;
  };
  App().Post([&] { form->Close(); });
  SendMessageW(form->run->Handle(), BM_CLICK, 0, 0);
  App().OnDeferredClose = nullptr;
  EXPECT_EQ(hooked, form);
  EXPECT_TRUE(form->finishedWhole);
  // Default action hides the form after the handler.
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(form->Handle()); }));
  EXPECT_FALSE(destroyed);
  delete form;
}

TEST(DeferredClose, ReleaseFromOwnHandlerFreesAfterIt) {
  bool destroyed = false;
  auto* form = new BusyForm(&destroyed);
  form->run->OnClick = [&] {
    form->Release();
    App().ProcessMessages();  // the release must not happen inside this handler
    EXPECT_FALSE(destroyed);
    form->status->SetCaption("still here");
  };
  form->Show();
  SendMessageW(form->run->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(destroyed);
  EXPECT_TRUE(PumpUntil([&] { return destroyed; }));
}

TEST(DeferredClose, ModalFormClosedDuringItsOwnPumpingHandler) {
  bool destroyed = false;
  auto* form = new BusyForm(&destroyed);
  std::vector<std::string> order;
  form->OnDeferredClose = [&] {
    order.push_back("deferred");
    form->stop = true;
  };
  form->OnClose = [&](CloseAction&) { order.push_back("close:" + form->status->Caption()); };
  App().Post([&] {
    App().Post([&] { PostMessageW(form->Handle(), WM_CLOSE, 0, 0); });
    SendMessageW(form->run->Handle(), BM_CLICK, 0, 0);
    order.push_back("handler returned");
  });
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(order, (std::vector<std::string>{"deferred", "handler returned", "close:done"}));
  delete form;
  EXPECT_TRUE(destroyed);
}

TEST(ExceptionBarrier, HandlerExceptionsAreShownSilentAbortIsNot) {
  test::MessageBoxRecorder boxes;
  auto form = MakeForm("TForm_Throw");
  auto* button = new Button(form.get(), "Button1");
  auto* check = new CheckBox(form.get(), "CheckBox1");
  form->Show();
  App().SetTitle("Quenzal Test Title");

  button->OnClick = [] { throw std::runtime_error("Something failed"); };
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Something failed");
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(boxes.boxes[0].caption, "Quenzal Test Title");
  EXPECT_EQ(boxes.boxes[0].owner, form->Handle());

  button->OnClick = [] { Abort(); };
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(boxes.boxes.size(), 1u);

  // Other entries: a posted closure, a timer, a message handler that throws a non-std type.
  App().Post([] { throw std::logic_error("posted"); });
  PumpFor(20);
  check->OnClick = [] { throw 42; };
  SendMessageW(check->Handle(), BM_CLICK, 0, 0);
  Timer timer(nullptr);
  timer.SetInterval(10);
  timer.OnTimer = [&] {
    timer.SetEnabled(false);
    throw std::runtime_error("timer");
  };
  timer.SetEnabled(true);
  PumpUntil([&] { return boxes.boxes.size() >= 4; });
  ASSERT_EQ(boxes.boxes.size(), 4u);
  EXPECT_EQ(boxes.boxes[1].text, "posted");
  EXPECT_EQ(boxes.boxes[2].text, "Unknown error");
  EXPECT_EQ(boxes.boxes[3].text, "timer");
  // The form still works after all of it.
  int clicks = 0;
  button->OnClick = [&] { ++clicks; };
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  App().SetTitle(qz::kProductTitle);
}

TEST(MessageBoxes, HookRecordsKindCaptionTextAndOwner) {
  test::MessageBoxRecorder boxes;
  boxes.answers = {IDYES, IDNO};
  auto form = MakeForm("TForm_Box");
  auto* button = new Button(form.get(), "Button1");
  form->Show();
  App().SetTitle("Box Title");
  EXPECT_EQ(MessageDlg(button, "Sind Sie sicher?", MsgKind::Warning, MsgButtons::YesNo), IDYES);
  EXPECT_EQ(MessageDlg(form.get(), "Frage", MsgKind::Question, MsgButtons::YesNoCancel), IDNO);
  ShowMessage("Translation-File saved", form.get());
  ASSERT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(boxes.boxes[0].text, "Sind Sie sicher?");
  EXPECT_EQ(boxes.boxes[0].caption, "Box Title");
  EXPECT_EQ(boxes.boxes[0].owner, form->Handle());
  EXPECT_EQ(boxes.boxes[1].kind, MsgKind::Question);
  EXPECT_EQ(boxes.boxes[2].kind, MsgKind::None);
  EXPECT_EQ(boxes.boxes[2].buttons, MsgButtons::Ok);
  App().SetTitle(qz::kProductTitle);
}

TEST(Help, F1AndHelpMessagesGoToTheOneHook) {
  auto form = MakeForm("TForm_Help");
  form->HelpContext = 7;
  form->HelpKeyword = "DC";
  auto* edit = new Edit(form.get(), "Edit1");
  form->Show();
  std::vector<std::string> calls;
  App().SetHelpHook([&](Form* f, int ctx, const std::string& kw) {
    calls.push_back(f->Name + ":" + std::to_string(ctx) + ":" + kw);
  });
  PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F1, 0);
  PumpFor(20);
  HELPINFO hi{};
  hi.cbSize = sizeof hi;
  SendMessageW(form->Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&hi));
  EXPECT_EQ(calls, (std::vector<std::string>{"TForm_Help:7:DC", "TForm_Help:7:DC"}));
  // The form's own help event takes it when it answers true.
  form->OnHelp = [] { return true; };
  PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F1, 0);
  PumpFor(20);
  EXPECT_EQ(calls.size(), 2u);
  App().SetHelpHook(nullptr);
}

TEST(HiddenForm, EveryControlWorksWithoutShowing) {
  struct Hidden : Form {
    Hidden() : Form(nullptr, "TForm_Hidden") {
      pages = new PageControl(this, "JvPageControl1");
      pages->SetTabsVisible(false);
      for (const char* n : {"Page0", "Page1", "Page2"}) new TabSheet(pages, n, n);
      edit = new Edit(pages->Page(1), "Edit1");
      check = new CheckBox(pages->Page(1), "CheckBox1", "c");
      list = new ListView(pages->Page(2), "ListView1");
      list->CheckBoxes = true;
      list->AddColumn("A");
      cancel = new Button(this, "Button_Cancel", "Cancel");
      cancel->Hide();
      progress = new ProgressBar(pages->Page(1), "ProgressBar1");
    }
    void FormCreate() override { createdWithWindow = Handle() != nullptr && edit->Handle() != nullptr; }
    PageControl* pages;
    Edit* edit;
    CheckBox* check;
    ListView* list;
    Button* cancel;
    ProgressBar* progress;
    bool createdWithWindow = false;
  };
  Hidden* form = nullptr;
  App().SetAutoMainForm(false);
  App().CreateForm(form);
  App().SetAutoMainForm(true);
  std::unique_ptr<Form> holder(form);
  EXPECT_TRUE(form->createdWithWindow);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));

  int changes = 0, checks = 0, cancels = 0;
  form->edit->OnChange = [&] { ++changes; };
  form->check->OnClick = [&] { ++checks; };
  form->cancel->OnClick = [&] { ++cancels; };
  form->edit->SetText("C:\\Daten");
  EXPECT_EQ(form->edit->Text(), "C:\\Daten");
  EXPECT_EQ(changes, 1);
  form->check->SetChecked(true);
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(SendMessageW(form->check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  form->cancel->Click();  // hidden button, clicked from code
  SendMessageW(form->cancel->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(cancels, 2);
  form->pages->SetActivePageIndex(2);
  EXPECT_EQ(form->pages->ActivePage()->Name, "Page2");
  int row = form->list->AddItem("x");
  form->list->SetChecked(row, true);
  EXPECT_TRUE(form->list->Checked(row));
  form->progress->SetRange(0, 10);
  form->progress->SetPosition(5);
  EXPECT_EQ(SendMessageW(form->progress->Handle(), PBM_GETPOS, 0, 0), ProgressBar::kScale / 2);
  // Nothing became visible on the way.
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(form->Showing());
}

TEST(FormWindow, BorderStylesSizeStateAndFlags) {
  struct Case {
    FormBorder border;
    LONG_PTR must, mustNot;
  };
  const Case cases[] = {
      {FormBorder::None, WS_POPUP, WS_CAPTION | WS_THICKFRAME},
      {FormBorder::Dialog, WS_CAPTION | WS_SYSMENU, WS_THICKFRAME | WS_MAXIMIZEBOX},
      {FormBorder::Single, WS_CAPTION, WS_THICKFRAME},
      {FormBorder::Sizeable, WS_CAPTION | WS_THICKFRAME, 0},
  };
  for (const Case& c : cases) {
    auto f = MakeForm("TForm_Border");
    f->SetBorderStyle(c.border);
    f->SetClientSize(640, 480);
    f->HandleNeeded();
    LONG_PTR style = GetWindowLongPtrW(f->Handle(), GWL_STYLE);
    EXPECT_EQ(style & c.must, c.must) << static_cast<int>(c.border);
    EXPECT_EQ(style & c.mustNot, 0) << static_cast<int>(c.border);
    RECT r;
    GetClientRect(f->Handle(), &r);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
    EXPECT_EQ(f->ClientWidth(), 640);
  }

  auto f = MakeForm("TForm_Flags", 200, 150);
  f->SetPosition(FormPosition::ScreenCenter);
  f->SetStayOnTop(true);
  f->SetAcceptFiles(true);
  f->SetMinSize(300, 250);
  f->Show();
  EXPECT_TRUE(GetWindowLongPtrW(f->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongPtrW(f->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  RECT wa, wr;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
  GetWindowRect(f->Handle(), &wr);
  EXPECT_NEAR((wr.left + wr.right) / 2, (wa.left + wa.right) / 2, 2);
  EXPECT_NEAR((wr.top + wr.bottom) / 2, (wa.top + wa.bottom) / 2, 2);
  MINMAXINFO mmi{};
  SendMessageW(f->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, 300);
  EXPECT_EQ(mmi.ptMinTrackSize.y, 250);

  auto m = MakeForm("TForm_Max");
  m->SetWindowState(WindowState::Maximized);
  m->Show();
  EXPECT_TRUE(IsZoomed(m->Handle()));
  EXPECT_EQ(m->State(), WindowState::Maximized);
}

// Whether the window covered its whole monitor each time it was hidden (or
// destroyed): recorded at WM_WINDOWPOSCHANGING with SWP_HIDEWINDOW.
struct HideWatch {
  std::vector<bool> coveredWhenHidden;
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_WINDOWPOSCHANGING && (reinterpret_cast<WINDOWPOS*>(lp)->flags & SWP_HIDEWINDOW) &&
        IsWindowVisible(h)) {
      RECT r;
      MONITORINFO mi{};
      mi.cbSize = sizeof mi;
      GetWindowRect(h, &r);
      GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi);
      reinterpret_cast<HideWatch*>(ref)->coveredWhenHidden.push_back(
          r.left <= mi.rcMonitor.left && r.top <= mi.rcMonitor.top && r.right >= mi.rcMonitor.right &&
          r.bottom >= mi.rcMonitor.bottom);
    }
    return DefSubclassProc(h, msg, wp, lp);
  }
};

TEST(FormWindow, AMaximisedFormNeverCoversTheScreenWhileItIsHidden) {
  // Under Wine hiding a window that covers its monitor unmaps the desktop
  // process's clipping window, which ends the program when that window is
  // not on its display. The form leaves the screen first, and comes back
  // maximised.
  HideWatch watch;
  auto f = MakeForm("TForm_Result", 400, 300);
  f->SetBorderStyle(FormBorder::Sizeable);
  f->SetWindowState(WindowState::Maximized);
  f->HandleNeeded();
  SetWindowSubclass(f->Handle(), &HideWatch::Proc, 1, reinterpret_cast<DWORD_PTR>(&watch));
  int shown = 0;
  auto* ok = new Button(f.get(), "Button_Ok", "OK");
  ok->ModalResult = mrOk;
  // Shown modally (hidden when the loop ends), then shown and hidden again.
  App().Post([&] {
    ++shown;
    EXPECT_TRUE(IsZoomed(f->Handle()));
    ok->Click();
  });
  EXPECT_EQ(f->ShowModal(), mrOk);
  f->Show();
  EXPECT_TRUE(IsZoomed(f->Handle()));
  EXPECT_EQ(f->State(), WindowState::Maximized);
  f->Hide();
  EXPECT_EQ(f->State(), WindowState::Maximized);
  f->Show();
  EXPECT_TRUE(IsZoomed(f->Handle()));
  HWND h = f->Handle();
  f.reset();  // destroyed while maximised and shown
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(shown, 1);
  ASSERT_EQ(watch.coveredWhenHidden.size(), 3u);
  for (bool covered : watch.coveredWhenHidden) EXPECT_FALSE(covered);
}

TEST(FormWindow, DroppedFilesArriveInOrder) {
  auto f = MakeForm("TForm_Drop");
  f->SetAcceptFiles(true);
  f->Show();
  std::vector<std::string> got;
  f->OnDropFiles = [&](const std::vector<std::string>& files) { got = files; };
  // An HDROP as the shell builds it: DROPFILES, then wide names, double zero.
  std::wstring names = std::wstring(L"C:\\a.txt") + L'\0' + L"C:\\Ordner\\b.dat" + L'\0' + L'\0';
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(mem);
  SendMessageW(f->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
  EXPECT_EQ(got, (std::vector<std::string>{"C:\\a.txt", "C:\\Ordner\\b.dat"}));
}

TEST(Application, RunEndsWhenTheMainFormCloses) {
  Form* main = nullptr;
  App().SetMainForm(nullptr);
  App().CreateForm(main, nullptr);
  std::unique_ptr<Form> holder(main);
  ASSERT_EQ(App().MainForm(), main);
  bool closeAsked = false;
  main->OnClose = [&](CloseAction&) { closeAsked = true; };
  App().Post([&] { PostMessageW(main->Handle(), WM_CLOSE, 0, 0); });
  App().Run();
  EXPECT_TRUE(closeAsked);
  EXPECT_TRUE(App().Terminated());
  App().ResetTerminated();
  App().SetMainForm(nullptr);
  // A modal loop entered after termination ends at once with Cancel.
  App().Terminate();
  auto f = MakeForm("TForm_AfterQuit");
  EXPECT_EQ(f->ShowModal(), mrCancel);
  App().ResetTerminated();
}

TEST(Application, ProcessMessagesIsReentrantAndThrottled) {
  int depthSeen = 0, runs = 0;
  std::function<void(int)> nest = [&](int level) {
    ++runs;
    depthSeen = std::max(depthSeen, App().PumpDepth());
    if (level < 3) {
      App().Post([&, level] { nest(level + 1); });
      App().ProcessMessages();
    }
  };
  App().Post([&] { nest(1); });
  App().ProcessMessages();
  EXPECT_EQ(runs, 3);
  EXPECT_GE(depthSeen, 3);
  EXPECT_EQ(App().PumpDepth(), 0);

  // The engines' throttled pump is the application's.
  test::TestPumpClock clock;
  int pumped = 0;
  App().Post([&] { ++pumped; });
  EXPECT_TRUE(PumpMessagesThrottled(30));
  EXPECT_EQ(pumped, 1);
  App().Post([&] { ++pumped; });
  EXPECT_FALSE(PumpMessagesThrottled(30));
  clock.Advance(30);
  EXPECT_TRUE(PumpMessagesThrottled(30));
  EXPECT_EQ(pumped, 2);
}

TEST(WindowNames, DriverFindsControlsByName) {
  auto f = MakeForm("TForm_Names");
  auto* b = new Button(f.get(), "Button_Weiter", "Weiter");
  auto* l = new Label(f.get(), "Label_Status", "Line 1\nLine 2");
  l->SetBounds(5, 6, 100, 30);
  f->Show();
  auto nameOf = [](HWND h) {
    auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(h, kNameProperty)));
    wchar_t buf[256] = {};
    if (atom) GlobalGetAtomNameW(atom, buf, 256);
    return std::wstring(buf);
  };
  EXPECT_EQ(nameOf(f->Handle()), L"TForm_Names");
  EXPECT_EQ(nameOf(b->Handle()), L"Button_Weiter");
  wchar_t cls[64];
  GetClassNameW(f->Handle(), cls, 64);
  EXPECT_STREQ(cls, kFormClass);

  // The graphic children, through the query message answered with WM_COPYDATA.
  static std::string reply;
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM lp) -> LRESULT {
    if (m == WM_COPYDATA) {
      auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lp);
      if (cds->dwData == kDescribeCopyDataId) reply.assign(static_cast<char*>(cds->lpData), cds->cbData);
      return TRUE;
    }
    return DefWindowProcW(h, m, w, lp);
  };
  wc.lpszClassName = L"QzTestReply";
  RegisterClassW(&wc);
  HWND replyWnd = CreateWindowW(L"QzTestReply", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  UINT query = RegisterWindowMessageW(kDescribeMessage);
  LRESULT n = SendMessageW(f->Handle(), query, reinterpret_cast<WPARAM>(replyWnd), 0);
  DestroyWindow(replyWnd);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(reply, "Label_Status\tLabel\t5\t6\t" + std::to_string(l->Width()) + "\t" +
                       std::to_string(l->Height()) + "\t1\t1\tLine 1\\nLine 2\n");
}

}  // namespace
}  // namespace qz::ui
