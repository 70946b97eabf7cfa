"""The real program's settings dialog on Wine's virtual desktop: what it shows and writes, the
run-program box, hidden buttons, About box, screenshots, over-long values, an unwritable file."""

import configparser
import os
import pathlib
import subprocess
import unittest

import harness
from report_server import SILENT, ReportServer

IDOK, IDCANCEL, IDM_ABOUTBOX, SC_CLOSE, VK_ESCAPE = 1, 2, 0x10, 0xF060, 0x1B
OVERWRITE, OUTPATH, OUTTYPE, EXENAME, RUNEXE, _, BROWSE_EXE, INSTALL, UNINSTALL = range(1000, 1009)
SETTINGS = r"C:\windows\zarvoprintsetup.ini"
EXISTING = ("; written by hand\r\n[printer]\r\nname=test\r\n[zarvoprinter]\r\nexe=1\r\n"
            "exename=C:\\工具\\conv.exe\r\nouttype=JPG\r\noutpath=D:\\图片\\\r\noverwrite=1\r\n"
            "[later]\r\nkey=value\r\n").encode("gbk")


class SettingsDialog(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = harness.Prefix("dialog", desktop=True)
        cls.exe, cls.ui = harness.stage_setup(cls.prefix), cls.prefix.tool
        cls.settings = cls.prefix.unix_path(SETTINGS)
        cls.addClassCleanup(cls.prefix.close)

    def open(self, settings=None, env=None, read_only=False):
        pathlib.Path(self.settings).unlink(missing_ok=True)
        if settings:
            self.prefix.write(SETTINGS, settings)
        if read_only:
            os.chmod(self.settings, 0o444)  # the read-only attribute, which root's writes ignore
            if os.geteuid() == 0 and subprocess.run(["chattr", "+i", self.settings]).returncode:
                self.skipTest("root, and no way to make a file read-only here")
            self.addCleanup(subprocess.run, ["chattr", "-i", self.settings])
        self.velmora = self.prefix.start(self.exe, env=env)
        self.addCleanup(self.velmora.kill)  # a failed test may have left it open
        self.dialog = self.ui("find", 30000, "Velmora")

    def shows(self, control_id, **expected):
        shown = self.ui("control", self.dialog, control_id)
        self.assertEqual({key: shown[key] for key in expected}, expected, control_id)

    def end(self, *command):  # the command closes the dialog, and the program ends with it
        self.ui(*command)
        self.assertEqual(self.velmora.wait(timeout=30), 0)

    def saved(self):
        ini = configparser.ConfigParser(interpolation=None)
        ini.read_string(self.prefix.read(SETTINGS).decode("gbk"))
        return {name: dict(ini[name]) for name in ini.sections()}

    def test_defaults_about_box_run_program_box_and_ok(self):
        self.open()
        self.shows(OUTTYPE, count=1, text="BMP")
        self.shows(OUTPATH, text="c:\\", enabled=True)
        self.shows(EXENAME, text="zarvoconv.exe", enabled=False)
        self.shows(BROWSE_EXE, enabled=False)
        self.shows(RUNEXE, check=0, text="输出文件后执行程序")
        self.shows(OVERWRITE, check=0, text="覆盖同名文件")
        self.shows(INSTALL, visible=False)
        self.shows(UNINSTALL, visible=False)
        dialog = self.ui("control", self.dialog, 0)["rect"]
        self.prefix.shoot("settings_dialog.png", dialog)

        self.ui("syscommand", self.dialog, IDM_ABOUTBOX)
        about = self.ui("find", 20000, "关于 Velmora")
        self.shows(0, enabled=False)  # the About box is modal
        # Wine's virtual desktop leaves a window unpainted while it lies wholly within another
        # window of the same program: the box is moved to reach below the dialog.
        self.ui("move", about, dialog[0] + 40, dialog[3] - 60)
        box = self.ui("control", about, 0)["rect"]
        self.prefix.shoot("about_box.png", dialog[:3] + [box[3]])
        self.ui("click", about, IDOK)
        self.shows(0, enabled=True)

        for check in (1, 0, 1):
            self.ui("click", self.dialog, RUNEXE)
            self.shows(RUNEXE, check=check)
            self.shows(EXENAME, enabled=check)
            self.shows(BROWSE_EXE, enabled=check)
        self.ui("settext", self.dialog, OUTPATH, "E:\\输出 文件")
        self.assertFalse(os.path.exists(self.settings))
        self.end("click", self.dialog, IDOK)
        self.assertEqual(self.saved(), {"zarvoprinter": {
            "exe": "1", "exename": "zarvoconv.exe", "outtype": "BMP", "outpath": "E:\\输出 文件",
            "overwrite": "0"}})

    def test_escape_cancel_and_close_box_write_nothing(self):
        for close, settings in (("key", None), ("click", EXISTING), ("syscommand", EXISTING)):
            self.open(settings)
            if settings:
                self.shows(OUTTYPE, count=1, text="JPG")
                self.shows(OUTPATH, text="D:\\图片\\")
                self.shows(EXENAME, text="C:\\工具\\conv.exe", enabled=True)
                self.shows(RUNEXE, check=1)
                self.shows(OVERWRITE, check=1)
            self.ui("settext", self.dialog, OUTPATH, "d:\\不要保存")
            self.ui("click", self.dialog, OVERWRITE)
            self.end(close, self.dialog, {"key": VK_ESCAPE, "click": IDCANCEL}.get(close,
                                                                                  SC_CLOSE))
            self.assertEqual(settings and self.prefix.read(SETTINGS), settings, close)
            self.assertEqual(os.path.exists(self.settings), bool(settings), close)

    def test_hidden_buttons_run_the_sequences_and_ok_keeps_other_sections(self):
        # The report threads wait for answers that never come; the dialog is not held up.
        with ReportServer(SILENT) as server:
            self.open(EXISTING, env=server.proxy_env())
            for button, action in ((INSTALL, "安装"), (UNINSTALL, "卸载")):
                self.ui("command", self.dialog, button)
                self.assertEqual(self.ui("box", 60000),
                                 ["Velmora", action + "Zarvo虚拟打印机驱动 成功 "])
                self.ui("settext", self.dialog, OUTPATH, f"c:\\{button}\\仍然可用")
                self.shows(OUTPATH, text=f"c:\\{button}\\仍然可用")
            self.assertEqual([line for line, _ in server.requests],
                             [harness.report_line("PrintInstall"),
                              harness.report_line("PrintUnInstall")])
            self.end("click", self.dialog, IDOK)
        self.assertEqual(self.saved(), {"printer": {"name": "test"}, "later": {"key": "value"},
                                        "zarvoprinter": {
            "exe": "1", "exename": "C:\\工具\\conv.exe", "outtype": "JPG",
            "outpath": f"c:\\{UNINSTALL}\\仍然可用", "overwrite": "1"}})

    def test_over_long_values_are_cut_and_the_rest_is_kept(self):
        self.open(b"[before]\r\nkeep=1\r\n[zarvoprinter]\r\nexename=" + b"a" * 65536 +
                  b"\r\noutpath=" + "中".encode("gbk") * 32768 + b"\r\n[after]\r\nalso=2\r\n")
        # 1023 bytes are kept; they end halfway through a character, which is dropped.
        self.shows(EXENAME, text="a" * 1023)
        self.shows(OUTPATH, text="中" * 511)
        self.end("click", self.dialog, IDOK)
        self.assertEqual(self.saved(), {"before": {"keep": "1"}, "after": {"also": "2"},
                                        "zarvoprinter": {
            "exename": "a" * 1023, "outpath": "中" * 511, "exe": "0", "outtype": "BMP",
            "overwrite": "0"}})

    def test_read_only_file_is_said_and_keeps_the_dialog_and_the_file(self):
        self.open(EXISTING, read_only=True)
        self.ui("settext", self.dialog, OUTPATH, "d:\\只读")
        self.ui("click", self.dialog, IDOK)
        self.assertEqual(self.ui("box", 20000),
                         ["Velmora", "无法保存设置文件 C:\\windows\\zarvoprintsetup.ini（错误代码 5）"])
        self.shows(OUTPATH, text="d:\\只读")
        self.end("click", self.dialog, IDCANCEL)
        self.assertEqual(self.prefix.read(SETTINGS), EXISTING)


if __name__ == "__main__":
    harness.describe()
    unittest.main(verbosity=2)
