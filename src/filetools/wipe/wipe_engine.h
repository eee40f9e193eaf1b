// The File Wiper's engine: overwrites every listed file pass by pass with the
// chosen method, renames it to 12 random letters and deletes it, then removes
// the listed folders that became empty and, after a Recycle Bin run, empties
// the bin. No window code: the window shows the boxes and pages around
// WipeFiles and hands in hooks for its labels and progress bar.
//
// A file counts as destroyed only when every pass was written in full and
// flushed, the rename (when on) succeeded and, outside test mode, the file is
// gone. Anything else is one error and the file stays listed under its current
// path, with its attributes back. A stop request (AbortFlag = 1) ends the run
// at the next step; the file in hand is then neither counted, renamed nor
// deleted.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filetools/common/file_io.h"
#include "ui/vtree_model.h"

namespace qz::fw {

// The record of every node of the wipe list. Folder entries carry their
// files and sub-folders as child nodes.
struct TWipeEntry {
  std::string Path;
  uint8_t IsFolder = 0;
  std::string ListKey;  // kept by the list (WipeList) for its duplicate test
};

// A pass writes one byte value over the whole file, or random data.
inline constexpr int kRandomPass = -1;

struct WipeMethod {
  int Number;
  const char* Label;
  std::vector<int> Passes;  // byte values, kRandomPass for random data
};
// Methods 1..5 in order.
const std::array<WipeMethod, 5>& WipeMethodTable();
// Numbers outside 1..5 give method 1.
const WipeMethod& WipeMethodByNumber(int number);

// The random stream: seed := seed * 134775813 + 1 (mod 2^32), Random(n) =
// (n * seed) >> 32.
class WipeRandom {
 public:
  explicit WipeRandom(uint32_t seed = 0) : seed_(seed) {}
  void SetSeed(uint32_t seed) { seed_ = seed; }
  uint32_t Seed() const { return seed_; }
  uint32_t Next(uint32_t range) {
    seed_ = seed_ * 134775813u + 1u;
    return static_cast<uint32_t>((static_cast<uint64_t>(seed_) * range) >> 32);
  }
  // The next `count` bytes of the data stream: words Random(0x7FFFFFFF),
  // little-endian, one after the other. A count that is not a multiple of 4
  // draws the last word whole and writes its first bytes.
  void Fill(uint8_t* out, size_t count);
  // `letters` letters "A" + Random(26).
  std::string Name(size_t letters = 12);

 private:
  uint32_t seed_;
};

// ((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds, UTC.
uint32_t TimeOfDaySeed();

struct WipeOptions {
  int Method = 1;
  bool Rename = true;        // 12 random letters before the delete (files only)
  bool RemoveFolder = true;  // remove listed folders that became empty
  bool Testmode = false;     // overwrite (and rename) only: nothing is deleted
};

struct WipeHooks {
  // A file or folder is taken in hand (the window clears its percentage and
  // shows the path).
  std::function<void(const std::string& path)> OnItem;
  // The percentage of the file in hand, when it changes.
  std::function<void(int percent)> OnPercent;
  // The progress bar's position (raised once per list node).
  std::function<void(int64_t position)> OnProgress;
  // After every completed pass, with the file closed: pass 1..n and its byte
  // value (kRandomPass for random data).
  std::function<void(const std::string& path, int pass, int value)> OnPassDone;
  // A listed file that stayed is now known under another path.
  std::function<void(ui::VNode* node)> OnPathChanged;
  // The seed of each random pass; TimeOfDaySeed when empty.
  std::function<uint32_t()> Seed;
  // Empties the Recycle Bin; the shell's call (no confirmation, no sound)
  // when empty. False when it failed.
  std::function<bool()> EmptyRecycleBin;
  HWND Owner = nullptr;
};

struct WipeTotals {
  int Destroyed = 0;
  int Errors = 0;
};

enum class WipeResult { Destroyed, Failed, Cancelled };
enum class PassResult { Done, Failed, Cancelled };

class WipeEngine {
 public:
  explicit WipeEngine(ft::FileSystem& fs = ft::RealFileSystem());

  // The run over the list (records TWipeEntry): clears AbortFlag, wipes every
  // file entry in list order (destroyed ones leave the list), then, unless in
  // test mode or stopped, removes the listed folders that became empty (when
  // the options say so) and empties the Recycle Bin (when asked).
  WipeTotals WipeFiles(ui::VTreeModel& list, const WipeOptions& options, bool emptyRecycleBin,
                       const WipeHooks& hooks = {});

  // One file: attributes cleared, the passes, the rename, the delete. `path`
  // follows the file (it holds the new name after a successful rename).
  WipeResult WipeFile(std::string& path, const WipeOptions& options, const WipeHooks& hooks = {});

  // One pass of `value` (kRandomPass: random data, reseeded first) over the
  // whole file, in place, flushed. Pass `pass` of `passCount` for the
  // percentage.
  PassResult OverwritePass(const std::string& path, int value, int pass, int passCount,
                           const WipeHooks& hooks = {});

  // Renames the file to 12 random letters in its folder (drawn again while
  // the name is taken); the new path, or "" when the file is missing or the
  // rename failed.
  std::string RenameToRandomName(const std::string& path);

  WipeRandom& Random() { return random_; }

  static constexpr DWORD kBufferSize = 1 << 20;

 private:
  bool EmptyBin(const WipeHooks& hooks);
  void ReportPercent(const WipeHooks& hooks, int pass, int passCount, int64_t position, int64_t size);

  ft::FileSystem* fs_;
  WipeRandom random_;
  std::vector<uint8_t> buffer_;
  int bufferValue_ = -2;  // the byte the buffer is filled with; other values: not uniform
  int lastPercent_ = -1;
};

// The summary box: the done sentence, and when errors > 0 a carriage return
// and the errors sentence; %1 and %2 filled.
std::string WipeSummaryText(const WipeTotals& totals);

}  // namespace qz::fw
