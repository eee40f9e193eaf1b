#include "filetools/wipe/wipe_engine.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/disk.h"
#include "core/globals.h"
#include "core/pump.h"
#include "core/text.h"
#include "core/translation.h"

namespace qz::fw {

namespace {

constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                  FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

// Puts a file's attributes back when it stays.
class AttributeKeeper {
 public:
  AttributeKeeper(ft::FileSystem& fs, DWORD attributes) : fs_(fs), attributes_(attributes & kKeptAttributes) {}
  void Restore(const std::string& path) const {
    if (attributes_ != 0 && attributes_ != FILE_ATTRIBUTE_NORMAL) fs_.SetAttributes(path, attributes_);
  }

 private:
  ft::FileSystem& fs_;
  DWORD attributes_;
};

}  // namespace

const std::array<WipeMethod, 5>& WipeMethodTable() {
  constexpr int R = kRandomPass;
  static const std::array<WipeMethod, 5> table = {{
      {1, "Schnell", {0x00}},
      {2, "Standard", {0x00, 0xFF, 0x00}},
      {3, "Sicher", {0x00, R, 0xFF}},
      {4, "DoD 5220.22-M", {0x00, R, 0xFF, R, 0x00, R, 0xFF}},
      {5, "Gutmann", {R,    R,    R,    R,    0x55, 0xAA, 0x92, 0x49, 0x24, 0x00, 0x11, 0x22,
                      0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE,
                      0xFF, 0x92, 0x49, 0x24, 0x6D, 0xB6, 0xDB, R,    R,    R,    R}},
  }};
  return table;
}

const WipeMethod& WipeMethodByNumber(int number) {
  if (number < 1 || number > 5) number = 1;
  return WipeMethodTable()[static_cast<size_t>(number - 1)];
}

void WipeRandom::Fill(uint8_t* out, size_t count) {
  size_t whole = count / 4;
  for (size_t i = 0; i < whole; ++i) {
    uint32_t w = Next(0x7FFFFFFF);
    out[0] = static_cast<uint8_t>(w);
    out[1] = static_cast<uint8_t>(w >> 8);
    out[2] = static_cast<uint8_t>(w >> 16);
    out[3] = static_cast<uint8_t>(w >> 24);
    out += 4;
  }
  if (size_t rest = count % 4) {
    uint32_t w = Next(0x7FFFFFFF);
    for (size_t i = 0; i < rest; ++i) out[i] = static_cast<uint8_t>(w >> (8 * i));
  }
}

std::string WipeRandom::Name(size_t letters) {
  std::string name(letters, 'A');
  for (char& c : name) c = static_cast<char>('A' + Next(26));
  return name;
}

uint32_t TimeOfDaySeed() {
  SYSTEMTIME t;
  GetSystemTime(&t);
  return ((static_cast<uint32_t>(t.wHour) * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
}

// ---- engine ------------------------------------------------------------------

WipeEngine::WipeEngine(ft::FileSystem& fs) : fs_(&fs), random_(TimeOfDaySeed()) {}

void WipeEngine::ReportPercent(const WipeHooks& hooks, int pass, int passCount, int64_t position, int64_t size) {
  if (!hooks.OnPercent || size <= 0) return;
  double done = (static_cast<double>(pass - 1) * static_cast<double>(size) + static_cast<double>(position)) * 100.0 /
                (static_cast<double>(size) * passCount);
  int percent = static_cast<int>(std::lround(done));
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  hooks.OnPercent(percent);
}

PassResult WipeEngine::OverwritePass(const std::string& path, int value, int pass, int passCount,
                                     const WipeHooks& hooks) {
  if (AbortFlag) return PassResult::Cancelled;
  ft::File f(*fs_);
  // Share mode 0: a file that anyone else holds open is not wiped.
  if (!f.OpenExisting(path, GENERIC_READ | GENERIC_WRITE, 0)) return PassResult::Failed;
  int64_t size = 0;
  if (!f.Size(&size)) return PassResult::Failed;
  bool cancelled = false;
  if (size > 0) {
    if (value == kRandomPass) random_.SetSeed(hooks.Seed ? hooks.Seed() : TimeOfDaySeed());
    if (buffer_.size() != kBufferSize) buffer_.assign(kBufferSize, 0);
    if (value != kRandomPass && bufferValue_ != value) {
      std::memset(buffer_.data(), value, buffer_.size());
      bufferValue_ = value;
    }
    for (int64_t position = 0; position < size;) {
      DWORD n = static_cast<DWORD>(std::min<int64_t>(kBufferSize, size - position));
      ReportPercent(hooks, pass, passCount, position, size);
      PumpMessagesThrottled();
      cancelled = AbortFlag != 0;  // this block is the last one
      if (value == kRandomPass) {
        random_.Fill(buffer_.data(), n);
        bufferValue_ = -2;
      }
      if (!f.WriteAll(buffer_.data(), n)) return PassResult::Failed;
      position += n;
      if (cancelled) break;
    }
  }
  if (!f.Flush()) return PassResult::Failed;
  f.Close();
  if (cancelled) return PassResult::Cancelled;
  ReportPercent(hooks, pass, passCount, size, size);
  if (hooks.OnPassDone) hooks.OnPassDone(path, pass, value);
  return PassResult::Done;
}

std::string WipeEngine::RenameToRandomName(const std::string& path) {
  DWORD a = fs_->Attributes(path);
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return {};
  const std::string folder = path.substr(0, path.rfind('\\') + 1);
  // 26^12 names: a free one turns up at once unless the folder is absurd.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string candidate = folder + random_.Name();
    if (fs_->Attributes(candidate) != INVALID_FILE_ATTRIBUTES) continue;
    return fs_->Rename(path, candidate, 0) ? candidate : std::string();
  }
  return {};
}

WipeResult WipeEngine::WipeFile(std::string& path, const WipeOptions& options, const WipeHooks& hooks) {
  lastPercent_ = -1;
  if (AbortFlag) return WipeResult::Cancelled;
  DWORD attributes = fs_->Attributes(path);
  // A missing entry, a folder, or a link (which would be written through):
  // nothing is changed, not even the attributes of what a link leads to.
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) || !fs_->IsItself(path))
    return WipeResult::Failed;
  AttributeKeeper keeper(*fs_, attributes);
  if (!fs_->SetAttributes(path, FILE_ATTRIBUTE_NORMAL)) return WipeResult::Failed;

