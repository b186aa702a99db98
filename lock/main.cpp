#include "lock/main.h"

#include <imm.h>

#include "lock/exit_status.h"
#include "lock/layout.h"
#include "lock/window_place_win32.h"
#include "shared/fatal_failure.h"
#include "shared/password_rule.h"
#include "shared/system_message_win32.h"

namespace corvel {
namespace {

constexpr wchar_t kClassName[] = L"CorvelMain";
constexpr int kIconId = 1;
constexpr wchar_t kStaticClass[] = L"Static";
constexpr wchar_t kEditClass[] = L"Edit";
constexpr wchar_t kButtonClass[] = L"Button";

// Control IDs stay clear of IDOK and IDCANCEL, which the dialog manager sends for Enter and Esc.
constexpr int kObjectId = 100;
constexpr int kPasswordId = 101;
constexpr int kLabelId = 102;
constexpr int kOkId = 103;
constexpr UINT_PTR kCoverRetryTimer = 1;

COLORREF ToColorRef(layout::Rgb rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

HBRUSH BackgroundBrush() { return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)); }

RECT PrimaryScreen() {
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The panel is a system static control, so the program keeps one window class of its own; its
// children's notifications and colour requests go on to Main, which handles them. The static's
// own procedure is kept in its user data: the common controls' subclassing helpers would load
// their library, with its memory and start-up time, for this one window.
LRESULT CALLBACK ForwardToParent(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return SendMessageW(GetParent(hwnd), message, wparam, lparam);
  }
  const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return CallWindowProcW(original, hwnd, message, wparam, lparam);
}

// The original procedure is in place before the first message can reach the new one.
void ForwardToParentFrom(HWND panel) {
  SetWindowLongPtrW(panel, GWLP_USERDATA, GetWindowLongPtrW(panel, GWLP_WNDPROC));
  SetWindowLongPtrW(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForwardToParent));
}

}  // namespace

Main::Main(HINSTANCE instance, Role role, const Handover& handover)
    : instance_(instance),
      role_(role),
      screen_(pw::QueryScreen()),
      form_(screen_, ToColorRef(layout::kForeground)),
      object_(screen_),
      covers_(instance),
      watch_(handover),
      lock_(LockParts{form_, object_, password_, screen_, pw::AppPath(), windows_, covers_, files_,
                      code_page_, message_box_, watch_}),
      key_state_(screen_, ToColorRef(layout::kForeground)) {}

bool Main::Create(std::wstring& error) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(kIconId));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = BackgroundBrush();
  window_class.lpszClassName = kClassName;
  if (RegisterClassExW(&window_class) == 0) {
    error = L"ロック画面のウィンドウクラスを登録できません: " + pw::SystemMessage(GetLastError());
    return false;
  }
  // No frame and no caption, so the outer size is the client size.
  const int width = pw::ToPixelsX(screen_, layout::kMainClientWidth);
  const int height = pw::ToPixelsY(screen_, layout::kMainClientHeight);
  // For the program's life, on its one thread: it refuses only while the lock holds.
  SetWindowsHookExW(WH_CBT, RefuseShowFold, nullptr, GetCurrentThreadId());
  // Nothing but the password is typed here, and never composed. Without an IME for its thread the
  // system makes it no IME window, which each key and each window change would also go through,
  // and which a setting change announced to every window, such as the release's, would wait on.
  ImmDisableIME(0);
  if (CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, layout::kCaption, WS_POPUP | WS_CLIPCHILDREN, 0,
                      0, width, height, nullptr, nullptr, instance_, this) == nullptr ||
      !CreateControls()) {
    error = L"ロック画面を作成できません: " + pw::SystemMessage(GetLastError());
    return false;
  }
  return true;
}

