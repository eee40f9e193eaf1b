#include "ui/vtree_model.h"

namespace qz::ui {

VTreeModel::VTreeModel() {
  // The invisible root is always expanded: top-level rows are always shown.
  root_.flags = kExpanded;
}

VTreeModel::~VTreeModel() {
  observer_ = nullptr;
  OnFreeNode = nullptr;
  if (destroy_) {
    for (VNode* n = root_.first; n; n = GetNext(n)) destroy_(RawData(n));
    for (VNode* d : deferred_) FreeSubtree(d);
  }
  for (char* c : chunks_) ::operator delete(c);
}

// ---------------------------------------------------------------- memory

VNode* VTreeModel::AllocNode() {
  void* slot;
  if (freeList_) {
    slot = freeList_;
    freeList_ = freeList_->next;
  } else {
    if (!bump_ || static_cast<std::size_t>(bumpEnd_ - bump_) < slotSize_) {
      char* c = static_cast<char*>(::operator new(kChunkBytes));
      chunks_.push_back(c);
      bump_ = c;
      bumpEnd_ = c + kChunkBytes;
    }
    slot = bump_;
    bump_ += slotSize_;
  }
  return ::new (slot) VNode();
}

void VTreeModel::LinkNode(VNode* parent, VNode* n) {
  VNode* p = parent ? parent : &root_;
  n->parent = p;
  n->prev = p->last;
  if (p->last)
    p->last->next = n;
  else
    p->first = n;
  p->last = n;
  ++p->childCount;
  ++count_;
  n->height = DefaultNodeHeight;
  n->totalHeight = DefaultNodeHeight;
  AdjustTotals(p, DefaultNodeHeight);
  Changed(true);
}

VNode* VTreeModel::AddChild(VNode* parent) {
  VNode* n = AllocNode();
  if (construct_) {
    try {
      construct_(RawData(n));
    } catch (...) {
      ReturnSlot(n);
      throw;
    }
  }
  LinkNode(parent, n);
  return n;
}

void VTreeModel::FreeSubtree(VNode* n) {
  // Children first; the depth of a result tree is small.
  for (VNode* c = n->first; c;) {
    VNode* next = c->next;
    FreeSubtree(c);
    c = next;
  }
  if (OnFreeNode) OnFreeNode(n);
  if (destroy_) destroy_(RawData(n));
  ReturnSlot(n);
}

void VTreeModel::MarkDeleted(VNode* n) {
  n->flags |= kDeleted;
  --count_;
  if (n->flags & kSelected) {
    n->flags &= ~kSelected;
    --selected_;
  }
  if (focused_ == n) focused_ = nullptr;
  for (VNode* c = n->first; c; c = c->next) MarkDeleted(c);
}

void VTreeModel::DeleteNode(VNode* n) {
  if (!n || n == &root_ || (n->flags & kDeleted)) return;
  if (observer_) observer_->NodeDeleting(n);
  if (n->checkType != CheckType::None) MarkParentsStale(n);
  VNode* p = n->parent;
  AdjustTotals(p, -static_cast<std::int64_t>(n->totalHeight));
  if (n->prev)
    n->prev->next = n->next;
  else
    p->first = n->next;
  if (n->next)
    n->next->prev = n->prev;
  else
    p->last = n->prev;
  --p->childCount;
  // n keeps its parent and next pointers: a walk standing on it steps on from there.
  MarkDeleted(n);
  if (walkDepth_ > 0)
    deferred_.push_back(n);
  else
    FreeSubtree(n);
  Changed(true);
}

void VTreeModel::DeleteChildren(VNode* n) {
  VNode* p = n ? n : &root_;
  BeginUpdate();
  while (p->first) DeleteNode(p->first);
  EndUpdate();
}

void VTreeModel::Clear() {
  if (walkDepth_ > 0) {
    DeleteChildren(nullptr);
    return;
  }
  if (observer_) observer_->TreeClearing();
  if (destroy_ || OnFreeNode) {
    for (VNode* n = root_.first; n; n = GetNext(n)) {
      if (OnFreeNode) OnFreeNode(n);
      if (destroy_) destroy_(RawData(n));
    }
  }
  for (char* c : chunks_) ::operator delete(c);
  chunks_.clear();
  bump_ = bumpEnd_ = nullptr;
  freeList_ = nullptr;
  root_.first = root_.last = nullptr;
  root_.childCount = 0;
  root_.totalHeight = 0;
  count_ = selected_ = 0;
  focused_ = nullptr;
  Changed(true);
}

void VTreeModel::EndWalk() {
  if (--walkDepth_ > 0 || deferred_.empty()) return;
  std::vector<VNode*> d;
  d.swap(deferred_);
  for (VNode* n : d) FreeSubtree(n);
}

VNode* VTreeModel::WalkSuccessor(VNode* n) const {
  if (!(n->flags & kDeleted)) return GetNext(n);
  // A deleted node: continue with what followed it, skipping whatever has
  // been deleted since.
  for (VNode* m = n;;) {
    while (m->next) {
      m = m->next;
      if (!(m->flags & kDeleted)) return m;
    }
    m = m->parent;
    if (!m || m == &root_) return nullptr;
    if (!(m->flags & kDeleted)) return GetNextNoChild(m);
  }
}

// ---------------------------------------------------------------- notification

void VTreeModel::Changed(bool layout) {
  if (layout) ++layoutVersion_;
  if (updateCount_ > 0) {
    pending_ = true;
    return;
  }
  if (!notified_ && observer_) {
    notified_ = true;
    observer_->TreeInvalidated();
  }
}

void VTreeModel::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && pending_) {
    pending_ = false;
    Changed(false);
  }
}

