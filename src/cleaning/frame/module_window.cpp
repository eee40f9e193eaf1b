#include "cleaning/frame/module_window.h"

#include <exception>

#include "cleaning/frame/backup_page.h"
#include "core/globals.h"
#include "skin/skin.h"
#include "ui/application.h"
#include "ui/form_translation.h"
#include "ui/graphics.h"
#include "ui/help_router.h"
#include "ui/pagecontrol.h"
#include "ui/stdctrls.h"

namespace qz::cleaning {

namespace {
constexpr int kButtonTop = 447;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
}  // namespace

ModuleWindow::ModuleWindow(ui::Component* owner, std::string name, ModuleInfo info)
    : Form(owner, std::move(name)), info_(std::move(info)) {
  SetBorderStyle(ui::FormBorder::Dialog);
  SetBorderIcons(ui::IconSystemMenu | ui::IconMinimize);
  SetPosition(ui::FormPosition::ScreenCenter);
  SetClientSize(640, 480);
  SetCaption(ProductTitle);

  Image_Header = new ui::Image(this, "Image_Header");
  Image_Header->SetBounds(0, 0, 640, 77);
  Image_Header->SetStretch(true);
  Image_HeaderKreis = new ui::Image(this, "Image_HeaderKreis");
  Image_HeaderKreis->SetBounds(6, 6, 49, 49);
  Image_HeaderIcon = new ui::Image(this, "Image_HeaderIcon");
  Image_HeaderIcon->SetBounds(16, 16, 32, 32);

  JvPageControl1 = new ui::PageControl(this, "JvPageControl1");
  JvPageControl1->ButtonStyle = true;
  JvPageControl1->SetTabsVisible(false);
  JvPageControl1->SetBounds(0, 77, 640, 359);
  JvPageControl1->SetColor(RGB(255, 255, 255));

  Bevel1 = new ui::Bevel(this, "Bevel1");
  Bevel1->SetShape(ui::Bevel::Shape::TopLine);
  Bevel1->SetBounds(0, 436, 640, 4);

  Button_Help = new ui::Button(this, "Button_Help", "&Hilfe");
  Button_Help->SetBounds(8, kButtonTop, kButtonWidth, kButtonHeight);
  Button_Help->Tag = 1;
  Button_Zurueck = new ui::Button(this, "Button_Zurueck", "< &Zurück");
  Button_Zurueck->SetBounds(384, kButtonTop, kButtonWidth, kButtonHeight);
  Button_Zurueck->SetEnabled(false);
  Button_Zurueck->Tag = 1;
  Button_Weiter = new ui::Button(this, "Button_Weiter", "&Weiter >");
  Button_Weiter->SetBounds(464, kButtonTop, kButtonWidth, kButtonHeight);
  Button_Weiter->SetDefault(true);
  Button_Weiter->Tag = 1;
  Button_Close = new ui::Button(this, "Button_Close", "&Beenden");
  Button_Close->SetBounds(556, kButtonTop, kButtonWidth, kButtonHeight);
  Button_Close->Tag = 1;
  if (info_.HasCancel) {
    Button_Cancel = new ui::Button(this, "Button_Cancel", "&Abbrechen");
    Button_Cancel->SetBounds(556, kButtonTop, kButtonWidth, kButtonHeight);
    Button_Cancel->SetVisible(false);
    Button_Cancel->Tag = 1;
    Button_Cancel->OnClick = [] { AbortFlag = 1; };
  }

  const TranslationButtons tb = AddTranslationButtons(*this, [this] {
    TranslateForm(TranslationFile, *this);
    TranslateExtras();
  });
  Button_SaveTranslation = tb.save;
  Button_LoadTranslation = tb.load;
  Button_SaveTranslation->SetBounds(100, kButtonTop, 110, kButtonHeight);
  Button_LoadTranslation->SetBounds(220, kButtonTop, 130, kButtonHeight);

  Button_Help->OnClick = [this] { ShowHelpTopic(info_.Code); };
  Button_Close->OnClick = [this] { Close(); };
  Button_Zurueck->OnClick = [this] { BackClick(); };
  Button_Weiter->OnClick = [this] { NextClick(); };
  // F1 on the window does nothing; help comes from the help button.
  OnHelp = [] { return true; };

  // A close while a run pumps messages: the run is asked to stop and the
  // window closes once it has returned.
  OnDeferredClose = [this] { RequestStop(); };
  OnCloseQuery = [this](bool& canClose) {
    if (running_) {
      RequestStop();
      closeAfterRun_ = true;
      canClose = false;
    }
  };
}

ui::TabSheet* ModuleWindow::AddWizardPage(const std::string& name, const std::string& caption) {
  auto* page = new ui::TabSheet(JvPageControl1, name, caption);
  page->SetColor(RGB(255, 255, 255));
  return page;
}

void ModuleWindow::AddStartPage(const std::string& title, const std::string& text, int textHeight) {
  TabSheet_Start = AddWizardPage("TabSheet_Start", "Start");
  Label_Start_Header = AddPageTitle(TabSheet_Start, "Label_Start_Header", title);
  JvLinkLabel_Start = AddPageText(TabSheet_Start, "JvLinkLabel_Start", text, 48, textHeight);
}

void ModuleWindow::AddStartChoices(int top, int step, std::initializer_list<ChoiceSlot> choices) {
  for (const ChoiceSlot& c : choices) {
    c.Choice = AddChoice(TabSheet_Start, c.Name, c.Caption, 40, top);
    top += step;
  }
  if (choices.size() > 0) choices.begin()->Choice->SetChecked(true);
}

BackupPage* ModuleWindow::AddBackupsPage(const std::string& title, const std::string& text, const std::string& code,
                                         bool counts) {
  ui::TabSheet* page = AddWizardPage("TabSheet_Backups", "Backups");
  AddPageTitle(page, "Label_Backups_Header", title);
  AddPageText(page, "JvLinkLabel_Backups", text, 40, 18);
  return new BackupPage(this, page, code, counts);
}

ui::Label* ModuleWindow::AddPageTitle(ui::TabSheet* page, const std::string& name, const std::string& caption) {
  auto* l = new ui::Label(page, name, caption);
  ui::FontSpec f;
  f.size = 12;
  f.bold = true;
  f.color = kPageTitleColor;
  l->SetFont(f);
  l->SetBounds(16, 12, 600, 22);
  l->Tag = 1;
  return l;
}

ui::RichLabel* ModuleWindow::AddPageText(ui::TabSheet* page, const std::string& name, const std::string& caption,
                                         int top, int height) {
  auto* l = new ui::RichLabel(page, name, caption);
  l->SetBounds(16, top, 600, height);
  l->Tag = 1;
  return l;
}

ui::Label* ModuleWindow::AddLineLabel(ui::TabSheet* page, const std::string& name, int top) {
  auto* l = new ui::Label(page, name);
  l->SetAutoSize(false);
  l->SetEndEllipsis(true);
  l->SetShowAccelChar(false);
  l->SetBounds(16, top, 608, 16);
  return l;
}

ui::RadioButton* AddChoice(ui::WinControl* parent, const char* name, const char* caption, int left, int top,
                           int width) {
  auto* r = new ui::RadioButton(parent, name, caption);
  r->SetBounds(left, top, width, 22);
  r->SetTabStop(true);
  r->Tag = 1;
  return r;
}

void BuildDialog(ui::Form& window, const std::string& caption, int width, int height) {
  window.SetBorderStyle(ui::FormBorder::Dialog);
  window.SetBorderIcons(ui::IconSystemMenu);
  window.SetPosition(ui::FormPosition::ScreenCenter);
  window.SetClientSize(width, height);
  window.SetCaption(caption);
  window.Tag = 1;
}

ui::PageControl* BuildOptionsWindow(ui::Form& window, const std::string& caption, int width, int height) {
  BuildDialog(window, caption, width, height);
  auto* pages = new ui::PageControl(&window, "PageControl1");
  pages->SetBounds(8, 8, width - 16, height - 52);
  return pages;
}

ui::TabSheet* AddOptionsTab(ui::PageControl* pages, const std::string& name, const std::string& caption) {
  auto* tab = new ui::TabSheet(pages, name, caption);
  tab->Tag = 1;
  return tab;
}

OkHelpButtons AddOkHelpButtons(ui::Form& window, int top, const std::string& helpTopic) {
  const int okLeft = window.ClientWidth() - 8 - kButtonWidth;
  OkHelpButtons b;
  b.Help = new ui::Button(&window, "Button_Help", "&Hilfe");
  b.Help->SetBounds(okLeft - 6 - kButtonWidth, top, kButtonWidth, kButtonHeight);
  b.Help->Tag = 1;
  b.Help->OnClick = [helpTopic] { ShowHelpTopic(helpTopic); };
  b.Ok = new ui::Button(&window, "Button_Ok", "&Ok");
  b.Ok->SetBounds(okLeft, top, kButtonWidth, kButtonHeight);
  b.Ok->ModalResult = ui::mrOk;
  b.Ok->SetDefault(true);
  b.Ok->SetCancel(true);
  b.Ok->Tag = 1;
  return b;
}

void ModuleWindow::FormCreate() {
  CreateModuleWindows();
  SetCaption(ProductTitle);
  Button_LoadTranslation->Click();
  if (!OcoRunning) {
    skin::ApplyModuleSkin(JvPageControl1, Image_Header, Image_HeaderKreis,
                          Tr("MESSAGE_HeaderCaption", info_.Title));
    skin::DrawBackgroundBitmapText(info_.Group);
    // The icon is decoration: a missing one leaves the circle empty.
    Image_HeaderIcon->LoadFromFile(SkinDir + "\\ModuleIcon_" + info_.Code + ".png");
  }
  if (Button_Cancel) Button_Cancel->SetLeft(Button_Close->Left());
  if (JvPageControl1->PageCount() > 0) ShowPage(0);
  Button_Zurueck->SetEnabled(false);
  ModuleCreate();
}

int ModuleWindow::PageIndex() const { return JvPageControl1->ActivePageIndex(); }

void ModuleWindow::ShowPage(int index) { JvPageControl1->SetActivePageIndex(index); }

void ModuleWindow::ShowCancel(bool running) {
  if (!Button_Cancel) return;
  Button_Close->SetVisible(!running);
  Button_Cancel->SetVisible(running);
}

std::string ModuleWindow::Tr(const std::string& key, const std::string& german) const {
  return qz::Tr(*this, key, german);
}

int ModuleWindow::Message(const std::string& text, MsgKind kind, MsgButtons buttons) {
  return ModuleMessage(*this, text, kind, buttons);
}

void ModuleWindow::RequestStop() {
  if (running_) AbortFlag = 1;
}

void ModuleWindow::CloseAfterRun() {
  if (!closeAfterRun_) return;
  closeAfterRun_ = false;
  Close();
}

bool ModuleWindow::RunWork(const std::function<void()>& work) {
  if (running_) return false;  // one run at a time
  running_ = true;
  closeAfterRun_ = false;
  std::exception_ptr error;
  bool silent = false;
  try {
    work();
  } catch (const ui::SilentAbort&) {
    silent = true;
  } catch (...) {
    error = std::current_exception();
  }
  running_ = false;
  if (error || silent) WorkFailed();
  if (error) {
    if (OcoRunning) {
      CloseAfterRun();
      std::rethrow_exception(error);
    }
    std::string text = "Unknown error";
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      text = e.what();
    } catch (...) {
    }
    Message(text, MsgKind::Error);
  }
  CloseAfterRun();
  return !error && !silent;
}

namespace {
ModalHook& TheModalHook() {
  static ModalHook hook;
  return hook;
}
}  // namespace

void SetModalHook(ModalHook hook) { TheModalHook() = std::move(hook); }

int ShowModalWindow(ui::Form& window) {
  if (TheModalHook()) return TheModalHook()(window);
  return window.ShowModal();
}

}  // namespace qz::cleaning
