#include "shared/forms_win32.h"

namespace pw {

int ToPixelsX(const Screen& screen, float twips) {
  return RoundHalfEven(twips / screen.twips_per_pixel_x);
}
int ToPixelsY(const Screen& screen, float twips) {
  return RoundHalfEven(twips / screen.twips_per_pixel_y);
}

HFONT DefaultFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

namespace {

bool IsKeyStroke(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP;
}

void Dispatch(MSG& msg, HWND window, HWND default_button, const std::function<void()>& on_key) {
  const bool in_window = msg.hwnd == window || IsChild(window, msg.hwnd);
  // Whichever control has the focus, every key comes through here.
  if (in_window && on_key && IsKeyStroke(msg.message)) on_key();
  if (in_window && msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    // Pressed as the button's own click would be, but without the focus moving to it.
    SendMessageW(GetParent(default_button), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(default_button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(default_button));
    return;
  }
  if (in_window && IsWindow(window) && IsDialogMessageW(window, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

// Moves a window to a new left or top edge in its parent's client coordinates (the screen's for
// a top-level window), keeping the other coordinate and the size.
void MoveEdge(HWND hwnd, int* x, int* y) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  POINT origin = {rect.left, rect.top};
  if (HWND parent = GetParent(hwnd);
      parent != nullptr && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) {
    ScreenToClient(parent, &origin);
  }
  SetWindowPos(hwnd, nullptr, x ? *x : origin.x, y ? *y : origin.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Screen QueryScreen() {
  HDC dc = GetDC(nullptr);
  const float dpi_x = static_cast<float>(GetDeviceCaps(dc, LOGPIXELSX));
  const float dpi_y = static_cast<float>(GetDeviceCaps(dc, LOGPIXELSY));
  ReleaseDC(nullptr, dc);
  Screen screen;
  screen.twips_per_pixel_x = 1440.0f / dpi_x;
  screen.twips_per_pixel_y = 1440.0f / dpi_y;
  screen.width = static_cast<float>(GetSystemMetrics(SM_CXSCREEN)) * screen.twips_per_pixel_x;
  screen.height = static_cast<float>(GetSystemMetrics(SM_CYSCREEN)) * screen.twips_per_pixel_y;
  return screen;
}

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring AppPath() {
  std::wstring path = ProgramPath();
  path.erase(path.find_last_of(L'\\'));
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  return path;
}

HWND CreateControl(HWND parent, const wchar_t* window_class, const wchar_t* text, DWORD style,
                   DWORD ex_style, TwipsRect rect, const Screen& screen, int id) {
  HWND control = CreateWindowExW(
      ex_style, window_class, text, style | WS_CHILD | WS_VISIBLE, ToPixelsX(screen, rect.left),
      ToPixelsY(screen, rect.top), ToPixelsX(screen, rect.width), ToPixelsY(screen, rect.height),
      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (control != nullptr)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultFont()), FALSE);
  return control;
}

int RunMessageLoop(HWND window, HWND default_button, const std::function<void()>& on_key,
                   LoopWait* wait) {
  for (;;) {
    HANDLE handle = wait != nullptr ? wait->Handle() : nullptr;
    const DWORD count = handle != nullptr ? 1 : 0;
    // Messages that a peek saw but left in the queue wake the wait too.
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(count, &handle, wait != nullptr ? wait->TimeoutMs() : INFINITE,
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if ((woken == WAIT_OBJECT_0 && count == 1) || woken == WAIT_TIMEOUT) {
      wait->OnWake();
      continue;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      Dispatch(msg, window, default_button, on_key);
    }
  }
}

void FocusMemory::RememberIn(HWND window) {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(window, focus)) control_ = focus;
}

bool FocusMemory::OnActivate(HWND window, WPARAM wparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    RememberIn(window);
    return false;
  }
  if (control_ == nullptr) return false;
  SetFocus(control_);
  return true;
}

RECT Win32Form::WindowRect() const {
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  return rect;
}

RECT Win32Form::ClientRect() const {
  RECT rect{};
  GetClientRect(hwnd_, &rect);
  return rect;
}

void Win32Form::SetLeft(float twips) {
  int x = ToPixelsX(screen_, twips);
  MoveEdge(hwnd_, &x, nullptr);
}

void Win32Form::SetTop(float twips) {
  int y = ToPixelsY(screen_, twips);
  MoveEdge(hwnd_, nullptr, &y);
}

float Win32Form::Left() const {
  return static_cast<float>(WindowRect().left) * screen_.twips_per_pixel_x;
}
float Win32Form::Top() const {
  return static_cast<float>(WindowRect().top) * screen_.twips_per_pixel_y;
}
float Win32Form::Width() const {
  RECT rect = WindowRect();
  return static_cast<float>(rect.right - rect.left) * screen_.twips_per_pixel_x;
}
float Win32Form::Height() const {
  RECT rect = WindowRect();
  return static_cast<float>(rect.bottom - rect.top) * screen_.twips_per_pixel_y;
}
float Win32Form::ScaleWidth() const {
  return static_cast<float>(ClientRect().right) * screen_.twips_per_pixel_x;
}
float Win32Form::ScaleHeight() const {
  return static_cast<float>(ClientRect().bottom) * screen_.twips_per_pixel_y;
}

void Win32Form::Unload() { on_unload_(); }

void Win32Form::Cls() {
  printed_.clear();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Form::Print(std::wstring_view line) {
  printed_.emplace_back(line);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Form::Paint(HDC dc) const {
  HGDIOBJ old_font = SelectObject(dc, DefaultFont());
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  SetTextColor(dc, foreground_);
  SetBkMode(dc, TRANSPARENT);
  int y = 0;
  for (const std::wstring& line : printed_) {
    TextOutW(dc, 0, y, line.c_str(), static_cast<int>(line.size()));
    y += metrics.tmHeight + metrics.tmExternalLeading;
  }
  SelectObject(dc, old_font);
}

void Win32Control::SetLeft(float twips) {
  int x = ToPixelsX(screen_, twips);
  MoveEdge(hwnd_, &x, nullptr);
}

void Win32Control::SetTop(float twips) {
  int y = ToPixelsY(screen_, twips);
  MoveEdge(hwnd_, nullptr, &y);
}

std::wstring Win32TextBox::Text() const {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Win32TextBox::SetText(std::wstring_view text) {
  SetWindowTextW(hwnd_, std::wstring(text).c_str());
}

void Win32MessageBox::MsgBox(std::wstring_view prompt, int style, std::wstring_view title) {
  MessageBoxW(owner_, std::wstring(prompt).c_str(), std::wstring(title).c_str(),
              static_cast<UINT>(style));
}

}  // namespace pw
