#include "lock/lock.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/fake_ansi_code_page.h"
#include "tests/fakes/fake_file_service.h"
#include "tests/fakes/fake_forms.h"
#include "tests/fakes/fake_monitor_covers.h"
#include "tests/fakes/fake_window_system.h"

namespace corvel {
namespace {

using pw::testing::CallLog;
using Calls = std::vector<std::string>;

constexpr wchar_t kFolder[] = L"C:\\Lock";
constexpr wchar_t kPasswordPath[] = L"C:\\Lock\\password";

const Calls kRelease = {
    "SetWindowPos(4660,-2,0,0,0,0,67)",
    "ClipCursor(null)",
    "SystemParametersInfoA(17,4294967295,null,3)",
    "SystemParametersInfoA(97,0,null,0)",
};

Calls Join(Calls head, const Calls& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// The lock window as the runtime would give it: its Unload runs the lock's unload handler.
struct LockRig {
  explicit LockRig(pw::Screen screen = {15360, 11520, 15, 15})
      : lock({main, object, password, screen, kFolder, windows, covers, files, code_page,
              message_box}) {
    main.on_unload = [this] { lock.OnUnload(); };
  }
  void Load(const std::string& file_bytes) {
    files.files[kPasswordPath] = file_bytes;
    lock.OnLoad();
  }
  void Submit(const std::wstring& typed) {
    log.clear();
    password.text = typed;
    lock.OnOkClick();
  }

  CallLog log;
  pw::testing::FakeForm main{log, "Main", 3495, 300, 3495, 300, 0x1234};
  pw::testing::FakeControl object{log, "Object"};
  pw::testing::FakeTextBox password{log, "Password"};
  testing::FakeWindowSystem windows{log};
  testing::FakeMonitorCovers covers{log};
  pw::testing::FakeFileService files{log};
  pw::testing::FakeAnsiCodePage code_page{log};
  pw::testing::FakeMessageBox message_box{log};
  Lock lock;
};

const std::vector<Monitor> kThreeMonitors = {
    {{-1280, 0, 0, 1024}, false}, {{0, 0, 1024, 768}, true}, {{1024, 0, 2944, 1080}, false}};

// The start sequence in its order on a 1024 x 768 screen at 15 twips per pixel, the covers of the
// other monitors up before the lock is marked in force, and the release, covers gone last.
TEST(LockTest, StartAndReleaseCallByCall) {
  LockRig rig;
  rig.covers.monitors = kThreeMonitors;
  rig.Load("\"Open sesame\"\r\n");
  EXPECT_EQ(rig.log,
            (Calls{"Object.Top=5760", "Object.Left=7680", "Main.Top=5760", "Main.Left=7680",
                   "SetWindowPos(4660,-1,0,0,0,0,67)", "SetCursorPos(75,75)", "ClipCursor(null)",
                   "ClipCursor(512,384,745,404)", "SystemParametersInfoA(17,0,null,3)",
                   "Read(C:\\Lock\\password)", "Decode(Open sesame)", "CreateCover(-1280,0,0,1024)",
                   "CreateCover(1024,0,2944,1080)", "SystemParametersInfoA(97,1,null,0)"}));
  EXPECT_EQ(rig.lock.state(), LockState::kLocked);
  rig.Submit(L"Open sesame");
  EXPECT_EQ(rig.log, Join(Join({"Main.Unload"}, kRelease), {"DestroyCover(2)", "DestroyCover(1)"}));
  EXPECT_EQ(rig.lock.state(), LockState::kReleased);
  EXPECT_EQ(rig.lock.exit_code(), 0);
}

// An empty stored password ends the lock at once: released, never marked as a running saver,
// never covering a monitor, and never reaching the Locked state in which Main is maximized.
TEST(LockTest, EmptyStoredPasswordReleasesAtOnce) {
  LockRig rig;
  rig.covers.monitors = kThreeMonitors;
  rig.Load("\"\"\r\n");
  const Calls tail(rig.log.end() - 7, rig.log.end());
  EXPECT_EQ(tail, Join({"Read(C:\\Lock\\password)", "Decode()", "Main.Unload"}, kRelease));
  EXPECT_EQ(rig.lock.state(), LockState::kReleased);
  EXPECT_EQ(rig.lock.exit_code(), 0);
  for (const std::string& call : rig.log) {
    EXPECT_NE(call, "SystemParametersInfoA(97,1,null,0)");
    EXPECT_EQ(call.find("Cover"), std::string::npos);
  }
}

// Everything is given back before the user is told, so that no answer to the message box (or
// none at all) can leave the machine half-locked.
TEST(LockTest, UnusableFileReleasesThenTellsWhy) {
  const std::string file = "パスワードファイル「C:\\Lock\\password」";
  const std::string hint = "\nロックせずに終了します。パスワードは Vantor で設定できます。";
  const std::pair<std::optional<std::string>, std::string> rows[] = {
      {std::nullopt, file + "が見つかりません。" + hint},
      {"\"\x95\x5C\"\r\n", file +
                               "のパスワードに使えない文字「表」があります。パスワードに使える"
                               "のは半角の英数字・記号・空白と半角カタカナで、127 文字までです。" +
                               hint},
  };
  for (const auto& [bytes, message] : rows) {
    SCOPED_TRACE(message);
    LockRig rig;
    if (bytes) rig.files.files[kPasswordPath] = *bytes;
    rig.lock.OnLoad();
    const Calls tail(rig.log.end() - 6, rig.log.end());
    EXPECT_EQ(tail, Join(Join({"Main.Unload"}, kRelease), {"MsgBox(" + message + ",16,Corvel)"}));
    EXPECT_EQ(rig.lock.state(), LockState::kReleased);
    EXPECT_NE(rig.lock.exit_code(), 0);
    EXPECT_TRUE(rig.lock.StoredPassword().empty());
  }
}

TEST(LockTest, UnlockCheckComparesExactly) {
  const Calls refused = {"Main.Cls", "Main.Print(Password differs!!)", "Password.Text="};
  struct Row {
    std::wstring typed;
    bool opens;
  };
  const Row rows[] = {
      {L"Open sesame", true},   {L"open sesame", false},
      {L"OPEN SESAME", false},  {L" Open sesame", false},
      {L"Open sesame ", false}, {L"Opensesame", false},
      {L"Open sesam", false},   {L"", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(pw::testing::Utf8(row.typed));
    LockRig rig;
    rig.Load("\"Open sesame\"\r\n");
    rig.Submit(row.typed);
    EXPECT_EQ(rig.log, row.opens ? Join({"Main.Unload"}, kRelease) : refused);
    EXPECT_EQ(rig.lock.state(), row.opens ? LockState::kReleased : LockState::kLocked);
    if (!row.opens) {
      EXPECT_EQ(rig.main.printed, L"Password differs!!\n");
      EXPECT_EQ(rig.password.text, L"");
    }
  }
}

// Only the password ends a lock: close requests are refused until it has ended, and whatever
// ends it releases exactly once, even when the window's own unload follows.
TEST(LockTest, CloseRefusedAndEndOfSessionReleasesOnce) {
  LockRig rig;
  EXPECT_TRUE(rig.lock.RefusesClose());
  rig.Load("\"Open sesame\"\r\n");
  EXPECT_TRUE(rig.lock.RefusesClose());

  rig.log.clear();
  rig.lock.OnEndSession();
  rig.lock.OnUnload();
  EXPECT_EQ(rig.log, Join({"Main.Unload"}, kRelease));
  EXPECT_FALSE(rig.lock.RefusesClose());
  EXPECT_EQ(rig.lock.exit_code(), 0);
}

// The system drops the confinement when another window takes the foreground, and does not always
// say so; activation and pointer movement set it again, but only while locked.
TEST(LockTest, ConfinementIsSetAgainWhileLocked) {
  for (void (Lock::*event)() : {&Lock::OnActivate, &Lock::OnPointerMoved}) {
    LockRig rig;
    (rig.lock.*event)();
    EXPECT_TRUE(rig.log.empty());
    rig.Load("\"Open sesame\"\r\n");
    rig.log.clear();
    (rig.lock.*event)();
    EXPECT_EQ(rig.log, Calls{"ClipCursor(512,384,745,404)"});
    rig.Submit(L"Open sesame");
    rig.log.clear();
    (rig.lock.*event)();
    rig.lock.OnOkClick();
    EXPECT_TRUE(rig.log.empty());
  }
}

// Whether at the start or on a display change, a monitor that cannot be covered ends the lock:
// everything is released before the user is told.
TEST(LockTest, CoverThatCannotBeMadeReleasesThenTells) {
  const std::string message =
      "MsgBox(すべてのモニターをロックできないため、ロックを解除して終了します。\n"
      "モニターを覆うウィンドウを作成できません: メモリ不足です。,16,Corvel)";
  const Calls at_start =
      Join(Join({"CreateCover(-1280,0,0,1024)", "CreateCover(1024,0,2944,1080)", "Main.Unload"},
                kRelease),
           {"DestroyCover(1)", message});
  const Calls on_change =
      Join(Join({"MoveCover(1,-1280,0,0,1024)", "CreateCover(1024,0,2944,1080)"}, kRelease),
           {"DestroyCover(1)", message, "Main.Unload"});
  for (const bool while_locked : {false, true}) {
    SCOPED_TRACE(while_locked ? "on a display change" : "at the start");
    LockRig rig;
    rig.covers.monitors = kThreeMonitors;
    rig.covers.failing = 2;
    if (while_locked) rig.covers.monitors.pop_back();
    rig.Load("\"Open sesame\"\r\n");
    if (while_locked) {
      rig.covers.monitors = kThreeMonitors;
      rig.log.clear();
      rig.lock.OnDisplayChange({15360, 11520, 15, 15});
    }
    const Calls& expected = while_locked ? on_change : at_start;
    EXPECT_EQ(Calls(rig.log.end() - static_cast<std::ptrdiff_t>(expected.size()), rig.log.end()),
              expected);
    EXPECT_EQ(rig.lock.state(), LockState::kReleased);
    EXPECT_NE(rig.lock.exit_code(), 0);
  }
}

TEST(LockTest, DisplayChangeIsFollowedWhileLocked) {
  struct Step {
    pw::Screen screen;
    std::vector<Monitor> monitors;
    Calls calls;
  };
  const Step steps[] = {
      {{19200, 10800, 15, 15},  // a smaller primary, the other monitor moved, one more left
       {{{-1024, 0, 0, 768}, false}, {{0, 0, 1280, 720}, true}, {{1280, 0, 2560, 1024}, false}},
       {"MoveCover(1,-1024,0,0,768)", "CreateCover(1280,0,2560,1024)",
        "SetWindowPos(4660,-1,0,0,1280,720,16)", "Object.Top=5400", "Object.Left=9600",
        "ClipCursor(640,360,873,380)"}},
      {{15360, 11520, 15, 15},  // back to the primary alone
       {{{0, 0, 1024, 768}, true}},
       {"DestroyCover(2)", "DestroyCover(1)", "SetWindowPos(4660,-1,0,0,1024,768,16)",
        "Object.Top=5760", "Object.Left=7680", "ClipCursor(512,384,745,404)"}},
  };
  LockRig rig({28800, 16200, 15, 15});
  rig.covers.monitors = {{{0, 0, 1920, 1080}, true}, {{1920, 0, 3200, 1024}, false}};
  rig.Load("\"Open sesame\"\r\n");
  for (const Step& step : steps) {
    SCOPED_TRACE(step.calls.back());
    rig.covers.monitors = step.monitors;
    rig.log.clear();
    rig.lock.OnDisplayChange(step.screen);
    EXPECT_EQ(rig.log, step.calls);
  }
  rig.Submit(L"Open sesame");
  rig.log.clear();
  rig.lock.OnDisplayChange({19200, 10800, 15, 15});
  EXPECT_TRUE(rig.log.empty());
}

}  // namespace
}  // namespace corvel