// ---------------------------------------------------------------- structure

VNode* VTreeModel::GetLast() const {
  VNode* m = root_.last;
  while (m && m->last) m = m->last;
  return m;
}

VNode* VTreeModel::GetNext(const VNode* n) const {
  if (n->first) return n->first;
  return GetNextNoChild(n);
}

VNode* VTreeModel::GetNextNoChild(const VNode* n) const {
  for (const VNode* m = n; m && m != &root_; m = m->parent)
    if (m->next) return m->next;
  return nullptr;
}

VNode* VTreeModel::GetPrevious(const VNode* n) const {
  if (n->prev) {
    VNode* m = n->prev;
    while (m->last) m = m->last;
    return m;
  }
  return GetParent(n);
}

int VTreeModel::GetNodeLevel(const VNode* n) const {
  int level = 0;
  for (const VNode* m = n->parent; m && m != &root_; m = m->parent) ++level;
  return level;
}

bool VTreeModel::HasAsParent(const VNode* n, const VNode* ancestor) const {
  if (!n || !ancestor) return false;
  for (const VNode* m = n->parent; m && m != &root_; m = m->parent)
    if (m == ancestor) return true;
  return false;
}

// ---------------------------------------------------------------- layout

void VTreeModel::AdjustTotals(VNode* p, std::int64_t delta) {
  // p's children changed their shown height by delta; a collapsed p hides them.
  while (p && (p->flags & kExpanded)) {
    p->totalHeight = static_cast<std::uint32_t>(p->totalHeight + delta);
    p = p->parent;
  }
}

std::uint32_t VTreeModel::ChildrenTotal(const VNode* n) const {
  std::uint32_t sum = 0;
  for (const VNode* c = n->first; c; c = c->next) sum += c->totalHeight;
  return sum;
}

void VTreeModel::SetNodeHeight(VNode* n, std::uint16_t h) {
  if (n->height == h) return;
  const std::int64_t delta = static_cast<std::int64_t>(h) - n->height;
  n->height = h;
  n->totalHeight = static_cast<std::uint32_t>(n->totalHeight + delta);
  AdjustTotals(n->parent, delta);
  Changed(true);
}

void VTreeModel::SetExpanded(VNode* n, bool on) {
  if (!n || n == &root_ || Expanded(n) == on) return;
  const std::int64_t kids = ChildrenTotal(n);
  if (on) {
    n->flags |= kExpanded;
    n->totalHeight = static_cast<std::uint32_t>(n->totalHeight + kids);
    AdjustTotals(n->parent, kids);
  } else {
    n->totalHeight = static_cast<std::uint32_t>(n->totalHeight - kids);
    AdjustTotals(n->parent, -kids);
    n->flags &= ~kExpanded;
    if (focused_ && HasAsParent(focused_, n)) focused_ = n;
  }
  Changed(true);
}

