// A recording fake of the lock's side of its watcher: "InForce(password)", "Released()".
#pragma once

#include <string>

#include "lock/watch.h"
#include "tests/fakes/call_log.h"

namespace corvel::testing {

class FakeWatch : public Watch {
 public:
  explicit FakeWatch(pw::testing::CallLog& log) : log_(log) {}

  bool restarted = false;
  std::wstring handed;  // a restarted lock's password

  void InForce(const std::wstring& password) override {
    log_.push_back(pw::testing::Call("InForce", pw::testing::Utf8(password)));
  }
  void Released() override { log_.push_back("Released()"); }
  bool Restarted() const override { return restarted; }
  std::wstring HandedPassword() const override { return handed; }

 private:
  pw::testing::CallLog& log_;
};

}  // namespace corvel::testing
