"""The real program's settings dialog on Wine's virtual desktop: what it shows and writes, the
run-program box, hidden buttons, About box, an unwritable file; then on an English Windows and
at 150%, with screenshots."""

import configparser
import os
import pathlib
import subprocess
import unittest

import harness
from harness import PRINTER
from report_server import SILENT, ReportServer

IDOK, IDCANCEL, IDM_ABOUTBOX, SC_CLOSE, VK_ESCAPE = 1, 2, 0x10, 0xF060, 0x1B
OVERWRITE, OUTPATH, OUTTYPE, EXENAME, RUNEXE, _, BROWSE_EXE, INSTALL, UNINSTALL = range(1000, 1009)
SETTINGS = r"C:\windows\zarvoprintsetup.ini"
ENGLISH, CHINESE = "C.UTF-8", "zh_CN.UTF-8"
UNSAVABLE = "输出文件路径或程序名中有本系统的代码页无法保存的字符，设置未保存。请修改后再按确定。"
# Button styles: push buttons, check boxes and the group box that frames the others.
PUSH, CHECK, GROUP = (0, 1), (2, 3, 5, 6), 7
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
        self.ui("syscommand", self.dialog, IDM_ABOUTBOX)
        about = self.ui("find", 20000, "关于 Velmora")
        self.shows(0, enabled=False)  # the About box is modal
        self.ui("click", about, IDOK)
        self.shows(0, enabled=True)

        for check in (1, 0, 1):
            self.ui("click", self.dialog, RUNEXE)
            self.shows(RUNEXE, check=check)
            self.shows(EXENAME, enabled=check)
            self.shows(BROWSE_EXE, enabled=check)
        self.ui("settext", self.dialog, OUTPATH, "E:\\输出 文件")
        self.end("click", self.dialog, IDOK)
        self.assertEqual(self.saved(), {"zarvoprinter": {
            "exe": "1", "exename": "zarvoconv.exe", "outtype": "BMP", "outpath": "E:\\输出 文件",
            "overwrite": "0"}})

    def test_escape_or_the_close_box_write_nothing(self):
        for close in ("key", "syscommand"):
            self.open(EXISTING)
            self.shows(OUTPATH, text="D:\\图片\\")
            self.ui("settext", self.dialog, OUTPATH, "d:\\不要保存")
            self.end(close, self.dialog, VK_ESCAPE if close == "key" else SC_CLOSE)
            self.assertEqual(self.prefix.read(SETTINGS), EXISTING, close)

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

    def test_read_only_file_is_said_and_keeps_the_dialog_and_the_file(self):
        self.open(EXISTING, read_only=True)
        self.ui("settext", self.dialog, OUTPATH, "d:\\只读")
        self.ui("click", self.dialog, IDOK)
        self.assertEqual(self.ui("box", 20000),
                         ["Velmora", "无法保存设置文件 C:\\windows\\zarvoprintsetup.ini（错误代码 5）"])
        self.shows(OUTPATH, text="d:\\只读")
        self.end("click", self.dialog, IDCANCEL)
        self.assertEqual(self.prefix.read(SETTINGS), EXISTING)


class OtherWindows(unittest.TestCase):
    """An English Windows (code page 1252) and 150% (144 dpi): texts read right, names are right,
    unsavable paths are refused, no control's text is clipped and no two controls overlap."""

    def open_dialog(self, lang, dpi):
        prefix = harness.Prefix(f"{lang[:2]}-{dpi}", desktop=True, lang=lang, dpi=dpi)
        self.addCleanup(prefix.close)
        exe = harness.stage_setup(prefix)
        prefix.start(exe)
        return prefix, exe, prefix.tool("find", 30000, "Velmora")

    def assert_laid_out(self, prefix, dialog, dpi):
        """Every text fits its control in the dialog's font; no two controls overlap."""
        scale, boxes = dpi / 96, []
        for kind, style, left, top, right, bottom, text, width, height in prefix.tool(
                "layout", dialog):
            button = style & 0xF if kind == "Button" else None
            margin = (17 if button in CHECK else 12 if button == GROUP else
                      6 if button in PUSH else 0) * scale  # the box and its gap, the frame
            if kind in ("Button", "Static") and text:
                self.assertLessEqual(width + margin, right - left, (text, dpi))
                self.assertLessEqual(height, bottom - top, (text, dpi))
            if button != GROUP:
                boxes.append((left, top, right, bottom, text or kind))
        for i, a in enumerate(boxes):
            for b in boxes[i + 1:]:
                overlap = min(a[2], b[2]) > max(a[0], b[0]) and min(a[3], b[3]) > max(a[1], b[1])
                self.assertFalse(overlap, (a, b, dpi))

    def test_on_an_english_windows_the_texts_read_and_name_things_right(self):
        prefix, exe, dialog = self.open_dialog(ENGLISH, 96)
        self.assertEqual(prefix.tool("control", dialog, IDOK)["text"], "确定")
        # The hidden install button: the queue under its real name, said in a box that reads.
        prefix.tool("command", dialog, INSTALL)
        self.assertEqual(prefix.tool("box", 60000), ["Velmora", "安装Zarvo虚拟打印机驱动 成功 "])
        self.assertEqual(prefix.tool("spooler", PRINTER)["queue"][0], PRINTER)
        # A path code page 1252 cannot hold is refused, the dialog kept, nothing written.
        prefix.tool("settext", dialog, OUTPATH, "E:\\输出2")
        prefix.tool("click", dialog, IDOK)
        self.assertEqual(prefix.tool("box", 20000), ["Velmora", UNSAVABLE])
        self.assertEqual(prefix.tool("control", dialog, OUTPATH)["text"], "E:\\输出2")
        self.assertFalse(os.path.exists(prefix.unix_path(SETTINGS)))
        prefix.tool("click", dialog, IDCANCEL)
        # Unattended: uninstalled by its real name, and installed again.
        for switches, queue in (("-u -q", None), ("-i -q", PRINTER)):
            run = prefix.tool("run", 25000, f'"{exe}" {switches}')
            self.assertEqual((run["exit"], run["boxes"]), (0, []), switches)
            state = prefix.tool("spooler", PRINTER)
            self.assertEqual(state["queue"] and state["queue"][0], queue, switches)
        self.assertEqual(state["default"], PRINTER)  # the default printer by its real name too

    def test_at_96_and_144_dpi_every_text_fits_and_no_controls_overlap(self):
        for lang, dpi in ((CHINESE, 96), (CHINESE, 144), (ENGLISH, 144)):
            with self.subTest(lang=lang, dpi=dpi):
                prefix, _, dialog = self.open_dialog(lang, dpi)
                self.assert_laid_out(prefix, dialog, dpi)
                if lang == CHINESE:
                    prefix.shoot(f"settings_dialog_{dpi}dpi.png",
                                 prefix.tool("control", dialog, 0)["rect"])


if __name__ == "__main__":
    harness.describe()
    unittest.main(verbosity=2)
