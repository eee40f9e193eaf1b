#include "cleaning/internet/ic_engine.h"

#include <map>
#include <unordered_set>

#include "cleaning/common/mb_format.h"
#include "cleaning/common/recycle.h"
#include "cleaning/frame/result_rules.h"
#include "core/disk.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/registry.h"
#include "core/text.h"

namespace qz::ic {

using ui::CheckState;
using ui::CheckType;
using ui::VNode;

// ---- the node record ------------------------------------------------------------

std::string_view InternetItemNode::LocalFile() const {
  if (IsProfileFile) return Text;
  if (IsCategory || Kind == int32_t(ItemKind::History)) return {};
  return Local;
}

std::string_view InternetItemNode::FileName() const {
  if (IsProfileFile) return Text;
  if (IsCategory) return Text;
  if (Kind == int32_t(ItemKind::History)) return Local;
  const size_t slash = Local.rfind('\\');
  return slash == std::string::npos ? std::string_view(Local) : std::string_view(Local).substr(slash + 1);
}

// ---- set-up -----------------------------------------------------------------------

InternetCleaner::InternetCleaner(BrowserEnvironment env, UrlCacheSource* cache)
    : ownTree_(std::make_unique<ui::VTreeModel>()),
      tree_(ownTree_.get()),
      ownCache_(cache ? nullptr : std::make_unique<WinInetUrlCache>()),
      cache_(cache ? *cache : *ownCache_),
      env_(std::move(env)) {
  tree_->SetRecordType<InternetItemNode>();
}

InternetCleaner::~InternetCleaner() = default;

void InternetCleaner::BindTree(ui::VTreeModel& tree) {
  tree_ = &tree;
  tree_->SetRecordType<InternetItemNode>();
  for (VNode*& c : categories_) c = nullptr;
}

namespace {

constexpr ItemKind kCategories[] = {ItemKind::Cache, ItemKind::Cookie, ItemKind::History};

size_t Slot(ItemKind k) { return static_cast<size_t>(k) - 1; }

InternetItemNode& Rec(ui::VTreeModel& t, VNode* n) { return t.Data<InternetItemNode>(n); }

}  // namespace

VNode* InternetCleaner::CategoryNode(ItemKind kind) const {
  if (kind == ItemKind::Category) return nullptr;
  return categories_[Slot(kind)];
}

bool InternetCleaner::CategoryOn(int32_t kind, const InternetCleanerSettings& s) const {
  switch (static_cast<ItemKind>(kind)) {
    case ItemKind::Cache: return s.Cache;
    case ItemKind::Cookie: return s.Cookies;
    case ItemKind::History: return s.History;
    default: return false;
  }
}

VNode* InternetCleaner::AddCategory(ItemKind kind, int32_t nodeKind) {
  static const char* const kKeys[] = {"MESSAGE_Cache", "MESSAGE_Cookies", "MESSAGE_History"};
  static const char* const kWords[] = {"Cache", "Cookies", "History"};
  const size_t i = Slot(kind);
  InternetItemNode rec;
  rec.IsCategory = true;
  rec.Kind = nodeKind;
  rec.Text = qz::Tr(Tr, kKeys[i], kWords[i]);
  VNode* n = tree_->AddChild(nullptr, std::move(rec));
  tree_->SetCheckType(n, CheckType::TriState);
  tree_->SetCheckState(n, CheckState::Checked);
  categories_[i] = n;
  return n;
}

VNode* InternetCleaner::AddEntry(VNode* category, InternetItemNode&& record) {
  ++Counts.Totals.Found;
  Counts.Totals.FoundBytes += record.Size;
  current_ = record.Text;
  VNode* n = tree_->AddChild(category, std::move(record));
  tree_->SetCheckType(n, CheckType::CheckBox);
  tree_->SetCheckState(n, CheckState::Checked);
  return n;
}

void InternetCleaner::StepSearch() {
  ++searchProgress_.Position;
  if (OnProgress) OnProgress();
  PumpMessages();
}

void InternetCleaner::StepDelete() {
  ++deleteProgress_.Position;
  if (OnProgress && PumpMessagesThrottled()) OnProgress();
}

// ---- scan -------------------------------------------------------------------------

ScanOutcome InternetCleaner::RunScan(const InternetCleanerSettings& s) {
  AbortFlag = 0;
  deleting_ = false;
  searchProgress_ = {s.CheckedCategories(), 0};
  if (s.CheckedCategories() == 0) return ScanOutcome::NoCategory;
  Counts = InternetCounters{};
  current_.clear();
  // Every scan starts from an empty tree: nothing of an earlier scan can be
  // deleted by a later delete.
  tree_->Clear();
  for (VNode*& c : categories_) c = nullptr;
  historyRemovedAsEmpty_ = false;
  if (OnProgress) OnProgress();

  switch (s.SelectedBrowser) {
    case Browser::InternetExplorer:
      ScanInternetExplorer(s);
      break;
    case Browser::Opera:
      ScanProfile(ProfileLayout::Opera, OperaProfileFolder(env_), s);
      break;
    case Browser::Mozilla:
    case Browser::Firefox:
    case Browser::Netscape:
      // No profile chosen: nothing to look at.
      if (!Trim(s.ProfileFolder).empty()) ScanProfile(ProfileLayout::Mozilla, Trim(s.ProfileFolder), s);
      break;
  }
  if (AbortFlag == 1) return ScanOutcome::Cancelled;
  if (Counts.Totals.Found <= 0) return ScanOutcome::NothingFound;
  if (s.HideEmptyCategories) RemoveEmptyCategories();
  Recount();
  return ScanOutcome::Found;
}

void InternetCleaner::RemoveEmptyCategories() {
  for (size_t i = 0; i < 3; ++i) {
    if (!categories_[i] || tree_->ChildCount(categories_[i]) != 0) continue;
    if (kCategories[i] == ItemKind::History) historyRemovedAsEmpty_ = true;
    categories_[i] = nullptr;
  }
  cleaning::RemoveEmptyCategories(*tree_);
}

void InternetCleaner::ScanInternetExplorer(const InternetCleanerSettings& s) {
  static const StringList kNone;
  const StringList& trusted = s.TrustCookies ? s.TrustedHosts : kNone;
  for (ItemKind kind : kCategories) {
    if (!CategoryOn(int32_t(kind), s)) continue;
    if (AbortFlag == 1) break;
    tree_->BeginUpdate();
    VNode* category = AddCategory(kind, 0);
    const CacheContainer container = kind == ItemKind::Cache    ? CacheContainer::Content
                                     : kind == ItemKind::Cookie ? CacheContainer::Cookies
                                                                : CacheContainer::History;
    WalkUrlCache(cache_, container, [&](const CacheEntry& e) {
      if (kind == ItemKind::Cookie && IsTrustedHost(CookieHost(e.Url), trusted)) return;
      InternetItemNode rec;
      rec.Kind = int32_t(kind);
      rec.Text = e.Url;
      rec.Local = e.LocalFile;
      rec.Size = e.Size;
      AddEntry(category, std::move(rec));
    });
    tree_->EndUpdate();
    StepSearch();
  }
}

void InternetCleaner::ScanProfile(ProfileLayout layout, const std::string& profileFolder,
                                  const InternetCleanerSettings& s) {
  const std::string folder = IncludeTrailingBackslash(profileFolder);
  // Everything a scan lists is deleted when nobody looks (One-Click-Optimizer):
  // a refused folder, or one reached through a link, lists nothing.
  const bool usable = IsAcceptableProfileFolder(profileFolder, env_) &&
                      cleaning::CheckFolderChain(folder) == cleaning::FolderChain::Plain;
  const bool opera = layout == ProfileLayout::Opera;
  auto addFile = [&](VNode* category, ItemKind kind, std::string path, int64_t size) {
    InternetItemNode rec;
    rec.Kind = int32_t(kind);
    rec.IsProfileFile = true;
    rec.Text = std::move(path);
    rec.Size = size;
    AddEntry(category, std::move(rec));
  };
  auto addSingle = [&](VNode* category, ItemKind kind, const char* name) {
    const std::string path = folder + name;
    if (cleaning::CheckBeforeRecycle(path) != cleaning::RecycleCheck::Ready) return;
    const int64_t size = GetFileSize64(path);
    if (size >= 0) addFile(category, kind, path, size);
  };

  for (ItemKind kind : kCategories) {
    if (!CategoryOn(int32_t(kind), s)) continue;
    if (AbortFlag == 1) break;
    tree_->BeginUpdate();
    VNode* category = AddCategory(kind, int32_t(kind));
    if (usable) {
      switch (kind) {
        case ItemKind::Cache: {
          const std::string cache = folder + (opera ? "Cache4\\" : "Cache\\");
          if (cleaning::CheckFolderChain(cache) != cleaning::FolderChain::Plain) break;
          std::vector<FoundFile> files;
          FindFilesRecursive(cache, "*.*", files);
          for (FoundFile& f : files) {
            const size_t slash = f.Path.rfind('\\');
            if (!cleaning::IsListableName(f.Path.substr(slash + 1), f.Path)) continue;
            addFile(category, kind, std::move(f.Path), f.Size);
          }
          break;
        }
        case ItemKind::Cookie:
          addSingle(category, kind, opera ? "cookies4.dat" : "cookies.txt");
          break;
        case ItemKind::History:
          if (opera) {
            addSingle(category, kind, "vlink4.dat");
          } else {
            addSingle(category, kind, "history.dat");
            addSingle(category, kind, "localstore.rdf");
          }
          break;
        default:
          break;
      }
    }
    tree_->EndUpdate();
    StepSearch();
  }
}

// ---- totals and the result window -------------------------------------------------

cleaning::EntryFacts InternetEntry(const ui::VTreeModel& tree, VNode* n) {
  const InternetItemNode& d = tree.Data<InternetItemNode>(n);
  return {!d.IsCategory, d.Size};
}

void InternetCleaner::Recount() { Counts.Totals = cleaning::CountTotals(*tree_, InternetEntry); }

int InternetCleaner::TrustSelectedCookies(StringList& trustedHosts) {
  int added = 0;
  for (VNode* n : tree_->SelectedNodes()) {
    const InternetItemNode& d = Rec(*tree_, n);
    if (!d.IsIECookie() || tree_->GetCheckState(n) != CheckState::Checked) continue;
    const std::string host = CookieHost(d.Text);
    if (host.empty() || ContainsI(trustedHosts, host)) continue;
    trustedHosts.push_back(host);
    ++added;
  }
  // Every checked cookie the list now keeps is unchecked, whichever host made it so.
  for (VNode* n : tree_->AllNodes()) {
    const InternetItemNode& d = Rec(*tree_, n);
    if (!d.IsIECookie() || tree_->GetCheckState(n) != CheckState::Checked) continue;
    if (IsTrustedHost(CookieHost(d.Text), trustedHosts)) tree_->ChangeCheckState(n, CheckState::Unchecked);
  }
  Recount();
  return added;
}

std::string InternetCleaner::SelectedCookieFile() {
  VNode* n = tree_->GetFirstSelected();
  if (!n) return {};
  const InternetItemNode& d = Rec(*tree_, n);
  return d.IsIECookie() ? std::string(d.LocalFile()) : std::string();
}

int CompareInternetNodes(const InternetItemNode& a, const InternetItemNode& b, int column) {
  if (column == 2) return a.Size < b.Size ? -1 : (b.Size < a.Size ? 1 : 0);
  // Column 0: the entry text (a history entry shows its URL); column 1: the URL.
  auto key = [column](const InternetItemNode& d) {
    return column == 1 || d.IsCategory || d.Kind == int32_t(ItemKind::History) ? d.Caption() : d.FileName();
  };
  const int c = ui::CompareOrdinal(key(a), key(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// ---- delete -----------------------------------------------------------------------

DeleteOutcome InternetCleaner::RunDelete(const InternetCleanerSettings& s) {
  AbortFlag = 0;
  Counts.DeletedCount = Counts.DeletedBytes = Counts.DeleteErrors = 0;
  // The marks as the tree holds them now.
  Recount();
  if (Counts.Totals.Marked <= 0) return DeleteOutcome::NothingMarked;
  deleting_ = true;
  if (ClearsTypedUrls(s)) ClearTypedUrls();
  deleteProgress_ = {Counts.Totals.Found, 0};
  if (OnProgress) OnProgress();
  if (s.SelectedBrowser == Browser::InternetExplorer)
    DeleteIEMarkedItems(s);
  else
    DeleteMarkedProfileFiles();
  if (OnProgress) OnProgress();
  Recount();
  return AbortFlag == 1 ? DeleteOutcome::Stopped : DeleteOutcome::Done;
}

namespace {

// Whether the local files of deleted entries are gone, looked at per folder:
// a name that no longer exists can cost a read of its whole folder on some
// file systems (case-insensitive lookup), so a folder with many such files is
// read once instead. Told in groups (at most a second late, so the tree
// follows the delete).
class LeftFileCheck {
 public:
  struct Item {
    VNode* node;
    std::string file;
    int64_t size;
  };
  using Verdict = std::function<void(const Item& item, bool fileLeft)>;
  explicit LeftFileCheck(Verdict verdict) : verdict_(std::move(verdict)) {}

  void Add(Item item) {
    if (pending_ == 0) since_ = GetTickCount64();
    const size_t slash = item.file.rfind('\\');
    groups_[UpperLocale(item.file.substr(0, slash == std::string::npos ? 0 : slash))].push_back(std::move(item));
    if (++pending_ >= 1024 || GetTickCount64() - since_ > 1000) Flush();
  }
  void Flush() {
    constexpr size_t kReadFolderFrom = 16;
    auto groups = std::move(groups_);
    groups_.clear();
    pending_ = 0;
    for (auto& [folder, items] : groups) {
      std::unordered_set<std::string> names;
      const bool listed = items.size() >= kReadFolderFrom && cleaning::ListNamesUpper(folder, names);
      for (const Item& i : items) {
        bool left;
        if (listed) {
          left = names.count(UpperLocale(i.file.substr(i.file.rfind('\\') + 1))) != 0;
        } else {
          const DWORD a = GetFileAttributesW(Widen(i.file).c_str());
          const DWORD err = a == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
          left = a != INVALID_FILE_ATTRIBUTES || (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND);
        }
        verdict_(i, left);
      }
    }
  }

 private:
  Verdict verdict_;
  std::map<std::string, std::vector<Item>> groups_;
  size_t pending_ = 0;
  ULONGLONG since_ = 0;
};

}  // namespace

void InternetCleaner::DeleteIEMarkedItems(const InternetCleanerSettings& s) {
  tree_->BeginUpdate();
  auto count = [&](VNode* n, int64_t size, DeleteVerdict v) {
    switch (v) {
      case DeleteVerdict::Deleted:
        ++Counts.DeletedCount;
        Counts.DeletedBytes += size;
        tree_->DeleteNode(n);
        break;
      case DeleteVerdict::AlreadyGone:
        tree_->DeleteNode(n);
        break;
      case DeleteVerdict::Failed:
        ++Counts.DeleteErrors;
        break;
    }
  };
  LeftFileCheck check([&](const LeftFileCheck::Item& i, bool fileLeft) {
    count(i.node, i.size, ClassifyDelete(true, 0, fileLeft));
  });
  for (VNode* n : tree_->AllNodes()) {
    const InternetItemNode& d = Rec(*tree_, n);
    if (d.IsCategory) continue;
    if (AbortFlag == 1) break;
    StepDelete();
    if (tree_->GetCheckState(n) != CheckState::Checked || !CategoryOn(d.Kind, s)) continue;
    current_ = d.Text;
    // By the entry's own URL: never an entry of another letter case.
    const bool deleted = cache_.Delete(Widen(d.Text).c_str());
    const DWORD error = deleted ? 0 : cache_.LastError();
    const std::string_view file = d.LocalFile();
    if (deleted && !file.empty())
      check.Add({n, std::string(file), d.Size});  // deleted only when its file went with it
    else
      count(n, d.Size, ClassifyDelete(deleted, error, false));
  }
  check.Flush();
  tree_->EndUpdate();
}

void InternetCleaner::DeleteMarkedProfileFiles() {
  tree_->BeginUpdate();
  cleaning::RecycleChecker checker;
  cleaning::RecycleConfirmation confirmation([&](const cleaning::RecycleConfirmation::Item& t, bool gone) {
    if (gone) {
      ++Counts.DeletedCount;
      Counts.DeletedBytes += t.size;
      tree_->DeleteNode(t.node);
    } else {
      ++Counts.DeleteErrors;
    }
  });
  for (VNode* n : tree_->AllNodes()) {
    const InternetItemNode& d = Rec(*tree_, n);
    if (d.IsCategory) continue;
    if (AbortFlag == 1) break;
    StepDelete();
    if (tree_->GetCheckState(n) != CheckState::Checked || !d.IsProfileFile) continue;
    const std::string& path = d.Text;
    current_ = path;
    const size_t slash = path.rfind('\\');
    if (slash == std::string::npos) {
      ++Counts.DeleteErrors;
      continue;
    }
    const std::string folder = path.substr(0, slash);
    confirmation.StartEntry(folder);
    PathCheck itself;
    switch (checker.Check(folder, path, &itself)) {
      case cleaning::RecycleCheck::Vanished:  // deleted by someone else: neither way
        tree_->DeleteNode(n);
        break;
      case cleaning::RecycleCheck::Ready:
        if (Recycle ? Recycle(path) : ShellRecycleChecked(path, itself))
          confirmation.Add({n, path.substr(slash + 1), d.Size, itself.identity});
        else
          ++Counts.DeleteErrors;
        break;
      default:  // a folder, a link, or a folder on the way became a link
        ++Counts.DeleteErrors;
        break;
    }
  }
  confirmation.Flush();
  tree_->EndUpdate();
}

std::string InternetCleaner::TypedUrlsKey() const {
  return env_.Key("Software\\Microsoft\\Internet Explorer\\TypedURLs");
}

bool InternetCleaner::ClearsTypedUrls(const InternetCleanerSettings& s) const {
  if (s.SelectedBrowser != Browser::InternetExplorer || !s.History) return false;
  if (Counts.Totals.Marked <= 0) return false;
  VNode* history = categories_[Slot(ItemKind::History)];
  if (history) return tree_->GetCheckState(history) == CheckState::Checked;
  return historyRemovedAsEmpty_;
}

int InternetCleaner::ClearTypedUrls() {
  const std::string key = TypedUrlsKey();
  int removed = 0;
  // Named first, removed after: removing by rising index would skip every other value.
  for (const std::string& name : RegListValueNames(env_.RegistryRoot, key)) {
    if (RegRemoveValue(env_.RegistryRoot, key, name))
      ++removed;
    else
      ++Counts.DeleteErrors;
  }
  return removed;
}

// ---- the One-Click-Optimizer ----------------------------------------------------

void InternetCleaner::Search() {
  const std::string key = OptionsKeyPath.empty() ? InternetCleanerKey() : OptionsKeyPath;
  stored_ = StoredSettings(LoadInternetCleanerOptions(OptionsRoot, key), env_, cleaning::ReadHideEmptyCategories());
  RunScan(stored_);
}

void InternetCleaner::DeleteMarked() { RunDelete(stored_); }

cleaning::CleanerProgress InternetCleaner::Progress() const {
  const ProgressState& p = deleting_ ? deleteProgress_ : searchProgress_;
  cleaning::CleanerProgress out;
  out.Max = p.Max;
  out.Position = p.Position;
  return out;
}

cleaning::CleanerCounters InternetCleaner::Counters() const {
  return {Counts.DeletedCount, Counts.DeletedBytes, Counts.DeleteErrors};
}

// ---- texts ------------------------------------------------------------------------

std::string FoundLabelText(const InternetCounters& c) {
  return std::to_string(c.Totals.Marked) + " / " + std::to_string(c.Totals.Found);
}

std::string BytesLabelText(const InternetCounters& c) {
  return cleaning::FormatMB(c.Totals.MarkedBytes) + " MB" + " / " + cleaning::FormatMB(c.Totals.FoundBytes) + " MB";
}

std::string FoundSummaryText(const InternetCounters& c, const TranslateFn& tr) {
  std::string t = Tr(tr, "MESSAGE_FoundXXX",
                       "Es wurden insgesammt %1 Internet-Elemente gefunden welche %2 MB belegen.<br>"
                       "Davon sind %3 Elemente zum Löschen markiert welche %4 MB belegen.");
  t = ReplaceAllI(t, "%1", std::to_string(c.Totals.Found));
  t = ReplaceAllI(t, "%2", cleaning::FormatMBSummary(c.Totals.FoundBytes));
  t = ReplaceAllI(t, "%3", std::to_string(c.Totals.Marked));
  return ReplaceAllI(t, "%4", cleaning::FormatMBSummary(c.Totals.MarkedBytes));
}

std::string DeletedText(const InternetCounters& c, const TranslateFn& tr) {
  std::string t = ReplaceAllI(Tr(tr, "MESSAGE_DeletedXXX", "Es wurden %1 Internet-Elemente gelöscht."), "%1",
                              std::to_string(c.DeletedCount));
  if (c.DeleteErrors > 0)
    t += "\r" + ReplaceAllI(Tr(tr, "MESSAGE_DeleteErrorsXXX",
                                 "%1 Elemente konnten nicht gelöscht werden, weil sie gerade benutzt werden."),
                            "%1", std::to_string(c.DeleteErrors));
  return t;
}

std::string NoElementSelectedText(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NoElementSelected",
              "Sie müssen unter \"Einstellungen bearbeiten\" mind. 1 Element markieren, dass gesucht werden soll!");
}

std::string NoElementsFoundText(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NoElementsFound", "Es wurden keine Internet-Elemente gefunden.");
}

std::string NoElementsToDeleteText(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NoElementsToDelete",
              "Es wurden keine Internet-Elemente markiert, die gelöscht werden sollen.");
}

std::string SureSafeSiteText(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_SureSafeSite", "Cookies von dieser Seite als sicher einstufen?");
}

}  // namespace qz::ic
