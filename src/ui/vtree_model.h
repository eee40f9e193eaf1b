// The node store behind every result tree: a tree of nodes, each carrying one
// fixed-size record of the module that owns the tree. It needs no window; the
// tree view (vtree_view.h) paints a model and engines fill one directly.
//
// Usage
//   VTreeModel tree;                        // or view.Tree() of a VTreeView
//   tree.SetRecordType<DriveScanNode>();    // once, while the tree is empty
//   VNode* cat = tree.AddChild(nullptr);    // a top-level node, record default-constructed
//   tree.Data<DriveScanNode>(cat).IsCategory = true;
//   tree.SetCheckType(cat, CheckType::TriState);
//   tree.SetCheckState(cat, CheckState::Checked);
//   VNode* e = tree.AddChild(cat, DriveScanNode{...});   // record moved in
//
//   for (VNode* n : tree.AllNodes())        // tree order, whatever is expanded;
//     if (Gone(n)) tree.DeleteNode(n);      //   deleting n (or any node) here is safe,
//                                           //   the walk goes on with the node after n
//   for (VNode* n : tree.SelectedNodes()) ...
//
// Records may be any default-constructible type (std::string members are
// fine): the model constructs them in place when a node is added and destroys
// them when the node is freed. A record never moves in memory while its node
// lives. Data<T> must name the type given to SetRecordType: an assert checks
// it in every build (the program is built without NDEBUG, see CMakeLists.txt),
// since a record read as the wrong type would corrupt memory.
//
// Sorting is stable and per parent: Sort/SortTree use OnCompareNodes (the
// column's comparator), SortWith takes any comparator, SortByKey computes a
// key once per node. Compare texts with CompareOrdinal, not strcmp (slow
// under Wine): a million nodes sort in well under a second.
//
// Checking: SetCheckState changes one node silently (no event, nothing
// passed down to its children). ChangeCheckState and ToggleCheckState are what
// a click does: OnChecking is asked before every single change, the clicked
// node first, then each child a tri-state node passes its state down to (tree
// order), then each tri-state parent whose state follows; OnChecked fires once
// afterwards for the clicked node.
// The tri-state rule holds whatever changed the children: a tri-state node
// with checkable children shows the state they give (checked or unchecked
// when they agree, mixed when they differ), also after a silent change, a
// removal or a change of check type below it. Such a node is recomputed when
// it is next read (GetCheckState), once per change, so bulk changes stay
// linear. A tri-state node without checkable children keeps its own state.
//
// Changes notify the observer (normally the view) once until it calls
// AcknowledgeChanges(); between BeginUpdate and EndUpdate nothing is notified.
// Everything runs on the GUI thread.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// <windowsx.h> defines GetFirstChild and GetNextSibling as macros for windows;
// they would replace the model's navigation below. Include <windowsx.h>
// before this header (or not at all) in files that walk trees.
#ifdef GetFirstChild
#undef GetFirstChild
#endif
#ifdef GetNextSibling
#undef GetNextSibling
#endif
#ifdef GetPrevSibling
#undef GetPrevSibling
#endif

namespace qz::ui {

enum class CheckType : std::uint8_t { None, CheckBox, TriState };
enum class CheckState : std::uint8_t { Unchecked, Checked, Mixed };

class VTreeModel;

// Compares texts by their character codes (bytes; UTF-8 keeps code point
// order), 8 bytes at a time: < 0, 0 or > 0. For sort comparators: the C
// runtime's strcmp/memcmp are plain byte loops under Wine.
inline int CompareOrdinal(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) break;
  }
  for (; i < n; ++i)
    if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// One node. Fields are the model's; read them through the model's accessors.
// 56 bytes on 64-bit; the record follows it in the same pool slot.
struct VNode {
 private:
  friend class VTreeModel;
  VNode* parent = nullptr;
  VNode* first = nullptr;  // first child
  VNode* last = nullptr;   // last child
  VNode* next = nullptr;   // next sibling (kept after deletion during a walk)
  VNode* prev = nullptr;   // previous sibling
  std::uint32_t childCount = 0;
  std::uint32_t totalHeight = 0;  // own height + visible descendants' heights
  std::uint16_t height = 0;
  CheckType checkType = CheckType::None;
  CheckState checkState = CheckState::Unchecked;
  std::uint8_t flags = 0;
};

