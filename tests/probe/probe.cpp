// probe.exe: reads one piece of window-system state for the end-to-end tests and prints it as
// key=value lines. Each reading is its own process because the system caches several settings
// per process. Texts travel as hex, four digits a UTF-16 code unit, in both directions, so that
// Japanese survives any console code page; "*" in place of a title or class matches any.
//
//   window TITLE CLASS           pid, left/top/right/bottom, topmost, maximized, visible,
//                                foreground (the window the keys go to)
//   clip                         left/top/right/bottom of the pointer confinement
//   cursor                       x, y
//   saver                        active (SPI_GETSCREENSAVEACTIVE), running
//   monitors                     count, then monitorN=left,top,right,bottom,primary from 0
//   at X Y                       the top-level window at that point, as window prints it
//   key VK                       presses and releases the key of that virtual-key code, through
//                                SendInput: a key that the X keyboard lacks, such as kana lock
//   gettext TITLE CLASS CONTROL  text of a control: CONTROL is #<id> or <class hex>:<index>
//   settext TITLE CLASS CONTROL TEXT
//   click TITLE CLASS CONTROL    posts BM_CLICK, so a message box it opens cannot block the probe
//   post TITLE CLASS MESSAGE WPARAM [LPARAM]  posts the message, the numbers as C writes them
//   send TITLE CLASS MESSAGE WPARAM LPARAM    sends it from this process, as the system sends
//                                the end of the session
//   show TITLE CLASS SW          ShowWindow from this process, SW as C writes it
//   exstyle TITLE CLASS BITS     adds BITS to the extended style of every such window (a lock,
//                                and the lock waiting beneath it) from this process; exstyle=
//                                what the first one's is then, in hex
//   disable TITLE CLASS          EnableWindow(FALSE) from this process
//   free                         lifts the pointer's confinement: ClipCursor(NULL)
//   fold TITLE CLASS SW | MESSAGE WPARAM
//                                ShowWindow, or sends the message, while fold_hook.dll watches
//                                the window from inside its process: 1 for each of minimized,
//                                hidden, restored (not maximized) and moved (not over the whole
//                                screen) that a change of its place left it, else 0
//   display WIDTH HEIGHT         changes the primary display's mode for this session
//   processes EXE                count, then pidN= and parentN= of each running process of
//                                that file name
//   kill PID                     ends the process as an administrator's task manager does
//                                (open_as_administrator.h): TerminateProcess, 1
//   killtree PID                 ends the process and, from the same process list, every one
//                                whose parents lead to it, as End process tree does; endedN=
//   rename FROM TO               MoveFileW; renamed
//   crash PID                    makes the process run a thread at an address where nothing is
//   rights PID                   opens the process as a program of the user, for each right in
//                                turn: right<mask in hex>=1 where it opens, else 0; terminate's
//                                refusal as refused= and the system's error
//   spawn EXE                    starts EXE and runs until it ends
//
// Exit status 0 on success, 1 when the window or control is not there, 2 on a usage error, 3
// when the system refuses the display mode.
#include <windows.h>
// Needs windows.h first.
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "tools/open_as_administrator.h"

namespace {

constexpr int kNotFound = 1;
constexpr int kUsage = 2;
constexpr int kRefused = 3;
constexpr UINT kReplyMs = 5000;

// Decodes four hex digits a code unit; "*" stays "*" so the caller can tell "any" from a text.
bool FromHex(const wchar_t* hex, std::wstring& out) {
  out = hex;
  if (out == L"*") return true;
  out.clear();
  for (unsigned unit = 0; *hex != 0; hex += 4) {
    if (std::wcslen(hex) < 4 || std::swscanf(hex, L"%4x", &unit) != 1) return false;
    out += static_cast<wchar_t>(unit);
  }
  return true;
}

void PrintHex(const char* key, const std::wstring& text) {
  std::printf("%s=", key);
  for (wchar_t unit : text) std::printf("%04x", static_cast<unsigned>(unit));
  std::printf("\n");
}

// Controls answer WM_GETTEXT; the bound keeps a hung program from hanging the test. The texts
// read are a password or a message, well within the buffer.
std::wstring ControlText(HWND hwnd) {
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      kReplyMs, &copied);
  return text;
}

