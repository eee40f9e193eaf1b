#include "cleaning/drive/scan_engine.h"

#include <windows.h>
#include <shlobj.h>

#include "core/disk.h"
#include "core/globals.h"
#include "core/pathtools.h"
#include "core/pump.h"
#include "core/strings.h"
#include "core/text.h"

namespace qz::dc {

using ui::CheckState;
using ui::CheckType;
using ui::VNode;

// ---- sets ----------------------------------------------------------------

void PathSet::Add(const std::string& s) { set_.insert(UpperLocale(s)); }
bool PathSet::Contains(const std::string& s) const { return set_.count(UpperLocale(s)) != 0; }

void FolderExclusionSet::Add(const std::string& folder, bool user) {
  std::string u = UpperLocale(folder);
  auto [it, inserted] = map_.emplace(u, user);
  if (!inserted && user) it->second = true;
}

bool FolderExclusionSet::Contains(const std::string& folder) const {
  return map_.count(UpperLocale(folder)) != 0;
}

bool FolderExclusionSet::IsUserEntryUpper(const std::string& upper) const {
  auto it = map_.find(upper);
  return it != map_.end() && it->second;
}

// ---- helpers -------------------------------------------------------------

namespace {

std::string UpperW(std::wstring w) {
  if (!w.empty()) CharUpperBuffW(w.data(), static_cast<DWORD>(w.size()));
  return Narrow(w);
}

// Critical-error boxes (a drive without a medium) stay off while a pass runs.
class ErrorModeGuard {
 public:
  ErrorModeGuard() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
  ~ErrorModeGuard() { SetThreadErrorMode(old_, nullptr); }

 private:
  DWORD old_ = 0;
};

bool IsDotName(const wchar_t* n) { return n[0] == L'.'; }

int64_t SizeOf(const WIN32_FIND_DATAW& fd) {
  return static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
}

// True only when the path is plainly absent: not there, with "file not found"
// or "path not found" as the reason (not a refused access or a drive that is
// not ready).
bool IsNotFound(const std::string& path) {
  if (path.empty()) return false;
  DWORD a = GetFileAttributesW(Widen(path).c_str());
  if (a != INVALID_FILE_ATTRIBUTES) return false;
  DWORD e = GetLastError();
  return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
}

bool ContainsSpecialTempPart(const std::string& upperFolder) {
  return upperFolder.find("\\TEMPORARY INTERNET FILES\\") != std::string::npos ||
         upperFolder.find("\\VBE\\") != std::string::npos ||
         upperFolder.find("\\COOKIES\\") != std::string::npos ||
         upperFolder.find("\\HISTORY.IE5\\") != std::string::npos;
}

std::string FolderDir(int csidl) {
  wchar_t buf[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK) return {};
  return Narrow(buf);
}

}  // namespace

bool IsSafeTempFolder(const std::string& folder, const StringList& protectedFolders) {
  std::string f = UpperLocale(IncludeTrailingBackslash(folder));
  if (f.size() < 4 || f[1] != ':' || f[2] != '\\') return false;
  int depth = 0;
  for (size_t i = 3; i < f.size(); ++i)
    if (f[i] == '\\') ++depth;
  if (depth < 2) return false;
  for (const std::string& p : protectedFolders) {
    if (p.empty()) continue;
    std::string u = UpperLocale(IncludeTrailingBackslash(p));
    if (StartsWith(u, f)) return false;  // the temporary folder is this folder or above it
  }
  return true;
}

ScanEnvironment ScanEnvironment::FromSystem() {
  ScanEnvironment env;
  env.WinDir = qz::WinDir;
  if (env.WinDir.empty()) {
    wchar_t buf[MAX_PATH] = {};
    if (GetWindowsDirectoryW(buf, MAX_PATH)) env.WinDir = Narrow(buf);
  }
  env.UserTempDir = qz::UserTempDir;
  if (env.UserTempDir.empty()) {
    wchar_t buf[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, buf)) env.UserTempDir = ExcludeTrailingBackslash(Narrow(buf));
  }
  std::string sys = SysDir;
  if (sys.empty()) {
    wchar_t buf[MAX_PATH] = {};
    if (GetSystemDirectoryW(buf, MAX_PATH)) sys = Narrow(buf);
  }
  env.ProtectedFolders = {env.WinDir,
                          sys,
                          AppDir,
                          FolderDir(CSIDL_PROGRAM_FILES),
                          FolderDir(CSIDL_PROGRAM_FILESX86),
                          FolderDir(CSIDL_PROGRAM_FILES_COMMON),
                          FolderDir(CSIDL_PROFILE),
                          FolderDir(CSIDL_APPDATA),
                          FolderDir(CSIDL_LOCAL_APPDATA),
                          FolderDir(CSIDL_PERSONAL),
                          FolderDir(CSIDL_DESKTOPDIRECTORY)};
  return env;
}

