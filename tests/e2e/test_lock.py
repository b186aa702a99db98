"""Corvel, the lock program, under Wine: what a lock holds while it lasts (window, pointer, screen
saver, screen, every monitor), what opens it and what does not, and that every end gives
everything back. Each scenario runs its own copy of Corvel.exe in a fresh folder with its own
password file; the unit tests hold the rules (reading, comparing, the call order)."""
import re
import unittest
from pathlib import Path

import bench
import lock_view
from harness import (MESSAGE_BOX, E2ETestCase, cleanup, floor_exe, prefix_dir, saved_screensave,
                     scenario_folder, wait_for, windows_path)
from lock_view import CLASS, TITLE
from wine_desktop import arguments, hex_text, unhex_text

COVER = "CorvelCover"
RIGHT = "Open sesame"
FILE = b'"Open sesame"\r\n'
WM_DESTROY, WM_CLOSE, WM_QUERYENDSESSION, WM_QUIT, WM_ENDSESSION = 0x2, 0x10, 0x11, 0x12, 0x16
WM_NCDESTROY, WM_SYSCOMMAND, WM_APP = 0x82, 0x112, 0x8000
SC_SIZE, SC_MOVE, SC_MINIMIZE, SC_RESTORE = 0xF000, 0xF010, 0xF020, 0xF120
SW_HIDE, SW_SHOWNORMAL, SW_MINIMIZE, SW_RESTORE = 0, 1, 6, 9
ENDSESSION_CLOSEAPP = 1
WS_EX_TRANSPARENT, WS_EX_LAYERED = 0x20, 0x80000


class LockTestCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.locks, self.saver_before = [], "1"

    def start(self, content=FILE, saver_before="1", name=None):
        """Writes the password file (none for None) in a fresh folder, sets the saved
        screen-saver setting the lock finds and starts Corvel there."""
        folder = scenario_folder("lock", name or self._testMethodName, "Corvel.exe")
        if content is not None:
            (folder / "password").write_bytes(content)
        for earlier in self.locks:  # a lock left by a failed subtest would cover the next one
            self.session.end_program(earlier)
        self.session.set_registry_screensave_active(saver_before)
        self.saver_before = saver_before
        self.locks.append(self.session.run(folder / "Corvel.exe", cwd=folder))
        return self.locks[-1], folder

    def start_locked(self, **kwargs):
        proc, _ = self.start(**kwargs)
        lock_view.wait_locked(self.session)
        return proc

    def panel(self):
        return lock_view.panel(self.session)

    def watcher_arguments(self, exe):
        """The arguments on the command line of exe's watcher, as a task manager shows them."""
        watchers = [pid for pid in self.session.unix_pids(exe) if bench.is_watcher(pid)]
        return watchers and arguments(watchers[0])

    def assert_locked(self, proc=None):
        """Locked, by proc or by a lock that a watcher started."""
        info = self.session.window(TITLE, CLASS)
        full = (0, 0, self.session.width, self.session.height)
        self.assertEqual((info.rect, info.topmost, info.maximized, info.visible,
                          proc is None or proc.alive()), (full, True, True, True, True))
        self.assertEqual(self.session.clip(), self.panel())
        # Off for the session, as another program reads it, but not in the saved settings.
        self.assertEqual((self.session.screensaver_active(), self.session.screensaver_running(),
                          self.session.registry_screensave_active()),
                         (False, True, self.saver_before))

    def ask(self, cls, command, *numbers):
        """Asks Corvel's window of this class, as another program could: the probe's "post" or
        "send" of a message or "show" (ShowWindow), with their numbers."""
        self.session.probe(command, hex_text(TITLE if cls == CLASS else None), hex_text(cls),
                           *numbers)

    def assert_released(self):
        """No lock window in view, no confinement, the screen saver switched on and not running."""
        info = self.session.window(TITLE, CLASS)
        self.assertFalse(info and info.visible, "the lock window in view")
        self.assertEqual(self.session.clip(), (0, 0, self.session.width, self.session.height))
        self.assertEqual((self.session.screensaver_active(), self.session.screensaver_running(),
                          self.session.registry_screensave_active()), (True, False, "1"))

    def box(self):
        return lock_view.box_text(self.session)

    def submit(self, text, first=False, ok=None):
        """Tabs into the box on the first entry, types text, then presses Enter or clicks ok."""
        if first:
            self.session.key("Tab")
        if text:
            self.session.type_text(text)
            wait_for(lambda: self.box() == text, 10, f"{text!r} in the box")
        self.session.click(*ok) if ok else self.session.key("Return")

    def assert_refused(self, proc, text, first=False, ok=None):
        self.submit(text, first, ok)
        wait_for(lambda: self.box() == "", 10, "the box emptied")
        shot = wait_for(lambda: lock_view.message_shown(self.session), 10,
                        "the message in the top-left corner")
        self.assertEqual(shot.count_white(0, 16, 200, 80), 0, "a second line")
        self.assert_locked(proc)

    def lock_pid(self):
        # The Windows process of the lock in view.
        found = self.session.probe("window", hex_text(TITLE), hex_text(CLASS))
        return found and found["pid"]

    def assert_told(self, told, released=True):
        """Once all is given back (on one monitor, where `released` is seen), the box that tells
        what the lock withstood matches told; its OK ends the program."""
        text = wait_for(lambda: self.session.message_text(TITLE), 20, "the box")
        self.assertRegex(text, told)
        if released:
            self.assert_released()
        self.session.press_button(TITLE, "Button", MESSAGE_BOX)

    def assert_opens(self, proc, told=None):
        """The lock ends with status 0, having told what it withstood, or with no box at all."""
        if told:
            self.assert_told(told)
        self.assertEqual(proc.wait(20), 0)
        self.assert_released()


