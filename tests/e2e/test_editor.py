"""Vantor, the password editor, under Wine: what it refuses to save, and that the refusal leaves
the file, the box and the window as they were. make demo's test plays a save and Corvel locking
with it; the Win32 file test checks the bytes in code page 932."""
import re
import unittest

from harness import E2ETestCase, scenario_folder, wait_for, windows_path

TITLE, EDIT_CLASS, NEW_PASS = "Vantor", "VantorEdit", 100
OLD = b'"old"\r\n'
RULE = "パスワードに使えるのは半角の英数字・記号・空白と半角カタカナで、127 文字までです。"


class EditorTest(E2ETestCase):
    def message(self):
        return self.session.message_text(TITLE)

    def test_what_the_lock_could_not_take_back_or_the_system_refuses_is_not_saved(self):
        folder = scenario_folder("editor", self._testMethodName, "Vantor.exe")
        (folder / "password").write_bytes(OLD)
        path = re.escape(windows_path(folder / "password"))
        cases = [  # text, the message
            ('ab"cd', re.escape('パスワードに二重引用符 (") は使えません。')),
            ("パスワードx", re.escape("パスワードに使えない文字「パ」があります。" + RULE)),
            ("a\tb", re.escape("パスワードに使えない文字「U+0009」があります。" + RULE)),
            ("x" * 128, re.escape("パスワードが長すぎます。" + RULE)),
            ("read-only", f"パスワードファイル「{path}」に保存できません: .+"),
        ]
        proc = self.session.run(folder / "Vantor.exe", cwd=folder)
        self.session.wait_window(TITLE, EDIT_CLASS)
        for text, pattern in cases:
            with self.subTest(text=text):
                if text == "read-only":
                    # Wine shows a file without write permission as a read-only one.
                    (folder / "password").chmod(0o444)
                # The last character, a letter, typed at the end as a person would: a box that
                # stops at the length would refuse it.
                self.session.set_control_text(TITLE, NEW_PASS, text[:-1], EDIT_CLASS)
                self.session.key("End", text[-1])
                self.session.key("Return")
                shown = wait_for(self.message, 20, "a message box")
                self.assertRegex(shown, f"^{pattern}$")
                self.session.key("Return")
                wait_for(lambda: self.message() != shown, 20, "the box to close")
                # Vantor answers this only from a message loop: its own, or a next box's.
                self.assertEqual(self.session.control_text(TITLE, NEW_PASS, EDIT_CLASS), text)
                self.assertIsNone(self.message(), "another message box followed")
                self.assertEqual(sorted(p.name for p in folder.iterdir()),
                                 ["Vantor.exe", "password"])
                self.assertEqual((folder / "password").read_bytes(), OLD)
        self.session.close_window(TITLE, EDIT_CLASS)
        self.assertEqual(proc.wait(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
