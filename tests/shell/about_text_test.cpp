// The about text: lines split at "<br>", bold by the "<b>" tag.
#include <gtest/gtest.h>

#include "shell/main_window.h"

namespace qz::shell {
namespace {

using Segs = std::vector<AboutSegment>;

TEST(AboutText, SplitsByTagsNotByPositions) {
  struct Case {
    const char* text;
    Segs expected;
  } cases[] = {
      {"No break at all", {{"No break at all", false}}},
      {"", {}},
      {"<b>Design:</b>\r\n<br>Someone", {{"Design:", true}, {"Someone", false}}},
      {"<b>Design:</b><br>x", {{"Design:", true}, {"x", false}}},  // no line break before the tag
      {"<b>ab</b>\r\n<br>", {{"ab", true}}},
      {"<b>\r\n<br>", {{"", true}}},          // bold, nothing in it
      {"<b>open\r\n<br>", {{"open", true}}},  // never closed: nothing else is cut
      {"ab\r\n<br>cd\r\n<br>", {{"ab", false}, {"cd", false}}},
      {"a<br>b", {{"a", false}, {"b", false}}},  // short segments stay whole
      {"<br><br>x", {{"", false}, {"", false}, {"x", false}}},
      {"line\r\n<br>\r\n<br><b>Tail</b>", {{"line", false}, {"", false}, {"Tail", true}}},
      {"x </b>\r\n<br>y", {{"x </b>", false}, {"y", false}}},  // a closing tag alone is text
  };
  for (const Case& c : cases) EXPECT_EQ(SplitAboutText(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace qz::shell