// A top-level window's title is read from the system without asking its program.
std::wstring TitleOf(HWND hwnd) {
  std::vector<wchar_t> buffer(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1);
  GetWindowTextW(hwnd, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

struct TopLevelQuery {
  std::wstring title;
  std::wstring cls;
  std::vector<HWND> found;
};

BOOL CALLBACK OnTopLevel(HWND hwnd, LPARAM param) {
  auto* query = reinterpret_cast<TopLevelQuery*>(param);
  if ((query->title != L"*" && query->title != TitleOf(hwnd)) ||
      (query->cls != L"*" && query->cls != ClassOf(hwnd))) {
    return TRUE;
  }
  query->found.push_back(hwnd);
  return TRUE;
}

// The top-level windows of this title and class ("*": any), in Z order. EnumWindows walks a list
// taken at once: a walk by GetWindow would miss a window that its program moves in the Z order
// meanwhile, as the lock does when it puts a window back.
std::vector<HWND> FindTopLevel(const std::wstring& title, const std::wstring& cls) {
  TopLevelQuery query{title, cls, {}};
  EnumWindows(OnTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

struct ControlQuery {
  std::wstring cls;
  int index = 0;
  HWND found = nullptr;
};

BOOL CALLBACK OnChild(HWND hwnd, LPARAM param) {
  auto* query = reinterpret_cast<ControlQuery*>(param);
  if (_wcsicmp(query->cls.c_str(), ClassOf(hwnd).c_str()) == 0 && query->index-- == 0) {
    query->found = hwnd;
  }
  return query->found == nullptr;
}

// CONTROL is "#<decimal id>" or "<class hex>:<index>", the index counting from 0 among the
// window's descendants of that class.
HWND FindControl(HWND parent, const wchar_t* spec) {
  if (spec[0] == L'#') {
    return GetDlgItem(parent, static_cast<int>(std::wcstol(spec + 1, nullptr, 0)));
  }
  const wchar_t* colon = std::wcschr(spec, L':');
  if (colon == nullptr) return nullptr;
  ControlQuery query;
  if (!FromHex(std::wstring(spec, colon).c_str(), query.cls)) return nullptr;
  query.index = static_cast<int>(std::wcstol(colon + 1, nullptr, 10));
  EnumChildWindows(parent, OnChild, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM count) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  const RECT& r = info.rcMonitor;
  std::printf("monitor%d=%ld,%ld,%ld,%ld,%d\n", (*reinterpret_cast<int*>(count))++, r.left, r.top,
              r.right, r.bottom, (info.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0);
  return TRUE;
}

int Monitors() {
  int count = 0;
  EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, reinterpret_cast<LPARAM>(&count));
  std::printf("count=%d\n", count);
  return 0;
}

void PrintRect(const RECT& r) {
  std::printf("left=%ld\ntop=%ld\nright=%ld\nbottom=%ld\n", r.left, r.top, r.right, r.bottom);
}

int Window(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  std::printf("pid=%lu\n", pid);
  PrintRect(r);
  std::printf("topmost=%d\nmaximized=%d\nvisible=%d\nforeground=%d\n",
              (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 ? 1 : 0,
              IsZoomed(hwnd) ? 1 : 0, IsWindowVisible(hwnd) ? 1 : 0,
              GetForegroundWindow() == hwnd ? 1 : 0);
  PrintHex("title", TitleOf(hwnd));
  PrintHex("class", ClassOf(hwnd));
  return 0;
}

int GlobalReading(const std::wstring& command) {
  if (command == L"clip") {
    RECT r{};
    GetClipCursor(&r);
    PrintRect(r);
  } else if (command == L"cursor") {
    POINT p{};
    GetCursorPos(&p);
    std::printf("x=%ld\ny=%ld\n", p.x, p.y);
  } else if (command == L"saver") {
    BOOL active = FALSE;
    BOOL running = FALSE;
    SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    std::printf("active=%d\nrunning=%d\n", active ? 1 : 0, running ? 1 : 0);
  } else if (command == L"monitors") {
    return Monitors();
  } else if (command == L"free") {
    ClipCursor(nullptr);
  } else {
    return kUsage;
  }
  return 0;
}

// Each process of the program, with its parent as the system lists it.
int Processes(const wchar_t* exe) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, exe) == 0) {
      std::printf("pid%d=%lu\nparent%d=%lu\n", count, entry.th32ProcessID, count,
                  entry.th32ParentProcessID);
      ++count;
    }
  }
  CloseHandle(snapshot);
  std::printf("count=%d\n", count);
  return 0;
}

// An access violation in the process, as a fault of its own would raise.
int Force(const std::wstring& command, DWORD pid) {
  HANDLE process = OpenAsAdministrator(pid);
  if (process == nullptr) return kNotFound;
  const bool done =
      command == L"kill"
          ? TerminateProcess(process, 1) != FALSE
          : CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(16),
                               nullptr, 0, nullptr) != nullptr;
  CloseHandle(process);
  return done ? 0 : kNotFound;
}

