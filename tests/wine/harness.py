"""Runs Velmora.exe under Wine for the end-to-end tests: a template prefix booted once per ctest
run (`harness.py start|stop`), a throwaway copy of it per test on an Xvfb display of its own,
the Chinese locale, a bound on every wait, and wintool.exe for what the tests look at inside."""

import ctypes
import json
import os
import pathlib
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WINE = "/usr/lib/wine"
BIN_DIR = os.environ.get("VELMORA_WINE_BIN", "")
BITS = os.environ.get("VELMORA_WINE_BITS", "32")
SESSION_DIR = os.environ.get("VELMORA_WINE_SESSION", "")
REPORT_HOST = os.environ.get("VELMORA_REPORT_HOST", "")
SHOTS_DIR = os.environ.get("VELMORA_SCREENSHOT_DIR", "")
TEMPLATE = os.path.join(SESSION_DIR, "template")
FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures", "driver")
PRINTER, PORT = "Zarvo虚拟打印机", "zarvoPrinter Port"


def wine_loader():
    return os.path.join(WINE, "wine64" if BITS == "64" else "wine")


def tool_path(directory, name):
    return os.path.join(BIN_DIR, directory, name + ".exe")


def velmora_exe():
    return os.path.join(BIN_DIR, "Velmora.exe")


def report_line(path):  # as the proxy sees it
    return f"GET http://{REPORT_HOST}:80/zarvoprinter/servlet/{path} HTTP/1.0"


def start_xvfb():
    """Xvfb on a free display of its choice; it ends with this process, whatever ends that."""
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten",
                             "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL))
    if not select.select([xvfb.stdout], [], [], 30)[0]:
        xvfb.kill()
        raise RuntimeError("Xvfb did not start")
    return ":" + xvfb.stdout.readline().decode().strip(), xvfb


def wine_env(prefix, display):
    env = {k: v for k, v in os.environ.items() if not k.lower().endswith("_proxy")}
    return dict(env, WINEPREFIX=prefix, DISPLAY=display, WINEDEBUG="-all",
                # No Mono/Gecko prompts, no menu entries on the host; our printui.dll first.
                WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=;printui=n",
                LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8",
                # Dead loopback ports: no host printers, no report leaves without a test's server.
                CUPS_SERVER="127.0.0.1:9", http_proxy="http://127.0.0.1:9")


def describe():
    """The first line of every run's output: which build of the program is tested."""
    print(f"Wine suite: the {BITS}-bit build, {velmora_exe()}", flush=True)


