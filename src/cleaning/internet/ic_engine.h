// The Internet Cleaner's engine: finds the traces of one browser (Internet
// Explorer's URL cache, or the files of an Opera, Firefox, Mozilla or
// Netscape profile) in three categories, fills the result tree with them,
// keeps the counters the windows and the One-Click-Optimizer show, and
// deletes what stays checked. No window code; one object, owned by the
// module window and bound to its result window's tree. The One-Click-
// Optimizer runs one of its own through cleaning::UnattendedCleaner (the
// stored options, a tree of its own).
//
// Scan (RunScan): the tree is cleared and gets one checked tri-state node per
// checked category (Cache, Cookies, History, in this order) with a checked
// entry per find. Internet Explorer entries come from the URL cache (cookies
// of trusted hosts left out when TrustCookies is on); a profile's files from
// its cache folder (walked in one pass) and its cookie and history files.
// Nothing is listed of a refused profile folder (IsAcceptableProfileFolder),
// of a cache folder or file reached through a link, or of a name the shell
// could not take safely. Empty categories go when HideEmptyCategories is on.
//
// Delete (DeleteMarked): nothing unless something is marked (recounted
// first). Internet Explorer entries are deleted one by one by their exact
// URL, each checked entry of a category whose option is on, in tree order;
// profile files go to the Recycle Bin after the shared pre-recycle check and
// are counted once confirmed gone. An entry or file that is in use, or a file
// that stays behind, is an error and stays in the tree, checked; one that had
// already gone counts neither way. The typed-address list of Internet
// Explorer is cleared with the history (ClearsTypedUrls).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "cleaning/frame/result_rules.h"
#include "cleaning/frame/unattended_cleaner.h"
#include "cleaning/internet/browser_profiles.h"
#include "cleaning/internet/ic_settings.h"
#include "cleaning/internet/url_cache.h"
#include "core/stringlist.h"
#include "core/translation.h"
#include "ui/vtree_model.h"

namespace qz::ic {

enum class ItemKind : int32_t { Category = 0, Cache = 1, Cookie = 2, History = 3 };

// The record of every node of the result tree. A profile file is one path
// (shown, listed and deleted by it); an Internet Explorer entry is its URL and
// its local file as WinINet gives it.
struct InternetItemNode {
  bool IsCategory = false;
  int32_t Kind = 0;            // ItemKind; 0 on Internet Explorer's categories
  bool IsProfileFile = false;
  int64_t Size = 0;
  std::string Text;            // category: its caption; IE entry: its URL; profile file: its path
  std::string Local;           // IE entry: its local file ("" when none)

  std::string_view Caption() const { return Text; }
  std::string_view Url() const { return Text; }
  // Full path of the local file; "" for history entries.
  std::string_view LocalFile() const;
  // The entry column: a profile file's path; a cache or cookie entry's file
  // name without its folder; a history entry's local file name as given.
  std::string_view FileName() const;
  bool IsIECookie() const { return !IsCategory && !IsProfileFile && Kind == int32_t(ItemKind::Cookie); }
};

// What the shared result rules see of a node.
cleaning::EntryFacts InternetEntry(const ui::VTreeModel& tree, ui::VNode* n);
// The result window's sort order: column 0 the entry text (a history entry
// by its URL), 1 the URL, 2 the size; -1, 0 or 1 (equal nodes keep their
// order in the stable sort).
int CompareInternetNodes(const InternetItemNode& a, const InternetItemNode& b, int column);

// The counters the windows and the One-Click-Optimizer read (64-bit).
struct InternetCounters {
  cleaning::ResultTotals Totals;  // found and marked entries and their bytes
  int64_t DeletedCount = 0, DeletedBytes = 0, DeleteErrors = 0;
};

struct ProgressState {
  int64_t Max = 0;
  int64_t Position = 0;
};

enum class ScanOutcome { NoCategory, NothingFound, Cancelled, Found };
enum class DeleteOutcome { NothingMarked, Stopped, Done };

class InternetCleaner : public cleaning::UnattendedCleaner {
 public:
  // The URL cache is WinINet's unless a source is given (tests).
  explicit InternetCleaner(BrowserEnvironment env = BrowserEnvironment::FromSystem(),
                           UrlCacheSource* cache = nullptr);
  ~InternetCleaner() override;
  InternetCleaner(const InternetCleaner&) = delete;
  InternetCleaner& operator=(const InternetCleaner&) = delete;

  // The result tree: the window's once bound, the engine's own until then.
  void BindTree(ui::VTreeModel& tree);
  ui::VTreeModel& Tree() { return *tree_; }

