// The driver: runs a script against one started program (the product).
#pragma once

#include <windows.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "image.h"
#include "script.h"
#include "winfind.h"

namespace qzdriver {

// A command failed: the script stops with this message.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Driver {
 public:
  explicit Driver(std::wstring program, bool quiet);
  ~Driver();

  // Checks every line's command and argument count before anything runs.
  // Throws ScriptError naming the line.
  static void Check(const std::vector<ScriptLine>& lines);
  // Runs the lines in order; returns 0 on success, 1 after a failure (the
  // message names the line). A program still running at the end (or after a
  // failure) is terminated; at the end of a successful script that is a
  // failure too, because every script must close what it started.
  int Run(const std::vector<ScriptLine>& lines);

  // The usage text of the language.
  static const char* Usage();

 private:
  struct Process {
    HANDLE handle = nullptr;
    DWORD pid = 0;
  };

  void Execute(const ScriptLine& line);
  void Log(const std::string& text) const;
  double Seconds() const;     // since the driver started
  double SinceStart() const;  // milliseconds since the last start

  // Commands.
  void CmdRegDelete(const std::vector<std::string>& a);
  void CmdRegSet(const std::vector<std::string>& a);
  void CmdRegExpect(const std::vector<std::string>& all);
  void CmdWaitMutexFree(const std::vector<std::string>& a);
  void CmdStart(const std::vector<std::string>& a);
  void CmdExpectSilentStart(const std::vector<std::string>& a);
  void CmdWaitWindow(const std::vector<std::string>& a);
  void CmdWaitGone(const std::vector<std::string>& a);
  void CmdExpectNoWindow(const std::vector<std::string>& a);
  void CmdExpectWindow(const std::vector<std::string>& a);
  void CmdClose(const std::vector<std::string>& a);
  void CmdExpectControl(const std::vector<std::string>& a);
  void CmdClick(const std::vector<std::string>& a);
  void CmdClickAt(const std::vector<std::string>& a);
  void CmdSetText(const std::vector<std::string>& a);
  void CmdSelect(const std::vector<std::string>& a);
  // Finds control a[2] of window a[1] and waits until it is visible and
  // enabled (a windowless one too); "cannot <what> ..." when it does not.
  ControlInfo WaitUsable(const std::vector<std::string>& a, const SplitArgs& s, const char* what);
  // The same for a control that must have a window of its own.
  ControlInfo WaitUsableControl(const std::vector<std::string>& a, const SplitArgs& s, const char* what);
  // System dialogs (the file dialogs): controls by their dialog id.
  HWND DialogItem(const std::vector<std::string>& a, int optionsFrom);
  void CmdSetTextId(const std::vector<std::string>& a);
  void CmdClickId(const std::vector<std::string>& a);
  void CmdList(const std::vector<std::string>& a);
  void CmdListWindows();
  void CmdExpectBox(const std::vector<std::string>& a);
  void CmdAnswerBox(const std::vector<std::string>& a);
  void CmdExpectNoBox(const std::vector<std::string>& a);
  void CmdCapture(const std::vector<std::string>& a);
  void CmdPixel(const std::vector<std::string>& a);
  void CmdExpectRegion(const std::vector<std::string>& a);
  void CmdExpectSize(const std::vector<std::string>& a);
  void CmdExpectTitle(const std::vector<std::string>& a);
  void CmdWaitExit(const std::vector<std::string>& a);
  void CmdRun(const std::vector<std::string>& a);

  // Helpers.
  HWND Window(const std::string& alias) const;
  void RequireRunning(const char* what) const;
  bool Running() const;
  double TimeoutOf(const SplitArgs& s) const;
  std::vector<HWND> MessageBoxes() const;
  std::string DescribeProcessWindows() const;
  Process Launch(const std::vector<std::string>& args);
  Process LaunchPath(const std::wstring& program, const std::vector<std::string>& args);
  void ClickPoint(HWND target, int x, int y, bool asButton);
  void EndProcess();

  std::wstring program_;
  bool quiet_;
  double timeout_ = 10.0;  // seconds, the bound of every wait
  Process product_;
  LARGE_INTEGER freq_{}, begin_{}, started_{};
  std::map<std::string, HWND> windows_;
  std::map<std::string, Image> captures_;
  HWND lastBox_ = nullptr;
};

}  // namespace qzdriver
