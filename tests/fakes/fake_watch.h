// A recording fake of the lock's side of its watcher: "InForce()", "Released()".
#pragma once

#include "lock/watch.h"
#include "tests/fakes/call_log.h"

namespace corvel::testing {

class FakeWatch : public Watch {
 public:
  explicit FakeWatch(pw::testing::CallLog& log) : log_(log) {}

  bool restarted = false;

  void InForce() override { log_.push_back("InForce()"); }
  void Released() override { log_.push_back("Released()"); }
  bool Restarted() const override { return restarted; }

 private:
  pw::testing::CallLog& log_;
};

}  // namespace corvel::testing
