#include "cleaning/dll/dll_search.h"

#include "core/disk.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/text.h"

namespace qz::dll {

using ui::CheckState;
using ui::CheckType;
using ui::VNode;
using ui::VTreeModel;

// ---- search ------------------------------------------------------------------

DllSearchStart CheckDllSearchStart(const std::string& driveLetters, const std::string& winDir) {
  if (driveLetters.empty()) return DllSearchStart::NoDrives;
  const std::string w = UpperAscii(winDir);
  if (w.size() >= 3 && w.compare(1, 2, ":\\") == 0 && UpperAscii(driveLetters).find(w[0]) == std::string::npos)
    return DllSearchStart::NoWinDrive;
  return DllSearchStart::Ok;
}

void BuildDllRows(const DllEngine& e, VTreeModel& tree) {
  tree.BeginUpdate();
  tree.Clear();
  tree.SetRecordType<DllNode>();
  for (size_t i = 0; i < e.DllGroups.size(); ++i) {
    std::string name;
    int64_t number = 0;
    if (!ParseGroupLine(e.DllGroups[i], name, number)) continue;
    DllNode row;
    row.Name = name;
    if (number < 0 || static_cast<size_t>(number) >= e.Files.size()) {
      row.IsGroup = 1;
      tree.AddChild(nullptr, std::move(row));
      continue;
    }
    const DllFile& f = e.Files[static_cast<size_t>(number)];
    row.FullPath = f.UpperPath;
    row.Folder = ExcludeTrailingBackslash(f.UpperPath.substr(0, f.UpperPath.size() - f.Name.size()));
    row.Date = f.Date;
    row.Size = f.Size;
    row.Version = VersionDisplayText(f.VersionText);
    if (row.Version.empty()) row.Version = VersionNumberText(f.Number);
    row.Reason = i < e.DllReasons.size() ? StrToIntDef(e.DllReasons[i], 0) : 0;
    row.TextColor = IsRiskyReason(row.Reason) ? kRiskColor : 0;
    row.FilePath = f.Path;
    row.LastWrite = f.LastWrite;
    const bool reference = row.Reason == kReasonWindowsFolder;
    VNode* n = tree.AddChild(nullptr, std::move(row));
    if (!reference) tree.SetCheckType(n, CheckType::CheckBox);
    tree.SetCheckState(n, CheckState::Unchecked);
  }
  tree.EndUpdate();
}

// ---- totals ------------------------------------------------------------------

cleaning::EntryFacts DllEntry(const VTreeModel& tree, VNode* n) {
  const DllNode& d = tree.Data<DllNode>(n);
  return {d.IsGroup == 0, d.Size};
}

cleaning::ResultTotals RecountDllSelection(const VTreeModel& tree) { return cleaning::CountTotals(tree, DllEntry); }

std::string FilesLabelText(const cleaning::ResultTotals& t) {
  return std::to_string(t.Marked) + " / " + std::to_string(t.Found);
}

std::string BytesLabelText(const cleaning::ResultTotals& t, const NumberFormat& nf) {
  return dc::FormatMB(t.MarkedBytes, nf) + " MB / " + dc::FormatMB(t.FoundBytes, nf) + " MB";
}

std::string SummaryText(const cleaning::ResultTotals& c, int64_t dllFilesSeen, int64_t foldersEntered,
                        const TranslateFn& tr, const NumberFormat& nf) {
  std::string t = Tr(tr, "MESSAGE_Result",
                     "Es wurden insgesammt %1 Dateien gefunden welche %2 MB belegen.<br>"
                     "Davon sind %3 Dateien zum Löschen markiert welche %4 MB belegen.<br>"
                     "Es wurden insgesammt %5 DLL-Dateien in %6 Ordnern untersucht.");
  t = ReplaceAll(t, "%1", std::to_string(c.Found));
  t = ReplaceAll(t, "%2", dc::FormatMBSummary(c.FoundBytes, nf));
  t = ReplaceAll(t, "%3", std::to_string(c.Marked));
  t = ReplaceAll(t, "%4", dc::FormatMBSummary(c.MarkedBytes, nf));
  t = ReplaceAll(t, "%5", std::to_string(dllFilesSeen));
  return ReplaceAll(t, "%6", std::to_string(foldersEntered));
}

// ---- result window -------------------------------------------------------------

bool TrackDllCheck(VTreeModel& tree, cleaning::ResultTotals& totals, VNode* n, CheckState newState) {
  const DllNode& d = tree.Data<DllNode>(n);
  if (d.IsGroup || d.Reason == kReasonWindowsFolder) return newState != CheckState::Checked;
  cleaning::TrackCheckChange(totals, tree, n, newState, DllEntry);
  return true;
}

bool HasRiskyMarkedRow(VTreeModel& tree) {
  if (tree.IsEmpty()) return false;
  for (VNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
    if (tree.GetCheckState(n) == CheckState::Checked && tree.Data<DllNode>(n).TextColor != 0) return true;
  return false;
}

std::pair<std::string, std::string> ReasonLines(int reason, const TranslateFn& tr) {
  switch (reason) {
    case kReasonIdentical:
      return {Tr(tr, "MESSAGE_Grund1_1", "Diese DLL ist identisch mit der im Windows-Systemverzeichnis."),
              Tr(tr, "MESSAGE_Grund1_2", "Das Löschen dieser DLL sollte ungefährlich sein.")};
    case kReasonUnknownVersion:
      return {Tr(tr, "MESSAGE_Grund2_1", "Die Versionsnummer dieser DLL ist unbekannt."),
              Tr(tr, "MESSAGE_Grund2_2", "Das Löschen dieser DLL ist zu riskant.")};
    case kReasonSameSize:
      return {Tr(tr, "MESSAGE_Grund3_1",
                 "Die Dateigröße dieser DLL ist identisch mit der im Windows-Systemverzeichnis."),
              Tr(tr, "MESSAGE_Grund3_2", "Das Löschen dieser DLL sollte relativ ungefährlich sein.")};
    case kReasonOlderOrEqual:
      return {Tr(tr, "MESSAGE_Grund4_1",
                 "Die Versionsnummer dieser DLL ist identisch oder kleiner als die DLL im "
                 "Windows-Systemverzeichnis."),
              Tr(tr, "MESSAGE_Grund4_2", "Das Löschen dieser DLL sollte ungefährlich sein.")};
    case kReasonNewer:
      return {Tr(tr, "MESSAGE_Grund5_1",
                 "Die Versionsnummer dieser DLL ist größer als die DLL im Windows-Systemverzeichnis."),
              Tr(tr, "MESSAGE_Grund5_2",
                 "Vom Löschen dieser DLL wird dringend abgeraten! Sie sollten diese DLL in Ihr "
                 "Systemverzeichnis verschieben.")};
    case kReasonWindowsFolder:
      return {Tr(tr, "MESSAGE_Grund6_1", "Diese DLL befindet sich derzeit im Windows-Verzeichnis."),
              Tr(tr, "MESSAGE_Grund6_2", "Vom Löschen dieser DLL wird abgeraten!")};
    default:
      return {kNotAvailable, kNotAvailable};
  }
}

// ---- delete ----------------------------------------------------------------------

DllRowCheck CheckDllRow(const DllNode& row, const DllPlaces& places, const DllReferences& refs) {
  const std::string folder = NormalisePath(ExtractFileDir(row.FilePath));
  const std::string name = UpperLocale(ExtractFileName(row.FilePath));
  if (IsReferencePlace(places.PlaceOf(folder))) return DllRowCheck::Reference;
  if (places.IsInProtectedFolder(folder)) return DllRowCheck::Protected;
  if (refs.IsReferenced(folder, name)) return DllRowCheck::Referenced;
  switch (dc::CheckBeforeRecycle(row.FilePath)) {
    case dc::RecycleCheck::Ready:
      break;
    case dc::RecycleCheck::Vanished:
      return DllRowCheck::Vanished;
    default:
      return DllRowCheck::NotPlainFile;
  }
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(Widen(row.FilePath).c_str(), GetFileExInfoStandard, &a)) return DllRowCheck::Changed;
  const int64_t size = static_cast<int64_t>((static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow);
  if (size != row.Size || CompareFileTime(&a.ftLastWriteTime, &row.LastWrite) != 0) return DllRowCheck::Changed;
  if (IsFileInUse(row.FilePath)) return DllRowCheck::InUse;
  return DllRowCheck::Ready;
}

DllDeleteResult DeleteMarkedDllsCore(VTreeModel& tree, const DllFolders& folders, const DllDeleteHooks& hooks) {
  DllDeleteResult r;
  if (tree.IsEmpty()) return r;
  const DllPlaces places(folders);
  const DllReferences refs = DllReferences::Read(places);
  int64_t position = 0;
  for (VNode* n : tree.AllNodes()) {
    if (AbortFlag == 1) break;
    const DllNode& d = tree.Data<DllNode>(n);
    if (d.IsGroup || tree.GetCheckState(n) != CheckState::Checked) continue;
    ++position;
    if (hooks.OnFile) hooks.OnFile(d.FilePath, position);
    PumpMessagesThrottled();
    const DllRowCheck check = CheckDllRow(d, places, refs);
    bool gone = check == DllRowCheck::Vanished;
    // The core's recycle confirms that the file is gone afterwards.
    if (check == DllRowCheck::Ready) gone = hooks.Recycle ? hooks.Recycle(d.FilePath) : RecycleFileQuiet(d.FilePath);
    if (gone) {
      ++r.Deleted;
      tree.DeleteNode(n);
    } else {
      ++r.Failed;
    }
  }
  return r;
}

// ---- messages ------------------------------------------------------------------

std::string NoDrivesMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NoDrives",
            "Sie müssen bei den Einstellungen mindestens ein Laufwerk markieren auf dem nach DLL-Dateien gesucht "
            "werden soll.");
}

