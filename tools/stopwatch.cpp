// stopwatch.exe: times a lock program from inside its Wine desktop. The clock is
// QueryPerformanceCounter and the window system's state is polled in a loop, so a reading
// is not blurred by the start-up of a separate probe process; its resolution is the poll's, about
// a millisecond. Used by tools/bench.py.
//
//   lock EXE TITLE l,t,r,b [ARGS...]
//       starts EXE in its own folder with ARGS and times from just before the start until a
//       visible top-level window of TITLE of that process covers the whole screen, maximized and
//       topmost, and the pointer confinement is l,t,r,b; prints ms= and pid=, and leaves the
//       program running
//   relock TITLE l,t,r,b [l,t,r,b...]
//       waits until the lock's watcher waits (a window of TITLE of another process that answers
//       a message), then ends the process of the window of TITLE as an administrator's task
//       manager does (TerminateProcess, status 1) and times from just before that until a window of
//       TITLE of another process is in force as for lock; prints ms= and pid=. With more
//       rectangles, the ones the lock may light, it also grabs the screen between its polls and
//       prints grabs= and uncovered=, the grabs that showed anything but black outside them
//   release TITLE KEY [TEXT]
//       KEY is return or escape. With TEXT, first presses Tab and types TEXT, and waits until the
//       window's edit box holds that many characters; then times from pressing KEY until the
//       pointer confinement is the whole screen, no window of TITLE is in view and the window's
//       process, and the process of any other window of TITLE (a watcher), has ended; prints
//       ms=, the process's exit status=, and when each step was first seen done: free= (the
//       confinement lifted), hidden= (no window of TITLE in view), watcher= (the other process
//       ended, where there was one) and ended= (the window's process ended)
//
// Every wait is bounded. Exit status 0 on success, 1 when a wait runs out, 2 on a usage error,
// 3 when the program cannot be started or its window is not there.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "tools/open_as_administrator.h"

namespace {

constexpr int kTimedOut = 1;
constexpr int kUsage = 2;
constexpr int kNoProgram = 3;
constexpr double kDeadlineMs = 30000;
constexpr UINT kReplyMs = 5000;

double Now() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency);
}

// Polls done() every millisecond until it holds; returns the milliseconds from start, or a
// negative value when the deadline passes first. Polling without a pause would take a core and
// the wineserver's time from the program being timed, on a machine of two cores.
template <typename Done>
double TimeUntil(double start, Done done) {
  while (!done()) {
    if (Now() - start > kDeadlineMs) return -1;
    Sleep(1);
  }
  return Now() - start;
}

RECT Screen() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

bool ClipIs(const RECT& want) {
  RECT clip{};
  return GetClipCursor(&clip) && EqualRect(&clip, &want);
}

