#include "filetools/split/split_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "core/disk.h"
#include "core/text.h"
#include "core/translation.h"

namespace qz::fsj {

namespace {

constexpr const char* kSection = "TForm_Splitter";
constexpr int64_t kMB = 1048576;

std::string T(const char* key, const char* german) { return GetTranslation(kSection, key, german); }

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Size from the directory entry.
int64_t EntrySize(const std::string& path) { return GetFileSize64(path); }

}  // namespace

std::string SplitPartName(const std::string& source, uint32_t number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%05X", static_cast<unsigned>(number));
  return source + ".part" + digits;
}

int64_t UserPartSize(double megabytes) {
  double mb = std::nearbyint(megabytes);
  if (!(mb >= 1)) mb = 1;
  if (mb > 9999999) mb = 9999999;
  return static_cast<int64_t>(mb) * kMB;
}

int64_t PresetPartSize(SplitPreset preset, double userMegabytes) {
  switch (preset) {
    case SplitPreset::Disk: return 1400 * 1024;
    case SplitPreset::Size10: return 10 * kMB;
    case SplitPreset::Size100: return 100 * kMB;
    case SplitPreset::Size650: return 649 * kMB;
    case SplitPreset::Size700: return 699 * kMB;
    case SplitPreset::User: break;
  }
  return UserPartSize(userMegabytes);
}

int64_t SplitProgressMax(int64_t size, int64_t partSize) {
  if (partSize <= 0) return 1;
  return static_cast<int64_t>(std::nearbyint(static_cast<double>(size) / static_cast<double>(partSize))) + 1;
}

std::vector<FoundPart> FindParts(const std::string& base) {
  std::vector<FoundPart> parts;
  const std::string folder = base.substr(0, base.rfind('\\') + 1);
  const std::string name = base.substr(folder.size());
  if (name.empty()) return parts;
  StringList files;
  FindFiles(folder, name + ".part*", files);
  const std::string prefix = UpperAscii(name + ".part");
  for (const std::string& f : files) {
    std::string file = f.substr(folder.size());
    if (file.size() != prefix.size() + 5 || UpperAscii(file.substr(0, prefix.size())) != prefix) continue;
    std::string digits = file.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), IsHexDigit)) continue;
    parts.push_back({static_cast<uint32_t>(std::stoul(digits, nullptr, 16)), f, EntrySize(f)});
  }
  std::stable_sort(parts.begin(), parts.end(),
                   [](const FoundPart& a, const FoundPart& b) { return a.Number < b.Number; });
  return parts;
}

PartSetInfo ScanPartSet(const std::string& name) {
  PartSetInfo info;
  const std::string n = Trim(name);
  if (n.empty() || !FileExists(n)) return info;
  info.Exists = true;
  if (n.size() < 10 || UpperAscii(n.substr(n.size() - 10, 5)) != ".PART") return info;
  info.IsPart = true;
  info.Base = n.substr(0, n.size() - 10);
  for (uint32_t k = 0; k < kMaxParts; ++k) {
    int64_t size = EntrySize(SplitPartName(info.Base, k));
    if (size < 0) break;
    ++info.Count;
    info.Total += size;
  }
  return info;
}

std::string JoinInfoText(const PartSetInfo& info) {
  if (!info.Exists) return {};
  if (!info.IsPart) return T("MESSAGE_Join_InfoBox_NoFile", "<b>Ausgewählte Datei ist keine zuvor geteilte Datei!</b>");
  const std::string text = T("MESSAGE_Join_InfoBox_Info",
                       "<b>Informationen zur Orginaldatei:</b><br>Dateiname: %1<br>Geteilt in %2 Dateien<br>"
                       "Orginalgrösse: %3");
  return ft::FillPlaceholders(text, {ft::EscapeMarkup(ExtractFileName(info.Base)), IntToStr(info.Count),
                                     IntToStr(info.Total)});
}

// ---- messages ----------------------------------------------------------------

