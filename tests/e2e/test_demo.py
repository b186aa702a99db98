"""make demo's script, run as a person runs it: played to its end, and stopped by Ctrl+C while the
screen is locked. Either way it must end every process it started and leave the Wine prefix's
screen-saver setting as it found it. Each run is marked by a variable in its environment, which
every process it starts inherits, so that a survivor is found by that mark and ended by its PID."""
import os
import re
import select
import signal
import subprocess
import sys
import time
import unittest
import uuid
from pathlib import Path

import harness

DEMO = Path(__file__).resolve().parent / "demo.py"
STAGES = ["vantor", "saved", "locked", "wrong", "released"]


def saved_screensave(prefix):
    """ScreenSaveActive as the prefix's user.reg holds it once its wineserver has ended."""
    text = (prefix / "user.reg").read_text(encoding="utf-8", errors="replace")
    section = re.search(r"^\[Control Panel\\\\Desktop\][^\n]*\n(.*?)(?:\n\n|\Z)", text,
                        re.MULTILINE | re.DOTALL)
    value = section and re.search(r'^"ScreenSaveActive"="([^"]*)"$', section.group(1),
                                  re.MULTILINE)
    return value.group(1) if value else None


def png_size(path):
    data = path.read_bytes()[:24]
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")


class DemoTest(unittest.TestCase):
    def setUp(self):
        self.tag = uuid.uuid4().hex
        self.out = harness.build_dir() / "e2e" / "demo" / self._testMethodName
        self.prefix = harness.prefix_dir()
        self.found = saved_screensave(self.prefix)
        self.output = ""

    def start(self):
        env = dict(os.environ, DEMO_RUN=self.tag, PYTHONUNBUFFERED="1")
        env.pop("LIVE", None)
        # A session of its own: its process group is what a terminal's Ctrl+C reaches.
        self.proc = subprocess.Popen(
            [sys.executable, DEMO, "--win64", harness.win64_dir(), "--out", self.out, "--prefix",
             self.prefix], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT, start_new_session=True)
        self.addCleanup(self.end_survivors)

    def read_until(self, pattern, timeout):
        """Reads the demo's output until a line matches pattern; fails at its end or timeout."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not select.select([self.proc.stdout], [], [], deadline - time.monotonic())[0]:
                break
            line = self.proc.stdout.readline().decode()
            self.output += line
            if not line:
                break
            if re.search(pattern, line):
                return line
        self.fail(f"no line matching {pattern!r} within {timeout} s:\n{self.output}")

    def finish(self, timeout=60):
        """Reads the rest of the output and waits for the demo to end; returns its status."""
        deadline = time.monotonic() + timeout
        while select.select([self.proc.stdout], [], [], max(0, deadline - time.monotonic()))[0]:
            line = self.proc.stdout.readline().decode()
            if not line:
                break
            self.output += line
        return self.proc.wait(max(1, deadline - time.monotonic()))

    def survivors(self):
        return harness.pids_where(lambda entry: harness.environ_has(entry, f"DEMO_RUN={self.tag}"))

    def end_survivors(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for pid in self.survivors():
            os.kill(pid, signal.SIGKILL)

    def assert_left_nothing(self):
        harness.wait_for(lambda: not self.survivors(), 10, "the demo's processes to end")
        self.assertEqual(saved_screensave(self.prefix), self.found)

    def test_plays_the_typical_use_and_verifies_each_stage(self):
        self.start()
        self.assertEqual(self.finish(240), 0, self.output)
        lines = re.findall(r"^\[(\d)/5\] ", self.output, re.MULTILINE)
        self.assertEqual(lines, ["1", "2", "3", "4", "5"], self.output)
        self.assertIn("pointer held in (512, 384, 745, 404)", self.output)
        self.assertIn(r"""b'"sakura 2026"\r\n'""", self.output)
        for number, stage in enumerate(STAGES, 1):
            self.assertEqual(png_size(self.out / f"{number}-{stage}.png"), (1024, 768))
        self.assertEqual(png_size(self.out / "corvel.png"), (1024, 768))
        self.assertEqual(png_size(self.out / "vantor.png"), (302, 44))
        self.assert_left_nothing()

    def test_ctrl_c_while_locked_ends_all_and_restores_the_setting(self):
        self.start()
        self.read_until(r"^\[3/5\] Corvel locked", 180)
        os.killpg(self.proc.pid, signal.SIGINT)
        self.assertEqual(self.finish(), 130, self.output)
        self.assertIn("Interrupted", self.output)
        self.assert_left_nothing()


if __name__ == "__main__":
    unittest.main(verbosity=2)
