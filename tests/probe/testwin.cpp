// testwin.exe: a window whose every property is chosen on the command line, so that the
// end-to-end harness can prove each of its readings against known values.
//
//   --title TEXT          window title (default "testwin")
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
//   --saver 0|1           SPI_SETSCREENSAVEACTIVE, saved to the user's settings and broadcast
//   --running 0|1         SPI_SETSCREENSAVERRUNNING
//   --color RRGGBB        background colour (default 00ff00)
//   --exit-code N         status on Escape or WM_CLOSE (default 0)
//   --message TEXT        then shows a message box with this text and the window's title
//   --release             before ending on Escape, releases as the lock program does: stops
//                         holding the pointer, then makes the lock's four release calls with its
//                         values and in its order, so that the benchmark's floor does that work too
//
// An edit control at client (8,8)-(308,32) holds the keyboard focus so typed text can be read
// back; a left click on the window writes "clicked X,Y" (client coordinates) into it.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kClassName[] = L"HarnessTestWindow";
constexpr int kEditId = 100;
constexpr UINT_PTR kClipTimer = 1;

struct Options {
  std::wstring title = L"testwin";
  RECT rect{100, 100, 500, 400};
  bool maximized = false;
  bool topmost = false;
  bool clip = false;
  RECT clip_rect{};
  int saver = -1;
  int running = -1;
  COLORREF color = RGB(0, 255, 0);
  int exit_code = 0;
  bool release = false;
  std::wstring message;
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
    } else if (name == L"--saver") {
      options.saver = static_cast<int>(std::wcstol(value, nullptr, 10));
    } else if (name == L"--running") {
      options.running = static_cast<int>(std::wcstol(value, nullptr, 10));
    } else if (name == L"--color") {
      unsigned long rgb = std::wcstoul(value, nullptr, 16);
      options.color = RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
    } else if (name == L"--message") {
      options.message = value;
    } else if (name == L"--exit-code") {
      options.exit_code = static_cast<int>(std::wcstol(value, nullptr, 10));
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
    case WM_LBUTTONDOWN: {
      std::wstring text = L"clicked " + std::to_wstring(static_cast<short>(LOWORD(lparam))) + L"," +
                          std::to_wstring(static_cast<short>(HIWORD(lparam)));
      SetDlgItemTextW(hwnd, kEditId, text.c_str());
      return 0;
    }
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
      PostQuitMessage(OptionsOf(hwnd).exit_code);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

void ApplySettings(const Options& options) {
  constexpr UINT kSave = SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE;
  if (options.saver >= 0) {
    SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(options.saver), nullptr,
                          kSave);
  }
  if (options.running >= 0) {
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, static_cast<UINT>(options.running), nullptr,
                          0);
  }
  if (options.clip) ClipCursor(&options.clip_rect);
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
  wc.hbrBackground = CreateSolidBrush(options.color);
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
  ApplySettings(options);
  if (options.clip) SetTimer(hwnd, kClipTimer, 250, nullptr);
  if (!options.message.empty()) {
    MessageBoxW(hwnd, options.message.c_str(), options.title.c_str(), MB_OK);
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
