// One window with one of each control of the form and control layer.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "core/text.h"
#include "ui/ui.h"

using namespace qz::ui;

namespace {

class DemoForm : public Form {
 public:
  explicit DemoForm(Component* owner) : Form(owner, "TForm_UiDemo") {
    SetCaption("Form and control layer - demo");
    SetBorderStyle(FormBorder::Sizeable);
    SetPosition(FormPosition::ScreenCenter);
    SetClientSize(720, 520);
    SetMinSize(600, 450);
    SetColor(RGB(240, 240, 240));
    HelpKeyword = "MAIN";

    // Header: a picture drawn on its canvas, a bold label and an icon-like bevel over it.
    header_ = new Image(this, "Image_Header");
    header_->SetBounds(0, 0, 720, 60);
    header_->SetAnchors(AnchorLeft | AnchorTop | AnchorRight);
    header_->SetStretch(true);
    header_->Picture().SetSize(720, 60);
    for (int x = 0; x < 720; ++x)
      for (int y = 0; y < 60; ++y)
        header_->Picture().SetPixel(x, y, Argb(255, 99 - x / 10, 113 - x / 12, 177 - x / 20));
    auto* title = new Label(this, "Label_Title", "Form and control layer");
    title->SetFont(FontSpec{"Tahoma", 14, true, false, false, RGB(255, 255, 255)});
    title->SetBounds(16, 10, 0, 0);
    auto* sub = new Label(this, "Label_Sub", "Graphic controls painted over the header picture");
    sub->SetFont(FontSpec{"Tahoma", 8, false, false, false, RGB(230, 230, 255)});
    sub->SetBounds(18, 38, 0, 0);

    pages_ = new PageControl(this, "PageControl1");
    pages_->SetBounds(8, 68, 704, 380);
    pages_->SetAnchors(AnchorLeft | AnchorTop | AnchorRight | AnchorBottom);
    BuildStandardPage(new TabSheet(pages_, "TabSheet_Standard", "Standard"));
    BuildListPage(new TabSheet(pages_, "TabSheet_Lists", "Lists"));
    BuildGraphicPage(new TabSheet(pages_, "TabSheet_Graphics", "Graphics"));

    auto* bevel = new Bevel(this, "Bevel1");
    bevel->SetShape(Bevel::Shape::TopLine);
    bevel->SetBounds(8, 456, 704, 2);
    bevel->SetAnchors(AnchorLeft | AnchorRight | AnchorBottom);

    progress_ = new ProgressBar(this, "ProgressBar1");
    progress_->SetBounds(8, 466, 380, 18);
    progress_->SetRange(0, 5'000'000'000LL);  // 64-bit positions
    progress_->SetAnchors(AnchorLeft | AnchorBottom);

    status_ = new Label(this, "Label_Status", "Ready");
    status_->SetBounds(8, 492, 380, 0);
    status_->SetAnchors(AnchorLeft | AnchorBottom);

    auto* help = new Button(this, "Button_Help", "&Hilfe");
    help->SetBounds(480, 476, 75, 25);
    help->SetAnchors(AnchorRight | AnchorBottom);
    help->OnClick = [this] { App().RequestHelp(this); };
    auto* ok = new Button(this, "Button_Ok", "&Ok");
    ok->SetBounds(560, 476, 75, 25);
    ok->SetDefault(true);
    ok->SetAnchors(AnchorRight | AnchorBottom);
    ok->OnClick = [this] { status_->SetCaption("OK pressed (Enter clicks the default button)"); };
    auto* close = new Button(this, "Button_Close", "&Beenden");
    close->SetBounds(640, 476, 75, 25);
    close->SetCancel(true);
    close->SetAnchors(AnchorRight | AnchorBottom);
    close->OnClick = [this] { Close(); };

    timer_ = new Timer(this, "Timer1");
    timer_->SetInterval(100);
    timer_->OnTimer = [this] {
      int64_t p = progress_->Position() + 125'000'000LL;
      progress_->SetPosition(p > progress_->Max() ? 0 : p);
    };
    threadTimer_ = new ThreadTimer(this, "ThreadTimer1");
    threadTimer_->SetInterval(500);
    threadTimer_->OnTimer = [this] {
      ++ticks_;
      tickLabel_->SetCaption("Thread timer ticks: " + std::to_string(ticks_));
    };
  }

  void Start() {
    progress_->SetPosition(2'000'000'000LL);
    timer_->SetEnabled(true);
    threadTimer_->SetEnabled(true);
  }

  PageControl* pages_ = nullptr;

 private:
  void BuildStandardPage(TabSheet* page) {
    page->SetColor(RGB(255, 255, 255));
    auto* b = new Button(page, "Button_Demo", "&Button");
    b->SetBounds(12, 12, 90, 25);
    b->OnClick = [this] { status_->SetCaption("Button clicked"); };
    auto* cb = new CheckBox(page, "CheckBox_Demo", "&CheckBox over the page");
    cb->SetBounds(12, 48, 180, 17);
    cb->SetChecked(true);
    auto* group = new GroupBox(page, "GroupBox_Demo", "GroupBox");
    group->SetBounds(12, 76, 200, 74);
    auto* r1 = new RadioButton(group, "RadioButton_One", "Radio button one");
    r1->SetBounds(10, 20, 170, 17);
    r1->SetChecked(true);
    auto* r2 = new RadioButton(group, "RadioButton_Two", "Radio button two");
    r2->SetBounds(10, 44, 170, 17);

    auto* edit = new Edit(page, "Edit_Demo");
    edit->SetBounds(240, 12, 200, 21);
    edit->SetText("Edit");
    auto* pw = new Edit(page, "Edit_Password");
    pw->SetBounds(240, 40, 200, 21);
    pw->SetPasswordChar('*');
    pw->SetText("secret");
    auto* le = new LabeledEdit(page, "LabeledEdit_Demo");
    le->SetBounds(240, 88, 200, 21);
    le->SetCaption("LabeledEdit (its caption is the label):");
    auto* spin = new SpinEdit(page, "SpinEdit_Demo");
    spin->SetBounds(240, 118, 80, 21);
    spin->SetRange(0, 100);
    spin->SetValue(42);
    auto* fe = new FilenameEdit(page, "FilenameEdit_Demo");
    fe->SetBounds(240, 148, 200, 21);
    fe->SetFileName("C:\\windows\\win.ini");

    auto* combo = new ComboBox(page, "ComboBox_Demo");
    combo->SetBounds(470, 12, 200, 21);
    combo->SetItems({"Deutsch", "English", "Francais"});
    combo->SetItemIndex(0);
    auto* list = new ListBox(page, "ListBox_Demo");
    list->SetBounds(470, 44, 200, 125);
    list->SetItems({"ListBox item 1", "ListBox item 2", "ListBox item 3"});
    list->SetItemIndex(1);

    auto* panel = new Panel(page, "Panel_Demo");
    panel->SetBounds(12, 190, 658, 60);
    panel->SetBevelOuter(Panel::Bevel::Lowered);
    panel->SetColor(RGB(250, 246, 225));
    auto* pl = new Label(panel, "Label_InPanel", "A Panel with a lowered bevel and a label; the progress bar below is driven by a Timer.");
    pl->SetBounds(10, 10, 0, 0);
    tickLabel_ = new Label(panel, "Label_Ticks", "Thread timer ticks: 0");
    tickLabel_->SetBounds(10, 32, 0, 0);
  }

  void BuildListPage(TabSheet* page) {
    images_ = new ImageList(this, "ImageList1", 16, 16);
    images_->AddIcon(LoadIcon(nullptr, IDI_INFORMATION));
    images_->AddIcon(LoadIcon(nullptr, IDI_WARNING));
    images_->AddIcon(LoadIcon(nullptr, IDI_ERROR));
    auto* lv = new ListView(page, "ListView_Demo");
    lv->CheckBoxes = true;
    lv->SortOnColumnClick = true;
    lv->SetAlign(AlignMode::Client);
    lv->SetSmallImages(images_);
    lv->AddColumn("Laufwerk", 220);
    lv->AddColumn("Pfad", 120);
    lv->AddColumn("Größe", 100, Alignment::Right);
    const char* names[] = {"Lokaler Datenträger", "Daten", "Sicherung", "Archiv", "Spiele"};
    for (int i = 0; i < 5; ++i) {
      int r = lv->AddItem(names[i], {std::string(1, static_cast<char>('C' + i)) + ":\\", std::to_string((i * 37 % 5 + 1) * 1000)}, i % 3);
      lv->SetChecked(r, i % 2 == 0);
    }
    lv->SetItemIndex(0);
    auto* menu = new PopupMenu(this, "PopupMenu1");
    auto* all = new MenuItem(menu, "PopUp_MarkAll", "Alle Objekte markieren");
    all->OnClick = [lv] {
      for (int i = 0; i < lv->ItemCount(); ++i) lv->SetChecked(i, true);
    };
    new MenuItem(menu, "PopUp_Sep", "-");
    auto* none = new MenuItem(menu, "PopUp_UnmarkAll", "Kein Objekt markieren");
    none->OnClick = [lv] {
      for (int i = 0; i < lv->ItemCount(); ++i) lv->SetChecked(i, false);
    };
    lv->Popup = menu;
  }

  void BuildGraphicPage(TabSheet* page) {
    page->SetColor(RGB(255, 255, 255));
    auto* rich = new RichLabel(page, "JvLinkLabel_Demo");
    rich->SetBounds(12, 12, 330, 0);
    rich->SetCaption(
        "A <b>RichLabel</b> renders <b>bold</b>, <u>underlined</u> and <i>italic</i> text, "
        "wraps words at its width,<br>breaks lines at &lt;br&gt; and shows "
        "<link>links</link> that can be clicked.");
    rich->OnLinkClick = [this](int, const std::string& text, const std::string&) {
      status_->SetCaption("Link clicked: " + text);
    };
    auto* wrap = new Label(page, "Label_Wrap");
    wrap->SetWordWrap(true);
    wrap->SetBounds(12, 110, 330, 0);
    wrap->SetCaption("A Label with word wrap: this text is longer than the label is wide, so it continues on the next line.");
    auto* bevel = new Bevel(page, "Bevel_Box");
    bevel->SetBounds(370, 12, 300, 150);
    auto* img = new Image(page, "Image_Demo");
    img->SetBounds(380, 22, 280, 130);
    img->SetProportional(true);
    img->SetStretch(true);
    img->SetCenter(true);
    qz::ui::Picture pic(64, 32, Argb(255, 255, 255, 255));
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 64; ++x)
        pic.SetPixel(x, y, ((x / 8 + y / 8) % 2) ? Argb(255, 99, 113, 177) : Argb(128, 255, 160, 0));
    pic.SetTransparent(true);
    img->SetPicture(pic);
    auto* cap = new Label(page, "Label_ImageCaption", "Image: proportional, stretched, centred (half-transparent squares)");
    cap->SetBounds(370, 170, 0, 0);
  }

  Image* header_ = nullptr;
  ProgressBar* progress_ = nullptr;
  Label* status_ = nullptr;
  Label* tickLabel_ = nullptr;
  Timer* timer_ = nullptr;
  ThreadTimer* threadTimer_ = nullptr;
  ImageList* images_ = nullptr;
  int ticks_ = 0;
};

// Copies the window's screen pixels into a PNG file.
bool SaveWindowPicture(HWND hwnd, const std::string& path) {
  RECT r;
  GetWindowRect(hwnd, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  qz::ui::Picture pic;
  bool ok = pic.AssignBitmap(bmp) && pic.SaveToFile(path);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return ok;
}

void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    App().ProcessMessages();
    Sleep(10);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::string shotDir;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::wstring(argv[i]) == L"--screenshot") shotDir = qz::Narrow(argv[i + 1]);
  LocalFree(argv);

  App().SetTitle("UI demo");
  App().SetHelpHook([](Form* f, int, const std::string& keyword) {
    MessageDlg(f, "Help requested for topic \"" + keyword + "\"", qz::MsgKind::Information);
  });
  DemoForm* form = nullptr;
  App().CreateForm(form, &App());
  form->Start();
  if (shotDir.empty()) {
    App().Run();
    return 0;
  }
  form->Show();
  for (int page = 0; page < form->pages_->PageCount(); ++page) {
    form->pages_->SetActivePageIndex(page);
    PumpFor(page == 0 ? 1500 : 600);
    SaveWindowPicture(form->Handle(), shotDir + "\\page" + std::to_string(page) + ".png");
  }
  return 0;
}
