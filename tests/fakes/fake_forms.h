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

// A window with fixed outer and client sizes. Unload runs `on_unload`, as the runtime runs the
// window's unload handler.
class FakeForm : public Form {
 public:
  FakeForm(CallLog& log, std::string name, float width, float height, float scale_width,
           float scale_height, std::intptr_t hwnd = 0x1234)
      : log_(log),
        name_(std::move(name)),
        width_(width),
        height_(height),
        scale_width_(scale_width),
        scale_height_(scale_height),
        hwnd_(hwnd) {}

  std::function<void()> on_unload;
  std::wstring printed;  // the lines printed since the last Cls, each ending in '\n'

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
  float Width() const override { return width_; }
  float Height() const override { return height_; }
  float ScaleWidth() const override { return scale_width_; }
  float ScaleHeight() const override { return scale_height_; }
  std::intptr_t hWnd() const override { return hwnd_; }
  void Unload() override {
    log_.push_back(name_ + ".Unload");
    if (on_unload) on_unload();
  }
  void Cls() override {
    log_.push_back(name_ + ".Cls");
    printed.clear();
  }
  void Print(std::wstring_view line) override {
    log_.push_back(name_ + ".Print(" + Utf8(line) + ")");
    printed += line;
    printed += L'\n';
  }

 private:
  CallLog& log_;
  std::string name_;
  float left_ = 0;
  float top_ = 0;
  float width_, height_, scale_width_, scale_height_;
  std::intptr_t hwnd_;
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
