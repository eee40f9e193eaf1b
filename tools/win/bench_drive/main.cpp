// Times the Drive Cleaner engine (run by bench/drive_scan.sh).
//   bench_drive scan <drive letter> <runs>
//       per run, in turn: "walk <ms> <files>" (a plain recursive FindFirstFileW
//       walk of the drive) and "search <ms> <found> <examined> <folders>" (the
//       engine's search of the drive: counting and scanning passes, the
//       default file-type groups, run as the One-Click-Optimizer runs it)
//   bench_drive match <runs>
//       "match <ms>" per run: a 259-character name against *A*A*A*A*A*B
//   bench_drive delete <folder with trailing backslash> <files>
//       makes the files, finds them, checks them all and times the delete:
//       "delete <ms> <deleted> <errors>"
//   bench_drive recycle <folder with trailing backslash> <files>
//       the floor for that: the same files handed to the shell one by one with
//       nothing else done: "recycle <ms> <deleted>"
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cleaning/drive/dc_search.h"
#include "core/globals.h"
#include "core/text.h"
#include "../bench_clock.h"

using namespace qz;
using namespace qz::dc;

namespace {

using qz::bench::NowMs;
using qz::bench::PlainWalk;

// Places for the temporary and crash-dump passes that do not exist, so the
// search times the drive passes alone.
ScanEnvironment BenchEnvironment() {
  ScanEnvironment env = ScanEnvironment::FromSystem();
  env.WinDir = "C:\\qzbench-none\\win";
  env.UserTempDir = "C:\\qzbench-none\\temp";
  return env;
}

SearchSettings DefaultSearch(const std::string& drive) {
  SearchSettings s;
  s.Options.TMPDir_ALL = s.Options.TMPDir_User = s.Options.Minidump = false;
  s.Drives = drive;
  s.Groups = DefaultMaskGroups();
  s.Exceptions = BuiltInExceptions();
  return s;
}

int Scan(const std::string& letter, int runs) {
  OcoRunning = 1;
  const ScanEnvironment env = BenchEnvironment();
  const SearchSettings s = DefaultSearch(letter);
  for (int r = 0; r < runs; ++r) {
    long long files = 0;
    double t0 = NowMs();
    long long bytes = 0;
    PlainWalk(Widen(letter + ":\\"), files, bytes);
    double t1 = NowMs();
    std::printf("walk %.2f %lld\n", t1 - t0, files);

    ui::VTreeModel tree;
    DriveScanEngine e;
    t0 = NowMs();
    SearchOutcome o = RunDriveSearchCore(e, tree, s, {}, env);
    t1 = NowMs();
    if (o == SearchOutcome::Cancelled || o == SearchOutcome::NoDrives) return 1;
    std::printf("search %.2f %lld %lld %lld\n", t1 - t0, static_cast<long long>(e.Totals.Found),
                static_cast<long long>(e.FilesExamined), static_cast<long long>(e.FoldersScanned));
    std::fflush(stdout);
  }
  return 0;
}

// Two names of 259 characters: one that fails at its last character (the
// backtracking form tries every way of placing the five A's first) and one
// that matches (the table is filled completely).
int Match(int runs) {
  WildMatch m;
  for (int r = 0; r < runs; ++r) {
    for (char last : {'C', 'B'}) {
      std::string name(258, 'A');
      name += last;
      double t0 = NowMs();
      bool hit = m.Matches(name, "*A*A*A*A*A*B");
      double t1 = NowMs();
      std::printf("match %.4f %d\n", t1 - t0, hit ? 1 : 0);
    }
  }
  return 0;
}

bool MakeFiles(const std::string& folder, int count) {
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
  for (int i = 0; i < count; ++i) {
    std::wstring p = Widen(folder + "bench" + std::to_string(i) + ".tmp");
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    WriteFile(h, "x", 1, &put, nullptr);
    CloseHandle(h);
  }
  return true;
}

int Recycle(const std::string& folder, int count) {
  if (folder.size() < 4 || folder[1] != ':' || folder.back() != '\\') return 2;
  if (!MakeFiles(folder, count)) return 3;
  int deleted = 0;
  double t0 = NowMs();
  for (int i = 0; i < count; ++i) {
    std::wstring p = Widen(folder + "bench" + std::to_string(i) + ".tmp");
    p.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = p.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NO_CONNECTED_ELEMENTS | FOF_NOERRORUI | FOF_SILENT;
    if (SHFileOperationW(&op) == 0) ++deleted;
  }
  double t1 = NowMs();
  std::printf("recycle %.2f %d\n", t1 - t0, deleted);
  RemoveDirectoryW(Widen(folder).c_str());
  return 0;
}

int Delete(const std::string& folder, int count) {
  OcoRunning = 1;
  if (folder.size() < 4 || folder[1] != ':' || folder.back() != '\\') return 2;
  if (!MakeFiles(folder, count)) return 3;
  ui::VTreeModel tree;
  DriveScanEngine e;
  e.ScanTree = &tree;
  e.PrepareDriveScan(BenchEnvironment());
  e.ScannedDrives = folder.substr(0, 1);
  ui::VNode* cat = AddCategory(tree, "tmp", 0);
  e.MaskList = {{"*.TMP", cat}};
  e.ScanDrive(folder.substr(0, 3), folder.substr(3));
  RecomputeTotals(e, tree);
  if (e.Totals.Marked != count) {
    std::printf("found %lld of %d\n", static_cast<long long>(e.Totals.Marked), count);
    return 4;
  }
  DriveCleanerOptions o;
  o.TMPDir_ALL = o.TMPDir_User = false;
  double t0 = NowMs();
  DeleteMarkedFilesCore(e, tree, o);
  double t1 = NowMs();
  std::printf("delete %.2f %lld %lld\n", t1 - t0, static_cast<long long>(e.FilesDeleted),
              static_cast<long long>(e.DeleteErrors));
  RemoveDirectoryW(Widen(folder).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "scan" && argc == 4) return Scan(argv[2], std::atoi(argv[3]));
  if (mode == "match" && argc == 3) return Match(std::atoi(argv[2]));
  if (mode == "delete" && argc == 4) return Delete(argv[2], std::atoi(argv[3]));
  if (mode == "recycle" && argc == 4) return Recycle(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr, "usage: bench_drive scan <letter> <runs> | match <runs> | delete|recycle <folder\\> <files>\n");
  return 2;
}
