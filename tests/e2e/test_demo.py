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

DEMO = Path(__file__).resolve().parents[2] / "tools" / "demo.py"


class DemoTest(unittest.TestCase):
    def setUp(self):
        self.tag, self.prefix = uuid.uuid4().hex, harness.prefix_dir()
        self.out = harness.build_dir() / "e2e" / "demo" / self._testMethodName
        self.found, self.output = harness.saved_screensave(self.prefix), ""
        env = dict(os.environ, DEMO_RUN=self.tag, PYTHONUNBUFFERED="1")
        env.pop("LIVE", None)
        # A session of its own: its process group is what a terminal's Ctrl+C reaches.
        self.proc = subprocess.Popen(
            [sys.executable, DEMO, "--win32", os.environ["E2E_WIN32_DIR"], "--win64",
             os.environ["E2E_WIN64_DIR"], "--out", self.out, "--prefix", self.prefix], env=env,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            start_new_session=True)
        self.addCleanup(self.end_survivors)

    def read(self, timeout, until=None):
        """Reads the demo's output until a line matches until, or to its end; False on timeout."""
        deadline = time.monotonic() + timeout
        while select.select([self.proc.stdout], [], [], max(0, deadline - time.monotonic()))[0]:
            line = self.proc.stdout.readline().decode()
            self.output += line
            if not line or (until and re.search(until, line)):
                return True
        return False

    def survivors(self):
        return harness.pids_where(lambda entry: harness.environ_has(entry, f"DEMO_RUN={self.tag}"))

    def end_survivors(self):
        for pid in self.survivors():
            os.kill(pid, signal.SIGKILL)

    def assert_ended(self, status):
        self.assertEqual(self.proc.wait(60), status, self.output)
        harness.wait_for(lambda: not self.survivors(), 10, "the demo's processes to end")
        self.assertEqual(harness.saved_screensave(self.prefix), self.found)

    def test_plays_the_typical_use_and_verifies_each_stage(self):
        self.assertTrue(self.read(240), self.output)
        self.assertEqual(re.findall(r"^\[(\d)/6\] ", self.output, re.MULTILINE),
                         ["1", "2", "3", "4", "5", "6"], self.output)
        self.assertIn(r"""b'"sakura 2026"\r\n'""", self.output)
        for name in ["1-vantor", "2-saved", "3-locked", "4-wrong", "5-end-task", "6-released",
                     "corvel"]:
            self.assertTrue((self.out / f"{name}.png").is_file(), name)
        self.assert_ended(0)

    def test_ctrl_c_while_locked_ends_all_and_restores_the_setting(self):
        self.assertTrue(self.read(180, r"^\[3/6\] Corvel locked"), self.output)
        os.killpg(self.proc.pid, signal.SIGINT)
        self.read(60)
        self.assertIn("Interrupted", self.output)
        self.assert_ended(130)


if __name__ == "__main__":
    unittest.main(verbosity=2)
