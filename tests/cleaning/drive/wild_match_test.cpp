// The mask matcher: the rule table, and the same answers as the plain
// backtracking description on many random short texts and masks.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>

#include "cleaning/drive/wild_match.h"

using qz::dc::WildMatch;

namespace {

// The backtracking routine exactly as the matcher's rules describe it: at a
// star every remaining position is tried in turn. Only for comparison: its
// cost grows exponentially with the number of stars.
bool ReferenceMatches(std::string t, std::string m, bool matchCase = false) {
  if (!matchCase) {
    for (char& c : t)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    for (char& c : m)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  while (!t.empty() && !m.empty()) {
    char c = m[0];
    if (c == '?') {
      t.erase(0, 1);
      m.erase(0, 1);
    } else if (c == '*') {
      m.erase(0, 1);
      for (;;) {
        if (ReferenceMatches(t, m, true)) break;
        if (t.empty()) break;
        t.erase(0, 1);
      }
    } else if (t[0] == c) {
      t.erase(0, 1);
      m.erase(0, 1);
    } else {
      t.clear();
    }
  }
  if (t.empty() && m.empty()) return true;
  return m == "*";
}

struct Row {
  const char* text;
  const char* mask;
  bool match;
};

}  // namespace

TEST(WildMatch, RuleTable) {
  const Row rows[] = {
      {"abc.tmp", "*.TMP", true},
      {"ABC.TMP", "*.tmp", true},
      {"", "*", true},
      {"anything at all", "*", true},
      {"README", "*.*", false},
      {"READ.ME", "*.*", true},
      {"A", "A*", true},
      {"A", "A**", false},      // text used up: only one star may be left
      {"AB", "A**", true},      // ... while text is left, two stars are fine
      {"AB", "A**B", true},
      {"", "", true},
      {"x", "", false},
      {"", "?", false},
      {"", "**", false},
      {"REPORT.DO~", "*.??~", true},
      {"REPORT.D~", "*.??~", false},
      {"FILE~.TXT", "*~.*", true},
      {"FILE0001.CHK", "FILE*.CHK", true},
      {"FILE0001.CHKX", "FILE*.CHK", false},
      {"MSCREATE.DIR", "MSCREATE.DIR", true},
      {"MSCREATE.DI", "MSCREATE.DIR", false},
      {"X.~MP", "*.~MP", true},
      {"A.$$$", "*.$$$", true},
      {"SETUP.EXE.TMP", "*.TMP", true},  // the scan itself leaves ".EXE." names out
      {"ÄRGER.TMP", "*.TMP", true},
      {"ärger.tmp", "ÄRGER.TMP", false},  // only a-z change case
      {"Ü.BAK", "?.BAK", true},           // ? takes one character, not one byte
      {"AXBXC", "A*B*C", true},
      {"AXBXD", "A*B*C", false},
  };
  WildMatch m;
  for (const Row& r : rows) {
    EXPECT_EQ(m.Matches(r.text, r.mask), r.match) << r.text << " vs " << r.mask;
    if (std::string(r.text).find_first_of("\xC3") == std::string::npos) {
      EXPECT_EQ(ReferenceMatches(r.text, r.mask), r.match) << "reference: " << r.text << " vs " << r.mask;
    }
  }
}

TEST(WildMatch, MatchCaseAndOtherWildcards) {
  WildMatch m;
  m.MatchCase = true;
  EXPECT_FALSE(m.Matches("abc.tmp", "*.TMP"));
  EXPECT_TRUE(m.Matches("abc.TMP", "*.TMP"));
  WildMatch p;
  p.WildString = U'%';
  p.WildChar = U'_';
  EXPECT_TRUE(p.Matches("ABC.TMP", "%.T_P"));
  EXPECT_FALSE(p.Matches("ABC.TMP", "*.TMP"));  // '*' is a plain character now
  EXPECT_TRUE(p.Matches("*.TMP", "*.TMP"));
  // One character for both: it takes exactly one character while text is
  // left, and the empty rest once the text is used up.
  WildMatch q;
  q.WildChar = U'*';
  EXPECT_TRUE(q.Matches("AB", "A*"));
  EXPECT_FALSE(q.Matches("ABC", "A*"));
  EXPECT_TRUE(q.Matches("A", "A*"));
  EXPECT_FALSE(q.Matches("A", "A**"));
}

// Random texts and masks over a small alphabet, so stars, question marks and
// literals collide often; every answer must equal the backtracking one.
TEST(WildMatch, SameAnswersAsBacktracking) {
  std::mt19937 rng(20240607);
  const std::string textChars = "ABa.";
  const std::string maskChars = "AB*?.a*";
  WildMatch m;
  int matches = 0;
  for (int i = 0; i < 200000; ++i) {
    std::string t, k;
    int tl = static_cast<int>(rng() % 9), ml = static_cast<int>(rng() % 8);
    for (int j = 0; j < tl; ++j) t += textChars[rng() % textChars.size()];
    for (int j = 0; j < ml; ++j) k += maskChars[rng() % maskChars.size()];
    bool ref = ReferenceMatches(t, k);
    ASSERT_EQ(m.Matches(t, k), ref) << "text '" << t << "' mask '" << k << "'";
    matches += ref;
  }
  EXPECT_GT(matches, 10000);  // the sample covers matches as well as misses
}

// A user mask with many stars against a long name: answered at once, both
// when the last character fails and when the whole table has to be filled.
TEST(WildMatch, ManyStarsStayFast) {
  WildMatch m;
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  for (char last : {'C', 'B'}) {
    std::string name(258, 'A');
    name += last;
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    bool r = m.Matches(name, "*A*A*A*A*A*B");
    QueryPerformanceCounter(&b);
    EXPECT_EQ(r, last == 'B');
    double ms = 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
    EXPECT_LT(ms, 100.0) << last;  // the backtracking form needs minutes for 'C'
  }
}