bool Main::CreateControls() {
  form_.Attach(hwnd_);
  watch_.Attach(hwnd_);
  covers_.ReportLostCoversTo(hwnd_);
  // The release runs while the window still stands, before it goes.
  form_.OnUnload([this] {
    lock_.OnUnload();
    Leave();
  });
  // WS_EX_CONTROLPARENT: Tab and the dialog keys reach the controls inside the panel.
  HWND object = pw::CreateControl(hwnd_, kStaticClass, L"", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                                  layout::kObject, screen_, kObjectId);
  if (object == nullptr) return false;
  ForwardToParentFrom(object);
  object_.Attach(object);
  key_state_.Attach(hwnd_, object);

  // A sunken edge, as the frame colour of a plain border would not show on black.
  HWND password =
      pw::CreateControl(object, kEditClass, L"", ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP,
                        WS_EX_CLIENTEDGE, layout::kPassword, screen_, kPasswordId);
  HWND label =
      pw::CreateControl(object, kStaticClass, layout::kLabelText, SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                        0, layout::kLabel, screen_, kLabelId);
  ok_ = pw::CreateControl(object, kButtonClass, layout::kOkText, BS_DEFPUSHBUTTON | WS_TABSTOP, 0,
                          layout::kOk, screen_, kOkId);
  if (password == nullptr || label == nullptr || ok_ == nullptr) return false;
  SendMessageW(password, EM_SETPASSWORDCHAR, layout::kPasswordChar, 0);
  SendMessageW(password, EM_LIMITTEXT, pw::kMaxPasswordLength, 0);
  // A composition window would show the typed characters unmasked: the box refuses one of its
  // own, should the thread's IME not have been switched off.
  ImmAssociateContext(password, nullptr);
  password_.Attach(password);
  box_ = password;
  return true;
}

int Main::Run() {
  // The pointer's confinement and the screen-saver settings outlive the program: should it have
  // to end on a fatal failure while the lock may hold them, it gives them back first.
  const pw::GiveBackOnFatalFailure release([](void* lock) { static_cast<Lock*>(lock)->GiveBack(); },
                                           &lock_);
  if (role_ == Role::kWatcher) {
    // A lock that released before its watcher ran has nothing left to watch.
    if (watch_.LockReleased()) return kExitUnlocked;
    // Maximized already, and disabled while it waits: it takes no input meant for the lock, and
    // taking over needs no resizing.
    SetWindowLongPtrW(hwnd_, GWL_STYLE,
                      GetWindowLongPtrW(hwnd_, GWL_STYLE) | WS_MAXIMIZE | WS_DISABLED);
    lock_.Wait();
    watch_.Waiting();
  } else {
    lock_.OnLoad();
    if (lock_.state() != LockState::kLocked) return lock_.exit_code();
    ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
    RetryCoversWhilePending();
    watch_.StartWatcher();
  }
  // Only the lock's own end, after its release, ends the loop: a quit message that another
  // program posts meanwhile is passed over.
  while (lock_.state() == LockState::kLocked || lock_.state() == LockState::kWaiting) {
    pw::RunMessageLoop(
        hwnd_, ok_, [this] { key_state_.Update(); }, this);
    Refused();
  }
  return lock_.exit_code();
}

// Once the password has released the lock, all given back and Main out of view: what the lock
// withstood, if anything, in a box that is neither topmost nor holds anything.
void Main::TellWhatHappened() {
  if (!lock_.unlocked()) return;
  if (const std::optional<std::wstring> text = watch_.AwayText()) {
    MessageBoxW(nullptr, text->c_str(), layout::kCaption, MB_ICONINFORMATION | MB_SETFOREGROUND);
  }
}

// Another program sent or posted what only Main's own end sends.
void Main::OnForgedEnd() { Refused(); }

// A watcher wakes for its lock's end; a lock in force for its watcher's, or for the pace of the
// next start, which StartWatcher tells apart.
void Main::OnWake() {
  if (lock_.state() != LockState::kWaiting) {
    watch_.StartWatcher();
  } else if (watch_.PeerEnded()) {
    OnWatchedLockEnded();
  }
}

// What a watcher does once the lock it waited behind has ended (watcher.h).
void Main::OnWatchedLockEnded() {
  const WatcherStep step =
      AfterWatchedLockEnded(watch_.EndOfWatched(), watch_.force_ends(), GetTickCount64(), windows_);
  if (!step.take_over) {
    lock_.EndWaiting(step.exit_code);
    return;
  }
  Sleep(static_cast<DWORD>(step.wait_ms));
  TakeOver();
}

