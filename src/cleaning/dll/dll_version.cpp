#include "cleaning/dll/dll_version.h"

#include "core/text.h"

namespace qz::dll {

DllVersion VersionFromFixed(const uint16_t (&fixed)[4]) {
  DllVersion v;
  v.Known = true;
  for (int i = 0; i < 4; ++i) v.Parts[i] = fixed[i];
  return v;
}

DllVersion ParseVersionText(std::string_view text) {
  DllVersion v;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  skipBlanks();
  for (int part = 0; part < 4; ++part) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') break;
    uint64_t n = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      n = n * 10 + static_cast<uint64_t>(text[i] - '0');
      if (n > 0xFFFFFFFFu) n = 0xFFFFFFFFu;
      ++i;
    }
    v.Parts[part] = static_cast<uint32_t>(n);
    v.Known = true;
    skipBlanks();
    if (i >= text.size() || (text[i] != '.' && text[i] != ',')) break;
    ++i;
    skipBlanks();
  }
  return v;
}

DllVersion VersionOf(const PeVersionInfo& info) {
  if (info.HasFixed) return VersionFromFixed(info.Fixed);
  return ParseVersionText(info.FileVersion);
}

int CompareVersions(const DllVersion& a, const DllVersion& b) {
  if (a.Known != b.Known) return a.Known ? 1 : -1;
  for (int i = 0; i < 4; ++i)
    if (a.Parts[i] != b.Parts[i]) return a.Parts[i] < b.Parts[i] ? -1 : 1;
  return 0;
}

std::string VersionNumberText(const DllVersion& v) {
  if (!v.Known) return {};
  return std::to_string(v.Parts[0]) + "." + std::to_string(v.Parts[1]) + "." + std::to_string(v.Parts[2]) + "." +
         std::to_string(v.Parts[3]);
}

std::string VersionDisplayText(std::string_view text) {
  std::string s = ReplaceAll(text, ",", ".");
  size_t paren = s.find('(');
  if (paren != std::string::npos) s.resize(paren);
  s = Trim(s);
  size_t b = UpperAscii(s).find(" B");
  if (b != std::string::npos) s.resize(b + 1);
  return Trim(s);
}

}  // namespace qz::dll