// ---- engine --------------------------------------------------------------

DriveScanEngine::DriveScanEngine() = default;

void DriveScanEngine::FreeDriveScan() {
  FolderExclusions.Clear();
  FileExceptions.Clear();
  FoundFiles.Clear();
  MaskList.clear();
  CurrentCategoryNode = nullptr;
}

void DriveScanEngine::PrepareDriveScan(const ScanEnvironment& env) {
  if (ScanTree) ScanTree->SetRecordType<DriveScanNode>();
  if (!ShortcutReader) ShortcutReader = DefaultShortcutReader();
  Matcher = WildMatch{};
  FreeDriveScan();
  listings_.clear();
  listedEntries_ = 0;

  SystemTempFolder = UpperLocale(env.WinDir + "\\TEMP\\");
  FolderExclusions.Add(SystemTempFolder, false);
  UserTempFolder.clear();
  if (!env.UserTempDir.empty()) {
    UserTempFolder = UpperLocale(IncludeTrailingBackslash(env.UserTempDir));
    FolderExclusions.Add(UserTempFolder, false);
  }
  SystemTempSafe = IsSafeTempFolder(SystemTempFolder, env.ProtectedFolders);
  UserTempSafe = !UserTempFolder.empty() && IsSafeTempFolder(UserTempFolder, env.ProtectedFolders);

  for (char l = 'A'; l <= 'Z'; ++l) {
    std::string root = std::string(1, l) + ":\\";
    FolderExclusions.Add(root + "RECYCLED\\", false);
    FolderExclusions.Add(root + "RECYCLER\\", false);
    FolderExclusions.Add(root + "$RECYCLE.BIN\\", false);
    FolderExclusions.Add(root + "SYSTEM VOLUME INFORMATION\\", false);
  }
  for (const char* sub : {"\\SYSBACKUP\\", "\\REPAIR\\", "\\SECURITY\\", "\\INSTALLER\\"})
    FolderExclusions.Add(env.WinDir + sub, false);
  MinidumpFolder = env.WinDir + "\\Minidump\\";

  FoldersScanned = FilesExamined = Totals.Found = Totals.FoundBytes = FoldersCounted = 0;
  ProgressPosition = 0;
  CountingPhase = ScanningPhase = 0;
  CurrentDrive.clear();
  CurrentFolder.clear();
  CurrentFile.clear();
  Totals.Marked = Totals.MarkedBytes = FilesDeleted = BytesDeleted = DeleteErrors = 0;
}

void DriveScanEngine::AddUserFolderException(const std::string& folder) {
  std::string f = Trim(folder);
  if (f.empty()) return;
  FolderExclusions.Add(IncludeTrailingBackslash(f), true);
}

void DriveScanEngine::AddFileException(const std::string& pathOrName) {
  std::string f = Trim(pathOrName);
  if (!f.empty()) FileExceptions.Add(f);
}

bool DriveScanEngine::FolderIsExcluded(const std::string& upper, bool tempPass) const {
  if (FolderExclusions.ContainsUpper(upper)) {
    if (!tempPass || FolderExclusions.IsUserEntryUpper(upper)) return true;
    // The temporary folders' fixed entries only keep the drive pass out.
    if (upper != SystemTempFolder && upper != UserTempFolder) return true;
  }
  // The folder's own name ("TEMP\" for C:\WINDOWS\TEMP\): a bare-name entry.
  if (upper.size() > 3) {
    size_t end = upper.size() - 1;  // the trailing backslash
    size_t prev = upper.rfind('\\', end - 1);
    if (prev != std::string::npos) {
      std::string own = upper.substr(prev + 1);
      if (FolderExclusions.ContainsUpper(own)) return true;
    }
  }
  return false;
}

bool DriveScanEngine::FolderOrParentExcluded(const std::string& upper, bool tempPass) const {
  for (size_t i = upper.find('\\'); i != std::string::npos; i = upper.find('\\', i + 1))
    if (FolderIsExcluded(upper.substr(0, i + 1), tempPass)) return true;
  return false;
}

