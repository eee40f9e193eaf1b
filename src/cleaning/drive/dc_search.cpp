#include "cleaning/drive/dc_search.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

#include "core/disk.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/registry.h"
#include "core/text.h"
#include "core/translation.h"

namespace qz::dc {

using ui::CheckState;
using ui::CheckType;
using ui::VNode;
using ui::VTreeModel;

SearchSettings MakeSearchSettings(const DriveCleanerSettings& s, bool hideEmpty) {
  SearchSettings r;
  r.Options = s.Options;
  r.Drives = cleaning::CheckedDriveLetters(s.Drives);
  r.Groups = s.Groups;
  r.Exceptions = s.Exceptions;
  r.HideEmpty = hideEmpty;
  return r;
}

// ---- search --------------------------------------------------------------

VNode* AddCategory(VTreeModel& tree, const std::string& caption, int32_t imageIndex) {
  DriveScanNode rec;
  rec.FileName = caption;
  rec.IsCategory = 1;
  rec.ImageIndex = imageIndex;
  VNode* n = tree.AddChild(nullptr, std::move(rec));
  tree.SetCheckType(n, CheckType::TriState);
  tree.SetCheckState(n, CheckState::Checked);
  tree.SetNodeHeight(n, kCategoryHeight);
  return n;
}

void BuildCategories(DriveScanEngine& e, VTreeModel& tree, const SearchSettings& s, const TranslateFn& tr,
                     VNode** tmpCategory, VNode** dumpCategory) {
  const DriveCleanerOptions& o = s.Options;
  VNode* tmp = nullptr;
  VNode* dump = nullptr;
  if (o.TMPDir_ALL || o.TMPDir_User)
    tmp = AddCategory(tree, Tr(tr, "MESSAGE_String_TmpFiles", "Temporäre Dateien aus TMP-Ordner"), 0);
  if (o.Minidump) dump = AddCategory(tree, Tr(tr, "MESSAGE_String_Minidumps", "Minidumps"), 0);
  if (o.LNK) {
    VNode* c = AddCategory(tree, Tr(tr, "MESSAGE_String_LNK", "Ungültige Verknüpfungen (LNK)"), 0);
    e.MaskList.push_back({"*.LNK", c});
  }
  if (o.PIF) {
    VNode* c = AddCategory(tree, Tr(tr, "MESSAGE_String_PIF", "Ungültige DOS-Verknüpfungen (PIF)"), 0);
    e.MaskList.push_back({"*.PIF", c});
  }
  for (const MaskGroup& g : s.Groups) {
    if (!g.Checked) continue;
    VNode* c = AddCategory(tree, g.Name, g.ImageIndex);
    for (const std::string& m : g.Masks) e.MaskList.push_back({m, c});
  }
  if (tmpCategory) *tmpCategory = tmp;
  if (dumpCategory) *dumpCategory = dump;
}

SearchOutcome RunDriveSearchCore(DriveScanEngine& e, VTreeModel& tree, const SearchSettings& s,
                                 const SearchHooks& hooks, const ScanEnvironment& env) {
  AbortFlag = 0;
  e.FreeDriveScan();
  if (s.Drives.empty()) return SearchOutcome::NoDrives;
  const TranslateFn& tr = hooks.Tr;
  auto pass = [&](PassKind k, std::string drive, std::string folder, int64_t max = 0) {
    if (hooks.OnPass) hooks.OnPass(PassStart{k, std::move(drive), std::move(folder), max});
    PumpMessages();
  };

  tree.BeginUpdate();
  tree.Clear();
  e.ScanTree = &tree;
  e.PrepareDriveScan(env);
  e.FoldersCounted = 0;
  e.ScannedDrives = UpperAscii(s.Drives);
  e.SkipLockedFiles = s.Options.WriteProtected ? 1 : 0;
  e.CheckLnkTargets = s.Options.LNK ? 1 : 0;
  e.CheckPifTargets = s.Options.PIF ? 1 : 0;

  VNode* tmpCat = nullptr;
  VNode* dumpCat = nullptr;
  BuildCategories(e, tree, s, tr, &tmpCat, &dumpCat);
  for (const ExceptionEntry& x : s.Exceptions) {
    if (x.IsBuiltIn) continue;
    if (x.IsFolder)
      e.AddUserFolderException(x.Path);
    else
      e.AddFileException(x.Path);
    PumpMessagesThrottled();  // a downloaded list has tens of thousands
  }
  tree.EndUpdate();

  const std::string scanTmp = Tr(tr, "MESSAGE_ScanTMPDirs",
                                 "Untersuche Ordner \"Temporäre Dateien\"...");
  // The folder passes: every find goes under the pass's own category.
  // A folder that may not be scanned still starts its pass's counters afresh.
  auto scanFolder = [&](VNode* cat, const std::string& folder, const char* mask, bool allowed = true) {
    e.FoldersCounted = 0;
    e.ProgressPosition = 0;
    if (!allowed) return;
    e.CurrentCategoryNode = cat;
    e.ScanFolderWithMask(folder, mask);
    e.CurrentCategoryNode = nullptr;
  };
  if (s.Options.TMPDir_ALL && AbortFlag == 0) {
    pass(PassKind::SystemTemp, scanTmp, e.SystemTempFolder);
    scanFolder(tmpCat, e.SystemTempFolder, "*.*", e.SystemTempSafe);
  }
  if (s.Options.TMPDir_User && AbortFlag == 0) {
    pass(PassKind::UserTemp, scanTmp, e.UserTempFolder);
    scanFolder(tmpCat, e.UserTempFolder, "*.*", e.UserTempSafe);
  }
  if (s.Options.Minidump && AbortFlag == 0) {
    pass(PassKind::Minidump, Tr(tr, "MESSAGE_ScanMinidumps", "Untersuche Ordner \"Minidumps\""),
         e.MinidumpFolder);
    DWORD a = GetFileAttributesW(Widen(e.MinidumpFolder).c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) scanFolder(dumpCat, e.MinidumpFolder, "*.dmp");
  }

  e.FoldersCounted = 0;
  for (char l : e.ScannedDrives) {
    if (AbortFlag != 0) break;
    const std::string root = std::string(1, l) + ":\\";
    e.CountingPhase = 1;
    e.ScanningPhase = 0;
    e.ProgressPosition = 0;
    pass(PassKind::Counting, Tr(tr, "MESSAGE_CountFolders", "Zähle Ordner - bitte warten..."), root);
    e.CountFolders(root);
    if (AbortFlag == 1) break;
    e.CountingPhase = 0;
    e.ScanningPhase = 1;
    const int64_t counted = e.ProgressPosition;
    e.ProgressPosition = 0;
    e.CurrentDrive = root;
    pass(PassKind::Scanning, root, {}, counted);
    e.ScanDrive(root, "");
  }
  e.CountingPhase = e.ScanningPhase = 0;

  if (AbortFlag == 1) return SearchOutcome::Cancelled;
  if (s.HideEmpty) cleaning::RemoveEmptyCategories(tree);
  tree.FullCollapse();
  RecomputeTotals(e, tree);
  return e.Totals.Found == 0 ? SearchOutcome::NothingFound : SearchOutcome::Found;
}

// ---- totals --------------------------------------------------------------

cleaning::EntryFacts DriveEntry(const VTreeModel& tree, VNode* n) {
  const DriveScanNode& d = tree.Data<DriveScanNode>(n);
  return {d.IsCategory == 0, d.Size};
}

void RecomputeTotals(DriveScanEngine& e, VTreeModel& tree) { e.Totals = cleaning::CountTotals(tree, DriveEntry); }

std::string FilesLabelText(const DriveScanEngine& e) {
  return std::to_string(e.Totals.Marked) + " / " + std::to_string(e.Totals.Found);
}

std::string BytesLabelText(const DriveScanEngine& e, const NumberFormat& nf) {
  return FormatMB(e.Totals.MarkedBytes, nf) + " MB" + " / " + FormatMB(e.Totals.FoundBytes, nf) + " MB";
}

std::string SummaryText(const DriveScanEngine& e, const TranslateFn& tr, const NumberFormat& nf) {
  std::string t = Tr(tr, "MESSAGE_Result",
                     "Es wurden insgesammt %1 Dateien gefunden welche %2 MB belegen.<br>"
                     "Davon sind %3 Dateien zum Löschen markiert welche %4 MB belegen.<br>"
                     "Insgesammt wurden %5 Dateien in %6 Ordnern untersucht.");
  t = ReplaceAllI(t, "%1", std::to_string(e.Totals.Found));
  t = ReplaceAllI(t, "%2", FormatMBSummary(e.Totals.FoundBytes, nf));
  t = ReplaceAllI(t, "%3", std::to_string(e.Totals.Marked));
  t = ReplaceAllI(t, "%4", FormatMBSummary(e.Totals.MarkedBytes, nf));
  t = ReplaceAllI(t, "%5", std::to_string(e.FilesExamined));
  t = ReplaceAllI(t, "%6", std::to_string(e.FoldersScanned));
  return t;
}

// ---- result window -------------------------------------------------------

int CompareDriveNodes(const DriveScanNode& a, const DriveScanNode& b, int column) {
  if (column == 1) return a.Size < b.Size ? -1 : (b.Size < a.Size ? 1 : 0);
  std::string ka = a.Folder + "\\" + a.FileName;
  std::string kb = b.Folder + "\\" + b.FileName;
  int c = ka.compare(kb);  // bytes of UTF-8 compare in code-point order
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int PruneExceptions(DriveScanEngine& e, VTreeModel& tree) {
  int removed = 0;
  tree.BeginUpdate();
  for (VNode* n : tree.AllNodes()) {
    const DriveScanNode& d = tree.Data<DriveScanNode>(n);
    if (d.IsCategory) continue;
    const std::string upperFolder = UpperLocale(IncludeTrailingBackslash(d.Folder));
    const bool gone = e.FolderOrParentExcluded(upperFolder, true) ||
                      e.FileExceptions.ContainsUpper(UpperLocale(d.FileName)) ||
                      e.FileExceptions.ContainsUpper(upperFolder + UpperLocale(d.FileName));
    if (!gone) continue;
    --e.Totals.Found;
    e.Totals.FoundBytes -= d.Size;
    tree.DeleteNode(n);
    ++removed;
  }
  tree.EndUpdate();
  RecomputeTotals(e, tree);
  return removed;
}

std::string ApplyFolderException(DriveScanEngine& e, VTreeModel& tree, const DriveScanNode& entry) {
  std::string f = entry.Folder + "\\";
  e.AddUserFolderException(f);
  PruneExceptions(e, tree);
  return f;
}

std::string ApplyFileException(DriveScanEngine& e, VTreeModel& tree, const DriveScanNode& entry) {
  std::string f = entry.FileName;
  e.AddFileException(f);
  PruneExceptions(e, tree);
  return f;
}

// ---- delete --------------------------------------------------------------

int RemoveEmptyTempSubfolders(const DriveScanEngine& e, const std::string& folder) {
  int removed = 0;
  std::function<void(const std::wstring&, const std::string&)> walk = [&](const std::wstring& w,
                                                                            const std::string& upper) {
    std::vector<std::wstring> subs;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileExW((w + L"*").c_str(), FindExInfoBasic, &fd, FindExSearchLimitToDirectories,
                                nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
      const wchar_t* n = fd.cFileName;
      if (n[0] == L'.') continue;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        subs.push_back(n);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    for (const std::wstring& s : subs) {
      std::wstring sw = w + s + L"\\";
      std::string su = upper + UpperLocale(Narrow(s)) + "\\";
      if (e.FolderIsExcluded(su, true)) continue;
      // Look again right before: never step into something that became a link.
      DWORD a = GetFileAttributesW(sw.c_str());
      if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT))
        continue;
      walk(sw, su);
      std::wstring bare = w + s;
      if (!IsFolderItself(Narrow(bare))) continue;  // swapped for a link meanwhile
      if (RemoveDirectoryW(bare.c_str())) {
        ++removed;
      } else if (a & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesW(bare.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
        if (RemoveDirectoryW(bare.c_str()))
          ++removed;
        else
          SetFileAttributesW(bare.c_str(), a);
      }
    }
  };
  std::string f = IncludeTrailingBackslash(folder);
  DWORD a = GetFileAttributesW(Widen(f).c_str());
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT))
    return 0;
  walk(Widen(f), UpperLocale(f));
  return removed;
}

