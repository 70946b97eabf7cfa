"""Shared steps of the install and uninstall end-to-end tests: the set-up program staged in the
prefix with (or without) its driver package, the printer-UI installer stand-in, runs of Velmora.exe
and of the tools, what the spooler then holds, and a watch on the program's windows."""

import json
import os
import shutil
import subprocess
import time

import winetest

PRINTER = "Zarvo虚拟打印机"
PORT = "zarvoPrinter Port"
SETUP_DIR = r"C:\zarvo-setup"
FIXTURE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures", "driver")

# The eight files of an earlier driver installation, the old settings file and the three
# print-processor files that an install removes first.
STALE_DRIVER_FILES = ("QXOEMUI.dll", "STDNAMES.GPD", "zarvoprinter.GPD", "QXOEMUI.INI",
                      "zarvoprinter.dll", "QXUNIDRV.DLL", "QXUNIDRVUI.DLL", "zarvoprinter.BUD")
STALE_PROCESSOR_FILES = ("Qxproc.dll", "Halvoproc.dll", "Fenwoproc.dll")


def system_directory(prefix):
    """Where rundll32 of the programs' bitness lives, and loads printui.dll from."""
    if winetest.BITS == "32" and os.path.isdir(prefix.unix_path(r"C:\windows\syswow64")):
        return r"C:\windows\syswow64"
    return r"C:\windows\system32"


def install_installer_stand_in(prefix):
    """Puts our printui.dll where rundll32 loads it; velmora_env() makes Wine prefer it."""
    shutil.copyfile(os.path.join(winetest.BIN_DIR, "tools", "printui.dll"),
                    prefix.unix_path(system_directory(prefix) + r"\printui.dll"))


def stage_setup(prefix, with_package=True, directory=SETUP_DIR):
    """Copies Velmora.exe, and with it the driver package, into `directory`; returns the
    program's Windows path."""
    target = prefix.unix_path(directory)
    os.makedirs(target, exist_ok=True)
    shutil.copyfile(winetest.velmora_exe(), os.path.join(target, "Velmora.exe"))
    if with_package:
        for name in os.listdir(FIXTURE_DIR):
            shutil.copyfile(os.path.join(FIXTURE_DIR, name), os.path.join(target, name))
    return directory + r"\Velmora.exe"


def velmora_env(prefix, report_env):
    """The environment for Velmora.exe: the report proxy, and our printui.dll preferred."""
    env = dict(report_env)
    env["WINEDLLOVERRIDES"] = prefix.env.get("WINEDLLOVERRIDES", "") + ";printui=n"
    return env


def spooler_state(prefix):
    result = prefix.run(winetest.tool("spooler_query"), timeout=60)
    if result.returncode != 0:
        raise AssertionError("spooler_query failed: " + result.text())
    return json.loads(result.stdout.decode("utf-8"))


def ours(state):
    """Our queue, port and driver among what the spooler holds."""
    return {
        "printers": [p for p in state["printers"] if p["name"] == PRINTER],
        "ports": [p for p in state["ports"] if p == PORT],
        "drivers": [d for d in state["drivers"] if d["name"] == PRINTER],
    }


def register_printer(prefix):
    """Registers driver, port and queue directly with the spooler, as an install leaves them."""
    result = prefix.run(winetest.tool("spooler_fixture"), timeout=60)
    if result.returncode != 0:
        raise AssertionError("spooler_fixture failed: " + result.text())


class WindowWatch:
    """Records the visible top-level windows of Velmora.exe while it runs:
        with WindowWatch(prefix) as watch: <run Velmora.exe>
        watch.result -> {"seen": ..., "ended": ..., "windows": [...]}"""

    def __init__(self, prefix, image="Velmora.exe", timeout=120):
        self.prefix = prefix
        self.image = image
        self.timeout = timeout
        self.result = None

    def __enter__(self):
        self.watcher = self.prefix.background(winetest.tool("window_watch"), self.image,
                                  str(self.timeout * 1000))
        deadline = time.monotonic() + 60
        while b"ready" not in self.watcher.output():
            if self.watcher.child.poll() is not None or time.monotonic() > deadline:
                raise AssertionError("window_watch did not start")
            time.sleep(0.05)
        return self

    def __exit__(self, *exc):
        finished = self.watcher.wait(timeout=self.timeout + 30)
        lines = [line for line in finished.stdout.decode("utf-8").splitlines()
                 if line.startswith("{")]
        self.result = json.loads(lines[-1]) if lines else None