class LockTest(LockTestCase):
    def test_screen_is_black_but_for_the_panel_and_the_window_in_use_gets_the_keys_back(self):
        self.session.run(floor_exe(), "--title", "in use")
        self.session.wait_window("in use", foreground=True)
        proc = self.start_locked()
        left, top, right, bottom = self.panel()
        shot = self.session.screenshot()
        outside = [(0, 0), (1023, 767), (200, 600), (left - 1, top), (right, top + 5),
                   (left + 5, bottom), (left + 100, top - 1)]
        self.assertEqual([shot.pixel(x, y) for x, y in outside], [(0, 0, 0)] * len(outside))
        # The label: white text at 0, 50 twips in the panel, 49 x 13 pixels.
        self.assertGreater(shot.count_white(left, top + 3, left + 49, top + 16), 20)
        self.assertEqual(shot.count_white(0, 0, 300, 40), 0, "a message before any entry")
        self.assertIsNone(self.session.window(None, COVER), "a cover on the only monitor")
        self.submit(RIGHT, first=True)
        self.assert_opens(proc)
        self.session.wait_window("in use", foreground=True)

    def test_wrong_passwords_print_one_line_and_empty_the_box(self):
        proc = self.start_locked()
        self.assert_refused(proc, "", first=True)
        left, top, _, _ = self.panel()
        # The entry box's inside, clear of its edge and of the caret at its start.
        asterisks = lambda: self.session.screenshot().count_white(left + 56, top + 4, left + 130,
                                                                  top + 15)
        self.session.type_text("wrong")
        wait_for(lambda: asterisks() > 5, 10, "the asterisks")
        self.session.key("Return")
        wait_for(lambda: asterisks() == 0, 10, "no asterisks left")
        self.assert_refused(proc, RIGHT.lower())
        self.submit(RIGHT)
        self.assert_opens(proc, told="\n間違ったパスワードの入力: 3 回 \\(最後は \\d\\d:\\d\\d\\)$")

    def test_requests_of_others_leave_it_locked_and_placed(self):
        proc, folder = self.start()
        lock_view.wait_locked(self.session)
        # A second lock ends at once, taking nothing, also when given the watcher's command line.
        exe = folder / "Corvel.exe"
        watcher = wait_for(lambda: self.watcher_arguments(exe), 10, "the watcher")
        for args in ([], watcher, ["/relock", *watcher[1:]]):
            self.assertEqual(self.session.run(exe, *args, cwd=folder).wait(20), 5, args)
        self.session.key("Tab", "alt+F4")
        self.assert_refused(proc, "wrong")
        requests = [("post", WM_CLOSE, 0), ("post", WM_ENDSESSION, 0),  # the session goes on
                    # A program closed for an update, the session going on.
                    ("post", WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP),
                    ("post", WM_ENDSESSION, 1, ENDSESSION_CLOSEAPP), ("post", WM_QUIT, 0),
                    # An end of the session, or Main's destruction, that no one but the sender
                    # speaks of; a cover lost where there is none.
                    ("post", WM_ENDSESSION, 1), ("send", WM_ENDSESSION, 1, 0),
                    # As the system ends a session, sent, the query first: only the system's
                    # own end, which Wine never makes, ends the lock. Posted, or vetoed, too.
                    ("send", WM_QUERYENDSESSION, 0, 0), ("send", WM_ENDSESSION, 1, 0),
                    ("send", WM_QUERYENDSESSION, 0, 0), ("post", WM_ENDSESSION, 1),
                    ("send", WM_QUERYENDSESSION, 0, 0), ("send", WM_ENDSESSION, 0, 0),
                    ("post", WM_DESTROY, 0), ("send", WM_DESTROY, 0, 0), ("post", WM_APP, 0),
                    ("post", WM_NCDESTROY, 0), ("send", WM_NCDESTROY, 0, 0), ("post", WM_CLOSE, 0),
                    *(("post", WM_SYSCOMMAND, command)
                      for command in (SC_MINIMIZE, SC_RESTORE, SC_MOVE, SC_SIZE))]
        for request in requests:
            with self.subTest(request):
                self.ask(CLASS, *request)
                # Input is handled after the request that came before it, so once the entry is
                # refused the request has been handled too.
                self.assert_refused(proc, "wrong")
        # Not even for a moment, as seen from inside the lock's process.
        for request in ((WM_SYSCOMMAND, SC_MINIMIZE), (WM_SYSCOMMAND, SC_RESTORE),
                        *((sw,) for sw in (SW_HIDE, SW_MINIMIZE, SW_RESTORE, SW_SHOWNORMAL))):
            seen = self.session.probe("fold", hex_text(TITLE), hex_text(CLASS), *request)
            self.assertEqual(seen, {"found": "1", "minimized": "0", "hidden": "0",
                                    "restored": "0", "moved": "0"}, request)
        # Clicks let through to the windows beneath, then the pointer freed: the style is
        # refused, so the lock is what lies under the pointer, whose next move holds it again.
        # (Wine keeps it confined all along, and reports the confinement gone.)
        seen = self.session.probe("exstyle", hex_text(TITLE), hex_text(CLASS),
                                  WS_EX_LAYERED | WS_EX_TRANSPARENT)
        self.assertEqual(int(seen["exstyle"], 16) & (WS_EX_LAYERED | WS_EX_TRANSPARENT), 0)
        self.session.probe("free")
        self.session.move_pointer(100, 100)
        left, top, right, bottom = self.panel()
        x, y = self.session.cursor()
        self.assertTrue(left <= x < right and top <= y < bottom, (x, y))
        self.assertEqual(unhex_text(self.session.probe("at", 100, 100)["class"]), CLASS)
        # Disabled from outside: enabled again, and the keys still reach the box.
        self.ask(CLASS, "disable")
        self.assert_refused(proc, "wrong")
        self.submit(RIGHT)
        # The box holds no lock: one started while it shows locks, until its own password.
        wait_for(lambda: self.session.message_text(TITLE), 20, "the box")
        second = self.session.run(exe, cwd=folder)
        lock_view.wait_locked(self.session)
        self.submit(RIGHT, first=True)
        self.assertEqual(second.wait(20), 0)
        self.assert_opens(proc, told="間違ったパスワードの入力: .*\nほかのプログラムからの要求を拒否: ")

    def test_a_display_change_is_followed(self):
        # Also by the watcher: a force end after the change brings a lock fitted to it.
        proc = self.start_locked()
        self.session.key("Tab")
        for size in ((800, 600), (1024, 768), (800, 600)):
            self.session.probe("display", *size)
            self.session.width, self.session.height = size  # where the checks expect the lock
            wait_for(lambda: lock_view.lock_window(self.session), 10, f"Main over {size}")
            self.assert_refused(None, "wrong")
        ended = self.lock_pid()
        self.session.probe("kill", ended)
        wait_for(lambda: self.lock_pid() not in (None, ended) and lock_view.lock_window(
            self.session), 10, "the watcher in force")
        lock_view.wait_locked(self.session)
        self.submit(RIGHT, first=True)
        self.assert_told("強制終了からの復帰: 1 回")
        wait_for(lambda: not self.session.unix_pids(proc.args[1]), 10, "every Corvel to end")

    def test_a_click_in_the_panel_takes_the_keys_back_from_another_window(self):
        # Each round a window of another program takes the keys, in front of the lock, and a click
        # gives them back to the box: in the box, where the pointer stays from one round to the
        # next, or on the label, and then OK, clicked, sends what was typed.
        proc = self.start_locked()
        left, top, _, _ = self.panel()
        box, label, ok = (left + 100, top + 10), (left + 10, top + 10), (left + 208, top + 10)
        rounds = [(box, "wrong", None)] * 4 + [(label, "wrong", ok), (box, RIGHT, None)]
        for n, (at, text, ok_at) in enumerate(rounds):
            self.session.run(floor_exe(), "--topmost", "--title", f"other {n}", "--rect",
                             "600,0,900,200")
            self.session.wait_window(f"other {n}", foreground=True)
            self.session.click(*at)
            if text == RIGHT:
                self.submit(text)
            else:
                self.assert_refused(proc, text, ok=ok_at)
        self.assert_opens(proc, told="間違ったパスワードの入力: 5 回")

    def test_a_power_loss_leaves_the_saved_setting_as_it_was(self):
        for before in ("1", "0"):
            with self.subTest(before):
                self.start_locked(saver_before=before, name=f"power_loss_{before}")
                self.assert_locked()
                # Every Wine process ended at once, as a power cut would end them.
                cleanup(prefix_dir())
                self.assertEqual(saved_screensave(prefix_dir()), before)
                self.restart_session(*self.desktop_size)

    def test_unusable_file_is_reported_after_the_release(self):
        cases = [  # name, the file, the message's sentence about it
            ("missing", None, "が見つかりません。"),
            ("utf8_bom", b"\xef\xbb\xbf" + FILE,
             r"は ANSI のテキストではありません \(UTF-8 の BOM があります\)。"),
            ("kanji", '"表"\r\n'.encode("cp932"), "のパスワードに使えない文字「表」があります。.+"),
        ]
        for name, content, sentence in cases:
            with self.subTest(name):
                proc, folder = self.start(content, saver_before="0", name=f"unusable_{name}")
                message = wait_for(lambda: self.session.message_text(TITLE), 30, "a message box")
                path = re.escape(windows_path(folder / "password"))
                self.assertRegex(message, f"^パスワードファイル「{path}」{sentence}\n.*Vantor")
                self.assert_released()
                self.session.press_button(TITLE, "Button", MESSAGE_BOX)
                self.assertEqual(proc.wait(20), 1)