void VTreeModel::SetSubtreeExpanded(VNode* n, bool expand) {
  VNode* top = n ? n : &root_;
  const std::int64_t old = top->totalHeight;
  // Post-order: every node's total is its height plus its children's totals
  // (the invisible root keeps its flag: it is always expanded).
  struct Rec {
    static std::uint32_t Run(VNode* m, bool expand, bool keepFlag) {
      std::uint32_t kids = 0;
      for (VNode* c = m->first; c; c = c->next) kids += Run(c, expand, false);
      if (!keepFlag) {
        if (expand) m->flags |= kExpanded; else m->flags &= ~kExpanded;
      }
      m->totalHeight = m->height + ((m->flags & kExpanded) ? kids : 0);
      return m->totalHeight;
    }
  };
  Rec::Run(top, expand, top == &root_);
  if (top != &root_) AdjustTotals(top->parent, static_cast<std::int64_t>(top->totalHeight) - old);
}

void VTreeModel::FullExpand(VNode* n) {
  SetSubtreeExpanded(n, true);
  Changed(true);
}

void VTreeModel::FullCollapse(VNode* n) {
  SetSubtreeExpanded(n, false);
  if (focused_ && !IsVisible(focused_)) {
    VNode* f = focused_;
    while (!IsVisible(f)) f = f->parent;
    focused_ = f;
  }
  Changed(true);
}

bool VTreeModel::IsVisible(const VNode* n) const {
  for (const VNode* m = n->parent; m && m != &root_; m = m->parent)
    if (!(m->flags & kExpanded)) return false;
  return true;
}

VNode* VTreeModel::GetNextVisible(const VNode* n) const {
  if ((n->flags & kExpanded) && n->first) return n->first;
  return GetNextNoChild(n);
}

VNode* VTreeModel::GetPreviousVisible(const VNode* n) const {
  if (n->prev) {
    VNode* m = n->prev;
    while ((m->flags & kExpanded) && m->last) m = m->last;
    return m;
  }
  return GetParent(n);
}

VNode* VTreeModel::GetLastVisible() const {
  VNode* m = root_.last;
  while (m && (m->flags & kExpanded) && m->last) m = m->last;
  return m;
}

VNode* VTreeModel::NodeAtY(std::int64_t y, std::int64_t* top) const {
  if (y < 0 || y >= root_.totalHeight) return nullptr;
  std::int64_t base = 0;
  const VNode* p = &root_;
  for (;;) {
    const VNode* c = p->first;
    for (; c; c = c->next) {
      if (y < base + c->totalHeight) break;
      base += c->totalHeight;
    }
    if (!c) return nullptr;
    if (y < base + c->height) {
      if (top) *top = base;
      return const_cast<VNode*>(c);
    }
    base += c->height;
    p = c;
  }
}

std::int64_t VTreeModel::NodeTop(const VNode* n) const {
  // The nearest shown node: n itself or its collapsed ancestor nearest the root.
  const VNode* v = n;
  for (const VNode* m = n->parent; m && m != &root_; m = m->parent)
    if (!(m->flags & kExpanded)) v = m;
  std::int64_t y = 0;
  for (const VNode* m = v; m && m != &root_; m = m->parent) {
    for (const VNode* s = m->prev; s; s = s->prev) y += s->totalHeight;
    if (m->parent && m->parent != &root_) y += m->parent->height;
  }
  return y;
}

// ---------------------------------------------------------------- checking

void VTreeModel::MarkParentsStale(VNode* n) {
  // A stale node's tri-state ancestors are stale too (a node is only made
  // current by reading it, which reads its stale children first), so the
  // walk up stops at the first one already marked.
  for (VNode* p = n->parent; p && p->parent && p->checkType == CheckType::TriState; p = p->parent) {
    if (p->flags & kCheckStale) break;
    p->flags |= kCheckStale;
  }
}

CheckState VTreeModel::Resolve(VNode* n) const {
  n->flags &= ~kCheckStale;
  CheckState st;
  if (n->checkType == CheckType::TriState && ChildrenState(n, &st)) n->checkState = st;
  return n->checkState;
}

void VTreeModel::SetCheckType(VNode* n, CheckType t) {
  if (n->checkType == t) return;
  n->checkType = t;
  MarkParentsStale(n);
  // A node that becomes tri-state takes on what its children give (its
  // ancestors are marked just above).
  if (t == CheckType::TriState && n->first) n->flags |= kCheckStale;
  Changed(false);
}