def start():
    describe()
    stop()
    os.makedirs(SESSION_DIR)
    display, xvfb = start_xvfb()
    env = wine_env(TEMPLATE, display)
    # A crash must fail the test, not wait for someone to close winedbg's dialog.
    for args in (["wineboot", "-i"], ["reg", "add", r"HKCU\Software\Wine\WineDbg", "/v",
                                      "ShowCrashDialog", "/t", "REG_DWORD", "/d", "0", "/f"]):
        subprocess.run([wine_loader(), *args], env=env, timeout=500, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([os.path.join(WINE, "wineserver"), "-w"], env=env, timeout=60)
    xvfb.kill()


def stop():
    shutil.rmtree(SESSION_DIR, ignore_errors=True)


class Prefix:
    """A copy of the template prefix with its own display and wine server, removed afterwards; on
    Wine's virtual desktop (which draws frames where no window manager is) with desktop=True.
    `lang` sets the ANSI code page (C.UTF-8: 1252, an English Windows), `dpi` the screen's."""

    def __init__(self, name="test", desktop=False, lang="zh_CN.UTF-8", dpi=96):
        self.dir = tempfile.mkdtemp(prefix=f"{name}-", dir=SESSION_DIR)
        self.path = os.path.join(self.dir, "prefix")
        subprocess.run(["cp", "-a", TEMPLATE, self.path], check=True, timeout=120)
        display, self.xvfb = start_xvfb()
        self.env, self.children = dict(wine_env(self.path, display), LANG=lang, LC_ALL=lang), []
        with open(os.path.join(self.path, "user.reg"), "a", encoding="utf-8") as f:
            # Read when the prefix's wine server starts.
            f.write(f'\n[Control Panel\\\\Desktop]\n"LogPixels"=dword:{dpi:08x}\n')
            if desktop:
                f.write('\n[Software\\\\Wine\\\\Explorer]\n"Desktop"="Default"\n'
                        '\n[Software\\\\Wine\\\\Explorer\\\\Desktops]\n"Default"="800x600"\n')
        if desktop:
            shutil.copy("/usr/share/wine/fonts/marlett.ttf", self.unix_path(r"C:\windows\Fonts"))
        install_installer_stand_in(self)

    def close(self):
        for child in self.children:
            child.kill()
            child.wait(timeout=10)
        subprocess.run([os.path.join(WINE, "wineserver"), "-k"], env=self.env, timeout=60,
                       capture_output=True)
        self.xvfb.kill()
        shutil.rmtree(self.dir, ignore_errors=True)

    def unix_path(self, windows_path):  # of a path on C:
        return os.path.join(self.path, "drive_c", *windows_path[2:].strip("\\").split("\\"))

    def write(self, windows_path, data):
        path = pathlib.Path(self.unix_path(windows_path))
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        return str(path)

    def read(self, windows_path):
        return pathlib.Path(self.unix_path(windows_path)).read_bytes()

    def start(self, program, *args, env=None):
        """Starts a program, output to files: processes it starts would hold pipes open."""
        out, err = tempfile.TemporaryFile(dir=self.dir), tempfile.TemporaryFile(dir=self.dir)
        child = subprocess.Popen([wine_loader(), program, *args], env=dict(self.env, **(env or {})),
                                 stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        child.out, child.err, child.started = out, err, time.monotonic()
        self.children.append(child)
        return child

    def run(self, program, *args, timeout=180, env=None):
        """Runs a program to its end (killed after `timeout` s, which fails the caller)."""
        child = self.start(program, *args, env=env)
        child.wait(timeout=timeout)
        child.seconds = time.monotonic() - child.started
        child.out.seek(0), child.err.seek(0)
        child.stdout, child.stderr = child.out.read(), child.err.read()
        child.text = lambda: (child.stdout + child.stderr).decode("utf-8", "replace")
        return child

    def tool(self, *args, env=None):
        """wintool.exe's answer to one command, e.g. tool("control", dialog, 1001)."""
        result = self.run(tool_path("tools", "wintool"), *map(str, args), env=env, timeout=120)
        answer = json.loads((result.stdout.decode().splitlines() or ["null"])[-1], strict=False)
        if result.returncode != 0:
            raise AssertionError(f"wintool {args}: {answer}")
        return answer

    def shoot(self, name, rect, margin=12):
        """Saves the screen around `rect` as the PNG file SHOTS_DIR/name."""
        os.makedirs(SHOTS_DIR, exist_ok=True)
        time.sleep(0.5)  # painting waits until the program's queue is otherwise empty
        left, top = max(rect[0] - margin, 0), max(rect[1] - margin, 0)
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", "-crop",
                        f"{rect[2] + margin - left}x{rect[3] + margin - top}+{left}+{top}",
                        "+repage", os.path.join(SHOTS_DIR, name)], timeout=60, check=True)


def install_installer_stand_in(prefix):
    """Puts our printui.dll where rundll32 of the program's bitness loads it from."""
    system = prefix.unix_path(r"C:\windows\syswow64" if BITS == "32" else r"C:\windows\system32")
    shutil.copy(os.path.join(BIN_DIR, "tools", "printui.dll"),
                system if os.path.isdir(system) else prefix.unix_path(r"C:\windows\system32"))


def stage_setup(prefix, with_package=True, directory=r"C:\zarvo-setup"):
    """Velmora.exe in `directory`, with the driver package beside it or without; returns the
    program's Windows path."""
    os.makedirs(prefix.unix_path(directory), exist_ok=True)
    package = [os.path.join(FIXTURES, name) for name in os.listdir(FIXTURES)]
    for path in [velmora_exe()] + (package if with_package else []):
        shutil.copy(path, prefix.unix_path(directory))
    return directory + r"\Velmora.exe"


if __name__ == "__main__":
    start() if sys.argv[1] == "start" else stop()
