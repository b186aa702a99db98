#include "lock/lock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/fakes/fake_ansi_code_page.h"
#include "tests/fakes/fake_file_service.h"
#include "tests/fakes/fake_forms.h"
#include "tests/fakes/fake_monitor_covers.h"
#include "tests/fakes/fake_watch.h"
#include "tests/fakes/fake_window_system.h"

namespace corvel {
namespace {

using Calls = pw::testing::CallLog;

constexpr wchar_t kFolder[] = L"C:\\Lock";
constexpr wchar_t kPasswordPath[] = L"C:\\Lock\\password";

Calls Join(Calls head, const Calls& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// The release sequence, then the covers removed: all that the lock gives back.
Calls GivenBack(const Calls& covers_removed = {}) {
  return Join({"SetWindowPos(4660,-2,0,0,0,0,67)", "ClipCursor(null)",
               "SystemParametersInfoA(17,4294967295,null,3)", "SystemParametersInfoA(97,0,null,0)"},
              covers_removed);
}

// All given back, then the watcher told of the lock's own end.
Calls Released(const Calls& covers_removed = {}) {
  return Join(GivenBack(covers_removed), {"Released()"});
}

// The start sequence on a 1024 x 768 screen at 15 twips per pixel, up to the saver switched off
// for the session, and then up to reading the password.
const Calls kStartUntilSaverOff({"Object.Top=5760", "Object.Left=7680", "Main.Top=5760",
                                 "Main.Left=7680", "SetWindowPos(4660,-1,0,0,0,0,67)",
                                 "SetCursorPos(75,75)", "ClipCursor(null)",
                                 "ClipCursor(512,384,745,404)",
                                 "SystemParametersInfoA(17,0,null,2)"});
const Calls kStartUntilRead = Join(kStartUntilSaverOff, {"Read(C:\\Lock\\password)"});

// The lock window as the runtime would give it: its Unload runs the lock's unload handler.
struct LockRig {
  explicit LockRig(pw::Screen screen = {15360, 11520, 15, 15})
      : lock({main, object, password, screen, kFolder, windows, covers, files, code_page,
              message_box, watch}) {
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

  Calls log;
  pw::testing::FakeForm main{log, "Main"};
  pw::testing::FakeControl object{log, "Object"};
  pw::testing::FakeTextBox password{log, "Password"};
  testing::FakeWindowSystem windows{log};
  testing::FakeMonitorCovers covers{log};
  pw::testing::FakeFileService files{log};
  pw::testing::FakeAnsiCodePage code_page{log};
  pw::testing::FakeMessageBox message_box{log};
  testing::FakeWatch watch{log};
  Lock lock;
};

const std::vector<Monitor> kThreeMonitors = {
    {{-1280, 0, 0, 1024}, false}, {{0, 0, 1024, 768}, true}, {{1024, 0, 2944, 1080}, false}};

// The start sequence in its order, the covers of the other monitors up before the lock is marked
// in force and its watcher told, and the release, covers gone last.
TEST(LockTest, StartAndReleaseCallByCall) {
  LockRig rig;
  rig.covers.monitors = kThreeMonitors;
  rig.Load("\"Open sesame\"\r\n");
  EXPECT_EQ(rig.log,
            Join(kStartUntilRead, {"Decode(Open sesame)", "CreateCover(-1280,0,0,1024)",
                                   "CreateCover(1024,0,2944,1080)",
                                   "SystemParametersInfoA(97,1,null,0)", "InForce(Open sesame)"}));
  EXPECT_EQ(rig.lock.state(), LockState::kLocked);
  rig.Submit(L"Open sesame");
  EXPECT_EQ(rig.log, Join({"Main.Unload"}, Released({"DestroyCover(2)", "DestroyCover(1)"})));
  EXPECT_EQ(rig.lock.state(), LockState::kReleased);
  EXPECT_EQ(rig.lock.exit_code(), 0);
}

// An empty stored password ends the lock at once: released, never marked as a running saver,
// never covering a monitor, and never reaching the Locked state in which Main is maximized.
TEST(LockTest, EmptyStoredPasswordReleasesAtOnce) {
  LockRig rig;
  rig.covers.monitors = kThreeMonitors;
  rig.Load("\"\"\r\n");
  EXPECT_EQ(rig.log, Join(Join(kStartUntilRead, {"Decode()", "Main.Unload"}), Released()));
  EXPECT_EQ(rig.lock.state(), LockState::kReleased);
  EXPECT_EQ(rig.lock.exit_code(), 0);
}

// Exactly the stored text opens: no case folding, trimming or prefix match. What a refusal
// shows is seen under Wine.
TEST(LockTest, UnlockCheckComparesExactly) {
  for (const wchar_t* typed : {L"Open sesame", L"open sesame", L" Open sesame", L"Open sesame ",
                               L"Opensesame", L"Open sesam", L""}) {
    SCOPED_TRACE(pw::testing::Utf8(typed));
    LockRig rig;
    rig.Load("\"Open sesame\"\r\n");
    rig.Submit(typed);
    const bool opens = std::wstring(typed) == L"Open sesame";
    EXPECT_EQ(rig.lock.state(), opens ? LockState::kReleased : LockState::kLocked);
    EXPECT_EQ(rig.lock.unlocked(), opens);
    const Calls refused = {"Count(wrong passwords)", "Main.Cls", "Main.Print(Password differs!!)",
                           "Password.Text="};
    EXPECT_EQ(rig.log, opens ? Join({"Main.Unload"}, Released()) : refused);
  }
}

// Only the session's real end ends the lock: the system says it is ending, and sent the end after
// a sent query that the lock agreed to. A query and an end that any program sends or posts, the
// session going on, change nothing but the count of what the lock refused; the lock answers every
// query of a real end yes.
TEST(LockTest, OnlyTheSessionsRealEndEndsIt) {
  const auto ask = [](bool sent, bool close_app, bool answer) {
    return [=](Lock& lock) { EXPECT_EQ(lock.OnQueryEndSession(sent, close_app), answer); };
  };
  const auto end = [](bool sent, bool ending, bool shutting_down) {
    return [=](Lock& lock) { lock.OnEndSession(sent, ending, shutting_down); };
  };
  enum Outcome { kEnds, kRefused, kGoesOn };
  struct Case {
    const char* messages;
    std::vector<std::function<void(Lock&)>> deliver;
    Outcome outcome;
  };
  const Case cases[] = {
      {"shutting down: sent", {ask(true, false, true), end(true, true, true)}, kEnds},
      {"query sent, end sent", {ask(true, false, true), end(true, true, false)}, kRefused},
      {"shutting down: end sent unasked", {end(true, true, true)}, kRefused},
      {"shutting down: end posted", {ask(true, false, true), end(false, true, true)}, kRefused},
      {"shutting down: query posted", {ask(false, false, true), end(true, true, true)}, kRefused},
      {"shutting down: an update", {ask(true, true, false), end(true, true, true)}, kRefused},
      {"shutting down: vetoed, then an end",
       {ask(true, false, true), end(true, false, true), end(true, true, true)},
       kRefused},
      {"query sent, vetoed end sent", {ask(true, false, true), end(true, false, false)}, kGoesOn},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.messages);
    LockRig rig;
    rig.Load("\"Open sesame\"\r\n");
    for (const auto& deliver : c.deliver) deliver(rig.lock);
    EXPECT_EQ(rig.lock.state(), c.outcome == kEnds ? LockState::kReleased : LockState::kLocked);
    EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), "Count(refused requests)"),
              c.outcome == kRefused ? 1 : 0);
  }
}