void VTreeModel::SetCheckState(VNode* n, CheckState s) {
  // A tri-state node with children cannot be set apart from them: it shows
  // what they give when it is next read (or s when none of them is checkable).
  if (n->checkType == CheckType::TriState && n->first && !(n->flags & kCheckStale)) {
    n->flags |= kCheckStale;
    MarkParentsStale(n);
  }
  if (n->checkState == s) return;
  n->checkState = s;
  if (n->checkType != CheckType::None) MarkParentsStale(n);
  Changed(false);
}

bool VTreeModel::ChildrenState(const VNode* n, CheckState* out) const {
  // The state a tri-state node shows for its checkable children; false when it has none.
  bool any = false, on = false, off = false;
  for (const VNode* c = n->first; c; c = c->next) {
    if (c->checkType == CheckType::None) continue;
    any = true;
    switch (GetCheckState(c)) {
      case CheckState::Checked: on = true; break;
      case CheckState::Unchecked: off = true; break;
      case CheckState::Mixed: on = off = true; break;
    }
    if (on && off) break;
  }
  if (!any) return false;
  *out = on && off ? CheckState::Mixed : on ? CheckState::Checked : CheckState::Unchecked;
  return true;
}

void VTreeModel::PassDown(VNode* n, CheckState s) {
  for (VNode* c = n->first; c; c = c->next) {
    if (c->checkType == CheckType::None) continue;
    if (GetCheckState(c) != s) {
      if (!Ask(c, s)) continue;
      c->checkState = s;
    }
    if (c->checkType == CheckType::TriState && c->first) PassDown(c, s);
  }
  // A child that refused leaves the node mixed.
  n->flags &= ~kCheckStale;
  CheckState st;
  if (ChildrenState(n, &st)) n->checkState = st;
}

void VTreeModel::UpdateParents(VNode* n) {
  for (VNode* p = n->parent; p && p != &root_ && p->checkType == CheckType::TriState; p = p->parent) {
    // What the parent showed before this change: its stored state (a stale
    // parent is recomputed below from its children anyway).
    const CheckState shown = p->checkState;
    p->flags &= ~kCheckStale;
    CheckState st;
    if (!ChildrenState(p, &st)) break;
    if (st == shown || !Ask(p, st)) break;
    p->checkState = st;
  }
}

bool VTreeModel::ChangeCheckState(VNode* n, CheckState s) {
  if (!n || n->checkType == CheckType::None) return false;
  if (GetCheckState(n) == s) return true;
  if (!Ask(n, s)) return false;
  n->checkState = s;
  if (n->checkType == CheckType::TriState && s != CheckState::Mixed && n->first) PassDown(n, s);
  UpdateParents(n);
  Changed(false);
  if (OnChecked) OnChecked(n);
  return true;
}

bool VTreeModel::ToggleCheckState(VNode* n) {
  if (!n) return false;
  return ChangeCheckState(n, GetCheckState(n) == CheckState::Checked ? CheckState::Unchecked
                                                                     : CheckState::Checked);
}

// ---------------------------------------------------------------- selection

void VTreeModel::SetSelected(VNode* n, bool on) {
  if (!n || Selected(n) == on || (n->flags & kDeleted)) return;
  if (on) {
    n->flags |= kSelected;
    ++selected_;
  } else {
    n->flags &= ~kSelected;
    --selected_;
  }
  Changed(false);
}

void VTreeModel::ClearSelection() {
  if (selected_ == 0) return;
  for (VNode* n = root_.first; n && selected_ > 0; n = GetNext(n)) {
    if (n->flags & kSelected) {
      n->flags &= ~kSelected;
      --selected_;
    }
  }
  Changed(false);
}

VNode* VTreeModel::GetFirstSelected() const {
  if (selected_ == 0) return nullptr;
  for (VNode* n = root_.first; n; n = GetNext(n))
    if (n->flags & kSelected) return n;
  return nullptr;
}

VNode* VTreeModel::GetNextSelected(const VNode* n) const {
  if (selected_ == 0) return nullptr;
  for (VNode* m = GetNext(n); m; m = GetNext(m))
    if (m->flags & kSelected) return m;
  return nullptr;
}

// ---------------------------------------------------------------- sorting

void VTreeModel::Sort(VNode* parent, int column, bool ascending, bool recursive) {
  if (!OnCompareNodes) return;
  auto& cmp = OnCompareNodes;
  SortWith(parent, [&cmp, column](VNode* a, VNode* b) { return cmp(a, b, column); }, ascending,
           recursive);
}

}  // namespace qz::ui
