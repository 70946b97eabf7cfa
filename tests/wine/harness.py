"""What the Wine tests share: a template prefix booted once per ctest run (`harness.py start|stop`),
a copy of it per test with a display of its own, wintool.exe inside, the report server outside."""

import base64
import contextlib
import ctypes
import http.server
import json
import os
import pathlib
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

BIN_DIR = os.environ.get("VELMORA_WINE_BIN", "")
BITS = os.environ.get("VELMORA_WINE_BITS", "32")
SESSION_DIR = os.environ.get("VELMORA_WINE_SESSION", "")
REPORT_HOST = os.environ.get("VELMORA_REPORT_HOST", "")
TEMPLATE = os.path.join(SESSION_DIR, "template")
VELMORA = os.path.join(BIN_DIR, "Velmora.exe")
# A setup folder's files: the program, and beside it the driver package.
SETUP = [pathlib.Path(VELMORA), *(pathlib.Path(__file__).parent / "fixtures" / "driver").iterdir()]
PRINTER, PORT = "Zarvo虚拟打印机", "zarvoPrinter Port"
WINE_LOADER = "/usr/lib/wine/wine64" if BITS == "64" else "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver"
# What the spooler holds after an install (Prefix.spooler): the queue, queued only (not shared, no
# default bit); our port listed; our driver, by the name the program gives the installer, for x64,
# which it asks for, and under WOW64 for x86, where Wine's in-process spooler wants it; the default.
INSTALLED = [[PRINTER, PORT, PRINTER, REPORT_HOST, "WinPrint", "RAW", 1], True,
             ["Windows NT x86", "Windows x64"] if BITS == "32" else ["Windows x64"], PRINTER]
GOOD_AUTHORIZATION = "Basic " + base64.b64encode(b"user_zarvoprinter:kvrt_904571").decode()


def tool_path(directory, name):
    return os.path.join(BIN_DIR, directory, name + ".exe")


def report_line(path):  # as the proxy sees it
    return f"GET http://{REPORT_HOST}:80/zarvoprinter/servlet/{path} HTTP/1.0"


def start_xvfb(stack):
    """Xvfb on a display it picks; it ends with `stack` or this process, whatever ends that."""
    xvfb = stack.enter_context(subprocess.Popen(
        ["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
        preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL)))
    stack.callback(xvfb.kill)  # before its exit closes its pipe and waits for it
    # Bounded: a display that never comes leaves ":", on which Wine fails at once.
    ready = select.select([xvfb.stdout], [], [], 30)[0]
    return ":" + (xvfb.stdout.readline().decode().strip() if ready else "")


def wine_env(prefix, display):
    env = {k: v for k, v in os.environ.items() if not k.lower().endswith("_proxy")}
    return dict(env, WINEPREFIX=prefix, DISPLAY=display, WINEDEBUG="-all", LC_ALL="zh_CN.UTF-8",
                # No Mono/Gecko prompts, no menu entries on the host; our printui.dll first.
                WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=;printui=n",
                # Dead loopback ports: no host printers, no report leaves without a test's server.
                CUPS_SERVER="127.0.0.1:9", http_proxy="http://127.0.0.1:9")


def start():
    print(f"Wine suite: the {BITS}-bit build, {VELMORA}", flush=True)  # the suite's first line
    stop()
    os.makedirs(SESSION_DIR)
    with contextlib.ExitStack() as stack:
        env = wine_env(TEMPLATE, start_xvfb(stack))
        subprocess.run([WINE_LOADER, "wineboot", "-i"], env=env, timeout=500, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=env, timeout=60)


def stop():
    shutil.rmtree(SESSION_DIR, ignore_errors=True)


