#include "cleaning/dll/dll_engine.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <unordered_set>

#include "cleaning/dll/dll_copy_reader.h"
#include "cleaning/dll/pe_version.h"
#include "core/disk.h"
#include "core/error_mode.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/text.h"

namespace qz::dll {

namespace {

// Upper case by the system's rule; names of plain ASCII (nearly all) are
// done without a round trip through the system.
std::string UpperName(const wchar_t* name) {
  std::string ascii;
  for (const wchar_t* p = name; *p; ++p) {
    if (*p >= 0x80) {
      std::wstring w = name;
      CharUpperBuffW(w.data(), static_cast<DWORD>(w.size()));
      return Narrow(w);
    }
    const char c = static_cast<char>(*p);
    ascii.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
  }
  return ascii;
}

// The long name's extension is exactly ".DLL" (no regard to case). The walk
// reads every name, so an 8.3 alias ("A~1.DLL" of "a.dllx") never counts.
bool HasDllExtension(const wchar_t* name) {
  const size_t n = wcslen(name);
  if (n < 5) return false;
  const wchar_t* e = name + n - 4;
  return e[0] == L'.' && (e[1] == L'd' || e[1] == L'D') && (e[2] == L'l' || e[2] == L'L') &&
         (e[3] == L'l' || e[3] == L'L');
}

// A name a Windows path can address, in a path the shell's file operation
// takes: no control character, separator or wildcard, no trailing "." or
// blank (the host's file system may hold such names; a path made of them
// means other files), and folder + "\" + name (+ reserve, for the names of
// a sub-folder's entries) shorter than MAX_PATH.
bool IsAddressable(const wchar_t* name, size_t folderLength, size_t reserve) {
  const wchar_t* p = name;
  for (; *p; ++p) {
    const wchar_t c = *p;
    if (c < 32 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' ||
        c == L'>' || c == L'|')
      return false;
  }
  const size_t n = static_cast<size_t>(p - name);
  return n > 0 && p[-1] != L'.' && p[-1] != L' ' && folderLength + 1 + n + reserve < MAX_PATH;
}

bool DriveHasMedium(char letter) {
  const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', 0};
  return GetFileAttributesW(root) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::string GroupHeader(const std::string& name) { return name + ":\\X"; }
std::string GroupKey(const std::string& name, size_t number) { return name + ":\\" + std::to_string(number); }

bool ParseGroupLine(const std::string& line, std::string& name, int64_t& number) {
  const size_t sep = line.rfind(":\\");
  if (sep == std::string::npos || sep == 0 || sep + 2 >= line.size()) return false;
  name = line.substr(0, sep);
  const std::string tail = line.substr(sep + 2);
  if (tail == "X") {
    number = -1;
    return true;
  }
  if (tail.find_first_not_of("0123456789") != std::string::npos || tail.size() > 18) return false;
  number = std::stoll(tail);
  return true;
}

// In use: the copy cannot be opened for delete access without sharing (the
// link itself rather than its target); a copy that is gone is not in use.
bool IsFileInUse(const std::string& path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return false;
  }
  const DWORD err = GetLastError();
  return err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND;
}

std::string FormatFileDate(const FILETIME& utc) {
  SYSTEMTIME st;
  FILETIME local;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  wchar_t date[128] = {}, time[128] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 128);
  return Narrow(date) + " " + Narrow(time);
}

// ---- engine ---------------------------------------------------------------------

DllEngine::DllEngine() = default;
DllEngine::~DllEngine() = default;

void DllEngine::Pump() const { PumpMessagesThrottled(PumpIntervalMs); }

void DllEngine::ClearFileLists() {
  reader_.reset();
  Files.clear();
  Files.shrink_to_fit();
  folders_.clear();
  DllGroups.clear();
  DllReasons.clear();
}

void DllEngine::BeginSearch() {
  ClearFileLists();
  FoldersEntered = DllFilesSeen = 0;
  CurrentDrive.clear();
  CurrentFolder.clear();
  CurrentFile.clear();
  places_ = DllPlaces(Folders);
  references_ = DllReferences::Read(places_);
  exceptionFiles_.clear();
  exceptionFolders_.clear();
  folders_.clear();
  dates_.clear();
  // The names directly in the Windows folders: a copy of such a name is
  // read as soon as the walk meets it (the walk itself decides what is
  // grouped; a name missed here is only read later).
  referenceNames_.clear();
  for (const std::string* dir : {&places_.WinDir(), &places_.SysDir(), &places_.Wow64Dir()}) {
    if (dir->empty()) continue;
    ForEachDirEntry(Widen(*dir) + L"\\", L"*.dll", [&](const WIN32_FIND_DATAW& fd) {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && HasDllExtension(fd.cFileName))
        referenceNames_.insert(UpperName(fd.cFileName));
    });
  }
  for (const std::string& e : ExceptionFiles) {
    const std::string t = Trim(e);
    if (t.empty()) continue;
    // A full path in normal form; a bare name in upper case.
    if (t.find('\\') != std::string::npos || t.find(':') != std::string::npos)
      exceptionFiles_.insert(NormalisePath(t));
    else
      exceptionFiles_.insert(UpperLocale(t));
  }
  for (const std::string& e : ExceptionFolders) {
    std::string n = NormalisePath(e);
    if (!n.empty()) exceptionFolders_.insert(std::move(n));
  }
}

