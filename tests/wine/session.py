"""Starts and stops what the Wine tests of one ctest run share: an Xvfb display and a
template prefix booted with it. Xvfb comes first: the wine server keeps the display that
its first process saw."""

import json
import os
import shutil
import signal
import subprocess
import sys
import time

import winetest

SESSION = winetest.SESSION_DIR


def start_xvfb():
    """Starts Xvfb on the first display that is free; another run may take one meanwhile."""
    for n in range(90, 200):
        if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
            continue
        xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        deadline = time.monotonic() + 30
        while xvfb.poll() is None and time.monotonic() < deadline:
            if os.path.exists(f"/tmp/.X11-unix/X{n}"):
                return n, xvfb
            time.sleep(0.1)
        if xvfb.poll() is None:
            xvfb.kill()
    raise RuntimeError("Xvfb did not start")


def start():
    stop(quiet=True)
    os.makedirs(SESSION, exist_ok=True)
    n, xvfb = start_xvfb()

    template = os.path.join(SESSION, "template")
    env = winetest.base_env(template, f":{n}")
    loader = winetest.wine_loader()
    started = time.monotonic()
    subprocess.run([loader, "wineboot", "-i"], env=env, timeout=600,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # A crash must fail the test, not wait for someone to close winedbg's dialog.
    subprocess.run([loader, "reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog",
                    "/t", "REG_DWORD", "/d", "0", "/f"], env=env, timeout=120, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([winetest.wineserver(), "-w"], env=env, timeout=120)
    with open(os.path.join(SESSION, "session.json"), "w") as f:
        json.dump({"display": f":{n}", "xvfb_pid": xvfb.pid, "template": template}, f)
    print(f"Xvfb :{n}, template prefix booted in {time.monotonic() - started:.1f} s "
          f"({winetest.BITS}-bit Wine)")


def stop(quiet=False):
    path = os.path.join(SESSION, "session.json")
    if os.path.exists(path):
        with open(path) as f:
            session = json.load(f)
        env = winetest.base_env(session["template"], session["display"])
        subprocess.run([winetest.wineserver(), "-k"], env=env, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            os.killpg(session["xvfb_pid"], signal.SIGTERM)
        except ProcessLookupError:
            pass
    shutil.rmtree(SESSION, ignore_errors=True)
    if not quiet:
        print("Wine session stopped")


if __name__ == "__main__":
    {"start": start, "stop": stop}[sys.argv[1]]()