  // ---- seams and hooks
  TranslateFn Tr;  // the category captions (English words when unset)
  // Sends one file to the Recycle Bin without asking; the shell's quiet
  // delete when unset. Only what is then confirmed gone counts.
  std::function<bool(const std::string& path)> Recycle;
  // The search or delete progress moved (the window moves its bar).
  std::function<void()> OnProgress;
  // Where the stored options are read for an unattended run.
  HKEY OptionsRoot = HKEY_LOCAL_MACHINE;
  std::string OptionsKeyPath;  // InternetCleanerKey() when empty

  // ---- the two runs
  ScanOutcome RunScan(const InternetCleanerSettings& s);
  DeleteOutcome RunDelete(const InternetCleanerSettings& s);

  // ---- the per-browser scans (RunScan picks one; the tree must be set up)
  void ScanInternetExplorer(const InternetCleanerSettings& s);
  enum class ProfileLayout { Opera, Mozilla };
  void ScanProfile(ProfileLayout layout, const std::string& profileFolder, const InternetCleanerSettings& s);
  // ---- the deletes (RunDelete picks one)
  void DeleteIEMarkedItems(const InternetCleanerSettings& s);
  void DeleteMarkedProfileFiles();

  // ---- totals and the result window
  // Found and marked totals from the tree.
  void Recount();
  // "Accept the cookies of these URLs": the hosts of the selected, checked
  // Internet Explorer cookies join the list (no case duplicates); then every
  // checked cookie of a host the list now trusts is unchecked. Returns the
  // number of hosts added.
  int TrustSelectedCookies(StringList& trustedHosts);
  // The local file of the first selected node when it is an Internet
  // Explorer cookie; "" otherwise.
  std::string SelectedCookieFile();

  // ---- state
  InternetCounters Counts;
  const ProgressState& SearchProgress() const { return searchProgress_; }
  const ProgressState& DeleteProgress() const { return deleteProgress_; }
  // URL or path of the entry handled last.
  const std::string& CurrentItem() const { return current_; }
  const BrowserEnvironment& Environment() const { return env_; }
  // The category node of a kind (nullptr when the last scan made none or it
  // was removed).
  ui::VNode* CategoryNode(ItemKind kind) const;

  // Whether a delete with these settings clears the typed-address list:
  // Internet Explorer, the History option on, something marked, and the
  // History category checked or removed by the scan as empty.
  bool ClearsTypedUrls(const InternetCleanerSettings& s) const;
  // Removes every value of the list (named first, then removed one by one);
  // each value left counts one error. Returns the values removed.
  int ClearTypedUrls();
  std::string TypedUrlsKey() const;

  // ---- cleaning::UnattendedCleaner (the stored options; lines stay empty)
  void Search() override;
  void DeleteMarked() override;
  cleaning::CleanerProgress Progress() const override;
  cleaning::CleanerCounters Counters() const override;

 private:
  ui::VNode* AddCategory(ItemKind kind, int32_t nodeKind);
  ui::VNode* AddEntry(ui::VNode* category, InternetItemNode&& record);
  void StepSearch();
  void StepDelete();
  void RemoveEmptyCategories();
  bool CategoryOn(int32_t kind, const InternetCleanerSettings& s) const;

  std::unique_ptr<ui::VTreeModel> ownTree_;
  ui::VTreeModel* tree_;
  std::unique_ptr<UrlCacheSource> ownCache_;
  UrlCacheSource& cache_;
  BrowserEnvironment env_;
  InternetCleanerSettings stored_;
  ProgressState searchProgress_, deleteProgress_;
  bool deleting_ = false;
  ui::VNode* categories_[3] = {nullptr, nullptr, nullptr};
  bool historyRemovedAsEmpty_ = false;
  std::string current_;
};

// ---- texts --------------------------------------------------------------------

// Label_IC_Found: "marked / found".
std::string FoundLabelText(const InternetCounters& c);
// Label_IC_Bytes: "x MB / y MB" (3 decimals, thousands separators).
std::string BytesLabelText(const InternetCounters& c);
// The result page's summary (MESSAGE_FoundXXX with %1..%4).
std::string FoundSummaryText(const InternetCounters& c, const TranslateFn& tr);
// The final box: MESSAGE_DeletedXXX, and MESSAGE_DeleteErrorsXXX when
// something could not be removed.
std::string DeletedText(const InternetCounters& c, const TranslateFn& tr);
std::string NoElementSelectedText(const TranslateFn& tr);
std::string NoElementsFoundText(const TranslateFn& tr);
std::string NoElementsToDeleteText(const TranslateFn& tr);
std::string SureSafeSiteText(const TranslateFn& tr);

}  // namespace qz::ic