bool DriveScanEngine::LeaveOutLocked(const std::wstring& pathW, uint32_t attr) const {
  if (attr & FILE_ATTRIBUTE_READONLY) return true;
  HANDLE h = CreateFileW(pathW.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return true;
  CloseHandle(h);
  return false;
}

void DriveScanEngine::AddEntry(VNode* category, const std::string& name, const std::string& folderNoSlash,
                               int64_t size, const std::string& info) {
  DriveScanNode rec;
  rec.FileName = name;
  rec.Folder = folderNoSlash;
  rec.Size = size < 0 ? 0 : size;
  rec.Info = info;
  const bool tall = !rec.Info.empty();
  VNode* n = ScanTree->AddChild(category, std::move(rec));
  ScanTree->SetCheckType(n, CheckType::TriState);
  ScanTree->SetCheckState(n, CheckState::Checked);
  ScanTree->SetNodeHeight(n, tall ? kEntryHeightWithInfo : kEntryHeight);
  if (size > 0) Totals.FoundBytes += size;
}

void DriveScanEngine::ReadFolder(const std::wstring& folderW, Listing& out, bool keep) {
  out.entries.clear();
  auto it = listings_.find(folderW);
  if (it != listings_.end()) {
    out = std::move(it->second);
    listings_.erase(it);
    return;
  }
  bool stopped = false;
  ForEachDirEntry(folderW, L"*", [&](const WIN32_FIND_DATAW& fd) {
    PumpMessagesThrottled();
    if (AbortFlag == 1) {
      stopped = true;
      return false;
    }
    out.entries.push_back({fd.cFileName, fd.dwFileAttributes, SizeOf(fd)});
    return true;
  });
  if (keep && !stopped && listedEntries_ + out.entries.size() <= kListingBudget) {
    listedEntries_ += out.entries.size();
    listings_[folderW] = out;
  }
}

void DriveScanEngine::CountFolders(const std::string& folder) {
  if (AbortFlag == 1) return;
  ErrorModeGuard guard;
  listings_.clear();
  listedEntries_ = 0;
  // Iterative walk in the same order as a recursive one.
  std::vector<std::wstring> stack{Widen(IncludeTrailingBackslash(folder))};
  std::vector<std::wstring> subs;
  Listing listing;
  while (!stack.empty() && AbortFlag != 1) {
    std::wstring f = std::move(stack.back());
    stack.pop_back();
    CountingPhase = 1;
    ScanningPhase = 0;
    ++FoldersCounted;
    ++ProgressPosition;
    if (f.size() <= 2) continue;
    subs.clear();
    ReadFolder(f, listing, true);
    for (const FileItem& fd : listing.entries) {
      PumpMessagesThrottled();
      if (AbortFlag == 1) break;
      if ((fd.attr & FILE_ATTRIBUTE_DIRECTORY) && !(fd.attr & FILE_ATTRIBUTE_REPARSE_POINT) &&
          !IsDotName(fd.name.c_str()))
        subs.push_back(f + fd.name + L"\\");
    }
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) stack.push_back(std::move(*it));
  }
}

void DriveScanEngine::IndexMasks() {
  masksByExtension_.clear();
  otherMasks_.clear();
  for (size_t i = 0; i < MaskList.size(); ++i) {
    const std::string& m = MaskList[i].Mask;
    // "*.EXT" with no other wildcard and no other dot: a plain suffix.
    const bool plain = m.size() > 2 && m[0] == '*' && m[1] == '.' &&
                       m.find_first_of("*?.", 2) == std::string::npos;
    if (plain)
      masksByExtension_.emplace(m.substr(1), i);  // the first such mask wins
    else
      otherMasks_.push_back(i);
  }
  indexedMasks_ = MaskList.size();
}

VNode* DriveScanEngine::MatchingCategory(const std::string& upperName) {
  if (indexedMasks_ != MaskList.size()) IndexMasks();
  // The first mask in list order that matches wins: a plain "*.EXT" mask is
  // found by the name's extension, the others are tried in turn up to it.
  size_t best = MaskList.size();
  const size_t dot = upperName.rfind('.');
  if (dot != std::string::npos) {
    auto it = masksByExtension_.find(upperName.substr(dot));
    if (it != masksByExtension_.end()) best = it->second;
  }
  for (size_t i : otherMasks_) {
    if (i >= best) break;
    if (Matcher.Matches(upperName, MaskList[i].Mask)) {
      best = i;
      break;
    }
  }
  return best < MaskList.size() ? MaskList[best].Category : nullptr;
}