bool ParseRect(const wchar_t* text, RECT& r) {
  return std::swscanf(text, L"%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom) == 4;
}

DWORD OwnerOf(HWND window) {
  DWORD pid = 0;
  return window != nullptr && GetWindowThreadProcessId(window, &pid) != 0 ? pid : 0;
}

bool InForce(const wchar_t* title, DWORD pid, const RECT& clip) {
  HWND hwnd = FindWindowW(nullptr, title);
  if (OwnerOf(hwnd) != pid) return false;
  RECT rect{};
  const RECT screen = Screen();
  return IsWindowVisible(hwnd) && IsZoomed(hwnd) &&
         (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 && GetWindowRect(hwnd, &rect) &&
         EqualRect(&rect, &screen) && ClipIs(clip);
}

int Lock(int argc, wchar_t** argv) {
  RECT clip{};
  if (argc < 5 || !ParseRect(argv[4], clip)) return kUsage;
  const std::wstring exe = argv[2];
  std::wstring command = L"\"" + exe + L"\"";
  for (int i = 5; i < argc; ++i) command += L" \"" + std::wstring(argv[i]) + L"\"";
  const std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const double start = Now();
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    std::fprintf(stderr, "cannot start the program: error %lu\n", GetLastError());
    return kNoProgram;
  }
  const double ms = TimeUntil(start, [&] { return InForce(argv[3], process.dwProcessId, clip); });
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (ms < 0) return kTimedOut;
  std::printf("ms=%.3f\npid=%lu\n", ms, process.dwProcessId);
  return 0;
}

// A window of this title that EnumWindows looks for: FindOther's is not of the process pid,
// FindShown's is in view.
struct OtherWindow {
  const wchar_t* title;
  DWORD pid;
  HWND found;
};

bool HasTitle(HWND window, const wchar_t* title) {
  wchar_t text[64] = {};
  GetWindowTextW(window, text, 64);
  return std::wcscmp(text, title) == 0;
}

// A named CALLBACK, not a lambda: 32-bit Windows calls it with the stdcall convention.
BOOL CALLBACK FindOther(HWND window, LPARAM query) {
  auto& other = *reinterpret_cast<OtherWindow*>(query);
  if (HasTitle(window, other.title) && OwnerOf(window) != other.pid) other.found = window;
  return other.found == nullptr;
}

// The screen as the window system draws it, sampled every 8th pixel across on every 32nd line:
// whether anything but black shows outside the rectangles where the lock lights pixels. Lines
// alone are grabbed, as a whole screen takes long enough to blur the time taken.
class ScreenWatch {
 public:
  explicit ScreenWatch(std::vector<RECT> lit) : lit_(std::move(lit)) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = screen_.right;
    info.bmiHeader.biHeight = -screen_.bottom;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dib_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels_ = static_cast<const DWORD*>(bits);
    SelectObject(memory_, dib_);
  }
  ~ScreenWatch() {
    DeleteDC(memory_);
    DeleteObject(dib_);
  }
  void Grab() {
    HDC screen = GetDC(nullptr);
    for (LONG y = 0; y < screen_.bottom; y += 32) {
      BitBlt(memory_, 0, y, screen_.right, 1, screen, 0, y, SRCCOPY);
    }
    ReleaseDC(nullptr, screen);
    ++grabs_;
    for (LONG y = 0; y < screen_.bottom; y += 32) {
      for (LONG x = 0; x < screen_.right; x += 8) {
        if ((pixels_[y * screen_.right + x] & 0xFFFFFF) != 0 && !Lit({x, y})) {
          ++uncovered_;
          return;
        }
      }
    }
  }
  void Print() const { std::printf("grabs=%d\nuncovered=%d\n", grabs_, uncovered_); }

 private:
  bool Lit(POINT point) const {
    for (const RECT& rect : lit_)
      if (PtInRect(&rect, point)) return true;
    return false;
  }

  std::vector<RECT> lit_;
  RECT screen_ = Screen();
  HDC memory_ = CreateCompatibleDC(nullptr);
  HBITMAP dib_ = nullptr;
  const DWORD* pixels_ = nullptr;
  int grabs_ = 0;
  int uncovered_ = 0;
};

int Relock(int argc, wchar_t** argv) {
  RECT clip{};
  if (argc < 4 || !ParseRect(argv[3], clip)) return kUsage;
  std::vector<RECT> lit(static_cast<std::size_t>(argc - 4));
  for (int i = 4; i < argc; ++i) {
    if (!ParseRect(argv[i], lit[static_cast<std::size_t>(i - 4)])) return kUsage;
  }
  ScreenWatch watch(lit);
  const DWORD ended = OwnerOf(FindWindowW(nullptr, argv[2]));
  OtherWindow watcher = {argv[2], ended, nullptr};
  DWORD_PTR answer = 0;
  // Its window answers once the watcher runs its message loop: it waits.
  if (TimeUntil(Now(),
                [&] {
                  EnumWindows(FindOther, reinterpret_cast<LPARAM>(&watcher));
                  return watcher.found != nullptr;
                }) < 0 ||
      !SendMessageTimeoutW(watcher.found, WM_NULL, 0, 0, SMTO_BLOCK, kReplyMs, &answer)) {
    return kTimedOut;
  }
  HANDLE process = OpenAsAdministrator(ended);
  if (process == nullptr) return kNoProgram;
  const double start = Now();
  TerminateProcess(process, 1);
  CloseHandle(process);
  DWORD pid = 0;
  const double ms = TimeUntil(start, [&] {
    pid = OwnerOf(FindWindowW(nullptr, argv[2]));
    if (pid != 0 && pid != ended && InForce(argv[2], pid, clip)) return true;
    if (!lit.empty()) watch.Grab();
    return false;
  });
  if (ms < 0) return kTimedOut;
  std::printf("ms=%.3f\npid=%lu\n", ms, pid);
  if (!lit.empty()) watch.Print();
  return 0;
}

