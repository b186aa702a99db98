"""Proves each reading and action of the harness against testwin.exe, whose properties are set
by its command line."""
import subprocess
import sys
import unittest

import harness
from harness import E2ETestCase, wait_for

CLASS = "HarnessTestWindow"
TITLE = "テスト窓"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"


def testwin(session, *args):
    """Starts testwin.exe titled TITLE and waits for its window."""
    proc = session.run(harness.win64_dir() / "tests" / "testwin.exe", "--title", TITLE, *args)
    return proc, session.wait_window(TITLE, CLASS)


def settled(session, want, timeout=10):
    """testwin's (rect, topmost, maximized, visible) once it reads `want`, else the last reading:
    Wine may show the maximized flag before the maximized rectangle."""
    last = None

    def read():
        nonlocal last
        info = session.window(TITLE, CLASS)
        last = info and (info.rect, info.topmost, info.maximized, info.visible)
        return last == want

    try:
        wait_for(read, timeout, f"the window to read {want}")
    except TimeoutError:
        pass
    return last


class WindowTest(E2ETestCase):
    def test_rect_flags_and_exit_status_follow_the_window(self):
        cases = [  # arguments, rect, topmost, maximized, how it is ended, exit status
            (["--rect", "100,120,500,420", "--topmost", "--exit-code", "5"],
             (100, 120, 500, 420), True, False, "close", 5),
            (["--rect", "20,30,220,130"], (20, 30, 220, 130), False, False, "escape", 0),
            # The status comes back modulo 256, as from any Unix process.
            (["--maximized", "--exit-code", "300"], (0, 0, 1024, 768), False, True, "close", 44),
        ]
        for args, rect, topmost, maximized, end, status in cases:
            with self.subTest(args=args):
                proc, info = testwin(self.session, *args)
                want = (rect, topmost, maximized, True)
                self.assertEqual(settled(self.session, want), want)
                self.assertEqual((info.title, info.cls), (TITLE, CLASS))
                self.assertTrue(proc.alive())
                if end == "close":
                    self.session.close_window(TITLE, CLASS)
                else:
                    self.session.key("Escape")
                self.assertEqual(proc.wait(), status)
                self.session.wait_no_window(TITLE, CLASS)

    def test_clip_holds_the_pointer(self):
        testwin(self.session, "--clip", "200,150,400,300")
        self.assertEqual(self.session.clip(), (200, 150, 400, 300))
        # Each warp ends at the nearest point inside, even one made before Wine grabbed the
        # pointer for its focused window; the reading follows once Wine has seen the motion.
        for target, inside in [((1000, 750), (399, 299)), ((0, 0), (200, 150)),
                               ((300, 200), (300, 200)), ((1023, 0), (399, 150))]:
            self.session.move_pointer(*target)
            wait_for(lambda: self.session.cursor() == inside, 10, f"the pointer at {inside}")

    def test_screensaver_settings_read_through_spi_and_registry(self):
        for before, value in [("0", "1"), ("1", "0")]:
            with self.subTest(value=value):
                self.session.set_registry_value(DESKTOP_KEY, "ScreenSaveActive", before)
                self.assertEqual(self.session.screensaver_active(), before == "1")
                proc, _ = testwin(self.session, "--saver", value, "--running", value)
                wait_for(lambda: self.session.registry_screensave_active() == value, 10,
                         f"ScreenSaveActive {value} in the registry")
                self.assertEqual(self.session.screensaver_active(), value == "1")
                self.assertEqual(self.session.screensaver_running(), value == "1")
                self.session.close_window(TITLE, CLASS)
                self.assertEqual(proc.wait(), 0)
        self.assertIsNone(self.session.registry_value(DESKTOP_KEY, "NoSuchValue"))

    def test_screenshot_shows_the_window_colour(self):
        testwin(self.session, "--color", "123456", "--rect", "300,200,700,500")
        colour = (0x12, 0x34, 0x56)
        wait_for(lambda: self.session.screenshot().pixel(650, 450) == colour, 10, "the colour")
        shot = self.session.screenshot()
        self.assertEqual((shot.pixel(300, 200), shot.pixel(699, 499)), (colour, colour))
        self.assertNotEqual(shot.pixel(299, 199), colour)
        self.assertNotEqual(shot.pixel(700, 500), colour)

    def test_keys_clicks_and_set_text_reach_the_controls(self):
        proc, _ = testwin(self.session, "--rect", "300,200,700,500", "--exit-code", "3")
        self.session.type_text("Hello, e2e 42")
        self.session.key("BackSpace", "BackSpace")

        def text():
            return self.session.control_text(TITLE, "Edit", CLASS)

        wait_for(lambda: text() == "Hello, e2e ", 10, "the typed text")
        self.session.click(400, 300)
        wait_for(lambda: text() == "clicked 100,100", 10, "the click at client 100,100")
        for value in ["ﾊﾟｽﾜｰﾄﾞ：変更", "", "ﾊﾟｽﾜｰﾄﾞを変更しました。"]:
            self.session.set_control_text(TITLE, ("Edit", 0), value, CLASS)
            self.assertEqual(self.session.control_text(TITLE, 100, CLASS), value)
        self.assertIsNone(self.session.control_text(TITLE, ("Edit", 1), CLASS))
        self.session.key("Escape")
        self.assertEqual(proc.wait(), 3)

    def test_message_box_is_told_from_its_owner(self):
        proc, owner = testwin(self.session, "--message", "ﾊﾟｽﾜｰﾄﾞを変更しました。")
        box = self.session.wait_window(TITLE, "#32770")
        self.assertEqual((owner.cls, box.cls), (CLASS, "#32770"))
        self.assertEqual(self.session.message_text(TITLE), "ﾊﾟｽﾜｰﾄﾞを変更しました。")
        self.session.press_button(TITLE, "Button", "#32770")
        self.session.wait_no_window(TITLE, "#32770")
        self.assertIsNotNone(self.session.window(TITLE, CLASS))
        self.assertIsNone(self.session.message_text(TITLE))
        self.session.close_window(TITLE, CLASS)
        self.assertEqual(proc.wait(), 0)