void DriveScanEngine::ScanDrive(const std::string& driveRoot, const std::string& rel) {
  if (AbortFlag == 1 || !ScanTree) return;
  ErrorModeGuard guard;
  IndexMasks();  // the masks may have changed since the last pass

  struct Pending {
    std::string rel;
  };
  std::vector<Pending> stack{{rel}};
  std::vector<std::string> subs;
  Listing listing;
  const std::string upperRoot = UpperLocale(driveRoot);
  while (!stack.empty() && AbortFlag != 1) {
    std::string r = std::move(stack.back().rel);
    stack.pop_back();
    ScanningPhase = 1;
    CountingPhase = 0;
    ++FoldersScanned;
    ++ProgressPosition;
    CurrentFolder = r;
    PumpMessagesThrottled();

    const std::string folder = driveRoot + r;
    const std::string upperRel = UpperLocale(r);
    const std::string upperFolder = upperRoot + upperRel;
    // Exclusions hold for every folder, the drive root and short top-level
    // folders included, and shut out the whole sub-tree.
    if (FolderIsExcluded(upperFolder, false)) continue;
    if (("\\" + upperRel).find("\\TEMPORARY INTERNET FILES\\") != std::string::npos) continue;

    const std::wstring folderW = Widen(folder);
    files_.clear();
    subs.clear();
    ReadFolder(folderW, listing, false);
    for (FileItem& fd : listing.entries) {
      if (fd.attr & FILE_ATTRIBUTE_DIRECTORY) {
        if (!(fd.attr & FILE_ATTRIBUTE_REPARSE_POINT) && !IsDotName(fd.name.c_str())) {
          std::string name = Narrow(fd.name);
          if (IsListableName(name, folder + name + "\\x")) subs.push_back(std::move(name));
        }
      } else {
        files_.push_back(std::move(fd));
      }
    }

    // Files of the drive root and of top-level folders with names of one or
    // two characters are never examined; their sub-folders are.
    if (r.size() > 3) {
      const ScanFolder where{folder, upperFolder, folderW};
      for (const FileItem& f : files_) {
        PumpMessagesThrottled();
        if (AbortFlag == 1) break;
        ExamineFile(where, f);
      }
    }
    if (AbortFlag == 1) break;
    // Sub-folders in the order the file system gave them.
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) stack.push_back({r + *it + "\\"});
  }
  // What the counting pass read of folders the scan left out is not kept.
  listings_.clear();
  listedEntries_ = 0;
}

// ---- the drive pass's decision on one file --------------------------------

void DriveScanEngine::ExamineFile(const ScanFolder& where, const FileItem& f) {
  ++FilesExamined;
  const std::string name = Narrow(f.name);
  CurrentFile = name;
  const std::string upperName = UpperW(f.name);
  if (!MayBeJunk(f, upperName)) return;
  VNode* category = MatchingCategory(upperName);
  if (!category) return;
  const std::string full = where.folder + name;
  const std::string upperFull = where.upperFolder + upperName;
  if (IsExceptedOrListed(upperName, upperFull)) return;
  if (!IsListableName(name, full)) return;
  // A link to a file looks like a plain file in the listing: only a file that
  // is itself is listed (one open per candidate, not per file examined).
  if (!FileReachesItself(full)) return;
  if (SkipLockedFiles == 1 && LeaveOutLocked(where.folderW + f.name, f.attr)) return;
  std::string info;
  if (!ShortcutTestPasses(full, upperName, info)) return;
  ++Totals.Found;
  FoundFiles.AddUpper(upperFull);
  AddEntry(category, name, ExcludeTrailingBackslash(where.folder), f.size, info);
}

bool DriveScanEngine::MayBeJunk(const FileItem& f, const std::string& upperName) const {
  // A name without a dot, a renamed program copy ("x.exe.old") and a file
  // that is a link are never junk.
  if (f.name.find(L'.') == std::wstring::npos) return false;
  if (upperName.find(".EXE.") != std::string::npos) return false;
  return !(f.attr & FILE_ATTRIBUTE_REPARSE_POINT);
}


bool DriveScanEngine::IsExceptedOrListed(const std::string& upperName, const std::string& upperFull) const {
  return FileExceptions.ContainsUpper(upperName) || FoundFiles.ContainsUpper(upperFull) ||
         FileExceptions.ContainsUpper(upperFull);
}

bool DriveScanEngine::ShortcutTestPasses(const std::string& full, const std::string& upperName,
                                          std::string& info) {
  const std::string ext = upperName.size() >= 4 ? upperName.substr(upperName.size() - 4) : std::string();
  const bool test = (ext == ".LNK" && CheckLnkTargets == 1) || (ext == ".PIF" && CheckPifTargets == 1);
  return !test || IsShortcutTargetMissing(full, &info);
}

