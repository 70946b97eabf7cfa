"""Python side of tools/uidriver.exe: one driver process per prefix in its serve mode, each
command a tab-separated line, each answer a line of JSON; and the virtual desktop and screen
captures that the dialog tests use."""

import json
import os
import shutil
import subprocess
import time

import winetest

# Dialog and control ids of Velmora.exe.
IDOK, IDCANCEL = 1, 2
IDC_OVERWRITE, IDC_OUTPATH, IDC_OUTTYPE, IDC_EXENAME = 1000, 1001, 1002, 1003
IDC_RUNEXE, IDC_BROWSE_OUTPATH, IDC_BROWSE_EXE = 1004, 1005, 1006
IDC_INSTALL, IDC_UNINSTALL = 1007, 1008
IDM_ABOUTBOX = 0x10
SC_CLOSE = 0xF060

WAIT_MS = 20000


class DriverError(AssertionError):
    pass


class UiDriver:
    """uidriver.exe serve, inside the prefix, so it shares the desktop with the program."""

    def __init__(self, prefix):
        self.process = subprocess.Popen(
            [winetest.wine_loader(), winetest.tool("uidriver"), "serve"], env=prefix.env,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        prefix.children.append(self.process)

    def close(self):
        try:
            if self.process.poll() is None:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.flush()
                self.process.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait(timeout=10)
        for pipe in (self.process.stdin, self.process.stdout):
            try:
                pipe.close()
            except OSError:
                pass

    def call(self, *args, check=True):
        line = "\t".join(str(a) for a in args) + "\n"
        self.process.stdin.write(line.encode("utf-8"))
        self.process.stdin.flush()
        # Every command is bounded inside the driver; a dead driver gives an empty line.
        answer = self.process.stdout.readline()
        if not answer:
            raise DriverError(f"uidriver ended during {args!r}")
        result = json.loads(answer.decode("utf-8"))
        if check and not result.get("ok"):
            raise DriverError(f"{args!r}: {result.get('error')}")
        return result

    def find(self, caption, kind="#32770", timeout_ms=WAIT_MS):
        return self.call("find", caption, kind, timeout_ms)["hwnd"]

    def control(self, dialog, control_id):
        return self.call("control", dialog, control_id)

    def text(self, dialog, control_id):
        return self.control(dialog, control_id)["text"]

    def set_text(self, dialog, control_id, text):
        self.call("settext", dialog, control_id, text)

    def click(self, dialog, control_id):
        """A click on a button whose handler returns at once."""
        self.call("click", dialog, control_id)

    def post_click(self, dialog, control_id):
        """A click on a button whose handler opens a modal window."""
        self.call("post-click", dialog, control_id)

    def command(self, dialog, control_id):
        self.call("command", dialog, control_id)

    def syscommand(self, dialog, command):
        self.call("syscommand", dialog, command)

    def key(self, dialog, name):
        self.call("key", dialog, name)
        self.sync(dialog)

    def sync(self, window):
        self.call("sync", window)

    def focus_id(self, dialog):
        return self.call("focus", dialog)["id"]

    def window(self, hwnd):
        return self.call("window", hwnd)["window"]

    def alive(self, hwnd):
        return self.call("alive", hwnd)["alive"]

    def wait_gone(self, hwnd, timeout_ms=WAIT_MS):
        self.call("wait-gone", hwnd, timeout_ms)

    def box(self, timeout_ms=WAIT_MS):
        return self.call("box", timeout_ms)

    def dismiss_box(self, timeout_ms=WAIT_MS):
        return self.call("dismiss-box", timeout_ms)

    def move(self, hwnd, x, y):
        return self.call("move", hwnd, x, y)["rect"]


def use_virtual_desktop(prefix, size="800x600"):
    """Runs the prefix's programs on Wine's virtual desktop, which draws frames and captions
    where Xvfb has no window manager; also spares the wait Wine makes for a window manager
    to confirm each closed window. Set before the prefix's wine server starts."""
    with open(os.path.join(prefix.path, "user.reg"), "a", encoding="utf-8") as f:
        f.write("\n[Software\\\\Wine\\\\Explorer]\n\"Desktop\"=\"Default\"\n"
                f"\n[Software\\\\Wine\\\\Explorer\\\\Desktops]\n\"Default\"=\"{size}\"\n")
    # Wine's own symbol font for the caption buttons, where the host has it.
    marlett = "/usr/share/wine/fonts/marlett.ttf"
    if os.path.exists(marlett):
        shutil.copy(marlett, prefix.unix_path("C:\\windows\\Fonts"))


def screenshot_dir():
    return os.environ.get("VELMORA_SCREENSHOT_DIR") or os.path.join(
        os.path.dirname(winetest.SESSION_DIR), "screenshots")


def capture(prefix, path, rect, margin=12):
    """Saves the part of the screen around `rect` (virtual-desktop coordinates, the desktop
    at the screen's origin) as a PNG file."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    time.sleep(0.5)  # painting waits until the program's queue is otherwise empty
    left, top = max(rect[0] - margin, 0), max(rect[1] - margin, 0)
    width, height = rect[2] + margin - left, rect[3] + margin - top
    xwd = subprocess.run(["xwd", "-root", "-silent", "-display", prefix.env["DISPLAY"]],
                         capture_output=True, timeout=60, check=True)
    subprocess.run(["convert", "xwd:-", "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                    "png:" + path], input=xwd.stdout, capture_output=True, timeout=60, check=True)


def wait_exit(process, timeout=30):
    """The program's end, bounded."""
    deadline = time.monotonic() + timeout
    while process.poll() is None and time.monotonic() < deadline:
        time.sleep(0.05)
    return process.poll()
