// A recording fake of the lock's window-system calls, logged as the calls are written:
// "SetWindowPos(4660,-1,0,0,0,0,67)", "SetCursorPos(75,75)", "ClipCursor(null)",
// "ClipCursor(512,384,745,404)", "SystemParametersInfoA(17,0,null,3)".
#pragma once

#include <cstdint>
#include <string>

#include "lock/window_system.h"
#include "tests/fakes/call_log.h"

namespace corvel::testing {

class FakeWindowSystem : public WindowSystem {
 public:
  explicit FakeWindowSystem(pw::testing::CallLog& log) : log_(log) {}

  void SetWindowPos(std::intptr_t hwnd, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override {
    log_.push_back("SetWindowPos(" + std::to_string(hwnd) + "," + std::to_string(insert_after) +
                   "," + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(cx) +
                   "," + std::to_string(cy) + "," + std::to_string(flags) + ")");
  }
  void SetCursorPos(int x, int y) override {
    log_.push_back("SetCursorPos(" + std::to_string(x) + "," + std::to_string(y) + ")");
  }
  void ClipCursor(const PixelRect* rect) override {
    if (rect == nullptr) {
      log_.push_back("ClipCursor(null)");
      return;
    }
    log_.push_back("ClipCursor(" + std::to_string(rect->left) + "," + std::to_string(rect->top) +
                   "," + std::to_string(rect->right) + "," + std::to_string(rect->bottom) + ")");
  }
  void SystemParametersInfoA(unsigned action, unsigned param, void* pv, unsigned win_ini) override {
    log_.push_back("SystemParametersInfoA(" + std::to_string(action) + "," + std::to_string(param) +
                   "," + (pv == nullptr ? "null" : "pv") + "," + std::to_string(win_ini) + ")");
  }

 private:
  pw::testing::CallLog& log_;
};

}  // namespace corvel::testing
