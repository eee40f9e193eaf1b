// The component model every window stands on: a component has a Name, a Tag,
// an Owner and the creation-ordered list of what it owns; an owner frees what
// it owns. Components with a caption (labels, buttons, check boxes, forms, menu
// items, a labelled edit through its label) expose it, tree and list views
// expose their column captions: translation walks this model.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qz::ui {

class Component {
 public:
  explicit Component(Component* owner = nullptr, std::string name = {});
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  std::string Name;
  int Tag = 0;

  Component* Owner() const { return owner_; }
  // What this component owns, in creation order.
  const std::vector<Component*>& Components() const { return components_; }
  // An owned component by name (case-insensitive, direct children only); nullptr when none.
  Component* FindComponent(std::string_view name) const;
  template <class T>
  T* Find(std::string_view name) const { return dynamic_cast<T*>(FindComponent(name)); }

  // Caption: only components that have one answer true and override both.
  virtual bool HasCaption() const { return false; }
  virtual std::string Caption() const { return {}; }
  virtual void SetCaption(const std::string&) {}

  // Header columns of tree and list views.
  virtual int ColumnCount() const { return 0; }
  virtual std::string ColumnCaption(int) const { return {}; }
  virtual void SetColumnCaption(int, const std::string&) {}

  // Moves this component to another owner (nullptr: nobody frees it).
  void SetOwner(Component* owner);

 private:
  Component* owner_ = nullptr;
  std::vector<Component*> components_;
  bool destroying_ = false;
};

}  // namespace qz::ui
