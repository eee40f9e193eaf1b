// Popup menus and their items. Menu items are components with captions (so
// translation reaches them): they are owned by the form like every other
// component and placed in a menu (or below another item) as their parent.
// A caption of "-" makes a separator.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/component.h"

namespace qz::ui {

class Control;
class PopupMenu;

class MenuItem : public Component {
 public:
  // Appended to `menu` (or below `parentItem`); owned by the menu's owner.
  MenuItem(PopupMenu* menu, std::string name = {}, const std::string& caption = {});
  MenuItem(MenuItem* parentItem, std::string name = {}, const std::string& caption = {});
  ~MenuItem() override;

  bool HasCaption() const override { return true; }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& c) override { caption_ = c; }
  bool IsSeparator() const { return caption_ == "-"; }

  bool Checked = false;
  bool Enabled = true;
  bool Visible = true;
  bool Default = false;  // shown in bold
  std::function<void()> OnClick;
  // Runs OnClick (also for a disabled or hidden item, as from code).
  void Click();

  const std::vector<MenuItem*>& Items() const { return items_; }
  MenuItem* ParentItem() const { return parentItem_; }
  PopupMenu* Menu() const;

 private:
  friend class PopupMenu;
  std::string caption_;
  std::vector<MenuItem*> items_;
  MenuItem* parentItem_ = nullptr;
  PopupMenu* menu_ = nullptr;  // set for top-level items
};

class PopupMenu : public Component {
 public:
  explicit PopupMenu(Component* owner = nullptr, std::string name = {});
  ~PopupMenu() override;

  const std::vector<MenuItem*>& Items() const { return items_; }
  // The control the menu was opened for (set before OnPopup runs).
  Control* PopupComponent = nullptr;
  std::function<void()> OnPopup;

  // Shows the menu at a screen point and runs the chosen item's click.
  void Popup(int screenX, int screenY);

  // Tests answer menus: the hook gets the menu and returns the item to
  // click (nullptr: the menu was dismissed). nullptr restores the real menu.
  using TestHook = std::function<MenuItem*(PopupMenu& menu)>;
  static void SetTestHook(TestHook hook);

 private:
  friend class MenuItem;
  std::vector<MenuItem*> items_;
};

}  // namespace qz::ui
