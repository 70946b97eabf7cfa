"""The settings dialog of Velmora.exe end to end: started without a switch in a fresh prefix,
driven through tools/uidriver.exe, with the settings file checked on disk afterwards."""

import json
import os
import socket
import threading
import time
import unittest

import uidriver as ui
import winetest
from uidriver import (IDC_BROWSE_EXE, IDC_BROWSE_OUTPATH, IDC_EXENAME, IDC_INSTALL, IDC_OUTPATH,
                      IDC_OUTTYPE, IDC_OVERWRITE, IDC_RUNEXE, IDC_UNINSTALL, IDCANCEL, IDM_ABOUTBOX,
                      IDOK, SC_CLOSE)

SETTINGS = "C:\\windows\\zarvoprintsetup.ini"
KEYS = ["exe", "exename", "outtype", "outpath", "overwrite"]
# The report thread of the hidden buttons reaches nothing but a dead loopback port.
ENV = {"http_proxy": "http://127.0.0.1:9"}

EXISTING = ("; written by hand\r\n"
            "[printer]\r\n"
            "name=test\r\n"
            "[zarvoprinter]\r\n"
            "; the converter reads this section\r\n"
            "exe=1\r\n"
            "exename=C:\\工具\\conv.exe\r\n"
            "outtype=JPG\r\n"
            "outpath=D:\\图片\\\r\n"
            "overwrite=1\r\n"
            "[later]\r\n"
            "key=value\r\n").encode("gbk")


def read_lines(path):
    with open(path, "rb") as f:
        return [line.strip() for line in f.read().decode("gbk").splitlines() if line.strip()]


def section(lines, name):
    """The key=value lines of one section, in file order."""
    inside, found = False, []
    for line in lines:
        if line.startswith("["):
            inside = line.lower() == f"[{name}]"
        elif inside and "=" in line and not line.startswith(";"):
            found.append(tuple(line.split("=", 1)))
    return found


class SilentProxy:
    """A loopback proxy that takes connections and the request line, and never answers: the
    report threads stay blocked in their requests."""

    def __init__(self):
        self.server = socket.socket()
        self.server.bind(("127.0.0.1", 0))
        self.server.listen(8)
        self.server.settimeout(0.2)
        self.url = "http://127.0.0.1:%d" % self.server.getsockname()[1]
        self.requests, self.connections = [], []
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while not self.stopping.is_set():
            try:
                connection, _ = self.server.accept()
            except socket.timeout:
                continue
            self.connections.append(connection)
            connection.settimeout(10)
            try:
                self.requests.append(connection.recv(4096).split(b"\r\n", 1)[0])
            except OSError:
                pass

    def wait_requests(self, count, timeout=10):
        deadline = time.monotonic() + timeout
        while len(self.requests) < count and time.monotonic() < deadline:
            time.sleep(0.05)
        return self.requests

    def close(self):
        self.stopping.set()
        self.thread.join(timeout=10)
        for connection in self.connections:
            connection.close()
        self.server.close()


class DialogTest(unittest.TestCase):
    """Each test: a fresh prefix, Velmora.exe in dialog mode and a driver beside it."""

    def open_dialog(self, name, settings=None, env=ENV):
        self.prefix = winetest.Prefix(name)
        self.addCleanup(self.close_prefix)
        ui.use_virtual_desktop(self.prefix)
        self.settings = self.prefix.unix_path(SETTINGS)
        if settings is not None:
            with open(self.settings, "wb") as f:
                f.write(settings)
        self.velmora = self.prefix.start(winetest.velmora_exe(), env=env)
        self.ui = ui.UiDriver(self.prefix)
        self.dialog = self.ui.find("Velmora")
        return self.dialog

    def close_prefix(self):
        """Ends whatever still runs; a failed test may have left the dialog open."""
        if hasattr(self, "ui"):
            self.ui.close()
        self.prefix.close()
        if hasattr(self, "velmora"):
            self.velmora.stdout.close()
            self.velmora.stderr.close()

    def assert_ended(self):
        """The dialog is closed and the program has ended with it."""
        self.ui.wait_gone(self.dialog)
        self.assertIsNotNone(ui.wait_exit(self.velmora), "Velmora.exe still running")

    def assert_controls(self, **expected):
        for name, (control_id, fields) in expected.items():
            state = self.ui.control(self.dialog, control_id)
            for field, value in fields.items():
                self.assertEqual(state[field], value, f"{name}.{field}")


