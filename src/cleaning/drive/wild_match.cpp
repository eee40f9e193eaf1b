#include "cleaning/drive/wild_match.h"

namespace qz::dc {

namespace {

// UTF-8 to code points; a byte that starts no valid sequence stands for itself
// (mapped into the low surrogate range so it never equals a real character).
void Decode(std::string_view s, bool upper, std::u32string& out) {
  out.clear();
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    size_t len = 1;
    if (c < 0x80) {
      cp = c;
      if (upper && c >= 'a' && c <= 'z') cp = c - 'a' + 'A';
    } else {
      size_t need = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
      bool ok = need != 0 && i + need <= n;
      cp = need == 2 ? (c & 0x1F) : need == 3 ? (c & 0x0F) : (c & 0x07);
      for (size_t k = 1; ok && k < need; ++k) {
        unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) ok = false;
        cp = (cp << 6) | (d & 0x3F);
      }
      if (ok) {
        len = need;
      } else {
        cp = 0xDC00 + c;
      }
    }
    out.push_back(cp);
    i += len;
  }
}

}  // namespace

bool WildMatch::Matches(std::string_view text, std::string_view mask) {
  // The scan tries one name against every mask in turn: the name is decoded
  // once for all of them.
  if (text != lastText_ || MatchCase != lastMatchCase_) {
    Decode(text, !MatchCase, t_);
    lastText_.assign(text);
    lastMatchCase_ = MatchCase;
  }
  Decode(mask, !MatchCase, m_);
  const size_t n = t_.size(), m = m_.size();
  const char32_t ws = WildString, wc = WildChar;
  // WildChar is tested first, so a character that is both counts as WildChar.
  auto star = [&](size_t j) { return m_[j] == ws && m_[j] != wc; };
  auto same = [&](size_t i, size_t j) {
    // The single-character test of the loop: WildChar, then a literal.
    return m_[j] == wc || (m_[j] != ws && t_[i] == m_[j]);
  };

  // Quick answers from the literal runs at both ends of the mask: before the
  // first star every character must line up from the start of the text, after
  // the last star every one from its end.
  size_t first = 0;
  while (first < m && !star(first)) ++first;
  if (first == m) {  // no star: a plain character-by-character comparison
    // (When WildChar and WildString are the same character, a last one may
    // still stand for the empty rest of the text.)
    if (n != m && !(n + 1 == m && m_[n] == ws)) return false;
    for (size_t i = 0; i < n; ++i)
      if (!same(i, i)) return false;
    return true;
  }
  if (first > n) return false;
  for (size_t i = 0; i < first; ++i)
    if (!same(i, i)) return false;
  size_t last = m - 1;
  while (!star(last)) --last;
  size_t tail = m - 1 - last;
  if (tail > n) return false;
  for (size_t k = 0; k < tail; ++k)
    if (!same(n - tail + k, last + 1 + k)) return false;

  // R(i, j): does text from i match mask from j. Columns are filled from the
  // end of the mask backwards; next_ holds column j + 1, cur_ column j.
  //   R(i, m)         = i == n
  //   R(n, j), j < m  = the mask rest is exactly one star (j == m - 1)
  //   R(i, j), i < n  = star:       R(k, j + 1) for some k in i..n
  //                     otherwise:  same(i, j) and R(i + 1, j + 1)
  next_.assign(n + 1, 0);
  cur_.assign(n + 1, 0);
  next_[n] = 1;
  for (size_t j = m; j-- > 0;) {
    cur_[n] = (j == m - 1 && m_[j] == ws) ? 1 : 0;
    if (star(j)) {
      unsigned char any = next_[n];
      for (size_t i = n; i-- > 0;) {
        any = static_cast<unsigned char>(any | next_[i]);
        cur_[i] = any;
      }
    } else {
      for (size_t i = 0; i < n; ++i) cur_[i] = (next_[i + 1] && same(i, j)) ? 1 : 0;
    }
    next_.swap(cur_);
  }
  return next_[0] != 0;
}

}  // namespace qz::dc
