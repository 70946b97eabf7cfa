"""Runs Windows programs under Wine for the end-to-end tests: a throwaway copy of the
session's template prefix per test, the Chinese locale, the session's Xvfb display, and a
bound on every wait."""

import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

WINE_LIB = "/usr/lib/wine"
BIN_DIR = os.environ.get("VELMORA_WINE_BIN", "")
BITS = os.environ.get("VELMORA_WINE_BITS", "32")
SESSION_DIR = os.environ.get("VELMORA_WINE_SESSION", "")
REPORT_HOST = os.environ.get("VELMORA_REPORT_HOST", "")


def wine_loader():
    return os.path.join(WINE_LIB, "wine64" if BITS == "64" else "wine")


def wineserver():
    return os.path.join(WINE_LIB, "wineserver")


def base_env(prefix, display):
    env = dict(os.environ)
    for proxy in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy"):
        env.pop(proxy, None)
    env.update({
        "WINEPREFIX": prefix,
        "WINEDEBUG": "-all",
        # No Mono/Gecko install prompts, no menu entries on the host.
        "WINEDLLOVERRIDES": "mscoree,mshtml,winemenubuilder.exe=",
        "LANG": "zh_CN.UTF-8",
        "LC_ALL": "zh_CN.UTF-8",
        # A dead loopback port: the host's printers never enter the prefix.
        "CUPS_SERVER": "127.0.0.1:9",
        "DISPLAY": display,
    })
    return env


def load_session():
    with open(os.path.join(SESSION_DIR, "session.json")) as f:
        return json.load(f)


class Prefix:
    """A fresh copy of the template prefix, with its own wineserver, removed afterwards."""

    def __init__(self, name="test"):
        session = load_session()
        self.dir = tempfile.mkdtemp(prefix=f"velmora-{name}-", dir=SESSION_DIR)
        self.path = os.path.join(self.dir, "prefix")
        subprocess.run(["cp", "-a", session["template"], self.path], check=True, timeout=120)
        self.env = base_env(self.path, session["display"])
        self.children = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        for child in self.children:
            if child.poll() is None:
                child.kill()
                child.wait(timeout=10)
        subprocess.run([wineserver(), "-k"], env=self.env, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.dir, ignore_errors=True)

    def unix_path(self, windows_path):
        """C:\\windows\\x -> <prefix>/drive_c/windows/x"""
        drive, rest = windows_path.split(":", 1)
        assert drive.lower() == "c"
        return os.path.join(self.path, "drive_c", *[p for p in rest.split("\\") if p])

    def run(self, program, *args, timeout=180, env=None):
        """Runs a program to its end and returns a Run. Output goes to files and only the
        program itself is waited for: the system processes that a first run starts inherit its
        output handles and would keep pipes open for seconds after it ended. A program that
        outlives the bound is killed and fails the caller."""
        return self.background(program, *args, env=env).wait(timeout)

    def background(self, program, *args, env=None):
        return Background(self, program, *args, env=env)

    def start(self, program, *args, cwd=None, env=None):
        full_env = dict(self.env, **(env or {}))
        child = subprocess.Popen([wine_loader(), program, *args], env=full_env, cwd=cwd,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.children.append(child)
        return child

    def wait_idle(self, timeout=60):
        subprocess.run([wineserver(), "-w"], env=self.env, timeout=timeout)


class Run:
    def __init__(self, returncode, stdout, stderr, seconds):
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr
        self.seconds = seconds

    def text(self):
        return (self.stdout + self.stderr).decode("utf-8", "replace")


class Background:
    """A program started in the background, its output in a file; bounded wait for its end."""

    def __init__(self, prefix, program, *args, env=None):
        self._out = tempfile.TemporaryFile()
        self._err = tempfile.TemporaryFile()
        self.started = time.monotonic()
        self.child = subprocess.Popen([wine_loader(), program, *args],
                                      env=dict(prefix.env, **(env or {})),
                                      stdin=subprocess.DEVNULL, stdout=self._out,
                                      stderr=self._err)
        prefix.children.append(self.child)

    def output(self):
        self._out.seek(0)
        return self._out.read()

    def wait(self, timeout):
        """Waits for the end; returns a Run. A program still running after `timeout` is killed
        and fails the caller."""
        try:
            returncode = self.child.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.child.kill()
            self.child.wait(timeout=10)
            raise
        seconds = time.monotonic() - self.started
        self._err.seek(0)
        result = Run(returncode, self.output(), self._err.read(), seconds)
        self._out.close()
        self._err.close()
        return result


def tool(name):
    return os.path.join(BIN_DIR, "tools", name + ".exe")


def velmora_exe():
    return os.path.join(BIN_DIR, "Velmora.exe")


def main():
    unittest.main(verbosity=2)


def tool_path(directory, name):
    return os.path.join(BIN_DIR, directory, name + ".exe")
