// Recording fakes of the window services. Each call that changes something is logged as
// "<Name>.<what>" so that a sequence reads like the code that made it.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "shared/forms.h"
#include "tests/fakes/call_log.h"

namespace pw::testing {

class FakeControl : public Control {
 public:
  FakeControl(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}
  void SetLeft(float twips) override { log_.push_back(name_ + ".Left=" + Num(twips)); }
  void SetTop(float twips) override { log_.push_back(name_ + ".Top=" + Num(twips)); }

 private:
  CallLog& log_;
  std::string name_;
};

// The lock window as it stands before it is maximized: no frame, its client area the panel's
// 3495 x 300 twips. Unload runs `on_unload`, as the runtime runs the window's unload handler.
class FakeForm : public Form {
 public:
  FakeForm(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}

  std::function<void()> on_unload;

  void SetLeft(float twips) override {
    left_ = twips;
    log_.push_back(name_ + ".Left=" + Num(twips));
  }
  void SetTop(float twips) override {
    top_ = twips;
    log_.push_back(name_ + ".Top=" + Num(twips));
  }
  float Left() const override { return left_; }
  float Top() const override { return top_; }
  float Width() const override { return 3495; }
  float Height() const override { return 300; }
  float ScaleWidth() const override { return 3495; }
  float ScaleHeight() const override { return 300; }
  std::intptr_t hWnd() const override { return 0x1234; }
  void Unload() override {
    log_.push_back(name_ + ".Unload");
    if (on_unload) on_unload();
  }
  void Cls() override { log_.push_back(name_ + ".Cls"); }
  void Print(std::wstring_view line) override {
    log_.push_back(name_ + ".Print(" + Utf8(line) + ")");
  }

 private:
  CallLog& log_;
  std::string name_;
  float left_ = 0;
  float top_ = 0;
};

class FakeTextBox : public TextBox {
 public:
  FakeTextBox(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}
  std::wstring text;  // what the user typed; SetText replaces it
  std::wstring Text() const override { return text; }
  void SetText(std::wstring_view value) override {
    text = value;
    log_.push_back(name_ + ".Text=" + Utf8(value));
  }

 private:
  CallLog& log_;
  std::string name_;
};

class FakeMessageBox : public MessageBoxService {
 public:
  explicit FakeMessageBox(CallLog& log) : log_(log) {}
  void MsgBox(std::wstring_view prompt, int style, std::wstring_view title) override {
    log_.push_back("MsgBox(" + Utf8(prompt) + "," + std::to_string(style) + "," + Utf8(title) +
                   ")");
  }

 private:
  CallLog& log_;
};

}  // namespace pw::testing