// Receives "something changed, repaint" from a model, and hears of nodes
// going away (so a view can drop pointers it keeps).
class VTreeObserver {
 public:
  virtual ~VTreeObserver() = default;
  virtual void TreeInvalidated() = 0;
  // Before n and its subtree leave the tree.
  virtual void NodeDeleting(VNode* n) { (void)n; }
  // Before every node leaves the tree at once.
  virtual void TreeClearing() {}
};

class VTreeModel {
 public:
  VTreeModel();
  ~VTreeModel();
  VTreeModel(const VTreeModel&) = delete;
  VTreeModel& operator=(const VTreeModel&) = delete;

  // ---- record type (set once while empty; setting the same type again is a no-op)
  template <class T>
  void SetRecordType();
  std::size_t RecordSize() const { return recSize_; }
  template <class T>
  T& Data(VNode* n) const {
    assert(n && recTag_ == TagOf<T>());
    return *std::launder(reinterpret_cast<T*>(reinterpret_cast<char*>(n) + recOffset_));
  }
  void* RawData(VNode* n) const { return reinterpret_cast<char*>(n) + recOffset_; }

  // ---- building (parent nullptr = top level). New nodes: collapsed, default
  // height, no check type, unchecked, not selected.
  VNode* AddChild(VNode* parent);
  template <class T>
  VNode* AddChild(VNode* parent, T&& record);
  // Removes the node and its subtree (records destroyed). During a walk the
  // memory is kept until the outermost walk ends.
  void DeleteNode(VNode* n);
  void DeleteChildren(VNode* n);
  void Clear();

  std::uint16_t DefaultNodeHeight = 18;

