// A cleaner engine of the tests' own for the One-Click-Optimizer: it writes
// what happens to it into a journal ("DC search", "DC delete", "DC counters",
// "DC freed"), reports a fixed progress, runs a test's code inside its search
// or delete, and deletes the counts it was given.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cleaning/frame/unattended_cleaner.h"
#include "cleaning/oco/oco_run.h"
#include "core/globals.h"

namespace qz::oco::test {

using Journal = std::vector<std::string>;

struct FakeSpec {
  std::string name;
  cleaning::CleanerCounters deletes;
  cleaning::CleanerProgress searching, deleting;
  std::function<void()> duringSearch, duringDelete;
  bool searchThrows = false, deleteThrows = false;
};

class FakeCleaner : public cleaning::UnattendedCleaner {
 public:
  FakeCleaner(const FakeSpec& spec, Journal& journal) : spec_(spec), journal_(journal) {}
  ~FakeCleaner() override { journal_.push_back(spec_.name + " freed"); }

  void Search() override {
    AbortFlag = 0;  // as every engine does at its start
    journal_.push_back(spec_.name + " search");
    searching_ = true;
    if (spec_.duringSearch) spec_.duringSearch();
    searching_ = false;
    if (spec_.searchThrows) throw std::runtime_error("search failed");
  }
  void DeleteMarked() override {
    AbortFlag = 0;
    journal_.push_back(spec_.name + " delete");
    deleting_ = true;
    if (spec_.duringDelete) spec_.duringDelete();
    deleting_ = false;
    done_ = spec_.deletes;
    if (spec_.deleteThrows) throw std::runtime_error("delete failed");
  }
  cleaning::CleanerProgress Progress() const override {
    return searching_ ? spec_.searching : deleting_ ? spec_.deleting : cleaning::CleanerProgress{};
  }
  cleaning::CleanerCounters Counters() const override {
    journal_.push_back(spec_.name + " counters");
    return done_;
  }

 private:
  FakeSpec spec_;
  Journal& journal_;
  bool searching_ = false, deleting_ = false;
  cleaning::CleanerCounters done_;
};

// Installs three fakes (DC, RC, IC) into a run's factories; the specs are
// read when an engine is made, so a test may change them until then.
struct FakeCleaners {
  Journal journal;
  FakeSpec specs[kCleanerCount];
  FakeCleaners() {
    specs[kDrive].name = "DC";
    specs[kRegistry].name = "RC";
    specs[kInternet].name = "IC";
  }
  void InstallInto(OneClickRun& run) {
    for (int i = 0; i < kCleanerCount; ++i)
      run.Factories[i] = [this, i]() -> std::unique_ptr<cleaning::UnattendedCleaner> {
        journal.push_back(specs[i].name + " made");
        return std::make_unique<FakeCleaner>(specs[i], journal);
      };
  }
};

}  // namespace qz::oco::test
