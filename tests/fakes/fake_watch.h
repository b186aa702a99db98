// A recording fake of the lock's side of its watcher: "InForce(password)", "Released()".
#pragma once

#include <cstdint>
#include <string>

#include "lock/watch.h"
#include "tests/fakes/call_log.h"

namespace corvel::testing {

class FakeWatch : public Watch {
 public:
  explicit FakeWatch(pw::testing::CallLog& log) : log_(log) {}

  bool waiting = false;
  std::wstring handed;  // a watcher's password
  std::intptr_t watched_window = 99;

  void InForce(const std::wstring& password) override {
    log_.push_back(pw::testing::Call("InForce", pw::testing::Utf8(password)));
  }
  void Released() override { log_.push_back("Released()"); }
  bool Waiting() const override { return waiting; }
  std::wstring HandedPassword() const override { return handed; }
  std::intptr_t WatchedWindow() const override { return watched_window; }

 private:
  pw::testing::CallLog& log_;
};

}  // namespace corvel::testing
