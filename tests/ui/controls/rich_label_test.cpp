// Rich-label markup: parsing, layout into runs, links.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "core/text.h"
#include "ui_test_util.h"

namespace qz::ui {
namespace {

using test::MakeForm;

TEST(RichLabel, ParsesStylesBreaksEntitiesAndUnknownTags) {
  auto form = MakeForm("RichForm", 400, 300);
  auto* rl = new RichLabel(form.get(), "Rich");
  rl->SetWordWrap(false);
  struct Case {
    const char* markup;
    const char* plain;
    int links;
  };
  const Case cases[] = {
      {"Hello", "Hello", 0},
      {"<b>Bold</b> and <u>under</u>", "Bold and under", 0},
      {"One<br>Two<BR/>Three", "One\nTwo\nThree", 0},
      {"a &amp; b &lt;c&gt; &quot;d&quot; &#65;", "a & b <c> \"d\" A", 0},
      {"x < y and <unknown>tag", "x < y and <unknown>tag", 0},
      {"Line1\r\nLine2\nLine3", "Line1\nLine2\nLine3", 0},
      {"see <link>here</link> and <a href=\"http://x/\">there</a>", "see here and there", 2},
      {"&bogus; & alone", "&bogus; & alone", 0},
  };
  for (const Case& c : cases) {
    rl->SetCaption(c.markup);
    EXPECT_EQ(rl->PlainText(), c.plain) << c.markup;
    EXPECT_EQ(rl->LinkCount(), c.links) << c.markup;
  }
  rl->SetCaption("see <link>here</link> and <a href=\"http://x/\">there</a>");
  EXPECT_EQ(rl->LinkText(0), "here");
  EXPECT_EQ(rl->LinkTarget(0), "here");
  EXPECT_EQ(rl->LinkText(1), "there");
  EXPECT_EQ(rl->LinkTarget(1), "http://x/");
}

TEST(RichLabel, LaysOutRunsByStyleAndLine) {
  auto form = MakeForm("RichForm2", 400, 300);
  auto* rl = new RichLabel(form.get(), "Rich");
  rl->SetBounds(0, 0, 390, 0);
  rl->SetCaption("plain <b>bold</b> tail<br>second line");
  const auto& runs = rl->Runs();
  ASSERT_GE(runs.size(), 4u);
  // The bold run follows the plain one on the same line, without overlap and without a gap.
  const RichRun* bold = nullptr;
  for (const auto& r : runs)
    if (r.bold) bold = &r;
  ASSERT_NE(bold, nullptr);
  EXPECT_EQ(bold->text, "bold");
  EXPECT_EQ(runs[0].text, "plain ");
  EXPECT_EQ(runs[0].rect.right, bold->rect.left);
  EXPECT_EQ(runs[0].rect.top, bold->rect.top);
  // The text after <br> starts a new line at the left edge.
  const RichRun& last = runs.back();
  EXPECT_EQ(last.text, "second line");
  EXPECT_EQ(last.rect.left, 0);
  EXPECT_GE(last.rect.top, runs[0].rect.bottom);
  // AutoHeight: the label is as high as its text.
  EXPECT_EQ(rl->Height(), rl->TextHeight());
  EXPECT_EQ(rl->TextHeight(), last.rect.bottom);
}

TEST(RichLabel, OneBlankBetweenRunsWhateverTheStyle) {
  // Word positions come from the widths of the runs as drawn: where one run
  // ends in a blank, the painted gap to the next run is one blank wide, and
  // a run never reaches into the next (bold or not).
  auto form = MakeForm("RichGaps", 500, 40);
  form->SetColor(RGB(255, 255, 255));
  auto* rl = new RichLabel(form.get(), "Rich");
  rl->SetBounds(0, 0, 490, 0);
  form->HandleNeeded();
  for (const char* caption : {"Please choose what you want to do and click <b>Next</b>.",
                              "Click <b>Show details</b> to see every file found and to change it",
                              "<b>Description</b> of the file type as text:",
                              "Click <b>Download</b> to fetch the current lists from the server"}) {
    SCOPED_TRACE(caption);
    rl->SetCaption(caption);
    test::Capture cap(form->Handle());
    auto inkAt = [&](int x) {
      for (int y = 0; y < rl->Height(); ++y)
        if (cap.Pixel(x, y) != RGB(255, 255, 255)) return true;
      return false;
    };
    const auto& runs = rl->Runs();
    ASSERT_GE(runs.size(), 2u);
    for (size_t k = 1; k < runs.size(); ++k) {
      SCOPED_TRACE(runs[k].text);
      int lastInk = runs[k - 1].rect.left - 1, firstInk = runs[k].rect.right;
      for (int x = runs[k - 1].rect.left; x < runs[k].rect.left; ++x)
        if (inkAt(x)) lastInk = x;
      for (int x = runs[k].rect.right - 1; x >= runs[k].rect.left; --x)
        if (inkAt(x)) firstInk = x;
      const int gap = firstInk - lastInk - 1;
      const bool blank = runs[k - 1].text.back() == ' ' || runs[k].text.front() == ' ';
      if (blank) {
        EXPECT_GE(gap, 2);
        EXPECT_LE(gap, 6);
      } else {
        EXPECT_LE(gap, 3);
      }
    }
  }
}

TEST(RichLabel, WrapsWordsAtItsWidth) {
  auto form = MakeForm("RichForm3", 400, 300);
  auto* rl = new RichLabel(form.get(), "Rich");
  rl->SetCaption("alpha beta gamma delta epsilon zeta eta theta iota kappa");
  rl->SetBounds(0, 0, 1000, 0);
  int oneLine = rl->Height();
  std::set<LONG> tops;
  for (const auto& r : rl->Runs()) tops.insert(r.rect.top);
  EXPECT_EQ(tops.size(), 1u);
  rl->SetWidth(80);
  EXPECT_GT(rl->Height(), oneLine * 2);
  for (const auto& r : rl->Runs()) {
    // Only a single word wider than the label may stick out.
    if (r.text.find(' ') != std::string::npos && r.text.find(' ') + 1 < r.text.size()) {
      EXPECT_LE(r.rect.right, 80 + 10) << r.text;
    }
  }
  // No wrap: one line however narrow.
  rl->SetWordWrap(false);
  EXPECT_EQ(rl->Height(), oneLine);
}

TEST(RichLabel, LinkHitTestAndClickThroughTheContainer) {
  auto form = MakeForm("RichForm4", 400, 200);
  auto* rl = new RichLabel(form.get(), "Rich");
  rl->SetBounds(10, 20, 380, 0);
  rl->SetCaption("Click <link>this link</link> or <a href=\"target\">that</a>.");
  form->Show();
  RECT link1{}, link2{};
  for (const auto& r : rl->Runs()) {
    if (r.link == 0) link1 = r.rect;
    if (r.link == 1) link2 = r.rect;
  }
  ASSERT_GT(link1.right, link1.left);
  int cx = (link1.left + link1.right) / 2, cy = (link1.top + link1.bottom) / 2;
  EXPECT_EQ(rl->LinkAt(cx, cy), 0);
  EXPECT_EQ(rl->LinkAt((link2.left + link2.right) / 2, cy), 1);
  EXPECT_EQ(rl->LinkAt(1, cy), -1);

  std::vector<std::string> clicked;
  rl->OnLinkClick = [&](int i, const std::string& text, const std::string& target) {
    clicked.push_back(std::to_string(i) + ":" + text + ":" + target);
  };
  HWND h = form->Handle();
  int fx = 10 + cx, fy = 20 + cy;
  SendMessageW(h, WM_MOUSEMOVE, 0, test::Pt(fx, fy));
  EXPECT_EQ(rl->HotLink(), 0);
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, test::Pt(fx, fy));
  SendMessageW(h, WM_LBUTTONUP, 0, test::Pt(fx, fy));
  // Pressed on one link, released on the other: no click.
  int f2x = 10 + (link2.left + link2.right) / 2;
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, test::Pt(fx, fy));
  SendMessageW(h, WM_LBUTTONUP, 0, test::Pt(f2x, fy));
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0], "0:this link:this link");
  SendMessageW(h, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(rl->HotLink(), -1);
}

}  // namespace
}  // namespace qz::ui
