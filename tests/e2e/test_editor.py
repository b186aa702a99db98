"""Vantor, the password editor, under Wine: what it shows, what it saves byte for byte, what it
refuses, and that Corvel then locks with the saved password. Each scenario runs its own copy of
Vantor.exe in a fresh folder with its own password file."""
import os
import re
import stat
import unittest

from harness import MESSAGE_BOX, E2ETestCase, scenario_folder, wait_for, windows_path

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

    def type_over(self, text):
        """Replaces the box's text by typing, as a person does."""
        self.session.key("End", "shift+Home", "BackSpace")
        if text:
            self.session.type_text(text)
        wait_for(lambda: self.shown() == text, 10, f"{text!r} in the box")

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
    def test_shows_the_first_field_and_saves_each_text_as_one_record(self):
        folder = self.folder()
        proc = self.start(folder, b'  " a, b " x,y\r\n"second"\r\n')
        self.assertEqual(self.shown(), " a, b ")
        self.type_over("new pass, 1")
        self.assertEqual(self.save(), CHANGED)
        self.assertEqual((folder / "password").read_bytes(), b'"new pass, 1"\r\n')
        self.dismiss(CHANGED)
        self.assertEqual(self.shown(), "new pass, 1")
        # Half-width katakana are one byte each in code page 932.
        self.session.set_control_text(TITLE, NEW_PASS, "ｱｲ ﾊﾟｽ", EDIT_CLASS)
        self.assertEqual(self.save(), CHANGED)
        self.assertEqual((folder / "password").read_bytes(), b'"\xb1\xb2 \xca\xdf\xbd"\r\n')
        self.dismiss(CHANGED)
        self.close(proc)
        proc = self.start(folder)
        self.assertEqual(self.shown(), "ｱｲ ﾊﾟｽ")
        self.close(proc)

    def test_no_file_shows_an_empty_box_and_the_save_creates_it(self):
        folder = self.folder()
        proc = self.start(folder)
        self.assertEqual(self.shown(), "")
        self.type_over("first")
        self.assertEqual(self.save(), CHANGED)
        self.assertEqual((folder / "password").read_bytes(), b'"first"\r\n')
        self.dismiss(CHANGED)
        self.close(proc)


class EditorRefusalTest(EditorTestCase):
    def assert_refused(self, folder, text, pattern):
        """Enter gives an error box whose text matches pattern; the file and the box's text stay
        as they were, and the window stays open."""
        message = self.save()
        self.assertRegex(message, pattern)
        self.assertEqual((folder / "password").read_bytes(), OLD)
        self.dismiss(message)
        self.assertEqual(self.shown(), text)
        self.assertEqual(sorted(p.name for p in folder.iterdir()), ["Vantor.exe", "password"])

    def test_text_the_lock_could_not_take_back_is_refused(self):
        rule = "パスワードに使えるのは半角の英数字・記号・空白と半角カタカナで、127 文字までです。"
        cases = [  # text, the message
            ('ab"cd', 'パスワードに二重引用符 (") は使えません。'),
            ("パスワード", "パスワードの文字「パ」は使えません。" + rule),
            ("a\tb", "パスワードの文字「U+0009」は使えません。" + rule),
        ]
        folder = self.folder()
        proc = self.start(folder, OLD)
        for text, message in cases:
            with self.subTest(text=text):
                self.session.set_control_text(TITLE, NEW_PASS, text, EDIT_CLASS)
                self.assert_refused(folder, text, "^" + re.escape(message) + "$")
        self.close(proc)

    def test_read_only_file_is_refused(self):
        folder = self.folder()
        (folder / "password").write_bytes(OLD)
        # Wine shows a file without write permission as one with the read-only attribute.
        (folder / "password").chmod(0o444)
        proc = self.start(folder)
        self.type_over("new")
        path = re.escape(windows_path(folder / "password"))
        self.assert_refused(folder, "new", f"^パスワードファイル「{path}」に保存できません: .+")
        self.assertEqual(stat.S_IMODE(os.stat(folder / "password").st_mode), 0o444)
        self.close(proc)

    def test_unreadable_file_is_reported_and_ends_the_program(self):
        folder = self.folder()
        # A folder in the file's place: the system refuses to open it for reading.
        (folder / "password").mkdir()
        proc = self.session.run(folder / "Vantor.exe", cwd=folder)
        message = self.box_text()
        path = re.escape(windows_path(folder / "password"))
        self.assertRegex(message, f"^パスワードファイル「{path}」を読み込めません: .+")
        editor = self.session.window(TITLE, EDIT_CLASS)
        self.assertFalse(editor is not None and editor.visible)
        self.session.key("Return")
        self.assertNotEqual(proc.wait(), 0)
        self.assertEqual(list((folder / "password").iterdir()), [])
        self.assertEqual(sorted(p.name for p in folder.iterdir()), ["Vantor.exe", "password"])


class RoundTripTest(EditorTestCase):
    def test_corvel_locks_with_the_password_vantor_saved(self):
        folder = scenario_folder("editor", self._testMethodName, "Vantor.exe", "Corvel.exe")
        proc = self.start(folder, OLD)
        self.type_over("new")
        self.assertEqual(self.save(), CHANGED)
        self.dismiss(CHANGED)
        self.close(proc)

        lock = self.session.run(folder / "Corvel.exe", cwd=folder)
        self.session.wait_window("Corvel", "CorvelMain")
        entry = ("Edit", 0)
        self.session.set_control_text("Corvel", entry, "old", "CorvelMain")
        self.session.press_button("Corvel", ("Button", 0), "CorvelMain")
        wait_for(lambda: self.session.control_text("Corvel", entry, "CorvelMain") == "", 20,
                 "Corvel to refuse the old password and empty its box")
        self.assertTrue(lock.alive())
        self.session.set_control_text("Corvel", entry, "new", "CorvelMain")
        self.session.press_button("Corvel", ("Button", 0), "CorvelMain")
        self.assertEqual(lock.wait(), 0)
        self.assertEqual((folder / "password").read_bytes(), b'"new"\r\n')


if __name__ == "__main__":
    unittest.main(verbosity=2)