void DllEngine::AnalyzeDlls() {
  BeginSearch();
  // With no Windows folder on a chosen drive no group can form: then no copy
  // is opened while the walk goes on (the places are in normal form).
  bool windowsSearched = false;
  for (const std::string* dir : {&places_.WinDir(), &places_.SysDir(), &places_.Wow64Dir()})
    if (dir->size() > 1 && (*dir)[1] == ':' && DriveLetters.find((*dir)[0]) != std::string::npos)
      windowsSearched = true;
  if (!windowsSearched) referenceNames_.clear();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (DriveLetters.find(letter) == std::string::npos || !DriveHasMedium(letter)) continue;
    CurrentDrive = std::string(1, letter) + ":\\";
    SearchDllFolder(CurrentDrive);
    if (AbortFlag == 1) {
      reader_.reset();
      return;
    }
  }
  FormGroups();
}

void DllEngine::FormGroups() {
  // The copies read meanwhile must all be in.
  if (reader_ && (AbortFlag == 1 || !reader_->Finish([this] {
                   Pump();
                   return AbortFlag != 1;
                 }))) {
    reader_.reset();
    return;
  }
  if (Files.empty() || AbortFlag == 1) return;
  Pump();
  // Only a name with a copy directly in a Windows folder can form a group.
  std::unordered_set<std::string_view> referenceNames;
  for (const DllFile& f : Files)
    if (IsReferencePlace(f.Place)) referenceNames.insert(f.Name);
  if (referenceNames.empty()) return;
  // Groups keyed by the upper-case name, in the order of its character codes.
  std::map<std::string_view, std::vector<size_t>> byName;
  for (size_t i = 0; i < Files.size(); ++i)
    if (referenceNames.count(Files[i].Name)) byName[Files[i].Name].push_back(i);
  for (auto& [name, members] : byName) {
    Pump();
    if (AbortFlag == 1) return;
    if (members.size() < 2 || !Qualifies(members)) continue;
    AnalyzeGroup(std::string(name), members);
  }
}

std::string DllEngine::PathOf(const DllFile& f) const {
  return f.Folder < folders_.size() ? folders_[f.Folder].path + "\\" + f.FileName : std::string();
}

std::string DllEngine::UpperPathOf(const DllFile& f) const {
  return f.Folder < folders_.size() ? folders_[f.Folder].upper + "\\" + f.Name : std::string();
}

void DllEngine::SearchDllFolder(const std::string& start) {
  QuietErrorMode quiet;
  const std::string startPath = ExcludeTrailingBackslash(start);
  Folder first{Widen(startPath), NormalisePath(start)};
  if (first.upper.empty() || exceptionFolders_.count(first.upper)) return;
  std::vector<Folder> stack{std::move(first)};
  std::vector<Folder> subs;
  while (!stack.empty() && AbortFlag != 1) {
    Folder f = std::move(stack.back());
    stack.pop_back();
    ++FoldersEntered;
    CurrentFolder = Narrow(f.path) + "\\";
    Pump();
    if (AbortFlag == 1) return;
    FolderScan scan{f, places_.PlaceOf(f.upper), references_.IsReferencedFolder(f.upper)};

    subs.clear();
    ForEachDirEntry(f.path + L"\\", L"*", [&](const WIN32_FIND_DATAW& fd) {
      const wchar_t* n = fd.cFileName;
      // Nothing a Windows path cannot address, no junction or link, no "."
      // folder, nothing protected or excepted.
      const bool isFolder = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsAddressable(n, f.path.size(), isFolder ? 2 : 0))
        return true;
      if (isFolder) {
        if (n[0] == L'.') return true;
        std::string upperName = UpperName(n);
        if (places_.IsProtectedChild(f.upper, upperName)) return true;
        std::string child = f.upper + "\\" + upperName;
        if (!exceptionFolders_.count(child)) subs.push_back({f.path + L"\\" + n, std::move(child)});
      } else if (HasDllExtension(n)) {
        ++DllFilesSeen;
        CurrentFile = Narrow(n);
        Pump();
        if (AbortFlag == 1) return false;
        OnDllFound(scan, fd);
      }
      return true;
    });
    // Sub-folders in the order the file system gave them.
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) stack.push_back(std::move(*it));
  }
}