  // ---- structure
  VNode* GetFirst() const { return root_.first; }           // first top-level node
  VNode* GetLast() const;                                   // last node in tree order
  VNode* GetNext(const VNode* n) const;                     // tree order
  VNode* GetPrevious(const VNode* n) const;
  VNode* GetNextNoChild(const VNode* n) const;              // skips n's subtree
  VNode* GetParent(const VNode* n) const { return n->parent == &root_ ? nullptr : n->parent; }
  VNode* GetFirstChild(const VNode* n) const { return (n ? n : &root_)->first; }
  VNode* GetLastChild(const VNode* n) const { return (n ? n : &root_)->last; }
  VNode* GetNextSibling(const VNode* n) const { return n->next; }
  VNode* GetPreviousSibling(const VNode* n) const { return n->prev; }
  std::uint32_t ChildCount(const VNode* n) const { return (n ? n : &root_)->childCount; }
  std::uint32_t RootNodeCount() const { return root_.childCount; }
  std::size_t TotalCount() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }
  int GetNodeLevel(const VNode* n) const;                   // 0 for top-level nodes
  bool HasAsParent(const VNode* n, const VNode* ancestor) const;

  // ---- heights and expansion (the vertical layout a view paints)
  std::uint16_t NodeHeight(const VNode* n) const { return n->height; }
  void SetNodeHeight(VNode* n, std::uint16_t h);
  bool Expanded(const VNode* n) const { return n->flags & kExpanded; }
  void SetExpanded(VNode* n, bool on);
  void FullExpand(VNode* n = nullptr);                      // n and its subtree; nullptr: all
  void FullCollapse(VNode* n = nullptr);
  // Shown: every ancestor expanded.
  bool IsVisible(const VNode* n) const;
  std::uint32_t TotalHeight() const { return root_.totalHeight; }  // of all shown rows
  VNode* GetFirstVisible() const { return root_.first; }
  VNode* GetNextVisible(const VNode* n) const;
  VNode* GetPreviousVisible(const VNode* n) const;
  VNode* GetLastVisible() const;
  // The shown node covering y (0 = top of the first row); *top gets its row top.
  VNode* NodeAtY(std::int64_t y, std::int64_t* top = nullptr) const;
  // Row top of a shown node (of its nearest shown ancestor otherwise).
  std::int64_t NodeTop(const VNode* n) const;
  // Bumped on every change of structure, order, height or expansion.
  std::uint64_t LayoutVersion() const { return layoutVersion_; }

  // ---- check boxes
  CheckType GetCheckType(const VNode* n) const { return n->checkType; }
  void SetCheckType(VNode* n, CheckType t);
  CheckState GetCheckState(const VNode* n) const {
    return (n->flags & kCheckStale) ? Resolve(const_cast<VNode*>(n)) : n->checkState;
  }
  void SetCheckState(VNode* n, CheckState s);               // silent, not passed down
  // A user's change: events and tri-state propagation. False when OnChecking
  // refused the node's own change (or it has no check type).
  bool ChangeCheckState(VNode* n, CheckState s);
  // A click or space: unchecked or mixed -> checked, checked -> unchecked.
  bool ToggleCheckState(VNode* n);

  // Asked before each change made by ChangeCheckState; false refuses it.
  std::function<bool(VNode* node, CheckState newState)> OnChecking;
  // After ChangeCheckState changed a node (once, for the node it was called on).
  std::function<void(VNode* node)> OnChecked;
  // Called before a node's record is destroyed.
  std::function<void(VNode* node)> OnFreeNode;
  // Sorting by column: < 0 when a goes before b, > 0 otherwise (0 counts as "not before").
  std::function<int(VNode* a, VNode* b, int column)> OnCompareNodes;

  // ---- selection and focus
  bool Selected(const VNode* n) const { return n->flags & kSelected; }
  void SetSelected(VNode* n, bool on);
  void ClearSelection();
  std::size_t SelectedCount() const { return selected_; }
  VNode* GetFirstSelected() const;
  VNode* GetNextSelected(const VNode* n) const;
  VNode* FocusedNode() const { return focused_; }
  void SetFocusedNode(VNode* n) { focused_ = n; Changed(false); }

  // ---- sorting: stable, per parent; parent nullptr = the top level.
  // Sort uses OnCompareNodes; SortWith takes cmp(VNode*, VNode*) -> int.
  void Sort(VNode* parent, int column, bool ascending = true, bool recursive = true);
  void SortTree(int column, bool ascending = true) { Sort(nullptr, column, ascending, true); }
  template <class Cmp>
  void SortWith(VNode* parent, Cmp cmp, bool ascending = true, bool recursive = true);
  // The same by a key taken once per node (key(VNode*) -> K, ordered by <);
  // much faster on big trees than comparing records again and again.
  template <class KeyFn>
  void SortByKey(VNode* parent, KeyFn key, bool ascending = true, bool recursive = true);

  // ---- walks that survive deletion of any node
  class Walker;
  class Range;
  Range AllNodes();        // every node, tree order
  Range SelectedNodes();   // selected nodes, tree order
  template <class Fn>
  void Walk(Fn fn) { for (VNode* n : AllNodes()) fn(n); }

  // ---- updates and notification
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }
  void SetObserver(VTreeObserver* o) { observer_ = o; }
  void AcknowledgeChanges() { notified_ = false; }

  // ---- memory: bytes a node costs beyond its record (header and pool slot padding)
  std::size_t NodeOverhead() const { return slotSize_ - recSize_; }
  std::size_t PoolBytes() const { return chunks_.size() * kChunkBytes; }

 private:
  // kCheckStale: a tri-state node whose children changed since its state was
  // last computed from them.
  enum : std::uint8_t { kExpanded = 1, kSelected = 2, kDeleted = 4, kCheckStale = 8 };
  static constexpr std::size_t kChunkBytes = 1 << 20;

  template <class T>
  static const void* TagOf() { static const char tag = 0; return &tag; }

  VNode* AllocNode();                // raw slot, record not constructed
  void LinkNode(VNode* parent, VNode* n);
  void FreeSubtree(VNode* n);        // destroys records, returns slots
  void MarkDeleted(VNode* n);
  void Changed(bool layout);
  void AdjustTotals(VNode* from, std::int64_t delta);
  std::uint32_t ChildrenTotal(const VNode* n) const;
  bool Ask(VNode* n, CheckState s) { return !OnChecking || OnChecking(n, s); }
  bool ChildrenState(const VNode* n, CheckState* out) const;
  // Recomputes a stale tri-state node from its children; returns its state.
  CheckState Resolve(VNode* n) const;
  // n's check state or type changed, or n left its parent: the tri-state
  // nodes above it are stale.
  static void MarkParentsStale(VNode* n);
  void PassDown(VNode* n, CheckState s);
  void UpdateParents(VNode* n);
  void EndWalk();
  VNode* WalkSuccessor(VNode* n) const;
  template <class Less>
  void SortChildren(VNode* parent, Less& less, bool recursive);
  // Runs fn(p) for `top` and, when recursive, every node of its subtree
  // (pre-order) that has at least two children.
  template <class Fn>
  static void ForEachParentToSort(VNode* top, bool recursive, Fn fn);
  // Links p's children in the order of [begin, end); get(element) -> VNode*.
  template <class It, class Get>
  static void RelinkChildren(VNode* p, It begin, It end, Get get);
  void ReturnSlot(VNode* n) { n->next = freeList_; freeList_ = n; }
  // Expands or collapses n (nullptr: every top-level node) and its whole subtree.
  void SetSubtreeExpanded(VNode* n, bool expand);

  VNode root_;
  std::size_t recSize_ = 0, recOffset_ = sizeof(VNode), slotSize_ = sizeof(VNode);
  const void* recTag_ = nullptr;
  void (*construct_)(void*) = nullptr;
  void (*destroy_)(void*) = nullptr;
  std::vector<char*> chunks_;
  char* bump_ = nullptr;
  char* bumpEnd_ = nullptr;
  VNode* freeList_ = nullptr;
  std::size_t count_ = 0, selected_ = 0;
  VNode* focused_ = nullptr;
  int updateCount_ = 0, walkDepth_ = 0;
  bool pending_ = false, notified_ = false;
  std::uint64_t layoutVersion_ = 0;
  std::vector<VNode*> deferred_;
  VTreeObserver* observer_ = nullptr;
};