// Main already covers the screen, beneath the lock that was: it is put in force first, then
// given the input. Activation holds the pointer again, should the system drop it meanwhile.
void Main::TakeOver() {
  lock_.TakeOver(pw::QueryScreen());
  RetryCoversWhilePending();
  EnableWindow(hwnd_, TRUE);
  ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
  SetForegroundWindow(hwnd_);
  key_state_.Update();
  watch_.StartWatcher();
}

LRESULT Main::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lparam));
      return 0;
    case WM_ACTIVATE:
      if (OnActivate(wparam)) return 0;
      break;
    case WM_LBUTTONDOWN:
      OnPanelClick();
      return 0;
    case WM_SETCURSOR:
      // Main hears of each move of the pointer over it or over any of its controls.
      lock_.OnPointerMoved();
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return OnControlColor(message, reinterpret_cast<HDC>(wparam));
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_STYLECHANGING:
      OnStyleChanging(*reinterpret_cast<STYLESTRUCT*>(lparam));
      return 0;
    case WM_ENABLE:
      OnEnable(wparam != FALSE);
      return 0;
    case WM_CLOSE:
      // Only the lock's Unload closes Main; once it has, no close can come.
      Refused();
      return 0;
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lparam));
      break;
    case WM_WINDOWPOSCHANGED:
      OnWindowPosChanged();
      break;
    case kPutBackMessage:
      PutBack();
      return 0;
    case WM_DISPLAYCHANGE:
    case WM_TIMER:
      OnDisplayChange();
      return 0;
    case WM_QUERYENDSESSION:
      return lock_.OnQueryEndSession(InSendMessage(), (lparam & ENDSESSION_CLOSEAPP) != 0);
    case WM_ENDSESSION:
      lock_.OnEndSession(InSendMessage(), wparam != 0, GetSystemMetrics(SM_SHUTTINGDOWN) != 0);
      return 0;
    case kRefusedMessage:
      Refused();
      return 0;
    case kCoverLostMessage:
      lock_.OnCoverLost();
      RetryCoversWhilePending();
      return 0;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

// True when the focus was given back, and the system's default must not run.
bool Main::OnActivate(WPARAM wparam) {
  // The lock keys may have been pressed in another window meanwhile.
  if (LOWORD(wparam) != WA_INACTIVE) {
    lock_.OnActivate();
    key_state_.Update();
  }
  // Activated by a click, Main leaves the focus to the click. Under Wine, a focus given now goes
  // to the X server stamped with the time of the message before the click; should another
  // program's window have taken the keyboard since, the server keeps it there, and the keys typed
  // next do not reach the box. Handled with its own time, the click puts the focus where it
  // lands: in the box, in the OK button, or (OnPanelClick) elsewhere in the panel, in the box.
  return LOWORD(wparam) != WA_CLICKACTIVE && focus_.OnActivate(hwnd_, wparam);
}

// A click on the panel outside the box and the button, on its label say, reaches Main, as the
// static controls let clicks through: what is typed next is the password.
void Main::OnPanelClick() { SetFocus(box_); }

// Maximized, the window covers the whole primary screen, the taskbar's area included.
void Main::OnGetMinMaxInfo(MINMAXINFO& info) const {
  const RECT screen = PrimaryScreen();
  info.ptMaxPosition = {0, 0};
  info.ptMaxSize = {screen.right, screen.bottom};
  info.ptMaxTrackSize = info.ptMaxSize;
}