void DriveScanEngine::ScanFolderWithMask(const std::string& folderIn, const std::string& mask) {
  if (AbortFlag == 1 || folderIn.size() <= 3 || !ScanTree || !CurrentCategoryNode) return;
  ErrorModeGuard guard;
  const std::string folder = IncludeTrailingBackslash(folderIn);
  CurrentFolder = folder;
  const std::string upper = UpperLocale(folder);
  // A temporary folder that is a drive root, too shallow, or holds a system
  // or profile folder is never listed.
  if (upper == SystemTempFolder && !SystemTempSafe) return;
  if (!UserTempFolder.empty() && upper == UserTempFolder && !UserTempSafe) return;
  DWORD a = GetFileAttributesW(Widen(folder).c_str());
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT))
    return;
  if (ContainsSpecialTempPart(upper) || FolderOrParentExcluded(upper, true)) return;
  const bool allFiles = mask == "*.*" || mask == "*";
  ScanMaskFolder(Widen(folder), folder, mask, allFiles);
}

void DriveScanEngine::ScanMaskFolder(const std::wstring& folderW, const std::string& folder,
                                     const std::string& mask, bool allFiles) {
  PumpMessagesThrottled();
  if (AbortFlag == 1) return;
  const std::string upperFolder = UpperLocale(folder);
  std::vector<FileItem> files;
  std::vector<std::wstring> subs;
  ForEachDirEntry(folderW, L"*", [&](const WIN32_FIND_DATAW& fd) {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !IsDotName(fd.cFileName))
        subs.push_back(fd.cFileName);
    } else if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      files.push_back({fd.cFileName, fd.dwFileAttributes, SizeOf(fd)});
    }
    return true;
  });

  const std::string folderNoSlash = ExcludeTrailingBackslash(folder);
  for (const FileItem& f : files) {
    PumpMessagesThrottled();
    if (AbortFlag == 1) return;
    std::string name = Narrow(f.name);
    // The long name must match: an 8.3 alias may match where it does not.
    if (!allFiles && !MatchesFileMask(name, mask)) continue;
    const std::string full = folder + name;
    if (!IsListableName(name, full)) continue;
    const std::string N = UpperW(f.name);
    const std::string U = upperFolder + N;
    if (FileExceptions.ContainsUpper(N) || FileExceptions.ContainsUpper(U)) continue;
    if (FoundFiles.ContainsUpper(U)) continue;
    if (!FileReachesItself(full)) continue;  // a link to a file is never listed
    if (SkipLockedFiles == 1 && LeaveOutLocked(folderW + f.name, f.attr)) continue;
    FoundFiles.AddUpper(U);
    ++Totals.Found;
    AddEntry(CurrentCategoryNode, name, folderNoSlash, f.size, {});
  }
  for (const std::wstring& s : subs) {
    if (AbortFlag == 1) return;
    std::string name = Narrow(s);
    std::string sub = folder + name + "\\";
    if (!IsListableName(name, sub + "x")) continue;
    std::string upperSub = UpperLocale(sub);
    // An excluded folder shuts out everything below it.
    if (ContainsSpecialTempPart(upperSub) || FolderIsExcluded(upperSub, true)) continue;
    ScanMaskFolder(folderW + s + L"\\", sub, mask, allFiles);
  }
}

bool DriveScanEngine::IsShortcutTargetMissing(const std::string& file, std::string* targetOut) {
  if (!ShortcutReader) return false;
  ShortcutTarget r = ShortcutReader(file);
  if (!r.Success) return false;
  const std::string& t = r.Target;
  if (targetOut) *targetOut = t;
  if (t.size() < 4 || t[1] != ':' || t[2] != '\\') return false;
  if (ScannedDrives.find(t[0]) == std::string::npos) return false;
  std::string ext = ExtractFileExt(t);
  if (FileExceptions.Contains(t) || (!ext.empty() && FileExceptions.Contains(ext))) return false;
  const std::string tu = UpperLocale(t);
  if (IsInstallerReference(tu)) return false;
  if (r.IsDir) return IsNotFound(tu);
  // Broken only when neither the target as it stands (expanded) nor the
  // program path cut from it exists; an empty cut is no evidence at all.
  if (!IsNotFound(ExpandAndUnquote(t))) return false;
  std::string cut = tu;
  CommandLineToFilePath(cut);
  if (!cut.empty()) cut = UpperLocale(ExpandAndUnquote(cut));
  if (cut.empty()) return true;
  return IsNotFound(cut);
}

}  // namespace qz::dc