// A walk in tree order; the model keeps deleted nodes' memory until the
// outermost walk ends, so the walk can step on past them.
class VTreeModel::Walker {
 public:
  Walker(const VTreeModel* m, VNode* n, bool selectedOnly) : m_(m), n_(n), sel_(selectedOnly) { Skip(); }
  VNode* operator*() const { return n_; }
  Walker& operator++() { n_ = m_->WalkSuccessor(n_); Skip(); return *this; }
  bool operator!=(const Walker& o) const { return n_ != o.n_; }
  bool operator==(const Walker& o) const { return n_ == o.n_; }

 private:
  void Skip() { if (sel_) while (n_ && !(n_->flags & kSelected)) n_ = m_->WalkSuccessor(n_); }
  const VTreeModel* m_;
  VNode* n_;
  bool sel_;
};

class VTreeModel::Range {
 public:
  Range(VTreeModel* m, bool selectedOnly) : m_(m), sel_(selectedOnly) { ++m_->walkDepth_; }
  ~Range() { m_->EndWalk(); }
  Range(const Range&) = delete;
  Range& operator=(const Range&) = delete;
  Walker begin() const { return Walker(m_, m_->root_.first, sel_); }
  Walker end() const { return Walker(m_, nullptr, false); }

 private:
  VTreeModel* m_;
  bool sel_;
};

inline VTreeModel::Range VTreeModel::AllNodes() { return Range(this, false); }
inline VTreeModel::Range VTreeModel::SelectedNodes() { return Range(this, true); }

