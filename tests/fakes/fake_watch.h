// A recording fake of the lock's side of its watcher: "InForce(password)", "Released()",
// "Count(wrong passwords)".
#pragma once

#include <cstdint>
#include <string>

#include "lock/watch.h"
#include "tests/fakes/call_log.h"

namespace corvel::testing {

class FakeWatch : public Watch {
 public:
  explicit FakeWatch(pw::testing::CallLog& log) : log_(log) {}

  std::wstring handed;  // a watcher's password

  void InForce(const std::wstring& password) override {
    log_.push_back(pw::testing::Call("InForce", pw::testing::Utf8(password)));
  }
  void Released() override { log_.push_back("Released()"); }
  void Count(AwayKind kind) override {
    log_.push_back(kind == &AwayRecord::wrong_passwords ? "Count(wrong passwords)"
                   : kind == &AwayRecord::force_ends    ? "Count(force ends)"
                                                        : "Count(refused requests)");
  }
  std::wstring HandedPassword() const override { return handed; }
  std::intptr_t WatchedWindow() const override { return 99; }

 private:
  pw::testing::CallLog& log_;
};

}  // namespace corvel::testing