void DeleteMarkedFilesCore(DriveScanEngine& e, VTreeModel& tree, const DriveCleanerOptions& options,
                           const DeleteHooks& hooks) {
  e.FilesDeleted = e.DeleteErrors = e.BytesDeleted = 0;
  AbortFlag = 0;
  int64_t position = 0;
  cleaning::RecycleChecker checker;
  cleaning::RecycleConfirmation confirmation([&](const cleaning::RecycleConfirmation::Item& t, bool gone) {
    if (gone) {
      ++e.FilesDeleted;
      e.BytesDeleted += t.size;
      tree.DeleteNode(t.node);
    } else {
      ++e.DeleteErrors;
    }
  });

  for (VNode* n : tree.AllNodes()) {
    const DriveScanNode& d = tree.Data<DriveScanNode>(n);
    if (d.IsCategory || tree.GetCheckState(n) != CheckState::Checked) continue;
    const std::string path = d.Folder + "\\" + d.FileName;
    ++position;
    if (hooks.OnFile) hooks.OnFile(path, position);
    PumpMessagesThrottled();
    confirmation.StartEntry(d.Folder);
    PathCheck itself;
    RecycleCheck check = checker.Check(d.Folder, path, &itself);
    if (check == RecycleCheck::Vanished) {  // nothing left to delete
      ++e.FilesDeleted;
      e.BytesDeleted += d.Size;
      tree.DeleteNode(n);
    } else if (check == RecycleCheck::Ready &&
               (hooks.Recycle ? hooks.Recycle(path) : ShellRecycleChecked(path, itself))) {
      confirmation.Add({n, d.FileName, d.Size, itself.identity});
    } else {
      ++e.DeleteErrors;
    }
    if (AbortFlag == 1) break;
  }
  confirmation.Flush();

  const TranslateFn& tr = hooks.Tr;
  auto cleanup = [&](bool on, bool safe, const std::string& folder) {
    if (!on || AbortFlag != 0 || folder.empty()) return;
    if (hooks.OnTempCleanup)
      hooks.OnTempCleanup(Tr(tr, "MESSAGE_DeletingInTMPDirs", "Lösche leere Unterverzeichnisse in") + " " +
                          folder);
    PumpMessages();
    if (safe) RemoveEmptyTempSubfolders(e, folder);
  };
  cleanup(options.TMPDir_ALL, e.SystemTempSafe, e.SystemTempFolder);
  cleanup(options.TMPDir_User, e.UserTempSafe, e.UserTempFolder);
  RecomputeTotals(e, tree);
}

