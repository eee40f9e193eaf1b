#include "ui/menu.h"

#include <algorithm>

#include "core/text.h"
#include "ui/application.h"
#include "ui/control.h"

namespace qz::ui {

namespace {
PopupMenu::TestHook& Hook() {
  static PopupMenu::TestHook hook;
  return hook;
}
}  // namespace

MenuItem::MenuItem(PopupMenu* menu, std::string name, const std::string& caption)
    : Component(menu ? menu->Owner() : nullptr, std::move(name)), caption_(caption), menu_(menu) {
  if (menu_) menu_->items_.push_back(this);
}

MenuItem::MenuItem(MenuItem* parentItem, std::string name, const std::string& caption)
    : Component(parentItem ? parentItem->Owner() : nullptr, std::move(name)),
      caption_(caption),
      parentItem_(parentItem) {
  if (parentItem_) parentItem_->items_.push_back(this);
}

MenuItem::~MenuItem() {
  for (MenuItem* c : items_) c->parentItem_ = nullptr;
  if (parentItem_) {
    auto& v = parentItem_->items_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  if (menu_) {
    auto& v = menu_->items_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
}

PopupMenu* MenuItem::Menu() const {
  const MenuItem* i = this;
  while (i->parentItem_) i = i->parentItem_;
  return i->menu_;
}

void MenuItem::Click() {
  if (OnClick) OnClick();
}

PopupMenu::PopupMenu(Component* owner, std::string name) : Component(owner, std::move(name)) {}

PopupMenu::~PopupMenu() {
  for (MenuItem* i : items_) i->menu_ = nullptr;
}

void PopupMenu::SetTestHook(TestHook hook) { Hook() = std::move(hook); }

namespace {

HMENU Build(const std::vector<MenuItem*>& items, std::vector<MenuItem*>& byId) {
  HMENU m = CreatePopupMenu();
  for (MenuItem* it : items) {
    if (!it->Visible) continue;
    if (it->IsSeparator()) {
      AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::wstring text = Widen(it->Caption());
    UINT flags = MF_STRING | (it->Enabled ? MF_ENABLED : MF_GRAYED) | (it->Checked ? MF_CHECKED : 0);
    if (!it->Items().empty()) {
      HMENU sub = Build(it->Items(), byId);
      AppendMenuW(m, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    } else {
      byId.push_back(it);
      UINT id = static_cast<UINT>(byId.size());
      AppendMenuW(m, flags, id, text.c_str());
      if (it->Default) SetMenuDefaultItem(m, id, FALSE);
    }
  }
  return m;
}

}  // namespace

void PopupMenu::Popup(int screenX, int screenY) {
  if (OnPopup) OnPopup();
  if (Hook()) {
    if (MenuItem* chosen = Hook()(*this)) chosen->Click();
    return;
  }
  std::vector<MenuItem*> byId;
  HMENU m = Build(items_, byId);
  HWND owner = nullptr;
  if (PopupComponent) {
    if (Form* f = PopupComponent->ParentForm()) owner = f->Handle();
  }
  if (!owner) {
    if (Form* f = App().ActiveForm()) owner = f->Handle();
  }
  if (!owner) owner = App().UtilityWindow();
  SetForegroundWindow(owner);
  UINT cmd = TrackPopupMenuEx(m, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screenX, screenY, owner, nullptr);
  PostMessageW(owner, WM_NULL, 0, 0);
  DestroyMenu(m);
  if (cmd > 0 && cmd <= byId.size()) byId[cmd - 1]->Click();
}

}  // namespace qz::ui
