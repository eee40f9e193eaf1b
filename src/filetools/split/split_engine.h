// The File Splitter & Joiner's engine: cuts a file into raw numbered parts
// beside it (source + ".part" + upper-case hex number of at least 5 digits,
// from 0) and joins such a set back. No window code: the window shows the
// boxes and pages around Split and Join.
//
// Split never changes the source. Parts of an earlier split are recycled
// first; a split that fails or is stopped deletes the parts it wrote, since
// an incomplete set of full-size parts cannot be told from a complete one.
// Join checks the set again when it runs, writes to a temporary file and
// replaces the target only with a complete result.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filetools/common/file_io.h"
#include "filetools/common/engine.h"

namespace qz::fsj {

// Numbers 00000..FFFFF: a six-digit part could not be joined.
inline constexpr uint32_t kMaxParts = 0x100000;

std::string SplitPartName(const std::string& source, uint32_t number);

enum class SplitPreset { Disk, Size10, Size100, Size650, Size700, User };
// Part size of a preset (User: of the spin edit's value).
int64_t PresetPartSize(SplitPreset preset, double userMegabytes = 1);
// The spin edit's value rounded, kept within 1..9,999,999, times 1,048,576.
int64_t UserPartSize(double megabytes);
// The split's progress maximum: round(size / part size) + 1.
int64_t SplitProgressMax(int64_t size, int64_t partSize);

// The parts present beside a base: base + ".part" + exactly five hex digits
// in any case, by number.
struct FoundPart {
  uint32_t Number = 0;
  std::string Path;
  int64_t Size = 0;
};
std::vector<FoundPart> FindParts(const std::string& base);

// What the join page shows for a chosen name.
struct PartSetInfo {
  bool Exists = false;    // the name is an existing file
  bool IsPart = false;    // its last ten characters begin with ".part"
  std::string Base;       // the name without its last ten characters
  uint32_t Count = 0;     // consecutive parts from 00000 on
  int64_t Total = 0;      // their sizes added
};
PartSetInfo ScanPartSet(const std::string& name);
// The info label's text for it ("" when the name is empty or missing).
std::string JoinInfoText(const PartSetInfo& info);

enum class SplitStatus {
  Success,
  NoFile,        // empty or not a full path
  FileMissing,   // MESSAGE_Split_FileExists
  FileZero,
  FileTooSmall,  // not larger than the part size
  FileError,     // the source cannot be opened
  NewFileError,  // a part cannot be written, an old one cannot go, or too many parts
  Stopped,       // stop request: this run's parts removed, nothing shown
};
struct SplitOutcome {
  SplitStatus Status = SplitStatus::Success;
  std::string Part;  // the part named by NewFileError
};

enum class JoinStatus {
  Success,
  NoFile,
  SetIncomplete,  // the set is not whole or mixed (Part names the first offending part)
  PartError,      // a part cannot be read
  FileError,      // the target cannot be written
  Stopped,
};
struct JoinOutcome {
  JoinStatus Status = JoinStatus::Success;
  std::string Part;
};

// The message box of an outcome ("" for Stopped): text, translated, and icon.
using ft::Message;
Message SplitMessage(const SplitOutcome& outcome);
Message JoinMessage(const JoinOutcome& outcome);
// The question before a join replaces an existing target.
std::string JoinFileExistsQuestion();

class SplitJoinEngine {
 public:
  explicit SplitJoinEngine(ft::FileSystem& fs = ft::RealFileSystem());

  // Split and Join clear AbortFlag first; setting it later stops them.
  // Splits the file named by the edit text into parts of partSize bytes.
  // hooks.Start(progress maximum) runs when the checks have passed; the
  // position is the part in hand.
  SplitOutcome Split(const std::string& editText, int64_t partSize, const ft::RunHooks& hooks = {});

  // Checks the set of base: part 00000 present, no part after the first
  // gap, every part but the last of part 00000's size, the last not empty
  // and not larger. The parts, or an outcome naming the offending part.
  JoinOutcome CheckSet(const std::string& base, std::vector<FoundPart>& parts);

  // Joins the parts of base into base (asking is the window's: an existing
  // target is replaced only by a complete result). hooks.Start(part count);
  // the position is the part in hand.
  JoinOutcome Join(const std::string& base, const ft::RunHooks& hooks = {});

  // Sends an earlier part to the Recycle Bin; the core's RecycleFile when
  // empty (tests replace it).
  std::function<bool(const std::string& path)> Recycle;

  static constexpr DWORD kBufferSize = 1 << 20;

 private:
  enum class Copy { Done, ReadFailed, WriteFailed, Stopped };
  // count bytes from one file to the other, 1 MiB at a time.
  Copy CopyBytes(ft::File& from, ft::File& to, int64_t count);

  ft::FileSystem* fs_;
  std::vector<uint8_t> buffer_;
};

}  // namespace qz::fsj