Message SplitMessage(const SplitOutcome& o) {
  switch (o.Status) {
    case SplitStatus::Success:
      return {T("MESSAGE_Split_Success",
                "Die Datei wurde erfolgreich aufgeteilt. Die Orginaldatei wurde nicht gelöscht."),
              MsgKind::Information};
    case SplitStatus::NoFile:
      return {T("MESSAGE_Split_NoFile",
                "Bitte wählen Sie eine Datei aus die aufgeteilt werden soll. Geben Sie einen vollständigen Pfad "
                "an."),
              MsgKind::Warning};
    case SplitStatus::FileMissing:
      return {T("MESSAGE_Split_FileExists", "Bitte ausgewählte Datei existiert nicht! Bitte andere Datei auswählen."),
              MsgKind::Error};
    case SplitStatus::FileZero:
      return {T("MESSAGE_Split_FileZero", "Die ausgewählte Datei scheint 0 Bytes gross zu sein oder ist gesperrt!"),
              MsgKind::Error};
    case SplitStatus::FileTooSmall:
      return {T("MESSAGE_Split_FileTooSmall",
                "Die ausgewählte Datei ist bereits kleiner als die ausgewählte Maximalgrösse."),
              MsgKind::Warning};
    case SplitStatus::FileError:
      return {T("MESSAGE_Split_FileError",
                "Die ausgewählte Datei kann nicht geöffnet werden. Evtl. ist diese gerade in Benutzung vom System "
                "oder einer anderen Anwendung."),
              MsgKind::Error};
    case SplitStatus::NewFileError:
      return {ReplaceAllI(T("MESSAGE_Split_NewFileError",
                            "Die neue Datei %1 kann nicht angelegt werden! Evtl. steht nicht genug Speicherplatz zur "
                            "Verfügung oder die Datei ist in Benutzung vom System oder einer anderen Anwendung."),
                          "%1", o.Part),
              MsgKind::Error};
    case SplitStatus::Stopped: break;
  }
  return {};
}

Message JoinMessage(const JoinOutcome& o) {
  switch (o.Status) {
    case JoinStatus::Success:
      return {T("MESSAGE_Join_Success", "Die Datei wurde erfolgreich zusammengesetzt."), MsgKind::Information};
    case JoinStatus::NoFile:
      return {T("MESSAGE_Join_NoFile",
                "Bitte wählen Sie irgendein Teilstück der Orginaldatei aus. Geben Sie einen vollständigen Pfad an."),
              MsgKind::Warning};
    case JoinStatus::SetIncomplete:
      return {ReplaceAllI(T("MESSAGE_Join_SetIncomplete",
                            "Die Teilstücke sind unvollständig oder gehören nicht zusammen (%1). Es wurde nichts "
                            "zusammengefügt."),
                          "%1", o.Part),
              MsgKind::Warning};
    case JoinStatus::PartError:
      return {ReplaceAllI(T("MESSAGE_Join_PartError",
                            "Das Teilstück %1 kann nicht gelesen werden. Es wurde nichts zusammengefügt."),
                          "%1", o.Part),
              MsgKind::Error};
    case JoinStatus::FileError:
      return {T("MESSAGE_Join_FileError",
                "Die neue Orginaldatei kann nicht angelegt werden. Evtl. steht nicht genug Speicherplatz zur "
                "Verfügung oder die Datei ist gesperrt."),
              MsgKind::Error};
    case JoinStatus::Stopped: break;
  }
  return {};
}

std::string JoinFileExistsQuestion() {
  return T("MESSAGE_Join_FileExists", "Die Zieldatei existiert bereits - soll diese überschrieben werden?");
}

// ---- engine ------------------------------------------------------------------

SplitJoinEngine::SplitJoinEngine(ft::FileSystem& fs) : fs_(&fs) {}

SplitJoinEngine::Copy SplitJoinEngine::CopyBytes(ft::File& from, ft::File& to, int64_t count) {
  if (buffer_.size() != kBufferSize) buffer_.resize(kBufferSize);
  while (count > 0) {
    if (ft::StopRequested()) return Copy::Stopped;
    DWORD n = static_cast<DWORD>(std::min<int64_t>(kBufferSize, count));
    if (!from.ReadExact(buffer_.data(), n)) return Copy::ReadFailed;
    if (!to.WriteAll(buffer_.data(), n)) return Copy::WriteFailed;
    count -= n;
  }
  return Copy::Done;
}