class SettingsDialog(DialogTest):
    def test_no_file_shows_defaults_and_ok_creates_file(self):
        self.open_dialog("defaults")
        self.assertFalse(os.path.exists(self.settings))
        self.assert_controls(
            format=(IDC_OUTTYPE, {"items": ["BMP"], "selected": 0, "text": "BMP"}),
            path=(IDC_OUTPATH, {"text": "c:\\", "enabled": True}),
            program=(IDC_EXENAME, {"text": "zarvoconv.exe", "enabled": False}),
            program_button=(IDC_BROWSE_EXE, {"text": "...", "enabled": False}),
            path_button=(IDC_BROWSE_OUTPATH, {"enabled": True}),
            run_program=(IDC_RUNEXE, {"check": 0, "text": "输出文件后执行程序"}),
            overwrite=(IDC_OVERWRITE, {"check": 0, "text": "覆盖同名文件"}),
            ok=(IDOK, {"text": "确定"}),
            cancel=(IDCANCEL, {"text": "取消"}))
        self.assertEqual(self.ui.focus_id(self.dialog), IDOK)

        self.ui.click(self.dialog, IDOK)
        self.assert_ended()
        lines = read_lines(self.settings)
        self.assertEqual(lines[0], "[zarvoprinter]")
        self.assertEqual(section(lines, "zarvoprinter"),
                         [("exe", "0"), ("exename", "zarvoconv.exe"), ("outtype", "BMP"),
                          ("outpath", "c:\\"), ("overwrite", "0")])

    def test_existing_file_loads_and_save_keeps_the_rest(self):
        self.open_dialog("existing", EXISTING)
        self.assert_controls(
            format=(IDC_OUTTYPE, {"items": ["JPG"], "selected": 0}),
            path=(IDC_OUTPATH, {"text": "D:\\图片\\"}),
            program=(IDC_EXENAME, {"text": "C:\\工具\\conv.exe", "enabled": True}),
            program_button=(IDC_BROWSE_EXE, {"enabled": True}),
            run_program=(IDC_RUNEXE, {"check": 1}),
            overwrite=(IDC_OVERWRITE, {"check": 1}))

        self.ui.set_text(self.dialog, IDC_OUTPATH, "E:\\输出 文件")
        self.ui.click(self.dialog, IDC_OVERWRITE)
        self.ui.click(self.dialog, IDOK)
        self.assert_ended()
        lines = read_lines(self.settings)
        self.assertEqual(section(lines, "zarvoprinter"),
                         [("exe", "1"), ("exename", "C:\\工具\\conv.exe"), ("outtype", "JPG"),
                          ("outpath", "E:\\输出 文件"), ("overwrite", "0")])
        for kept in ["; written by hand", "[printer]", "name=test",
                     "; the converter reads this section", "[later]", "key=value"]:
            self.assertIn(kept, lines)
        self.assertLess(lines.index("[printer]"), lines.index("[zarvoprinter]"))
        self.assertLess(lines.index("[zarvoprinter]"), lines.index("[later]"))

    def test_run_program_box_switches_the_program_controls(self):
        self.open_dialog("runexe")
        self.ui.click(self.dialog, IDC_RUNEXE)
        self.assert_controls(program=(IDC_EXENAME, {"enabled": True}),
                             program_button=(IDC_BROWSE_EXE, {"enabled": True}),
                             run_program=(IDC_RUNEXE, {"check": 1}))
        self.ui.set_text(self.dialog, IDC_EXENAME, "C:\\程序\\打开.exe")

        # Tab visits every enabled control and never the two hidden buttons.
        self.assertFalse(self.ui.control(self.dialog, IDC_INSTALL)["visible"])
        self.assertFalse(self.ui.control(self.dialog, IDC_UNINSTALL)["visible"])
        visited = []
        for _ in range(20):
            self.ui.key(self.dialog, "tab")
            visited.append(self.ui.focus_id(self.dialog))
        self.assertEqual(set(visited), {IDOK, IDCANCEL, IDC_OVERWRITE, IDC_OUTPATH, IDC_OUTTYPE,
                                        IDC_EXENAME, IDC_RUNEXE, IDC_BROWSE_OUTPATH,
                                        IDC_BROWSE_EXE})

        self.ui.click(self.dialog, IDC_RUNEXE)
        self.assert_controls(program=(IDC_EXENAME, {"enabled": False, "text": "C:\\程序\\打开.exe"}),
                             program_button=(IDC_BROWSE_EXE, {"enabled": False}),
                             run_program=(IDC_RUNEXE, {"check": 0}))

        # Enter with the focus on no push button is OK.
        for _ in range(20):
            if self.ui.focus_id(self.dialog) == IDC_OUTPATH:
                break
            self.ui.key(self.dialog, "tab")
        self.assertEqual(self.ui.focus_id(self.dialog), IDC_OUTPATH)
        self.ui.call("key", self.dialog, "enter")
        self.assert_ended()
        self.assertEqual(section(read_lines(self.settings), "zarvoprinter")[:2],
                         [("exe", "0"), ("exename", "C:\\程序\\打开.exe")])