// As a task manager's End process tree: from one list of the processes, the process and every
// process whose chain of parents leads to it are ended.
int KillTree(DWORD root) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  std::vector<std::pair<DWORD, DWORD>> listed;  // process, parent
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    listed.emplace_back(entry.th32ProcessID, entry.th32ParentProcessID);
  CloseHandle(snapshot);
  std::vector<DWORD> tree = {root};
  for (std::size_t i = 0; i < tree.size(); ++i) {
    for (const auto& [pid, parent] : listed)
      if (parent == tree[i] && pid != root) tree.push_back(pid);
  }
  for (DWORD pid : tree) {
    Force(L"kill", pid);
    std::printf("ended%u=%lu\n", static_cast<unsigned>(&pid - tree.data()), pid);
  }
  return 0;
}

// Each right of a process, from PROCESS_TERMINATE to SYNCHRONIZE, by its mask.
int Rights(DWORD pid) {
  for (DWORD right = PROCESS_TERMINATE; right <= SYNCHRONIZE; right <<= 1) {
    HANDLE process = OpenProcess(right, FALSE, pid);
    std::printf("right%lx=%d\n", right, process != nullptr ? 1 : 0);
    if (process != nullptr) {
      CloseHandle(process);
    } else if (right == PROCESS_TERMINATE) {
      std::printf("refused=%lu\n", GetLastError());
    }
  }
  return 0;
}

// The starter of a program that stays until the program ends, as a shell or a script does.
int Spawn(const wchar_t* exe) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return kNotFound;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  return 0;
}

int PressKey(unsigned long code) {
  INPUT input[2] = {{INPUT_KEYBOARD, {}}, {INPUT_KEYBOARD, {}}};
  input[0].ki.wVk = input[1].ki.wVk = static_cast<WORD>(code);
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return SendInput(2, input, sizeof(INPUT)) == 2 ? 0 : kUsage;
}

int ControlCommand(const std::wstring& command, HWND control, int argc, wchar_t** argv) {
  if (command == L"gettext" && argc == 5) {
    PrintHex("text", ControlText(control));
  } else if (command == L"settext" && argc == 6) {
    std::wstring text;
    if (!FromHex(argv[5], text)) return kUsage;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, kReplyMs, &result);
  } else if (command == L"click" && argc == 5) {
    PostMessageW(control, BM_CLICK, 0, 0);
  } else {
    return kUsage;
  }
  return 0;
}