class DesktopSizeTest(E2ETestCase):
    desktop_size = (800, 600)

    def test_desktop_takes_the_asked_size(self):
        for size in [(800, 600), (1280, 1024)]:
            with self.subTest(size=size):
                if size != self.desktop_size:
                    self.restart_session(*size)
                testwin(self.session, "--maximized", "--color", "ff0000")
                want = ((0, 0, *size), False, True, True)
                self.assertEqual(settled(self.session, want), want)
                self.assertEqual(self.session.screen_size(), size)
                corner = (size[0] - 1, size[1] - 1)
                shot = self.session.screenshot
                wait_for(lambda: shot().pixel(*corner) == (255, 0, 0), 10, "red in the corner")


class FailingScenario(E2ETestCase):
    """Run only by OutsideSessionTest: a scenario that fails with a window on the screen."""

    def scenario(self):
        testwin(self.session, "--color", "0000ff")
        self.fail("on purpose")


class OutsideSessionTest(unittest.TestCase):
    def test_a_failed_scenario_leaves_a_screenshot(self):
        scenario = FailingScenario("scenario")
        path = harness.build_dir() / "e2e" / "failures" / f"{scenario.id()}.png"
        path.unlink(missing_ok=True)
        self.addCleanup(path.unlink, missing_ok=True)
        result = unittest.TestResult()
        scenario.run(result)
        self.assertEqual((len(result.failures), len(result.errors)), (1, 0))
        self.assertEqual(path.read_bytes()[:8], b"\x89PNG\r\n\x1a\n")

    def test_console_prints_the_output_and_returns_the_status(self):
        probe = harness.win64_dir() / "tests" / "probe.exe"
        command = [sys.executable, harness.__file__, "console", probe]
        for args, status, output in [(["screen"], 0, b"width=1024\nheight=768\n"),
                                     (["no-such-reading"], 2, b"")]:
            with self.subTest(args=args):
                result = subprocess.run(command + args, capture_output=True, timeout=120)
                self.assertEqual((result.returncode, result.stdout.replace(b"\r", b"")),
                                 (status, output))


if __name__ == "__main__":
    unittest.main(verbosity=2)
