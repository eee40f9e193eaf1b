// Wildcard matcher for the Drive Cleaner's file-type masks ("*.TMP",
// "*.??~", "FILE*.CHK" ...).
//
// Rules: `WildString` ('*') matches any run of characters, the empty run
// included, while text is left; `WildChar` ('?') matches exactly one
// character; anything else matches itself. Without `MatchCase` both sides are
// compared in upper case by the ASCII rule (only a-z change). Once the text is
// used up, the rest of the mask matches only when it is empty or exactly one
// `WildString`: "A*" matches "A", "A**" does not. No character can be escaped.
//
// The match is computed over the (text position, mask position) table, so a
// mask with many stars costs at most length(text) x length(mask) steps rather
// than trying every alignment again and again. Text is UTF-8; '?' takes one
// character (code point), not one byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qz::dc {

class WildMatch {
 public:
  char32_t WildString = U'*';
  char32_t WildChar = U'?';
  bool MatchCase = false;

  // True when the whole of text is matched by the whole of mask.
  bool Matches(std::string_view text, std::string_view mask);

 private:
  // Reused between calls: the scan matches every file against every mask.
  std::u32string t_, m_;
  std::string lastText_;  // the text t_ holds, decoded
  bool lastMatchCase_ = false;
  std::vector<unsigned char> next_, cur_;
};

}  // namespace qz::dc