class Prefix(contextlib.ExitStack):  # closed, it undoes its set-up, last step first
    """A copy of the template prefix, with its own display, wine server and our printui.dll."""

    def __init__(self, name="test", desktop=False, dpi=96):
        super().__init__()
        self.dir = tempfile.mkdtemp(prefix=f"{name}-", dir=SESSION_DIR)
        self.callback(shutil.rmtree, self.dir, ignore_errors=True)
        self.path = os.path.join(self.dir, "prefix")
        subprocess.run(["cp", "-a", TEMPLATE, self.path], check=True, timeout=120)
        self.env = wine_env(self.path, start_xvfb(self))
        self.callback(subprocess.run, [WINESERVER, "-k"], env=self.env, timeout=60)
        # A crash must fail the test, not wait for someone to close winedbg's dialog.
        registry = (f'\n[Control Panel\\\\Desktop]\n"LogPixels"=dword:{dpi:08x}\n'
                    '\n[Software\\\\Wine\\\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n')
        if desktop:  # Wine's virtual desktop, which draws frames where no window manager is
            registry += ('\n[Software\\\\Wine\\\\Explorer]\n"Desktop"="Default"\n'
                         '\n[Software\\\\Wine\\\\Explorer\\\\Desktops]\n"Default"="800x600"\n')
            shutil.copy("/usr/share/wine/fonts/marlett.ttf", self.unix_path(r"C:\windows\Fonts"))
        with open(os.path.join(self.path, "user.reg"), "a", encoding="utf-8") as f:
            f.write(registry)  # read when the prefix's wine server starts
        # Where rundll32 of the program's bitness loads the installer from.
        system = self.unix_path(r"C:\windows\syswow64" if BITS == "32" else r"C:\windows\system32")
        shutil.copy(os.path.join(BIN_DIR, "tools", "printui.dll"),
                    system if os.path.isdir(system) else self.unix_path(r"C:\windows\system32"))

    def unix_path(self, windows_path):  # of a path on C:
        return os.path.join(self.path, "drive_c", *windows_path[2:].strip("\\").split("\\"))

    def write(self, windows_path, data):
        path = pathlib.Path(self.unix_path(windows_path))
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        return str(path)

    def read(self, windows_path):
        return pathlib.Path(self.unix_path(windows_path)).read_bytes()

    def stage(self, directory=r"C:\zarvo-setup", with_package=True):  # returns the program's path
        for path in SETUP if with_package else SETUP[:1]:
            self.write(f"{directory}\\{path.name}", path.read_bytes())
        return directory + r"\Velmora.exe"

    def start(self, program, *args, env=None):
        """Starts a program, output to files: processes it starts would hold pipes open."""
        out, err = [self.enter_context(tempfile.TemporaryFile(dir=self.dir)) for _ in range(2)]
        child = subprocess.Popen([WINE_LOADER, program, *args], env=dict(self.env, **(env or {})),
                                 stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        child.out, child.err, child.started = out, err, time.monotonic()
        self.callback(child.wait, timeout=10)
        self.callback(child.kill)
        return child

    def run(self, program, *args, timeout=180, env=None):
        """Runs a program to its end (killed after `timeout` s, which fails the caller)."""
        child = self.start(program, *args, env=env)
        child.wait(timeout=timeout)
        child.seconds = time.monotonic() - child.started
        child.stdout, child.stderr = (f.seek(0) or f.read() for f in (child.out, child.err))
        child.text = lambda: (child.stdout + child.stderr).decode("utf-8", "replace")
        return child

    def tool(self, *args):
        result = self.run(tool_path("tools", "wintool"), *map(str, args), timeout=120)
        answer = json.loads((result.stdout.decode().splitlines() or ["null"])[-1], strict=False)
        assert result.returncode == 0, f"wintool {args}: {answer}"
        return answer

    def spooler(self):  # as INSTALLED
        return self.tool("spooler", PRINTER, PORT)

    def shoot(self, name, rect, margin=12):
        folder = os.path.join(os.path.dirname(SESSION_DIR), "screenshots")  # beside the session
        os.makedirs(folder, exist_ok=True)
        time.sleep(0.5)  # painting waits until the program's queue is otherwise empty
        left, top = max(rect[0] - margin, 0), max(rect[1] - margin, 0)
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", "-crop",
                        f"{rect[2] + margin - left}x{rect[3] + margin - top}+{left}+{top}",
                        "+repage", os.path.join(folder, name)], timeout=60, check=True)


class ReportServer(http.server.ThreadingHTTPServer):
    """Velmora.exe's proxy: records each request, and answers 401 until Basic credentials come."""

    def __init__(self, silent=False):
        super().__init__(("127.0.0.1", 0), ReportAnswer)
        self.silent, self.requests = silent, []
        self.proxy = {"http_proxy": "http://127.0.0.1:%d" % self.server_address[1]}  # its address
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def __exit__(self, *exc):
        self.shutdown()
        self.server_close()

    def handle_error(self, *args):
        pass  # the client has gone, as a program that ends before the answer does


class ReportAnswer(http.server.BaseHTTPRequestHandler):
    timeout = 10

    def do_GET(self):
        self.server.requests.append((self.requestline, self.headers["Authorization"]))
        if self.server.silent:
            time.sleep(60)
        elif self.server.requests[-1][1] == GOOD_AUTHORIZATION:
            self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nOK\r\n")
        else:
            self.wfile.write(b"HTTP/1.0 401 Unauthorized\r\nContent-Length: 0\r\n"
                             b'WWW-Authenticate: Basic realm="zarvoprinter"\r\n\r\n')


if __name__ == "__main__":
    start() if sys.argv[1] == "start" else stop()
