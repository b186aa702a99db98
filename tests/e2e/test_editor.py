"""Vantor, the password editor, under Wine: what it shows, what it saves byte for byte, and what
it refuses. Each scenario runs its own copy of Vantor.exe in a fresh folder with its own password
file; make demo's test plays the first save and Corvel locking with it."""
import re
import unittest

from harness import E2ETestCase, scenario_folder, wait_for, windows_path

TITLE = "Vantor"
EDIT_CLASS = "VantorEdit"
NEW_PASS = 100
CHANGED = "ﾊﾟｽﾜｰﾄﾞを変更しました。"
OLD = b'"old"\r\n'


class EditorTestCase(E2ETestCase):
    def folder(self, name=None):
        """A fresh folder holding a copy of Vantor.exe."""
        return scenario_folder("editor", name or self._testMethodName, "Vantor.exe")

    def start(self, folder, content=None):
        """Writes the password file (unless content is None), starts Vantor and waits for its
        window; returns the process."""
        if content is not None:
            (folder / "password").write_bytes(content)
        proc = self.session.run(folder / "Vantor.exe", cwd=folder)
        self.session.wait_window(TITLE, EDIT_CLASS)
        return proc

    def box_text(self):
        return wait_for(lambda: self.session.message_text(TITLE), 20, "a message box")

    def shown(self):
        return self.session.control_text(TITLE, NEW_PASS, EDIT_CLASS)

    def save(self):
        """Presses Enter; returns the text of the message box that answers."""
        self.session.key("Return")
        return self.box_text()

    def dismiss(self, text):
        """Closes the message box showing text with Enter and checks that no box follows it."""
        self.session.key("Return")
        wait_for(lambda: self.session.message_text(TITLE) != text, 20, "the box to close")
        # Vantor answers this only from a message loop: its own, or that of a box it opened next.
        self.shown()
        self.assertIsNone(self.session.message_text(TITLE), "another message box followed")

    def close(self, proc):
        self.session.close_window(TITLE, EDIT_CLASS)
        self.assertEqual(proc.wait(), 0)


class EditorTest(EditorTestCase):
    def test_shows_the_first_field_and_saves_in_code_page_932(self):
        folder = self.folder()
        proc = self.start(folder, b'  " a, b " x,y\r\n"second"\r\n')
        self.assertEqual(self.shown(), " a, b ")
        # Half-width katakana are one byte each in code page 932.
        self.session.set_control_text(TITLE, NEW_PASS, "ｱｲ ﾊﾟｽ", EDIT_CLASS)
        self.assertEqual(self.save(), CHANGED)
        self.assertEqual((folder / "password").read_bytes(), b'"\xb1\xb2 \xca\xdf\xbd"\r\n')
        self.dismiss(CHANGED)
        self.assertEqual(self.shown(), "ｱｲ ﾊﾟｽ")
        self.close(proc)

    def test_what_the_lock_could_not_take_back_or_the_system_refuses_is_not_saved(self):
        rule = "パスワードに使えるのは半角の英数字・記号・空白と半角カタカナで、127 文字までです。"
        folder = self.folder()
        path = re.escape(windows_path(folder / "password"))
        cases = [  # text, the message
            ('ab"cd', re.escape('パスワードに二重引用符 (") は使えません。')),
            ("パスワード", re.escape("パスワードの文字「パ」は使えません。" + rule)),
            ("a\tb", re.escape("パスワードの文字「U+0009」は使えません。" + rule)),
            ("read-only", f"パスワードファイル「{path}」に保存できません: .+"),
        ]
        proc = self.start(folder, OLD)
        for text, pattern in cases:
            with self.subTest(text=text):
                if text == "read-only":
                    # Wine shows a file without write permission as one with the read-only
                    # attribute.
                    (folder / "password").chmod(0o444)
                self.session.set_control_text(TITLE, NEW_PASS, text, EDIT_CLASS)
                message = self.save()
                self.assertRegex(message, f"^{pattern}$")
                self.dismiss(message)
                self.assertEqual(self.shown(), text)
                self.assertEqual(sorted(p.name for p in folder.iterdir()),
                                 ["Vantor.exe", "password"])
                self.assertEqual((folder / "password").read_bytes(), OLD)
        self.close(proc)


if __name__ == "__main__":
    unittest.main(verbosity=2)