// ---- messages ------------------------------------------------------------

std::string NoDrivesMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NoDrives",
            "Sie müssen bei den Einstellungen mindestens ein Laufwerk markieren, das nach unnötigen "
            "Dateien durchsucht werden soll.");
}

std::string ZeroFoundMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_ZeroFound",
            "Auf den gewählten Laufwerken wurden keine überflüssigen Dateien gefunden.");
}

std::string NothingSelectedMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NothingSelectedToDelete", "Sie müssen mindestens eine Datei zum Löschen auswählen.");
}

std::string SureToDeleteMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_SureToDelete",
            "Sind Sie ganz sicher, dass Sie die markierten Dateien wirklich löschen wollen?");
}

std::string DeletedMessage(const DriveScanEngine& e, const TranslateFn& tr) {
  std::string t = Tr(tr, "MESSAGE_Deleted", "Es wurden %1 Dateien gelöscht.\rDabei traten %2 Fehler auf.");
  t = ReplaceAllI(t, "%1", std::to_string(e.FilesDeleted));
  return ReplaceAllI(t, "%2", std::to_string(e.DeleteErrors));
}

std::string FolderAsExceptionMessage(const std::string& folder, const TranslateFn& tr) {
  std::string t = Tr(tr, "MESSAGE_FolderAsException", "Soll der Ordner\r%1\rin Zukunft als Ausnahme gelten?");
  return ReplaceAllI(t, "%1", folder);
}

std::string FileAsExceptionMessage(const std::string& name, const TranslateFn& tr) {
  std::string t =
      Tr(tr, "MESSAGE_FileAsException", "Soll die markierte Datei\r%1\rin Zukunft als Ausnahme gelten?");
  return ReplaceAllI(t, "%1", name);
}

std::string LnkTargetCaption(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_String_LNKPIF_Target", "zeigt auf fehlendes Ziel:");
}

}  // namespace qz::dc