class KeyStateLineTest(LockTestCase):
    def test_caps_lock_and_kana_lock_show_a_line_below_the_panel_alone(self):
        proc = self.start_locked()
        line = lock_view.key_state_line(self.session)
        self.session.key("Caps_Lock")
        wait_for(lambda: lock_view.key_state_lit(self.session) > 50, 10, "the line")
        self.assert_refused(proc, "", first=True)
        shot = self.session.screenshot()
        shown = [shot.count_white(*rect) for rect in (line, self.panel(), lock_view.MESSAGE)]
        self.assertGreater(shown[0], 50, "the line after a refusal")
        everywhere = shot.count_white(0, 0, self.session.width, self.session.height)
        self.assertEqual(everywhere, sum(shown), "lit pixels outside the panel and the lines")
        self.session.key("Caps_Lock")
        wait_for(lambda: lock_view.key_state_lit(self.session) == 0, 10, "the line gone")
        # Kana lock, which the X keyboard lacks, pressed through SendInput: "カナ入力がオンです",
        # not the Caps Lock line, until pressed again. Wine's keys still type letters with it on,
        # so what it does to a typed password cannot be seen here.
        self.session.probe("key", "0x15")
        kana = wait_for(lambda: (lit := lock_view.key_state_lit(self.session)) > 50 and lit, 10,
                        "the kana line")
        self.assertNotEqual(kana, shown[0], "the Caps Lock line")
        self.session.probe("key", "0x15")
        wait_for(lambda: lock_view.key_state_lit(self.session) == 0, 10, "the kana line gone")
        self.submit(RIGHT)
        self.assert_opens(proc, told="間違ったパスワードの入力: 1 回")