class Browsers(DialogTest):
    # Controls of Wine's folder browser and open-file dialog.
    BROWSER_TITLE, FILE_NAME, FILE_TYPES = 0x3742, 0x47C, 0x470

    def open_chooser(self, button, caption):
        self.ui.post_click(self.dialog, button)
        chooser = self.ui.find(caption)
        self.assertEqual(int(self.ui.window(chooser)["owner"]), self.dialog)
        return chooser

    def press(self, chooser, button):
        self.ui.post_click(chooser, button)
        self.ui.wait_gone(chooser)
        self.ui.sync(self.dialog)

    def test_chosen_folder_and_program_replace_their_texts_until_cancel(self):
        self.open_dialog("browsers")
        self.ui.click(self.dialog, IDC_RUNEXE)
        self.ui.set_text(self.dialog, IDC_EXENAME, "d:\\未保存.exe")

        browser = self.open_chooser(IDC_BROWSE_OUTPATH, "选择文件夹")
        self.assertEqual(self.ui.text(browser, self.BROWSER_TITLE), "请选择路径: ")
        self.press(browser, IDCANCEL)
        self.assertEqual(self.ui.text(self.dialog, IDC_OUTPATH), "c:\\")
        # OK on the browser's first folder, the desktop: its file-system path.
        browser = self.open_chooser(IDC_BROWSE_OUTPATH, "选择文件夹")
        self.press(browser, IDOK)
        folder = self.ui.text(self.dialog, IDC_OUTPATH)
        self.assertTrue(os.path.isdir(self.prefix.unix_path(folder)), folder)
        self.assertEqual(self.ui.text(self.dialog, IDC_EXENAME), "d:\\未保存.exe")

        chooser = self.open_chooser(IDC_BROWSE_EXE, "打开")
        self.assertEqual(self.ui.control(chooser, self.FILE_TYPES)["items"],
                         ["可执行程序 (*.exe)"])
        self.press(chooser, IDCANCEL)
        self.assertEqual(self.ui.text(self.dialog, IDC_EXENAME), "d:\\未保存.exe")
        program = self.prefix.unix_path("C:\\工具\\转换.exe")
        os.makedirs(os.path.dirname(program))
        open(program, "wb").close()
        chooser = self.open_chooser(IDC_BROWSE_EXE, "打开")
        self.ui.set_text(chooser, self.FILE_NAME, "C:\\工具\\转换")  # the default extension follows
        self.press(chooser, IDOK)
        self.assert_controls(program=(IDC_EXENAME, {"text": "C:\\工具\\转换.exe"}),
                             path=(IDC_OUTPATH, {"text": folder}),
                             run_program=(IDC_RUNEXE, {"check": 1}))

        self.ui.click(self.dialog, IDCANCEL)
        self.assert_ended()
        self.assertFalse(os.path.exists(self.settings))


class ClosingWithoutOk(DialogTest):
    """Esc, Cancel and the close box end the program and write nothing."""

    def close_and_check(self, name, close, settings=None):
        self.open_dialog(name, settings)
        self.ui.set_text(self.dialog, IDC_OUTPATH, "d:\\不要保存")
        self.ui.click(self.dialog, IDC_OVERWRITE)
        close()
        self.assert_ended()
        if settings is None:
            self.assertFalse(os.path.exists(self.settings))
        else:
            with open(self.settings, "rb") as f:
                self.assertEqual(f.read(), settings)

    def test_escape(self):
        self.close_and_check("esc", lambda: self.ui.call("key", self.dialog, "esc"))

    def test_cancel_button(self):
        self.close_and_check("cancel", lambda: self.ui.click(self.dialog, IDCANCEL), EXISTING)

    def test_close_box(self):
        self.close_and_check("closebox", lambda: self.ui.syscommand(self.dialog, SC_CLOSE),
                             EXISTING)