template <class T>
void VTreeModel::SetRecordType() {
  static_assert(std::is_default_constructible_v<T>, "node records must be default-constructible");
  if (recTag_ == TagOf<T>()) return;
  if (count_ != 0 || walkDepth_ != 0)
    throw std::logic_error("VTreeModel: record type set on a filled tree");
  // Slots of the old size are dropped with the chunks (the tree is empty).
  for (char* c : chunks_) ::operator delete(c);
  chunks_.clear();
  bump_ = bumpEnd_ = nullptr;
  freeList_ = nullptr;
  recTag_ = TagOf<T>();
  recSize_ = sizeof(T);
  const std::size_t a = alignof(T) > alignof(VNode) ? alignof(T) : alignof(VNode);
  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "over-aligned node records");
  recOffset_ = (sizeof(VNode) + a - 1) / a * a;
  slotSize_ = (recOffset_ + sizeof(T) + a - 1) / a * a;
  construct_ = [](void* p) { ::new (p) T(); };
  if constexpr (std::is_trivially_destructible_v<T>)
    destroy_ = nullptr;
  else
    destroy_ = [](void* p) { static_cast<T*>(p)->~T(); };
}

template <class T>
VNode* VTreeModel::AddChild(VNode* parent, T&& record) {
  using R = std::remove_cvref_t<T>;
  assert(recTag_ == TagOf<R>());
  VNode* n = AllocNode();
  try {
    ::new (RawData(n)) R(std::forward<T>(record));
  } catch (...) {
    ReturnSlot(n);
    throw;
  }
  LinkNode(parent, n);
  return n;
}

template <class Fn>
void VTreeModel::ForEachParentToSort(VNode* top, bool recursive, Fn fn) {
  auto nextInSubtree = [top](VNode* q) -> VNode* {
    if (q->first) return q->first;
    while (q != top && !q->next) q = q->parent;
    return q == top ? nullptr : q->next;
  };
  for (VNode* p = top; p; p = recursive ? nextInSubtree(p) : nullptr)
    if (p->childCount >= 2) fn(p);
}

template <class It, class Get>
void VTreeModel::RelinkChildren(VNode* p, It begin, It end, Get get) {
  VNode* prev = nullptr;
  for (It it = begin; it != end; ++it) {
    VNode* c = get(*it);
    c->prev = prev;
    if (prev) prev->next = c; else p->first = c;
    prev = c;
  }
  prev->next = nullptr;
  p->last = prev;
}

template <class Less>
void VTreeModel::SortChildren(VNode* parent, Less& less, bool recursive) {
  std::vector<VNode*> v;
  ForEachParentToSort(parent, recursive, [&](VNode* p) {
    v.clear();
    v.reserve(p->childCount);
    for (VNode* c = p->first; c; c = c->next) v.push_back(c);
    std::stable_sort(v.begin(), v.end(), less);
    RelinkChildren(p, v.begin(), v.end(), [](VNode* c) { return c; });
  });
}

template <class Cmp>
void VTreeModel::SortWith(VNode* parent, Cmp cmp, bool ascending, bool recursive) {
  VNode* p = parent ? parent : &root_;
  if (ascending) {
    auto less = [&cmp](VNode* a, VNode* b) { return cmp(a, b) < 0; };
    SortChildren(p, less, recursive);
  } else {
    auto less = [&cmp](VNode* a, VNode* b) { return cmp(b, a) < 0; };
    SortChildren(p, less, recursive);
  }
  Changed(true);
}

template <class KeyFn>
void VTreeModel::SortByKey(VNode* parent, KeyFn key, bool ascending, bool recursive) {
  using K = std::decay_t<decltype(key(static_cast<VNode*>(nullptr)))>;
  std::vector<std::pair<K, VNode*>> v;
  ForEachParentToSort(parent ? parent : &root_, recursive, [&](VNode* p) {
    v.clear();
    v.reserve(p->childCount);
    for (VNode* c = p->first; c; c = c->next) v.emplace_back(key(c), c);
    if (ascending)
      std::stable_sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    else
      std::stable_sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return b.first < a.first; });
    RelinkChildren(p, v.begin(), v.end(), [](const auto& e) { return e.second; });
  });
  Changed(true);
}

}  // namespace qz::ui