std::string NoWinDriveMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NoWinDrive",
            "Sie müssen bei den Einstellungen das Laufwerk markieren, auf dem Windows derzeit installiert ist.");
}

std::string SureToSearchMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_SureToSearch",
            "Sind Sie ganz sicher, dass Sie nach redundanten DLL-Dateien suchen wollen? Dieser Vorgang sollte nur "
            "von erfahrenen Benutzern ausgeführt werden!");
}

std::string NothingFoundMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_NothingFound", "Es wurden keine redundanten DLL-Dateien gefunden.");
}

std::string DeleteZeroSelectedMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_DeleteZeroSelected", "Sie müssen mindestens eine DLL-Datei zum Löschen auswählen.");
}

std::string SureToDeleteMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_SureToDelete",
            "Sind Sie ganz sicher, dass Sie die markierten DLL-Dateien wirklich löschen wollen?\r"
            "Das unsachgemässe Löschen von DLL-Dateien kann Ihr System unbrauchbar machen!");
}

std::string DeletedMessage(const DllDeleteResult& r, const TranslateFn& tr) {
  std::string t = Tr(tr, "MESSAGE_Deleted", "Es wurden %1 DLL-Dateien gelöscht.\rDabei traten %2 Fehler auf.");
  t = ReplaceAll(t, "%1", std::to_string(r.Deleted));
  return ReplaceAll(t, "%2", std::to_string(r.Failed));
}

std::string SureToDeleteRedMessage(const TranslateFn& tr) {
  return Tr(tr, "MESSAGE_SureToDeleteRED",
            "Es sind DLL-Dateien markiert, deren Löschung sehr gefährlich sein könnte. Dies sind in rot "
            "markiert.\rSind Sie sicher, dass Sie die markierten Dateien wirklich so übernehmen wollen?");
}

}  // namespace qz::dll
