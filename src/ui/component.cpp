#include "ui/component.h"

#include <algorithm>

#include "core/text.h"

namespace qz::ui {

Component::Component(Component* owner, std::string name) : Name(std::move(name)) {
  SetOwner(owner);
}

Component::~Component() {
  destroying_ = true;
  // Free what we own, the last created first.
  while (!components_.empty()) {
    Component* c = components_.back();
    components_.pop_back();
    c->owner_ = nullptr;
    delete c;
  }
  SetOwner(nullptr);
}

void Component::SetOwner(Component* owner) {
  if (owner_ == owner) return;
  if (owner_ && !owner_->destroying_) {
    auto& v = owner_->components_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  owner_ = owner;
  if (owner_) owner_->components_.push_back(this);
}

Component* Component::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (Component* c : components_)
    if (IEquals(c->Name, name)) return c;
  return nullptr;
}

}  // namespace qz::ui
