// Windowed controls: page control, timers, progress bar, list view, check
// boxes and radio buttons, edits, lists, dialogs and menus through their
// hooks, alignment and anchors.
#include <gtest/gtest.h>

#include "ui_test_util.h"

namespace qz::ui {
namespace {

using test::MakeForm;
using test::PumpFor;
using test::PumpUntil;

TEST(PageControl, PagesSwitchByCodeWithTabsHiddenOrShown) {
  auto form = MakeForm("TForm_Pages", 400, 300);
  auto* pc = new PageControl(form.get(), "JvPageControl1");
  pc->SetBounds(0, 50, 400, 250);
  std::vector<TabSheet*> pages;
  for (const char* n : {"Start", "Suche", "Ergebniss"}) pages.push_back(new TabSheet(pc, std::string("Page_") + n, n));
  pc->SetTabsVisible(false);
  pc->SetPageInset(4, 4, 4, 4);
  int changes = 0;
  pc->OnChange = [&] { ++changes; };
  form->Show();

  EXPECT_EQ(pc->ActivePageIndex(), 0);  // the first page is active at start
  for (int i : {2, 1, 0, 2}) {
    pc->SetActivePageIndex(i);
    EXPECT_EQ(pc->ActivePage(), pages[static_cast<size_t>(i)]);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(IsWindowVisible(pages[static_cast<size_t>(k)]->Handle()) != FALSE, k == i) << i << "/" << k;
      EXPECT_EQ(pages[static_cast<size_t>(k)]->Visible(), k == i);
    }
  }
  EXPECT_EQ(changes, 0);  // switching by code is not a user change
  // Hidden tabs: no tab items; the pages fill the control less the inset.
  EXPECT_EQ(SendMessageW(pc->Handle(), TCM_GETITEMCOUNT, 0, 0), 0);
  RECT r = pages[0]->BoundsRect();
  RECT expected{4, 4, 396, 246};
  EXPECT_TRUE(EqualRect(&r, &expected)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;

  // Shown tabs: one per page, pages below the tabs, the user's choice arrives.
  pc->SetPageInset(0, 0, 0, 0);
  pc->SetTabsVisible(true);
  EXPECT_EQ(SendMessageW(pc->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_GT(pages[0]->Top(), 10);
  pages[1]->SetTabVisible(false);
  EXPECT_EQ(SendMessageW(pc->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
  pages[1]->SetTabVisible(true);
  // The user clicks the second tab: the control sends the notifications.
  NMHDR nm{pc->Handle(), static_cast<UINT_PTR>(pc->ControlId()), TCN_SELCHANGING};
  bool allow = false;
  pc->OnChanging = [&](bool& a) { a = allow; };
  EXPECT_EQ(SendMessageW(form->Handle(), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm)), TRUE);
  SendMessageW(pc->Handle(), TCM_SETCURSEL, 1, 0);
  nm.code = TCN_SELCHANGE;
  SendMessageW(form->Handle(), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
  EXPECT_EQ(pc->ActivePage(), pages[1]);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(IsWindowVisible(pages[1]->Handle()));
  EXPECT_FALSE(IsWindowVisible(pages[2]->Handle()));

  // Freeing the active page makes the first one active.
  delete pages[1];
  EXPECT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), pages[0]);
}

TEST(PageControl, EraseHookPaintsControlAndPages) {
  auto form = MakeForm("TForm_PagesErase", 200, 200);
  auto* pc = new PageControl(form.get(), "PageControl1");
  pc->SetBounds(0, 0, 200, 200);
  pc->SetTabsVisible(false);
  pc->SetPageInset(10, 10, 10, 10);
  auto* page = new TabSheet(pc, "Page1");
  auto fill = [](HDC dc, COLORREF c) {
    RECT r{0, 0, 1000, 1000};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
    return true;
  };
  pc->OnEraseBackground = [&](HDC dc) { return fill(dc, RGB(0, 255, 255)); };
  page->OnEraseBackground = [&](HDC dc) { return fill(dc, RGB(255, 255, 0)); };
  form->Show();
  test::Capture capPage(page->Handle());
  EXPECT_EQ(capPage.Pixel(5, 5), RGB(255, 255, 0));
  test::Capture capCtl(pc->Handle(), WM_ERASEBKGND);
  EXPECT_EQ(capCtl.Pixel(2, 2), RGB(0, 255, 255));
  // Without hooks the page takes its colour.
  page->OnEraseBackground = nullptr;
  page->SetColor(RGB(255, 255, 255));
  test::Capture capWhite(page->Handle());
  EXPECT_EQ(capWhite.Pixel(5, 5), RGB(255, 255, 255));
}

TEST(Timers, EventsRunOnlyWhileTheLoopPumps) {
  Timer timer(nullptr, "Timer1");
  ThreadTimer threadTimer(nullptr, "ThreadTimer1");
  int ticks = 0, threadTicks = 0;
  DWORD threadId = 0;
  timer.OnTimer = [&] { ++ticks; };
  threadTimer.OnTimer = [&] {
    ++threadTicks;
    threadId = GetCurrentThreadId();
  };
  timer.SetInterval(20);
  threadTimer.SetInterval(20);
  timer.SetEnabled(true);
  threadTimer.SetEnabled(true);
  // A loop that does not pump sees nothing.
  Sleep(200);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(threadTicks, 0);
  // One pump after a long time runs each at most once: nothing piles up.
  App().ProcessMessages();
  EXPECT_LE(ticks, 1);
  EXPECT_EQ(threadTicks, 1);
  EXPECT_EQ(threadId, GetCurrentThreadId());  // on the GUI thread
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3 && threadTicks >= 3; }));
  // Disabled: no more events, also none already on their way.
  timer.SetEnabled(false);
  threadTimer.SetEnabled(false);
  int t = ticks, tt = threadTicks;
  PumpFor(100);
  EXPECT_EQ(ticks, t);
  EXPECT_EQ(threadTicks, tt);
  // A handler may stop its own timer.
  threadTimer.OnTimer = [&] {
    ++threadTicks;
    threadTimer.SetEnabled(false);
  };
  threadTimer.SetEnabled(true);
  PumpFor(150);
  EXPECT_EQ(threadTicks, tt + 1);
  EXPECT_FALSE(threadTimer.Enabled());
}

TEST(Timers, AThreadTimerFreedByItsOwnHandler) {
  auto* t = new ThreadTimer(nullptr);
  int ran = 0;
  t->SetInterval(10);
  t->OnTimer = [&] {
    ++ran;
    delete t;
  };
  t->SetEnabled(true);
  PumpFor(100);
  EXPECT_EQ(ran, 1);
}

TEST(ProgressBar, SixtyFourBitPositionsAreScaled) {
  auto form = MakeForm("TForm_Progress");
  auto* pb = new ProgressBar(form.get(), "ProgressBar1");
  form->HandleNeeded();
  struct Case {
    int64_t min, max, pos;
    int64_t storedPos;
    int scaled;
  } cases[] = {
      {0, 100, 50, 50, 5000},
      {0, 8'000'000'000'000LL, 4'000'000'000'000LL, 4'000'000'000'000LL, 5000},
      {0, INT64_MAX, INT64_MAX / 4, INT64_MAX / 4, 2499},
      {-5'000'000'000LL, 5'000'000'000LL, 0, 0, 5000},
      {INT64_MIN, INT64_MAX, INT64_MAX, INT64_MAX, 10000},
      {0, 10, 11, 10, 10000},  // kept within the range
      {0, 10, -3, 0, 0},
      {0, 0, 5, 0, 0},  // no range: empty bar
      {10, 5, 7, 10, 0},
  };
  for (const Case& c : cases) {
    pb->SetRange(c.min, c.max);
    pb->SetPosition(c.pos);
    EXPECT_EQ(pb->Position(), c.storedPos) << c.min << ".." << c.max << " @" << c.pos;
    EXPECT_EQ(pb->ScaledPosition(), c.scaled) << c.min << ".." << c.max << " @" << c.pos;
    EXPECT_EQ(SendMessageW(pb->Handle(), PBM_GETPOS, 0, 0), c.scaled);
  }
  pb->SetRange(0, 3'000'000'000LL);
  pb->SetPosition(0);
  pb->Step = 1'500'000'000LL;
  pb->StepIt();
  EXPECT_EQ(SendMessageW(pb->Handle(), PBM_GETPOS, 0, 0), 5000);
}

TEST(ListView, RowsChecksSortingAndTheUsersChanges) {
  auto form = MakeForm("TForm_List", 400, 300);
  auto* lv = new ListView(form.get(), "ListView_Drives");
  lv->CheckBoxes = true;
  lv->AddColumn("Laufwerk", 150);
  lv->AddColumn("Größe", 80, Alignment::Right);
  // Rows added before the window exists are there after.
  lv->AddItem("beta", {"20"});
  lv->AddItem("Alpha", {"100"});
  lv->SetChecked(1, true);
  form->Show();
  lv->AddItem("gamma", {"3"}, -1, 77);
  ASSERT_EQ(lv->ItemCount(), 3);
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 3);
  auto stateChecked = [&](int i) {
    return ((SendMessageW(lv->Handle(), LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2;
  };
  EXPECT_TRUE(stateChecked(1));
  EXPECT_FALSE(stateChecked(0));

  std::vector<int> userChecks;
  lv->OnItemChecked = [&](int i) { userChecks.push_back(i); };
  lv->SetChecked(0, true);  // from code: no event
  EXPECT_TRUE(userChecks.empty());
  // The user toggles a box: the control changes the state itself.
  LVITEMW st{};
  st.stateMask = LVIS_STATEIMAGEMASK;
  st.state = INDEXTOSTATEIMAGEMASK(2);
  SendMessageW(lv->Handle(), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&st));
  EXPECT_EQ(userChecks, std::vector<int>{2});
  EXPECT_TRUE(lv->Checked(2));

  // Text sort (case-insensitive) and number sort; checks and data move with their rows.
  lv->SortByColumn(0);
  EXPECT_EQ(lv->ItemText(0), "Alpha");
  EXPECT_EQ(lv->ItemText(1), "beta");
  EXPECT_EQ(lv->ItemText(2), "gamma");
  lv->SortByColumn(1, false);
  EXPECT_EQ(lv->ItemText(0, 1), "100");
  EXPECT_EQ(lv->ItemText(2, 1), "3");
  EXPECT_EQ(lv->ItemData(2), 77);
  EXPECT_TRUE(lv->Checked(2));
  EXPECT_TRUE(stateChecked(2));
  wchar_t buf[32];
  LVITEMW get{};
  get.iSubItem = 1;
  get.pszText = buf;
  get.cchTextMax = 32;
  SendMessageW(lv->Handle(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&get));
  EXPECT_STREQ(buf, L"100");

  // A click on a header sorts when asked to; a second click reverses.
  lv->SortOnColumnClick = true;
  NMLISTVIEW click{};
  click.hdr = NMHDR{lv->Handle(), static_cast<UINT_PTR>(lv->ControlId()), LVN_COLUMNCLICK};
  click.iSubItem = 0;
  SendMessageW(form->Handle(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(lv->ItemText(0), "Alpha");
  SendMessageW(form->Handle(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(lv->ItemText(0), "gamma");

  lv->SetItemIndex(1);
  EXPECT_EQ(lv->ItemIndex(), 1);
  EXPECT_EQ(lv->SelectedIndices(), std::vector<int>{1});
  lv->DeleteItem(0);
  EXPECT_EQ(lv->ItemCount(), 2);
  EXPECT_EQ(lv->ItemIndex(), 0);
  lv->Clear();
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST(Buttons, CheckBoxRadioGroupsAndButtonClicks) {
  auto form = MakeForm("TForm_Buttons", 400, 300);
  auto* group1 = new GroupBox(form.get(), "Group1", "Eins");
  group1->SetBounds(0, 0, 200, 150);
  auto* group2 = new GroupBox(form.get(), "Group2", "Zwei");
  group2->SetBounds(200, 0, 200, 150);
  RadioButton* a[3];
  for (int i = 0; i < 3; ++i) a[i] = new RadioButton(group1, "R" + std::to_string(i), "r");
  auto* other = new RadioButton(group2, "Other", "o");
  other->SetChecked(true);
  std::vector<std::string> clicks;
  for (auto* r : a) r->OnClick = [&clicks, r] { clicks.push_back(r->Name); };
  a[0]->SetChecked(true);
  form->Show();
  // The user picks the third one: the first goes off, the other group keeps its own.
  SendMessageW(a[2]->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(a[0]->Checked());
  EXPECT_TRUE(a[2]->Checked());
  EXPECT_EQ(SendMessageW(a[0]->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(a[2]->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(other->Checked());
  // Clicking the checked one again changes nothing.
  SendMessageW(a[2]->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, (std::vector<std::string>{"R0", "R2"}));

  auto* check = new CheckBox(form.get(), "Check", "c");
  form->HandleNeeded();
  PumpFor(10);  // the new control gets its window at the next pump
  ASSERT_NE(check->Handle(), nullptr);
  int checkClicks = 0;
  check->OnClick = [&] { ++checkClicks; };
  check->SetChecked(true);   // changed from code: OnClick runs
  check->SetChecked(true);   // unchanged: nothing
  SendMessageW(check->Handle(), BM_CLICK, 0, 0);  // the user unchecks it
  EXPECT_FALSE(check->Checked());
  EXPECT_EQ(checkClicks, 2);

  auto* b = new Button(form.get(), "Button1", "&Los");
  PumpFor(10);
  int bClicks = 0;
  b->OnClick = [&] { ++bClicks; };
  b->SetEnabled(false);
  b->Hide();
  b->Click();  // from code, hidden and disabled
  EXPECT_EQ(bClicks, 1);
}

TEST(Edits, PasswordLabelSpinFileNameComboAndListBox) {
  auto form = MakeForm("TForm_Edits", 500, 300);
  auto* pw = new Edit(form.get(), "Edit_Password");
  pw->SetPasswordChar('*');
  auto* le = new LabeledEdit(form.get(), "LabeledEdit1");
  le->SetBounds(100, 100, 120, 21);
  le->SetCaption("Name:");
  auto* spin = new SpinEdit(form.get(), "SpinEdit1");
  spin->SetRange(1, 10);
  spin->SetValue(50);
  auto* fe = new FilenameEdit(form.get(), "FilenameEdit1");
  auto* combo = new ComboBox(form.get(), "ComboBox_Languages");
  combo->SetItems({"Deutsch", "English"});
  combo->SetItemIndex(1);
  auto* list = new ListBox(form.get(), "ListBox1");
  list->Sorted = true;
  for (const char* s : {"b", "C", "a"}) list->AddItem(s);
  list->SetItemIndex(2);
  form->Show();

  EXPECT_EQ(SendMessageW(pw->Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
  pw->SetPasswordChar(0);
  EXPECT_EQ(SendMessageW(pw->Handle(), EM_GETPASSWORDCHAR, 0, 0), 0);

  // The label sits above the edit and moves with it.
  EXPECT_EQ(le->Caption(), "Name:");
  EXPECT_EQ(le->EditLabel()->Left(), 100);
  EXPECT_EQ(le->EditLabel()->Top() + le->EditLabel()->Height() + 3, 100);
  le->SetBounds(50, 200, 120, 21);
  EXPECT_EQ(le->EditLabel()->Left(), 50);
  le->Hide();
  EXPECT_FALSE(le->EditLabel()->Visible());

  EXPECT_EQ(spin->Value(), 10);  // kept within the range
  spin->EditControl()->SetText("7");
  EXPECT_EQ(spin->Value(), 7);
  spin->EditControl()->SetText("");
  EXPECT_EQ(spin->Value(), 1);

  // The file dialog is answered by the hook.
  int changes = 0;
  fe->OnChange = [&] { ++changes; };
  fe->Filter = "Text (*.txt)|*.txt";
  std::string seenFilter;
  SetDialogHook([&](Component& d) {
    auto* od = dynamic_cast<OpenDialog*>(&d);
    if (!od) return false;
    seenFilter = od->Filter;
    od->FileName = "C:\\qztests\\x.txt";
    return true;
  });
  SendMessageW(fe->BrowseButton()->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(fe->FileName(), "C:\\qztests\\x.txt");
  EXPECT_EQ(seenFilter, "Text (*.txt)|*.txt");
  EXPECT_GE(changes, 1);
  SetDialogHook([](Component&) { return false; });  // cancelled
  EXPECT_FALSE(fe->Browse());
  EXPECT_EQ(fe->FileName(), "C:\\qztests\\x.txt");
  // The folder dialog through the same hook.
  FolderDialog fd(nullptr);
  SetDialogHook([](Component& d) {
    auto* f = dynamic_cast<FolderDialog*>(&d);
    if (f) f->Directory = "C:\\Ordner";
    return f != nullptr;
  });
  EXPECT_TRUE(fd.Execute());
  EXPECT_EQ(fd.Directory, "C:\\Ordner");
  SetDialogHook(nullptr);

  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "English");
  EXPECT_EQ(SendMessageW(combo->Handle(), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"a", "b", "C"}));
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCURSEL, 0, 0), 2);
  list->DeleteItem(0);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(list->ItemText(1), "C");
}

TEST(Menus, PopupThroughTheTestHookAndContextMessage) {
  auto form = MakeForm("TForm_Menu", 300, 200);
  auto* panel = new Panel(form.get(), "Panel1");
  panel->SetBounds(0, 0, 300, 200);
  auto* menu = new PopupMenu(form.get(), "PopupMenu1");
  auto* markAll = new MenuItem(menu, "PopUp_MarkAll", "Alle markieren");
  new MenuItem(menu, "PopUp_Sep", "-");
  auto* help = new MenuItem(menu, "PopUp_Help", "Hilfe");
  panel->Popup = menu;
  form->Show();
  std::vector<std::string> log;
  markAll->OnClick = [&] { log.push_back("markAll"); };
  help->OnClick = [&] { log.push_back("help"); };
  menu->OnPopup = [&] { log.push_back(std::string("popup for ") + (menu->PopupComponent ? menu->PopupComponent->Name : "?")); };
  PopupMenu::SetTestHook([&](PopupMenu& m) -> MenuItem* {
    EXPECT_EQ(m.Items().size(), 3u);
    EXPECT_TRUE(m.Items()[1]->IsSeparator());
    return help;
  });
  POINT p{50, 50};
  ClientToScreen(panel->Handle(), &p);
  SendMessageW(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()), MAKELPARAM(p.x, p.y));
  PopupMenu::SetTestHook([](PopupMenu&) -> MenuItem* { return nullptr; });
  SendMessageW(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()), MAKELPARAM(p.x, p.y));
  PopupMenu::SetTestHook(nullptr);
  markAll->Click();
  EXPECT_EQ(log, (std::vector<std::string>{"popup for Panel1", "help", "popup for Panel1", "markAll"}));
}

TEST(Layout, AlignAndAnchorsFollowResizes) {
  auto form = MakeForm("TForm_Layout", 400, 300);
  form->SetBorderStyle(FormBorder::Sizeable);
  auto* top = new Panel(form.get(), "Top");
  top->SetHeight(40);
  top->SetAlign(AlignMode::Top);
  auto* bottom = new Panel(form.get(), "Bottom");
  bottom->SetHeight(30);
  bottom->SetAlign(AlignMode::Bottom);
  auto* client = new Panel(form.get(), "Client");
  client->SetAlign(AlignMode::Client);
  auto* ok = new Button(bottom, "Button_Ok");
  ok->SetBounds(400 - 8 - 75, 2, 75, 25);
  ok->SetAnchors(AnchorRight | AnchorTop);
  auto* wide = new Edit(client, "Edit1");
  wide->SetBounds(10, 10, 380, 21);
  wide->SetAnchors(AnchorLeft | AnchorTop | AnchorRight);
  int resizes = 0;
  form->OnResize = [&] { ++resizes; };
  form->Show();
  EXPECT_EQ(top->Width(), 400);
  EXPECT_EQ(bottom->Top(), 270);
  EXPECT_EQ(client->Top(), 40);
  EXPECT_EQ(client->Height(), 230);

  form->SetClientSize(600, 400);
  EXPECT_GT(resizes, 0);
  EXPECT_EQ(top->Width(), 600);
  EXPECT_EQ(bottom->Top(), 370);
  EXPECT_EQ(client->Height(), 330);
  EXPECT_EQ(ok->Left(), 600 - 8 - 75);
  EXPECT_EQ(wide->Width(), 580);
  RECT r;
  GetWindowRect(ok->Handle(), &r);
  MapWindowPoints(nullptr, bottom->Handle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 600 - 8 - 75);
}

}  // namespace
}  // namespace qz::ui

namespace qz::ui {
namespace {

TEST(ImageList, PicturesStripsAndIcons) {
  ImageList list(nullptr, "ImageList1", 16, 16);
  EXPECT_EQ(list.Count(), 0);
  // A strip of three images, a single one, a picture of another size (centred), an icon.
  Picture strip(48, 16, Argb(255, 255, 0, 0));
  EXPECT_EQ(list.Add(strip), 0);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Add(Picture(16, 16, Argb(128, 0, 0, 255))), 3);
  EXPECT_EQ(list.Add(Picture(8, 8, Argb(255, 0, 255, 0))), 4);
  EXPECT_EQ(list.AddIcon(LoadIcon(nullptr, IDI_WARNING)), 5);
  EXPECT_EQ(list.Count(), 6);
  EXPECT_EQ(list.Add(Picture()), -1);
  int w = 0, h = 0;
  ImageList_GetIconSize(list.Handle(), &w, &h);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 16);
  // Drawn: the red strip image shows red.
  Picture target(16, 16, Argb(255, 255, 255, 255));
  list.Draw(target.Canvas(), 0, 0, 1);
  GdiFlush();
  EXPECT_EQ(target.Pixel(8, 8), Argb(255, 255, 0, 0));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace qz::ui