// A watcher is the same lock in another role. Waiting, it holds the password that locked, lies
// beneath the lock, which it puts back on top, and takes nothing of the system's, not even on a
// fatal failure;
// taking over, it comes into force on the screen and the monitors as they are then; a lock that
// ended on its own ends it with nothing to give back. A fatal failure in force gives back what the
// lock holds but leaves "released" unsaid, so that its own watcher takes over.
TEST(LockTest, AWatcherWaitsThenTakesOver) {
  struct Case {
    const char* moves;
    std::vector<std::function<void(LockRig&)>> after_waiting;
    LockState state;
    Calls calls;  // from the start of the waiting
  };
  const auto take_over = [](LockRig& rig) {
    rig.covers.monitors = {{{0, 0, 1280, 720}, true}, {{1280, 0, 2560, 1024}, false}};
    rig.lock.TakeOver({19200, 10800, 15, 15});
  };
  // Laid out as at the start, shown beneath the lock, which goes out of the topmost and back.
  const Calls waiting =
      Join({"Object.Top=5760", "Object.Left=7680", "Main.Top=5760", "Main.Left=7680"},
           {"SetWindowPos(4660,-2,0,0,1024,768,80)", "SetWindowPos(99,-2,0,0,0,0,19)",
            "SetWindowPos(99,-1,0,0,0,0,19)"});
  const Calls in_force =
      Join(waiting, {"CreateCover(1280,0,2560,1024)", "SetWindowPos(4660,-1,0,0,1280,720,16)",
                     "Object.Top=5400", "Object.Left=9600", "ClipCursor(640,360,873,380)",
                     "SystemParametersInfoA(17,0,null,2)", "SystemParametersInfoA(97,1,null,0)",
                     "InForce(Open sesame)", "Count(force ends)"});
  const Case cases[] = {
      {"waiting", {}, LockState::kWaiting, waiting},
      {"a fatal failure while waiting",
       {[](LockRig& rig) { rig.lock.GiveBack(); }},
       LockState::kWaiting,
       waiting},
      {"taking over", {take_over}, LockState::kLocked, in_force},
      {"in force, then released by the password",
       {take_over, [](LockRig& rig) { rig.lock.OnOkClick(); }},
       LockState::kReleased,
       Join(Join(in_force, {"Main.Unload"}), Released({"DestroyCover(1)"}))},
      {"in force, then a fatal failure",
       {take_over, [](LockRig& rig) { rig.lock.GiveBack(); }},
       LockState::kReleased,
       Join(in_force, GivenBack({"DestroyCover(1)"}))},
      {"the lock ended on its own",
       {[](LockRig& rig) { rig.lock.EndWaiting(0); }},
       LockState::kReleased,
       Join(waiting, {"Main.Unload"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.moves);
    LockRig rig;
    rig.watch.handed = L"Open sesame";
    rig.password.text = L"Open sesame";
    rig.lock.Wait();
    for (const auto& move : c.after_waiting) move(rig);
    EXPECT_EQ(rig.lock.state(), c.state);
    EXPECT_EQ(rig.log, c.calls);
  }
}

// The system drops the confinement when another window takes the foreground, and does not always
// say so; activation and pointer movement set it again, but only while locked. Only then, too,
// do Main and the covers keep their place against others.
TEST(LockTest, ConfinementAndPlaceAreKeptWhileLocked) {
  for (void (Lock::*event)() : {&Lock::OnActivate, &Lock::OnPointerMoved}) {
    LockRig rig;
    (rig.lock.*event)();
    EXPECT_TRUE(rig.log.empty());
    EXPECT_FALSE(rig.lock.KeepsPlace());
    rig.Load("\"Open sesame\"\r\n");
    rig.log.clear();
    (rig.lock.*event)();
    EXPECT_EQ(rig.log, Calls{"ClipCursor(512,384,745,404)"});
    EXPECT_TRUE(rig.lock.KeepsPlace());
    rig.Submit(L"Open sesame");
    rig.log.clear();
    (rig.lock.*event)();
    rig.lock.OnOkClick();
    EXPECT_TRUE(rig.log.empty());
    EXPECT_FALSE(rig.lock.KeepsPlace());
  }
}

// Each change is followed while locked. Where the monitors cannot be read or a cover cannot be
// made, at the start, after a change or a cover lost, Main still covers the primary screen and
// holds the pointer, nothing is given back, and the covers are to be tried again until every
// monitor has one; afterwards nothing is followed.
TEST(LockTest, DisplayChangeIsFollowedAndABareMonitorNeverReleases) {
  const pw::Screen small = {19200, 10800, 15, 15};
  const pw::Screen usual = {15360, 11520, 15, 15};
  // Main fitted to the primary screen, the panel and the confinement at its centre.
  const Calls fitted_small = {"SetWindowPos(4660,-1,0,0,1280,720,16)", "Object.Top=5400",
                              "Object.Left=9600", "ClipCursor(640,360,873,380)"};
  const Calls fitted = {"SetWindowPos(4660,-1,0,0,1024,768,16)", "Object.Top=5760",
                        "Object.Left=7680", "ClipCursor(512,384,745,404)"};
  const Calls remade = {"MoveCover(3,-1280,0,0,1024)", "CreateCover(1024,0,2944,1080)"};
  struct Step {
    const char* name;
    std::optional<std::vector<Monitor>> monitors;
    int gone;  // a cover reported lost, instead of a display change to `usual`
    Calls calls;
    bool pending;
  };
  const Step steps[] = {
      {"the primary alone",
       {{{{0, 0, 1024, 768}, true}}},
       0,
       Join({"DestroyCover(2)", "DestroyCover(1)"}, fitted),
       false},
      {"two more, the second one's cover cannot be made", kThreeMonitors, 0,
       Join({"CreateCover(-1280,0,0,1024)", "CreateCover(1024,0,2944,1080)"}, fitted), true},
      {"tried again, the list cannot be read", std::nullopt, 0, fitted, true},
      {"tried again, made", kThreeMonitors, 0, Join(remade, fitted), false},
      {"a cover lost", kThreeMonitors, 5, Join(remade, fitted), false},
      {"a cover said lost that stands", kThreeMonitors, 99, {}, false},
  };
  LockRig rig({28800, 16200, 15, 15});
  rig.covers.monitors = std::nullopt;
  rig.Load("\"Open sesame\"\r\n");
  EXPECT_EQ(rig.lock.state(), LockState::kLocked);
  EXPECT_TRUE(rig.lock.covers_pending());
  rig.covers.monitors = {
      {{{-1024, 0, 0, 768}, false}, {{0, 0, 1280, 720}, true}, {{1280, 0, 2560, 1024}, false}}};
  rig.log.clear();
  rig.lock.OnDisplayChange(small);
  EXPECT_EQ(rig.log,
            Join({"CreateCover(-1024,0,0,768)", "CreateCover(1280,0,2560,1024)"}, fitted_small));
  rig.covers.failing = 4;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    rig.covers.monitors = step.monitors;
    rig.covers.gone = step.gone;
    rig.log.clear();
    step.gone != 0 ? rig.lock.OnCoverLost() : rig.lock.OnDisplayChange(usual);
    EXPECT_EQ(rig.log, step.calls);
    EXPECT_EQ(rig.lock.covers_pending(), step.pending);
  }
  rig.Submit(L"Open sesame");
  rig.log.clear();
  rig.lock.OnDisplayChange(small);
  EXPECT_EQ(rig.log, Calls{});
}

}  // namespace
}  // namespace corvel