  const WipeMethod& method = WipeMethodByNumber(options.Method);
  const int passCount = static_cast<int>(method.Passes.size());
  for (int i = 0; i < passCount; ++i) {
    PassResult r = OverwritePass(path, method.Passes[static_cast<size_t>(i)], i + 1, passCount, hooks);
    if (r != PassResult::Done) {
      keeper.Restore(path);
      return r == PassResult::Failed ? WipeResult::Failed : WipeResult::Cancelled;
    }
  }
  if (AbortFlag) {
    keeper.Restore(path);
    return WipeResult::Cancelled;
  }
  if (options.Rename) {
    std::string renamed = RenameToRandomName(path);
    if (renamed.empty()) {
      keeper.Restore(path);
      return WipeResult::Failed;
    }
    path = renamed;
  }
  if (options.Testmode) {
    keeper.Restore(path);
    return WipeResult::Destroyed;
  }
  if (!fs_->Delete(path) || fs_->Attributes(path) != INVALID_FILE_ATTRIBUTES) {
    keeper.Restore(path);
    return WipeResult::Failed;
  }
  return WipeResult::Destroyed;
}

bool WipeEngine::EmptyBin(const WipeHooks& hooks) {
  if (hooks.EmptyRecycleBin) return hooks.EmptyRecycleBin();
  HRESULT hr = SHEmptyRecycleBinW(hooks.Owner, nullptr, SHERB_NOCONFIRMATION | SHERB_NOSOUND);
  if (SUCCEEDED(hr)) return true;
  // The shell also fails when there was nothing left to empty.
  SHQUERYRBINFO info{};
  info.cbSize = sizeof info;
  return SUCCEEDED(SHQueryRecycleBinW(nullptr, &info)) && info.i64NumItems == 0;
}

WipeTotals WipeEngine::WipeFiles(ui::VTreeModel& list, const WipeOptions& options, bool emptyRecycleBin,
                                 const WipeHooks& hooks) {
  AbortFlag = 0;
  WipeTotals totals;
  int64_t position = 0;
  auto advance = [&] {
    ++position;
    if (hooks.OnProgress) hooks.OnProgress(position);
  };

  // Files, in list order.
  for (ui::VNode* n : list.AllNodes()) {
    TWipeEntry& entry = list.Data<TWipeEntry>(n);
    if (!entry.IsFolder) {
      PumpMessagesThrottled();
      if (AbortFlag) break;
      if (hooks.OnItem) hooks.OnItem(entry.Path);
      std::string path = entry.Path;
      WipeResult r = WipeFile(path, options, hooks);
      if (r == WipeResult::Cancelled) break;
      if (r == WipeResult::Destroyed) {
        ++totals.Destroyed;
        list.DeleteNode(n);
      } else {
        ++totals.Errors;
        if (path != entry.Path) {
          entry.Path = path;
          if (hooks.OnPathChanged) hooks.OnPathChanged(n);
        }
      }
    }
    advance();
  }
  if (options.Testmode) return totals;

  // Folders that became empty.
  if (options.RemoveFolder) {
    for (ui::VNode* n : list.AllNodes()) {
      const TWipeEntry& entry = list.Data<TWipeEntry>(n);
      if (!entry.IsFolder || !IsDriveFolder(entry.Path)) continue;
      PumpMessagesThrottled();
      if (AbortFlag) break;
      advance();
      if (hooks.OnItem) hooks.OnItem(entry.Path);
      // With the backslash: the bare path would also match its siblings
      // whose names begin with it.
      const std::string folder = IncludeTrailingBackslash(entry.Path);
      RemoveEmptySubfolders(folder, 0);
      RemoveFolderTree(folder);
      if (PathExists(entry.Path)) {
        ++totals.Errors;
      } else {
        ++totals.Destroyed;
        list.DeleteNode(n);
      }
    }
  }

  if (emptyRecycleBin && AbortFlag == 0 && !EmptyBin(hooks)) ++totals.Errors;
  return totals;
}

std::string WipeSummaryText(const WipeTotals& totals) {
  std::string text = GetTranslation("TForm_FW", "MESSAGE_WipeDone", "Es wurden %1 Dateien und Ordner vernichtet.");
  if (totals.Errors > 0)
    text += "\r" + GetTranslation("TForm_FW", "MESSAGE_WipeErrors",
                                  "Aber %2 Dateien und Ordner konnten nicht vernichtet werden. Vermutlich sind "
                                  "diese noch geöffnet oder vom System gesperrt.");
  text = ReplaceAllI(text, "%1", IntToStr(totals.Destroyed));
  return ReplaceAllI(text, "%2", IntToStr(totals.Errors));
}

}  // namespace qz::fw
