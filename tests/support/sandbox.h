// Test fixtures that stay inside the sandbox: scratch folders on C:, scratch
// registry keys, and a recorder that answers message boxes.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "core/msgbox.h"

namespace qz::test {

// A fresh folder C:\qztests\scratch\<name>\ (emptied when it exists), removed
// with everything in it at destruction. Removal never follows a reparse point.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  // The folder, with trailing backslash.
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + rel; }
  // Creates a file (and its folders) below the folder; returns its full path.
  std::string Write(const std::string& rel, const std::string& content = "x");
  std::string MakeDir(const std::string& rel);

 private:
  std::string path_;
};

// Removes a folder tree without following reparse points (links are removed
// as links). True when it is gone.
bool RemoveTree(const std::string& folder);
std::string ReadFileText(const std::string& path);

// A fresh registry key <root>\Software\QZTests\<name>, removed at destruction.
class ScratchKey {
 public:
  explicit ScratchKey(const std::string& name, HKEY root = HKEY_CURRENT_USER);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  HKEY root() const { return root_; }
  // Path below the root, without leading backslash.
  const std::string& key() const { return key_; }
  std::string operator/(const std::string& sub) const { return key_ + "\\" + sub; }

 private:
  HKEY root_;
  std::string key_;
};

// Installs a message-box hook for its lifetime: records every box and answers
// with the queued answers (then with `defaultAnswer`).
class MessageBoxRecorder {
 public:
  MessageBoxRecorder();
  ~MessageBoxRecorder();
  std::vector<MessageBoxRequest> boxes;
  std::deque<int> answers;
  int defaultAnswer = IDOK;
  // How many boxes of a kind were shown; every text so far, for messages.
  int Count(MsgKind kind) const;
  std::string Texts() const;
};

}  // namespace qz::test
