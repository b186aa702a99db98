// floor.exe: the smallest window program of ours, the floor that make bench measures Corvel
// against; the end-to-end tests also open it as a window of another program.
//
//   --title TEXT          window title (default "floor")
//   --rect l,t,r,b        window rectangle of the borderless window (default 100,100,500,400)
//   --maximized           shown maximized instead
//   --topmost             placed above all non-topmost windows
//   --clip l,t,r,b        pointer confined to this rectangle once the window is shown, and again
//                         at each pointer move over the window and every 250 ms: Wine drops its
//                         pointer grab a moment after a window becomes active, though the
//                         confinement still reads as set, and sometimes lifts the confinement
//                         itself as the window appears; the move that follows puts it back at
//                         once, as the lock program does, so the benchmark's floor is not held
//                         up by the timer
//   --release             before ending on Escape, releases as the lock program does: stops
//                         holding the pointer, then makes the lock's four release calls with its
//                         values and in its order, so that the benchmark's floor does that work too
//
// An edit control at client (8,8)-(308,32) holds the keyboard focus so typed text can be read
// back. Escape or WM_CLOSE ends it with status 0.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kClassName[] = L"FloorWindow";
constexpr int kEditId = 100;
constexpr UINT_PTR kClipTimer = 1;

struct Options {
  std::wstring title = L"floor";
  RECT rect{100, 100, 500, 400};
  bool maximized = false;
  bool topmost = false;
  bool clip = false;
  RECT clip_rect{};
  bool release = false;
};

bool ParseRect(const wchar_t* text, RECT& r) {
  int fields = std::swscanf(text, L"%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom);
  return fields == 4;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::wstring name = argv[i];
    if (name == L"--maximized") {
      options.maximized = true;
    } else if (name == L"--topmost") {
      options.topmost = true;
    } else if (name == L"--release") {
      options.release = true;
    } else if (i + 1 >= argc) {
      return false;
    } else if (const wchar_t* value = argv[++i]; name == L"--title") {
      options.title = value;
    } else if (name == L"--rect") {
      if (!ParseRect(value, options.rect)) return false;
    } else if (name == L"--clip") {
      options.clip = ParseRect(value, options.clip_rect);
      if (!options.clip) return false;
    } else {
      return false;
    }
  }
  return true;
}

const Options& OptionsOf(HWND hwnd) {
  return *reinterpret_cast<const Options*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 8, 8,
                      300, 24, hwnd, reinterpret_cast<HMENU>(kEditId), nullptr, nullptr);
      return 0;
    case WM_SETCURSOR:
      if (OptionsOf(hwnd).clip) ClipCursor(&OptionsOf(hwnd).clip_rect);
      return DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_TIMER:
      ClipCursor(&OptionsOf(hwnd).clip_rect);
      return 0;
    case WM_SETFOCUS:
      SetFocus(GetDlgItem(hwnd, kEditId));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

// The lock program's release calls: no longer topmost, the pointer free, the screen saver on
// (saved and announced), no longer marked as running.
void Release(HWND hwnd, Options& options) {
  options.clip = false;
  KillTimer(hwnd, kClipTimer);
  SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
  ClipCursor(nullptr);
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0xFFFFFFFF, nullptr,
                        SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, nullptr, 0);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  Options options;
  if (!ParseOptions(__argc, __wargv, options)) return 2;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = CreateSolidBrush(RGB(0, 255, 0));
  wc.lpszClassName = kClassName;
  if (RegisterClassExW(&wc) == 0) return 3;

  const RECT& r = options.rect;
  HWND hwnd = CreateWindowExW(options.topmost ? WS_EX_TOPMOST : 0, kClassName,
                              options.title.c_str(), WS_POPUP, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) return 3;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&options));
  ShowWindow(hwnd, options.maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
  SetForegroundWindow(hwnd);
  if (options.clip) {
    ClipCursor(&options.clip_rect);
    SetTimer(hwnd, kClipTimer, 250, nullptr);
  }

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      if (options.release) Release(hwnd, options);
      DestroyWindow(hwnd);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
