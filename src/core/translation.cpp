#include "core/translation.h"

#include "core/globals.h"
#include "core/text.h"

namespace qz {

bool LoadLanguageLines(const std::string& path, StringList& lines, TextEncoding* encoding) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return false;
  const bool utf8 = bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
                    static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF;
  if (utf8)
    lines = SplitLines(std::string_view(bytes).substr(3));
  else
    lines = SplitLines(AnsiToUtf8(bytes));
  if (encoding) *encoding = utf8 ? TextEncoding::Utf8Bom : TextEncoding::Ansi;
  return true;
}

bool FindSectionText(const StringList& lines, std::string_view section, std::string& text) {
  const std::string header = "[" + std::string(section) + "]";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!IEquals(lines[i], header)) continue;
    size_t total = 0;
    for (size_t j = i; j < lines.size(); ++j) total += lines[j].size() + 2;
    text.clear();
    text.reserve(total);
    for (size_t j = i; j < lines.size(); ++j) {
      text += lines[j];
      text += "\r\n";
    }
    return true;
  }
  return false;
}

std::string ExtractTranslationValue(std::string_view text, std::string_view key) {
  std::string entry = "||" + std::string(key) + "=";
  size_t at = text.find(entry);
  if (at == std::string_view::npos) return {};
  size_t start = at + entry.size();
  size_t end = text.find("||", start);
  if (end == std::string_view::npos) return {};
  std::string value(text.substr(start, end - start));
  // The line breaks that separate the entry from the next one are not part
  // of the value (the writer leaves one empty line after each entry).
  for (int round = 0; round < 3 && !value.empty(); ++round) {
    if (value.back() == '\n') value.pop_back();
    if (!value.empty() && value.back() == '\r') value.pop_back();
  }
  return value;
}

void GetTranslation(const std::string& section, const std::string& key, std::string& text) {
  if (TranslationList.empty()) return;
  std::string sectionText;
  if (!FindSectionText(TranslationList, section, sectionText)) return;
  std::string value = ExtractTranslationValue(sectionText, key);
  // A missing or empty entry keeps the caller's German text: an empty
  // message (worse, an empty Yes/No question) would leave the user guessing.
  if (!value.empty()) text = std::move(value);
}

std::string GetTranslation(const std::string& section, const std::string& key, std::string_view defaultText) {
  std::string text(defaultText);
  GetTranslation(section, key, text);
  return text;
}

StringList SplitTranslationValue(std::string_view value) {
  StringList out;
  size_t pos = 0;
  for (;;) {
    size_t br = value.find("\r\n", pos);
    std::string_view piece = value.substr(pos, br == std::string_view::npos ? std::string_view::npos : br - pos);
    std::string line;
    line.reserve(piece.size());
    for (char c : piece)
      if (c != '\r' && c != '\n') line += c;
    out.push_back(std::move(line));
    if (br == std::string_view::npos) break;
    pos = br + 2;
  }
  return out;
}

void GetTranslationLines(const std::string& section, const std::string& key, int maxIndex, StringList& lines) {
  lines.clear();
  std::string value;
  std::string sectionText;
  if (!TranslationList.empty() && FindSectionText(TranslationList, section, sectionText))
    value = ExtractTranslationValue(sectionText, key);
  StringList all = SplitTranslationValue(value);
  for (int i = 0; i <= maxIndex && i < static_cast<int>(all.size()); ++i) lines.push_back(std::move(all[static_cast<size_t>(i)]));
}

std::string Tr(const TranslateFn& tr, const std::string& key, const std::string& german) {
  if (!tr) return german;
  return tr(key, german);
}

TranslateFn SectionTranslator(const std::string& section) {
  return [section](const std::string& key, const std::string& german) {
    return GetTranslation(section, key, german);
  };
}

}  // namespace qz