void DllEngine::OnDllFound(FolderScan& scan, const WIN32_FIND_DATAW& fd) {
  // Nothing here allocates for a short name: the walk meets every DLL of
  // the drive, and only the few whose names lie in a Windows folder matter.
  std::string upperName = UpperName(fd.cFileName);
  const bool needPath = !exceptionFiles_.empty() || references_.HasSharedPaths();
  if (needPath) scratchPath_.assign(scan.folder.upper).append("\\").append(upperName);
  if (!exceptionFiles_.empty() && (exceptionFiles_.count(upperName) || exceptionFiles_.count(scratchPath_))) return;
  if (!IsReferencePlace(scan.place)) {
    if (!Options.WriteProtected && (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) return;
    if (scan.referenced || references_.IsReferencedFile(upperName, scratchPath_)) return;
  }
  if (scan.index == SIZE_MAX) {
    scan.index = folders_.size();
    folders_.push_back({Narrow(scan.folder.path), scan.folder.upper});
  }
  DllFile& f = Files.emplace_back();
  f.Folder = scan.index;
  f.FileName = CurrentFile;
  f.Name = std::move(upperName);
  f.Place = scan.place;
  f.Size = static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
  f.LastWrite = fd.ftLastWriteTime;
  if (referenceNames_.count(f.Name)) {
    if (!reader_) reader_ = std::make_unique<CopyReader>();
    reader_->Add(Files.size() - 1, PathOf(f), f.Size, IsReferencePlace(f.Place));
  }
}

bool DllEngine::Qualifies(const std::vector<size_t>& members) const {
  bool reference = false, other = false;
  for (size_t m : members) (IsReferencePlace(Files[m].Place) ? reference : other) = true;
  return reference && other;
}

bool DllEngine::ReadDetails(size_t file) {
  DllFile& f = Files[file];
  const CopyDetails* read = reader_ ? reader_->Find(file) : nullptr;
  const CopyDetails details = read ? *read : ReadCopyDetails(f.Path, f.Size, IsReferencePlace(f.Place));
  if (!details.Listed) return false;
  f.Machine = details.Machine;
  f.VersionText = details.VersionText;
  f.Number = details.Number;
  // Copies installed together share their times: each second is formatted once.
  const uint64_t second = ((uint64_t{f.LastWrite.dwHighDateTime} << 32) | f.LastWrite.dwLowDateTime) / 10000000;
  auto it = dates_.find(second);
  if (it == dates_.end()) it = dates_.emplace(second, FormatFileDate(f.LastWrite)).first;
  f.Date = it->second;
  return true;
}

void DllEngine::AnalyzeGroup(const std::string& name, std::vector<size_t>& members) {
  for (size_t m : members) {
    Files[m].Path = PathOf(Files[m]);
    Files[m].UpperPath = UpperPathOf(Files[m]);
  }
  // Members in the order of their paths, the same on every file system.
  std::sort(members.begin(), members.end(), [this](size_t a, size_t b) {
    const int c = Files[a].UpperPath.compare(Files[b].UpperPath);
    return c != 0 ? c < 0 : Files[a].Path < Files[b].Path;
  });
  // Copies in use, and any that is not itself, are dropped now; the group
  // may no longer qualify then.
  std::vector<size_t> kept;
  for (size_t m : members)
    if (ReadDetails(m)) kept.push_back(m);
  if (kept.size() < 2 || !Qualifies(kept)) return;

  std::vector<DllCopy> copies;
  for (size_t m : kept) {
    const DllFile& f = Files[m];
    copies.push_back({f.Place, f.Machine, f.Size, f.Number, f.VersionText});
  }
  DllRules rules;
  rules.SameSize = Options.SameSize;
  rules.SameVersion = Options.SameVersion;
  rules.Both = Options.Both;
  rules.HasWow64Dir = places_.HasWow64Dir();
  const std::vector<int> reasons = ClassifyGroup(copies, rules);
  DllGroups.push_back(GroupHeader(name));
  DllReasons.push_back("0");
  for (size_t i = 0; i < kept.size(); ++i) {
    DllGroups.push_back(GroupKey(name, kept[i]));
    DllReasons.push_back(std::to_string(reasons[i]));
  }
}

}  // namespace qz::dll