void Press(WORD vk, wchar_t character = 0) {
  INPUT keys[2] = {};
  for (INPUT& key : keys) {
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = character != 0 ? 0 : vk;
    key.ki.wScan = character;
    key.ki.dwFlags = character != 0 ? KEYEVENTF_UNICODE : 0;
  }
  keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

// A named CALLBACK, not a lambda: 32-bit Windows calls it with the stdcall convention.
BOOL CALLBACK StopAtEditBox(HWND child, LPARAM result) {
  wchar_t cls[16] = {};
  if (GetClassNameW(child, cls, 16) == 0 || _wcsicmp(cls, L"Edit") != 0) return TRUE;
  *reinterpret_cast<HWND*>(result) = child;
  return FALSE;
}

HWND FindEditBox(HWND window) {
  HWND found = nullptr;
  EnumChildWindows(window, StopAtEditBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

LRESULT TextLength(HWND edit) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kReplyMs, &length);
  return static_cast<LRESULT>(length);
}

bool TypeText(HWND window, const std::wstring& text) {
  HWND edit = FindEditBox(window);
  if (edit == nullptr) return false;
  Press(VK_TAB);
  for (wchar_t c : text) Press(0, c);
  const auto typed = [&] { return TextLength(edit) == static_cast<LRESULT>(text.size()); };
  return TimeUntil(Now(), typed) >= 0;
}

BOOL CALLBACK FindShown(HWND window, LPARAM query) {
  auto& shown = *reinterpret_cast<OtherWindow*>(query);
  if (HasTitle(window, shown.title) && IsWindowVisible(window)) shown.found = window;
  return shown.found == nullptr;
}

bool NoneShown(const wchar_t* title) {
  OtherWindow shown = {title, 0, nullptr};
  EnumWindows(FindShown, reinterpret_cast<LPARAM>(&shown));
  return shown.found == nullptr;
}

bool Ended(HANDLE process) {
  return process == nullptr || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

int Release(int argc, wchar_t** argv) {
  if (argc < 4 || argc > 5) return kUsage;
  const std::wstring key = argv[3];
  const WORD vk = key == L"return" ? VK_RETURN : key == L"escape" ? VK_ESCAPE : 0;
  if (vk == 0) return kUsage;
  HWND window = FindWindowW(nullptr, argv[2]);
  const DWORD pid = OwnerOf(window);
  if (pid == 0) return kNoProgram;
  constexpr DWORD kWaitAccess = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;
  HANDLE process = OpenProcess(kWaitAccess, FALSE, pid);
  if (process == nullptr) return kNoProgram;
  OtherWindow other = {argv[2], pid, nullptr};
  EnumWindows(FindOther, reinterpret_cast<LPARAM>(&other));
  HANDLE watcher =
      other.found != nullptr ? OpenProcess(kWaitAccess, FALSE, OwnerOf(other.found)) : nullptr;
  if (argc == 5 && !TypeText(window, argv[4])) {
    CloseHandle(process);
    return kTimedOut;
  }
  const RECT screen = Screen();
  double steps[4] = {-1, -1, -1, -1};  // free, hidden, watcher, ended
  const double start = Now();
  Press(vk);
  const double ms = TimeUntil(start, [&] {
    const bool done[4] = {ClipIs(screen), NoneShown(argv[2]), Ended(watcher), Ended(process)};
    for (int i = 0; i < 4; ++i) {
      if (done[i] && steps[i] < 0) steps[i] = Now() - start;
    }
    return done[0] && done[1] && done[2] && done[3];
  });
  DWORD status = 0;
  GetExitCodeProcess(process, &status);
  CloseHandle(process);
  if (watcher != nullptr) CloseHandle(watcher);
  if (ms < 0) return kTimedOut;
  std::printf("ms=%.3f\nstatus=%lu\nfree=%.3f\nhidden=%.3f\n", ms, status, steps[0], steps[1]);
  if (other.found != nullptr) std::printf("watcher=%.3f\n", steps[2]);
  std::printf("ended=%.3f\n", steps[3]);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"lock") return Lock(argc, argv);
  if (command == L"relock") return Relock(argc, argv);
  if (command == L"release") return Release(argc, argv);
  return kUsage;
}