SplitOutcome SplitJoinEngine::Split(const std::string& editText, int64_t partSize, const ft::RunHooks& hooks) {
  AbortFlag = 0;
  const std::string source = Trim(editText);
  if (source.empty() || source.find('\\') == std::string::npos) return {SplitStatus::NoFile, {}};
  if (!FileExists(source)) return {SplitStatus::FileMissing, {}};
  if (EntrySize(source) <= 0) return {SplitStatus::FileZero, {}};
  if (EntrySize(source) <= partSize) return {SplitStatus::FileTooSmall, {}};

  ft::File in(*fs_);
  if (!in.OpenExisting(source, GENERIC_READ, FILE_SHARE_READ)) return {SplitStatus::FileError, {}};
  int64_t size = 0;
  if (!in.Size(&size)) return {SplitStatus::FileError, {}};
  if (size <= 0) return {SplitStatus::FileZero, {}};
  if (size <= partSize) return {SplitStatus::FileTooSmall, {}};
  const int64_t count = (size + partSize - 1) / partSize;
  if (count > kMaxParts) return {SplitStatus::NewFileError, SplitPartName(source, kMaxParts)};

  // Every earlier part goes first, wherever gaps lie: a stray one would join
  // into the new set.
  for (const FoundPart& old : FindParts(source)) {
    bool gone = Recycle ? Recycle(old.Path) : RecycleFile(old.Path);
    if (!gone) return {SplitStatus::NewFileError, old.Path};
  }

  hooks.Start(SplitProgressMax(size, partSize));
  std::vector<std::string> written;
  auto fail = [&](SplitStatus status, std::string part) {
    for (const std::string& p : written) fs_->Delete(p);
    return SplitOutcome{status, std::move(part)};
  };
  for (int64_t k = 0; k < count; ++k) {
    hooks.Progress(k);
    if (ft::StopRequested()) return fail(SplitStatus::Stopped, {});
    const std::string part = SplitPartName(source, static_cast<uint32_t>(k));
    ft::File out(*fs_);
    if (!out.CreateNew(part, GENERIC_WRITE, 0)) return fail(SplitStatus::NewFileError, part);
    written.push_back(part);
    Copy r = CopyBytes(in, out, std::min(partSize, size - k * partSize));
    out.Close();
    if (r == Copy::Stopped) return fail(SplitStatus::Stopped, {});
    if (r != Copy::Done) return fail(SplitStatus::NewFileError, part);
  }
  return {SplitStatus::Success, {}};
}

JoinOutcome SplitJoinEngine::CheckSet(const std::string& base, std::vector<FoundPart>& parts) {
  parts.clear();
  std::map<uint32_t, FoundPart> byNumber;
  for (FoundPart& p : FindParts(base)) byNumber.emplace(p.Number, std::move(p));
  if (!byNumber.count(0)) return {JoinStatus::SetIncomplete, SplitPartName(base, 0)};
  uint32_t gap = 0;
  while (byNumber.count(gap)) ++gap;
  if (byNumber.rbegin()->first > gap) return {JoinStatus::SetIncomplete, SplitPartName(base, gap)};
  for (auto& [number, part] : byNumber) parts.push_back(part);
  const int64_t full = parts.front().Size;
  for (size_t i = 0; i + 1 < parts.size(); ++i)
    if (parts[i].Size != full) return {JoinStatus::SetIncomplete, parts[i].Path};
  const FoundPart& last = parts.back();
  if (last.Size <= 0 || last.Size > full) return {JoinStatus::SetIncomplete, last.Path};
  return {JoinStatus::Success, {}};
}

JoinOutcome SplitJoinEngine::Join(const std::string& baseName, const ft::RunHooks& hooks) {
  AbortFlag = 0;
  const std::string target = Trim(baseName);
  if (target.empty() || target.find('\\') == std::string::npos) return {JoinStatus::NoFile, {}};
  std::vector<FoundPart> parts;
  JoinOutcome check = CheckSet(target, parts);
  if (check.Status != JoinStatus::Success) return check;

  const bool replaces = PathExists(target);
  ft::TempOutput out(*fs_, target);
  if (!out.Create()) return {JoinStatus::FileError, {}};
  hooks.Start(static_cast<int64_t>(parts.size()));
  for (size_t k = 0; k < parts.size(); ++k) {
    hooks.Progress(static_cast<int64_t>(k));
    if (ft::StopRequested()) return {JoinStatus::Stopped, {}};
    ft::File in(*fs_);
    if (!in.OpenExisting(parts[k].Path, GENERIC_READ, FILE_SHARE_READ)) return {JoinStatus::PartError, parts[k].Path};
    switch (CopyBytes(in, out.Out(), parts[k].Size)) {
      case Copy::Done: break;
      case Copy::ReadFailed: return {JoinStatus::PartError, parts[k].Path};
      case Copy::WriteFailed: return {JoinStatus::FileError, {}};
      case Copy::Stopped: return {JoinStatus::Stopped, {}};
    }
  }
  if (!out.Commit(replaces)) return {JoinStatus::FileError, {}};
  return {JoinStatus::Success, {}};
}

}  // namespace qz::fsj
