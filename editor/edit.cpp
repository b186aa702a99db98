#include "editor/edit.h"

#include <string>

#include "editor/layout.h"
#include "shared/system_message_win32.h"

namespace vantor {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = 0;

// One sentence naming what failed, with the system's own message.
void ReportSystemError(const wchar_t* what) {
  const std::wstring text = std::wstring(what) + L": " + pw::SystemMessage(GetLastError());
  MessageBoxW(nullptr, text.c_str(), layout::kCaption, MB_ICONERROR);
}

}  // namespace

Edit::Edit(HINSTANCE instance)
    : instance_(instance),
      screen_(pw::QueryScreen()),
      editor_(files_, code_page_, new_pass_box_, message_box_, pw::AppPath()) {}

bool Edit::Create() {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = layout::kWindowClass;
  if (RegisterClassExW(&window_class) == 0) {
    ReportSystemError(L"ウィンドウクラスを登録できません");
    return false;
  }
  // The design fixes the client area; the frame around it is whatever the system draws.
  RECT outer = {0, 0, pw::ToPixelsX(screen_, layout::kClientWidth),
                pw::ToPixelsY(screen_, layout::kClientHeight)};
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  if (CreateWindowExW(kExStyle, layout::kWindowClass, layout::kCaption, kStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, nullptr,
                      nullptr, instance_, this) == nullptr) {
    ReportSystemError(L"ウィンドウを作成できません");
    return false;
  }
  // Without its box the window would save an empty password and confirm it.
  if (!CreateControls()) {
    ReportSystemError(L"入力欄とボタンを作成できません");
    Destroy();
    return false;
  }
  return true;
}

int Edit::Run(int show_command) {
  ShowWindow(hwnd_, show_command);
  UpdateWindow(hwnd_);
  SetFocus(new_pass_);
  return pw::RunMessageLoop(hwnd_, change_);
}

LRESULT Edit::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(wparam);
      return 0;
    case WM_ACTIVATE:
      return focus_.OnActivate(hwnd_, wparam) ? 0 : DefWindowProcW(hwnd_, message, wparam, lparam);
    case WM_CLOSE:
      Destroy();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wparam, lparam);
  }
}

bool Edit::CreateControls() {
  // WS_EX_CLIENTEDGE: the sunken edge of a text box. The box takes text past the password's
  // length, so that saving it tells the user why it is too long rather than cutting it.
  new_pass_ =
      pw::CreateControl(hwnd_, L"EDIT", layout::kNewPassDesignText, WS_TABSTOP | ES_AUTOHSCROLL,
                        WS_EX_CLIENTEDGE, layout::kNewPass, screen_, layout::kNewPassId);
  if (new_pass_ == nullptr) return false;
  change_ =
      pw::CreateControl(hwnd_, L"BUTTON", layout::kChangeCaption, WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                        layout::kChange, screen_, layout::kChangeId);
  if (change_ == nullptr) return false;
  new_pass_box_.Attach(new_pass_);
  message_box_.Attach(hwnd_);
  focus_.Remember(new_pass_);
  return true;
}

void Edit::OnCommand(WPARAM wparam) {
  if (LOWORD(wparam) == layout::kChangeId && HIWORD(wparam) == BN_CLICKED) editor_.ChangeClick();
}

}  // namespace vantor