// Makes the request of the window from outside, with fold_hook.dll watching it from inside its
// process. The message is sent, or ShowWindow called, which the window's thread handles before
// it answers, so that all the hook posted meanwhile is queued here when the call returns.
int Fold(HWND hwnd, int argc, wchar_t** argv) {
  HWND probe = CreateWindowW(L"STATIC", L"ProbeFold", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                             nullptr);
  SetWindowLongPtrW(probe, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(hwnd));
  HMODULE dll = LoadLibraryW(L"fold_hook.dll");  // from the probe's own folder
  HHOOK hook = SetWindowsHookExW(
      WH_CALLWNDPROCRET,
      reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "FoldHook"))), dll,
      GetWindowThreadProcessId(hwnd, nullptr));
  if (hook == nullptr) return kUsage;
  DWORD_PTR result = 0;
  if (argc == 6) {
    SendMessageTimeoutW(hwnd, static_cast<UINT>(std::wcstoul(argv[4], nullptr, 0)),
                        std::wcstoul(argv[5], nullptr, 0), 0, SMTO_ABORTIFHUNG, kReplyMs, &result);
  } else {
    ShowWindow(hwnd, static_cast<int>(std::wcstol(argv[4], nullptr, 0)));
  }
  unsigned seen = 0;
  MSG msg;
  while (PeekMessageW(&msg, probe, WM_APP, WM_APP, PM_REMOVE))
    seen |= static_cast<unsigned>(msg.wParam);
  UnhookWindowsHookEx(hook);
  std::printf("minimized=%u\nhidden=%u\nrestored=%u\nmoved=%u\n", seen & 1, seen >> 1 & 1,
              seen >> 2 & 1, seen >> 3 & 1);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return kUsage;
  std::wstring command = argv[1];
  if (argc == 2) return GlobalReading(command);
  if (command == L"processes" && argc == 3) return Processes(argv[2]);
  if ((command == L"kill" || command == L"crash") && argc == 3) {
    return Force(command, std::wcstoul(argv[2], nullptr, 10));
  }
  if (command == L"killtree" && argc == 3) return KillTree(std::wcstoul(argv[2], nullptr, 10));
  if (command == L"rights" && argc == 3) return Rights(std::wcstoul(argv[2], nullptr, 10));
  if (command == L"spawn" && argc == 3) return Spawn(argv[2]);
  if (command == L"rename" && argc == 4) {
    std::printf("renamed=%d\n", MoveFileW(argv[2], argv[3]) ? 1 : 0);
    return 0;
  }
  if (command == L"key" && argc == 3) return PressKey(std::wcstoul(argv[2], nullptr, 0));
  if (command == L"at" && argc == 4) {
    const POINT point = {std::wcstol(argv[2], nullptr, 10), std::wcstol(argv[3], nullptr, 10)};
    HWND hwnd = GetAncestor(WindowFromPoint(point), GA_ROOT);
    return hwnd == nullptr ? kNotFound : Window(hwnd);
  }
  if (command == L"display" && argc == 4) {
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = std::wcstoul(argv[2], nullptr, 10);
    mode.dmPelsHeight = std::wcstoul(argv[3], nullptr, 10);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsW(&mode, 0) == DISP_CHANGE_SUCCESSFUL ? 0 : kRefused;
  }
  std::wstring title;
  std::wstring cls;
  if (argc < 4 || !FromHex(argv[2], title) || !FromHex(argv[3], cls)) return kUsage;
  // The first visible one, else the first.
  const std::vector<HWND> found = FindTopLevel(title, cls);
  const auto shown = std::find_if(found.begin(), found.end(), IsWindowVisible);
  HWND hwnd = shown != found.end() ? *shown : found.empty() ? nullptr : found.front();
  if (hwnd == nullptr) {
    std::printf("found=0\n");
    return kNotFound;
  }
  std::printf("found=1\n");
  if (command == L"window" && argc == 4) return Window(hwnd);
  if (command == L"post" && (argc == 6 || argc == 7)) {
    PostMessageW(hwnd, static_cast<UINT>(std::wcstoul(argv[4], nullptr, 0)),
                 std::wcstoul(argv[5], nullptr, 0),
                 argc == 7 ? static_cast<LPARAM>(std::wcstoul(argv[6], nullptr, 0)) : 0);
    return 0;
  }
  if (command == L"send" && argc == 7) {
    SendMessageTimeoutW(hwnd, static_cast<UINT>(std::wcstoul(argv[4], nullptr, 0)),
                        std::wcstoul(argv[5], nullptr, 0),
                        static_cast<LPARAM>(std::wcstoul(argv[6], nullptr, 0)), SMTO_ABORTIFHUNG,
                        kReplyMs, nullptr);
    return 0;
  }
  if (command == L"fold" && (argc == 5 || argc == 6)) return Fold(hwnd, argc, argv);
  if (command == L"exstyle" && argc == 5) {
    for (HWND each : found) {
      SetWindowLongPtrW(each, GWL_EXSTYLE,
                        GetWindowLongPtrW(each, GWL_EXSTYLE) |
                            static_cast<LONG_PTR>(std::wcstoul(argv[4], nullptr, 0)));
    }
    std::printf("exstyle=%lx\n", static_cast<unsigned long>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
    return 0;
  }
  if (command == L"disable" && argc == 4) {
    EnableWindow(hwnd, FALSE);
    return 0;
  }
  if (command == L"show" && argc == 5) {
    ShowWindow(hwnd, static_cast<int>(std::wcstol(argv[4], nullptr, 0)));
    return 0;
  }
  if (argc < 5) return kUsage;
  HWND control = FindControl(hwnd, argv[4]);
  if (control == nullptr) {
    std::printf("control=0\n");
    return kNotFound;
  }
  return ControlCommand(command, control, argc, argv);
}