class HiddenButtonsAndAbout(DialogTest):
    def run_sequence(self, control_id, action):
        """Sends the click command of a hidden button; the sequence's own boxes may come first,
        the handler's outcome box last. Returns the outcome box's text."""
        self.ui.command(self.dialog, control_id)
        for _ in range(10):
            box = self.ui.dismiss_box(timeout_ms=120000)
            self.assertEqual(box["caption"], "Velmora")
            if box["text"].startswith(action):
                return box["text"]
        self.fail(f"no outcome box for {action}")

    def assert_responsive(self):
        self.ui.set_text(self.dialog, IDC_OUTPATH, "c:\\仍然可用")
        self.assertEqual(self.ui.text(self.dialog, IDC_OUTPATH), "c:\\仍然可用")
        self.assertTrue(self.ui.window(self.dialog)["enabled"])

    def test_install_and_uninstall_commands_report_their_outcome(self):
        # The report threads are still waiting for an answer when the dialog closes; the
        # program ends all the same.
        proxy = SilentProxy()
        self.addCleanup(proxy.close)
        self.open_dialog("sequences", env={"http_proxy": proxy.url})
        # A bare prefix has no driver package: the install cannot succeed.
        self.assertEqual(self.run_sequence(IDC_INSTALL, "安装Zarvo虚拟打印机驱动 "),
                         "安装Zarvo虚拟打印机驱动 失败 ")
        self.assert_responsive()

        # The uninstall's outcome box through the driver's single-command form, as other
        # tests use it: the box's caption and text alone, OK pressed, exit code 0.
        self.ui.command(self.dialog, IDC_UNINSTALL)
        result = self.prefix.run(winetest.tool("uidriver"), "dismiss-box", "60000", timeout=120)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertEqual(json.loads(result.stdout.decode("utf-8")),
                         {"caption": "Velmora", "text": "卸载Zarvo虚拟打印机驱动 失败 "})
        self.assert_responsive()

        requests = proxy.wait_requests(2)
        self.assertEqual(len(requests), 2, requests)
        self.assertIn(b"/zarvoprinter/servlet/PrintInstall ", requests[0])
        self.assertIn(b"/zarvoprinter/servlet/PrintUnInstall ", requests[1])
        self.ui.click(self.dialog, IDCANCEL)
        self.assert_ended()
        self.assertFalse(os.path.exists(self.settings))
        self.assertEqual(self.prefix.run(winetest.tool("uidriver"), "dismiss-box", "300",
                                         timeout=60).returncode, 1)

    def test_about_box_opens_over_the_dialog_which_keeps_its_state(self):
        self.open_dialog("about")
        self.ui.set_text(self.dialog, IDC_OUTPATH, "f:\\关于之前")
        self.ui.click(self.dialog, IDC_OVERWRITE)

        for close in ("ok", "esc"):
            self.ui.syscommand(self.dialog, IDM_ABOUTBOX)
            about = self.ui.find("关于 Velmora")
            self.assertEqual(int(self.ui.window(about)["owner"]), self.dialog)
            self.assertFalse(self.ui.window(self.dialog)["enabled"], "About box is not modal")
            self.assertEqual(self.ui.text(about, IDOK), "确定")
            if close == "ok":
                self.ui.post_click(about, IDOK)
            else:
                self.ui.call("key", about, "esc")
            self.ui.wait_gone(about)
            self.ui.sync(self.dialog)
            self.assertTrue(self.ui.window(self.dialog)["enabled"])

        self.assert_controls(path=(IDC_OUTPATH, {"text": "f:\\关于之前"}),
                             overwrite=(IDC_OVERWRITE, {"check": 1}))
        self.ui.click(self.dialog, IDOK)
        self.assert_ended()
        self.assertEqual(section(read_lines(self.settings), "zarvoprinter")[3:],
                         [("outpath", "f:\\关于之前"), ("overwrite", "1")])


class Screenshots(DialogTest):
    def test_settings_dialog_and_about_box_are_captured(self):
        self.open_dialog("screenshots")
        directory = ui.screenshot_dir()
        shots = [os.path.join(directory, "settings_dialog.png"),
                 os.path.join(directory, "about_box.png")]
        for shot in shots:
            if os.path.exists(shot):
                os.remove(shot)

        self.ui.sync(self.dialog)
        dialog_rect = self.ui.window(self.dialog)["rect"]
        ui.capture(self.prefix, shots[0], dialog_rect)

        self.ui.syscommand(self.dialog, IDM_ABOUTBOX)
        about = self.ui.find("关于 Velmora")
        # Wine's virtual desktop leaves a window unpainted while it lies wholly within another
        # window of the same program: let the box reach below the dialog.
        rect = self.ui.window(about)["rect"]
        x = dialog_rect[0] + (dialog_rect[2] - dialog_rect[0] - (rect[2] - rect[0])) // 2
        y = dialog_rect[3] - (rect[3] - rect[1]) // 2
        rect = self.ui.move(about, x, y)
        self.ui.sync(about)
        ui.capture(self.prefix, shots[1], [min(rect[0], dialog_rect[0]),
                                           min(rect[1], dialog_rect[1]),
                                           max(rect[2], dialog_rect[2]),
                                           max(rect[3], dialog_rect[3])])
        self.ui.post_click(about, IDOK)
        self.ui.wait_gone(about)
        self.ui.click(self.dialog, IDCANCEL)
        self.assert_ended()

        for shot in shots:
            with open(shot, "rb") as f:
                self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n", shot)


if __name__ == "__main__":
    winetest.main()