class CoversTest(LockTestCase):
    """Two monitors as Wine sees them without a virtual desktop, a window of another program on
    the second: what is at a point of each monitor while locked, and after."""
    monitors = [(0, 0, 800, 600), (800, 0, 800, 600)]

    def test_the_other_monitor_is_covered_while_locked(self):
        cases = [  # X screen's monitors, the primary first; the other one as the system lists it
            ("right", self.monitors, (800, 0, 1600, 600)),
            ("left_smaller", [(640, 0, 800, 600), (0, 0, 640, 480)], (-640, 0, 0, 480)),
        ]
        for name, monitors, other in cases:
            with self.subTest(name):
                if monitors != self.session.monitors:
                    self.restart_session(0, 0, monitors)
                self.assertEqual(self.session.monitor_rects(), [(0, 0, 800, 600), other])
                self.session.run(floor_exe(), "--title", "other", "--rect",
                                 ",".join(map(str, other)))
                self.session.wait_window("other")
                inside = ((other[0] + other[2]) // 2, (other[1] + other[3]) // 2)
                theirs = self.session.window_at(*inside)
                proc = self.start_locked(name=f"covers_{name}")
                main = self.session.window_at(100, 100)
                self.assertEqual((main["cls"], main["topmost"]), (CLASS, True))
                for request in (("post", WM_CLOSE, 0), ("post", WM_SYSCOMMAND, SC_MINIMIZE),
                                ("show", SW_MINIMIZE), ("show", SW_HIDE),
                                ("exstyle", WS_EX_LAYERED | WS_EX_TRANSPARENT)):
                    self.ask(COVER, *request)
                    # A wrong entry, posted after the request, is refused once both are handled.
                    self.session.set_control_text(TITLE, "Edit", "wrong", CLASS)
                    self.session.press_button(TITLE, "Button", CLASS)
                    wait_for(lambda: self.box() == "", 10, "the wrong entry refused")
                    self.assertEqual(self.session.window_at(*inside),
                                     {"pid": main["pid"], "topmost": True, "cls": COVER}, request)
                self.session.set_control_text(TITLE, "Edit", RIGHT, CLASS)
                self.session.press_button(TITLE, "Button", CLASS)
                # The close, the minimize command and the style; what ShowWindow did is undone.
                self.assert_told("間違ったパスワードの入力: 5 回 .*\n"
                                 "ほかのプログラムからの要求を拒否: 3 回", released=False)
                self.assertEqual(proc.wait(20), 0)
                self.assertEqual(self.session.window_at(*inside), theirs)


class WatcherTest(LockTestCase):
    """Corvel's second process, its watcher: a lock ended by force (as an administrator ends it, or
    by a crash) comes back, a watcher ended is started again, and only the lock's own ends stop
    them both. Processes are the Windows ones, by PID."""

    def parents(self):
        # Each Corvel process's parent, once no Corvel is another's child: a watcher's parent is
        # a Corvel for the moment it is started, and then no running process at all.
        def listed():
            found = self.session.probe("processes", "Corvel.exe")
            parents = {found[f"pid{i}"]: found[f"parent{i}"] for i in range(int(found["count"]))}
            return None if set(parents.values()) & set(parents) else [parents]
        return wait_for(listed, 10, "no Corvel another's child")[0]

    def corvels(self):
        return set(self.parents())

    def wait_pair(self, ended=None, watcher=None):
        """Waits for a lock in force, other than the one ended, and one watcher of it, other than
        the one given; returns (lock, watcher) and asserts nothing else runs."""
        wait_for(lambda: self.lock_pid() not in (None, ended) and lock_view.lock_window(
            self.session), 10, "a lock in force")
        lock_view.wait_locked(self.session)
        lock = self.lock_pid()
        others = wait_for(lambda: (self.corvels() - {lock, watcher}) or None, 10, "a watcher")
        self.assertEqual(self.corvels(), {lock} | others)
        self.assert_locked()
        return lock, others.pop()

    # What a program of the user may do to either Corvel: wait on it and read its name; Wine, which
    # does not take the owner's implicit rights away, grants the owner the standard rights too,
    # the list's rewriting among them, which is how the tests stand in for an administrator. End
    # task from such a program is refused, and so is a style, by the lock and by the watcher too.
    # End process tree on the lock's starter, as an administrator, ends the lock alone.
    def test_the_users_programs_are_refused_and_no_tree_holds_both(self):
        folder = scenario_folder("lock", self._testMethodName, "Corvel.exe")
        (folder / "password").write_bytes(FILE)
        self.session.set_registry_screensave_active(self.saver_before)
        self.locks.append(self.session.run(self.session.build / "tests" / "probe.exe", "spawn",
                                           windows_path(folder / "Corvel.exe")))
        lock, watcher = self.wait_pair()
        # SYNCHRONIZE, PROCESS_QUERY_LIMITED_INFORMATION; DELETE, READ_CONTROL, WRITE_DAC and
        # WRITE_OWNER, the standard rights.
        granted = {f"right{mask:x}" for mask in (0x100000, 0x1000, 0x10000, 0x20000, 0x40000,
                                                 0x80000)}
        for pid in (lock, watcher):
            rights = self.session.probe("rights", pid)
            self.assertEqual({name for name, value in rights.items() if value == "1"}, granted)
            self.assertEqual(rights["refused"], "5", "End task's error: access denied")
        self.ask(CLASS, "exstyle", WS_EX_LAYERED | WS_EX_TRANSPARENT)
        starter = self.parents()[lock]
        ended = self.session.probe("killtree", starter)
        self.assertEqual((lock in ended.values(), watcher in ended.values()), (True, False))
        self.assertEqual(self.wait_pair(ended=lock)[0], watcher)
        seen = self.session.probe("exstyle", hex_text(TITLE), hex_text(CLASS), 0)["exstyle"]
        self.assertEqual(int(seen, 16) & (WS_EX_LAYERED | WS_EX_TRANSPARENT), 0)
        # Told, once unlocked: two wrong passwords, that force end, and the style and a minimize
        # command refused.
        self.ask(CLASS, "post", WM_SYSCOMMAND, SC_MINIMIZE)
        left, top, _, _ = self.panel()
        self.session.click(left + 60, top + 8)  # the box, wherever the focus was at the takeover
        for wrong in ("wrong", "Open Sesame"):
            self.assert_refused(None, wrong)
        self.submit(RIGHT)
        latest = r" 回 \(最後は \d\d:\d\d\)"
        self.assert_told(f"^ロック中に次のことがありました。\n間違ったパスワードの入力: 2{latest}\n"
                         f"強制終了からの復帰: 1{latest}\n"
                         f"ほかのプログラムからの要求を拒否: 3{latest}$")
        wait_for(lambda: not self.corvels(), 10, "every Corvel process to end")

    # End task, a crash and End process tree on the lock: each time its watcher, waiting beneath
    # it, is in force in its place; after End task within the benchmark's goal against a plain
    # start, with nothing but the lock on the screen meanwhile, as the stopwatch sees it; after a
    # crash or End process tree with the password file rewritten, then deleted, asking for the
    # password that locked. On the watcher: the same lock holds and starts another.
    def test_force_ends_bring_it_back_at_once_and_the_password_ends_both(self):
        folder = scenario_folder("lock", self._testMethodName, "Corvel.exe")
        (folder / "password").write_bytes(FILE)
        self.session.set_registry_screensave_active(self.saver_before)
        exe, panel = windows_path(folder / "Corvel.exe"), ",".join(map(str, self.panel()))
        plain = float(bench.stopwatch(self.session, "lock", exe, TITLE, panel)["ms"])
        lock, watcher = self.wait_pair()
        self.assertEqual(self.session.probe("rename", exe, exe + ".old")["renamed"], "0")
        for _ in range(5):  # the screen grabbed meanwhile may show the panel alone
            relocked = bench.stopwatch(self.session, "relock", TITLE, panel, panel)
            self.assertLessEqual(float(relocked["ms"]), bench.RELOCK_GOAL * plain, relocked)
            self.assertEqual((relocked["uncovered"], relocked["grabs"] != "0"), ("0", True))
            lock, watcher = self.wait_pair(ended=lock)
        for force in ("killtree", "kill"):
            self.session.probe(force, watcher)
            same, watcher = self.wait_pair(watcher=watcher)
            self.assertEqual(same, lock)
        # Both ended a moment apart: the watcher that the lock started meanwhile brings it back,
        # with the password that locked, also when the lock ended before that watcher ran.
        (folder / "password").write_bytes(b'"Changed"\r\n')
        self.session.probe("kill", watcher)
        self.session.probe("kill", lock)
        lock, watcher = self.wait_pair(ended=lock)
        changes = (None, Path.unlink, None, None)
        for force, change in zip(("crash", "killtree", "killtree", "killtree"), changes):
            if change:
                change(folder / "password")
            self.session.probe(force, lock)
            lock, watcher = self.wait_pair(ended=lock)
        idle = bench.idle_cpu_ms(self.session.unix_pids(folder / "Corvel.exe"), 10)
        self.assertEqual(idle, 0, "CPU time used while locked, in ms")
        self.assert_refused(None, "Changed", first=True)
        self.submit(RIGHT)
        self.assert_told("強制終了からの復帰: 1[0-9] 回")
        wait_for(lambda: not self.corvels(), 10, "every Corvel process to end")


if __name__ == "__main__":
    unittest.main(verbosity=2)
