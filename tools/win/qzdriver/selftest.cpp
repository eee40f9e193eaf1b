// qzdriver --self-test: the script language's parsing, table by table.
#include <cstdio>
#include <string>
#include <vector>

#include "driver.h"
#include "script.h"

namespace qzdriver {

namespace {

bool TestLookup(const std::string& name, std::string& value) {
  if (name == "KEY") {
    value = "HKLM\\Software\\X Y";
    return true;
  }
  if (name == "EMPTY") {
    value.clear();
    return true;
  }
  return false;
}

std::string Join(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& a : v) s += "[" + a + "]";
  return s;
}

}  // namespace

int RunSelfTest() {
  int failures = 0;
  auto check = [&](bool ok, const std::string& what) {
    if (!ok) {
      ++failures;
      fprintf(stderr, "self-test FAILED: %s\n", what.c_str());
    }
  };

  struct TokenCase {
    const char* line;
    const char* expected;  // joined "[a][b]"; nullptr = a ScriptError
  };
  const TokenCase tokens[] = {
      {"", ""},
      {"   # only a comment", ""},
      {"click main Button_Ok", "[click][main][Button_Ok]"},
      {"  tabs\tand  blanks  ", "[tabs][and][blanks]"},
      {"wait-window main title=\"Brinvale Sysvantor\" painted", "[wait-window][main][title=Brinvale Sysvantor][painted]"},
      {"echo \"a \\\"quoted\\\" word\"", "[echo][a \"quoted\" word]"},
      {"echo \"back\\\\slash\"", "[echo][back\\slash]"},
      {"program C:\\Program\\x.exe", "[program][C:\\Program\\x.exe]"},
      {"echo \"C:\\dir\\n.txt\"", "[echo][C:\\dir\\n.txt]"},  // other backslashes stay
      {"echo \"\"", "[echo][]"},                            // an empty quoted argument counts
      {"echo a#b # comment", "[echo][a#b]"},                // '#' inside a word is kept
      {"reg-set \"${KEY}\" V dword 1", "[reg-set][HKLM\\Software\\X Y][V][dword][1]"},
      {"echo ${KEY}", "[echo][HKLM\\Software\\X Y]"},  // an expansion is never split
      {"echo pre${EMPTY}post $$5 $x", "[echo][prepost][$5][$x]"},
      {"echo \"unterminated", nullptr},
      {"echo ${NOPE}", nullptr},
      {"echo ${KEY", nullptr},
  };
  for (const TokenCase& c : tokens) {
    try {
      std::string got = Join(Tokenize(c.line, TestLookup));
      if (!c.expected)
        check(false, std::string("expected an error for: ") + c.line);
      else
        check(got == c.expected, std::string(c.line) + " -> " + got + ", expected " + c.expected);
    } catch (const ScriptError&) {
      check(c.expected == nullptr, std::string("unexpected error for: ") + c.line);
    }
  }

  // Line numbers survive blank lines, comments and CRLF.
  std::vector<ScriptLine> lines = ParseScript("\xEF\xBB\xBF# head\r\n\r\nstart\r\n  # x\r\nwait-exit 0", TestLookup);
  check(lines.size() == 2 && lines[0].number == 3 && lines[1].number == 5 && lines[1].text == "wait-exit 0",
        "ParseScript line numbers");
  try {
    ParseScript("start\nclick \"x\n", TestLookup);
    check(false, "ParseScript accepted an unterminated quote");
  } catch (const ScriptError& e) {
    check(std::string(e.what()).rfind("line 2:", 0) == 0, std::string("error names the line: ") + e.what());
  }

  // Options: key=value exact, key~value contained; unknown keys stay positional.
  SplitArgs s = SplitOptions({"wait-window", "main", "title~Quenzal", "name=Form", "painted", "x=1", "=y"}, 2,
                             {"title", "name", "timeout"});
  check(s.positional.size() == 3 && s.positional[0] == "painted" && s.positional[1] == "x=1" && s.positional[2] == "=y",
        "positional arguments");
  check(s.Find("title") && s.Find("title")->contains && s.Find("title")->value == "Quenzal", "title~");
  check(s.Find("name") && !s.Find("name")->contains && s.Find("name")->value == "Form", "name=");
  check(!s.Find("timeout"), "absent option");

  // The command check rejects unknown commands and wrong argument counts before anything runs.
  struct CheckCase {
    const char* script;
    bool ok;
  };
  const CheckCase checks[] = {
      {"start\nwait-window main name=TForm_ZAMO2 painted\nclose main\nwait-exit 0", true},
      {"clik main X", false},
      {"click main", false},
      {"pixel main 1 2", false},
      {"reg-set K V dword", false},
      {"expect-silent-start", false},
      {"start a b c d e f", true},
      {"set-text new Edit_Name \"QzE2E Link\"", true},
      {"set-text new Edit_Name \"\" timeout=5", true},
      {"set-text new Edit_Name", false},
      {"select it ComboBox_Typ 4", true},
      {"select it ComboBox_Typ", false},
      {"ini-set C:\\p.ini ITTest file http://x/", true},
      {"ini-set C:\\p.ini ITTest file", false},
      {"run C:\\windows\\regedit.exe /s C:\\x.reg exit=0 timeout=30", true},
      {"run", false},
      {"reg-expect K \"\" expand \"%SystemRoot%\\x\"", true},
      {"reg-expect HKCU\\X V sz data timeout=5", true},
      {"reg-expect HKCU\\X V missing timeout=5", true},
      {"set-text-id open 1148 \"C:\\x\\a.txt\"", true},
      {"set-text-id open 1148", false},
      {"click-id open 1", true},
      {"click-id open", false},
      {"wait-file C:\\qztests\\host-step-1 timeout=30", true},
      {"wait-file", false},
  };
  for (const CheckCase& c : checks) {
    bool ok = true;
    try {
      Driver::Check(ParseScript(c.script, TestLookup));
    } catch (const ScriptError&) {
      ok = false;
    }
    check(ok == c.ok, std::string("Check(") + c.script + ") should " + (c.ok ? "pass" : "fail"));
  }

  if (failures == 0) printf("self-test passed\n");
  return failures == 0 ? 0 : 1;
}

}  // namespace qzdriver