// A minimize or restore of Main, by ShowWindow from another program or by a window command, is
// refused before it happens, as it would fold Main away until put back.
LRESULT CALLBACK Main::RefuseShowFold(int code, WPARAM wparam, LPARAM lparam) {
  auto* window = reinterpret_cast<HWND>(wparam);
  if (code == HCBT_MINMAX && lparam != SW_MAXIMIZE && lparam != SW_SHOWMAXIMIZED &&
      GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(WindowProc)) {
    auto* main = reinterpret_cast<Main*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (main != nullptr && main->lock_.RefusesChanges()) {
      main->Refused();
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// A style that another program sets, such as one that lets clicks through to the windows
// beneath, is refused while the lock holds or waits beneath it: it sets none then.
void Main::OnStyleChanging(STYLESTRUCT& style) {
  if (lock_.RefusesChanges() && KeepStyle(style)) Refused();
}

// Disabled from outside, Main would take no input, the password's neither: it is enabled again,
// and the focus given back where it was.
void Main::OnEnable(bool enabled) {
  if (enabled || !lock_.KeepsPlace()) return;
  focus_.RememberIn(hwnd_);
  Refused();
  PostMessageW(hwnd_, kPutBackMessage, 0, 0);
}

// What another program asked of the lock and it refused, counted while the lock holds; the lock
// in waiting leaves the count to the lock in force, the record's one writer.
void Main::Refused() {
  if (lock_.KeepsPlace()) {
    watch_.Count(&AwayRecord::refused_requests);
  } else if (lock_.state() == LockState::kWaiting) {
    if (const std::intptr_t lock = watch_.WatchedWindow()) {
      PostMessageW(reinterpret_cast<HWND>(lock), kRefusedMessage, 0, 0);
    }
  }
}

// Before any change: a minimize from outside takes the focus from the controls without
// deactivating Main, so the focus memory, which notes the focus at a deactivation, would not
// know where to give it back once Main is put back. A hide is refused outright while locked:
// hidden even for a moment, Main would lose the activation and, under Wine, the pointer's
// confinement with it; and while waiting, as the screen would show at a force end.
void Main::OnWindowPosChanging(WINDOWPOS& pos) {
  focus_.RememberIn(hwnd_);
  if (lock_.RefusesChanges() && (pos.flags & SWP_HIDEWINDOW) != 0) {
    pos.flags &= ~SWP_HIDEWINDOW;
    Refused();
    PostMessageW(hwnd_, kPutBackMessage, 0, 0);
  }
}

// Posted, so that Main is put back once the change is done, not in the middle of it.
void Main::OnWindowPosChanged() {
  if (lock_.KeepsPlace() && !(IsZoomed(hwnd_) && InPlace(hwnd_, PrimaryScreen()))) {
    PostMessageW(hwnd_, kPutBackMessage, 0, 0);
  }
}

// Whatever minimized, restored, moved, sized or hid Main or a cover, or took it out of the
// topmost: Main is maximized again, and the covers, Main's stacking and the pointer's
// confinement are set as after a display change.
void Main::PutBack() {
  if (!lock_.KeepsPlace()) return;
  EnableWindow(hwnd_, TRUE);
  ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
  // The focus goes back where it was, also when Main kept the activation, or to Main itself when
  // a disable took it.
  focus_.OnActivate(hwnd_, WA_ACTIVE);
  if (GetFocus() == nullptr) SetFocus(hwnd_);
  OnDisplayChange();
}

void Main::OnDisplayChange() {
  lock_.OnDisplayChange(pw::QueryScreen());
  key_state_.Update();
  RetryCoversWhilePending();
}

// While a monitor may be bare, its cover is tried again each second, besides at each change.
void Main::RetryCoversWhilePending() {
  if (lock_.covers_pending()) {
    SetTimer(hwnd_, kCoverRetryTimer, static_cast<UINT>(kPaceMs), nullptr);
  } else {
    KillTimer(hwnd_, kCoverRetryTimer);
  }
}

void Main::OnCommand(int id, int code) {
  if (id == kOkId && code == BN_CLICKED) lock_.OnOkClick();
}

LRESULT Main::OnControlColor(UINT message, HDC dc) const {
  SetTextColor(dc, ToColorRef(layout::kForeground));
  SetBkColor(dc, ToColorRef(layout::kBackground));
  // The label draws on a transparent background; the entry box paints its own, so that erased
  // characters leave nothing behind.
  SetBkMode(dc, message == WM_CTLCOLORSTATIC ? TRANSPARENT : OPAQUE);
  return reinterpret_cast<LRESULT>(BackgroundBrush());
}

void Main::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  form_.Paint(dc);
  key_state_.Paint(dc);
  EndPaint(hwnd_, &paint);
}

// Once the lock has released, Main goes out of view, handing the activation to the window beneath
// as a close would, and the message loop ends; the exit code is the lock's, whatever the quit
// message carries. Main is not destroyed: the process's end takes it and its controls at once,
// where destroying them one by one would hold the desktop back by as long again as the hiding.
void Main::Leave() {
  ShowWindow(hwnd_, SW_HIDE);
  PostQuitMessage(0);
}

}  // namespace corvel
