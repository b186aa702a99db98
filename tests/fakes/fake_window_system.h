// A recording fake of the lock's window-system calls, logged as the calls are written:
// "SetWindowPos(4660,-1,0,0,0,0,67)", "SetCursorPos(75,75)", "ClipCursor(null)",
// "ClipCursor(512,384,745,404)", "SystemParametersInfoA(17,0,null,2)", "LockWorkStation()".
#pragma once

#include <cstdint>

#include "lock/window_system.h"
#include "tests/fakes/call_log.h"

namespace corvel::testing {

class FakeWindowSystem : public WindowSystem {
 public:
  explicit FakeWindowSystem(pw::testing::CallLog& log) : log_(log) {}

  void SetWindowPos(std::intptr_t hwnd, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override {
    log_.push_back(pw::testing::Call("SetWindowPos", hwnd, insert_after, x, y, cx, cy, flags));
  }
  void SetCursorPos(int x, int y) override {
    log_.push_back(pw::testing::Call("SetCursorPos", x, y));
  }
  void ClipCursor(const PixelRect* r) override {
    log_.push_back(r == nullptr
                       ? "ClipCursor(null)"
                       : pw::testing::Call("ClipCursor", r->left, r->top, r->right, r->bottom));
  }
  void SystemParametersInfoA(unsigned action, unsigned param, void* pv, unsigned win_ini) override {
    log_.push_back(pw::testing::Call("SystemParametersInfoA", action, param,
                                     pv == nullptr ? "null" : "pv", win_ini));
  }
  bool LockWorkStation() override {
    log_.push_back("LockWorkStation()");
    return !system_lock_refused;
  }

  bool system_lock_refused = false;  // a policy has switched the system's lock off

 private:
  pw::testing::CallLog& log_;
};

}  // namespace corvel::testing
