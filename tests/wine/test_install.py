""""-i" end to end: the production Velmora.exe beside its driver package installs the default
printer in a fresh prefix, clears what an earlier installation left, reports the install and
shows nothing; without the package it shows its two messages and fails."""

import json
import ntpath
import os
import shutil
import unittest

import printer_setup as setup
import report_server
import winetest

INSTALL_PATH = "/zarvoprinter/servlet/PrintInstall"
SETTINGS = b"[zarvoprinter]\r\noutpath=C:\\zarvo-out\r\noutType=1\r\n"


class Install(unittest.TestCase):
    def setUp(self):
        self.prefix = winetest.Prefix("install")
        self.addCleanup(self.prefix.close)
        setup.install_installer_stand_in(self.prefix)

    def write(self, windows_path, data):
        path = self.prefix.unix_path(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def seed_earlier_installation(self):
        """Files an earlier installation left; returns the paths that an install removes."""
        state = setup.spooler_state(self.prefix)
        stale = [self.write(state["driver_directory"] + "\\3\\" + name, b"stale driver file")
                 for name in setup.STALE_DRIVER_FILES]
        stale.append(self.write(r"C:\windows\velmora.ini", b"[old]\r\n"))
        stale += [self.write(state["print_processor_directory"] + "\\" + name, b"stale")
                  for name in setup.STALE_PROCESSOR_FILES]
        return stale

    def test_installs_the_default_printer(self):
        # The second byte of "誠" in code page 936 is 0x5C, a backslash: the program must still
        # find its own directory, and the installer the INF in it.
        exe = setup.stage_setup(self.prefix, with_package=True, directory=r"C:\Zarvo誠信打印")
        stale = self.seed_earlier_installation()
        settings = self.write(r"C:\windows\zarvoprintsetup.ini", SETTINGS)
        settings_time = os.stat(settings).st_mtime_ns
        old_copy = self.write(r"C:\windows\dorvaPrinter.exe", b"an older copy")
        # A program of that name beside the set-up program must not be taken for the system's
        # installer; this one would register no driver, and the install would fail.
        shutil.copyfile(winetest.tool("spooler_query"),
                        self.prefix.unix_path(ntpath.dirname(exe) + r"\rundll32.exe"))

        with report_server.ReportServer(report_server.OK) as server:
            env = setup.velmora_env(self.prefix, server.proxy_env())
            with setup.WindowWatch(self.prefix) as watch:
                result = self.prefix.run(exe, "-i", env=env, timeout=90)
            requests = server.settle()

        self.assertEqual(result.returncode, 0, result.text())
        self.assertTrue(watch.result and watch.result["ended"], watch.result)
        self.assertEqual(watch.result["windows"], [])

        state = setup.spooler_state(self.prefix)
        mine = setup.ours(state)
        self.assertEqual(len(mine["printers"]), 1, state)
        queue = mine["printers"][0]
        self.assertEqual(queue["port"], setup.PORT)
        self.assertEqual(queue["driver"], setup.PRINTER)
        self.assertEqual(queue["share"], setup.PRINTER)
        self.assertEqual(queue["print_processor"], "WinPrint")
        self.assertEqual(queue["datatype"], "RAW")
        self.assertEqual(queue["comment"], winetest.REPORT_HOST)
        # Queued only: not shared, not marked default by attribute (Wine adds no bits here).
        self.assertEqual(queue["attributes"], 0x1)
        self.assertEqual(mine["ports"], [setup.PORT])
        self.assertEqual(len(mine["drivers"]), 1, state)
        self.assertEqual(state["default"], setup.PRINTER)

        with open(old_copy, "rb") as copy, open(winetest.velmora_exe(), "rb") as original:
            self.assertTrue(copy.read() == original.read(), "dorvaPrinter.exe is not the program")
        self.assertEqual([path for path in stale if os.path.exists(path)], [])
        with open(settings, "rb") as f:
            self.assertEqual(f.read(), SETTINGS)
        self.assertEqual(os.stat(settings).st_mtime_ns, settings_time)

        # The report thread runs beside the install, which waits for the installer and for two
        # spooler restarts, so the request has had seconds to leave before the process ends.
        self.assertEqual(len(requests), 1, requests)
        self.assertEqual(requests[0].method, "GET")
        self.assertEqual(requests[0].path, INSTALL_PATH)
        self.assertEqual(requests[0].host, winetest.REPORT_HOST)
        self.assertEqual(requests[0].version, "HTTP/1.0")
        self.assertEqual(requests[0].headers.get("user-agent"), "Velmora")

    def test_without_driver_package_shows_both_messages_and_fails(self):
        exe = setup.stage_setup(self.prefix, with_package=False)
        env = setup.velmora_env(self.prefix, report_server.dead_proxy_env())
        velmora = self.prefix.background(exe, "-i", env=env)
        boxes = []
        for timeout_ms in (90000, 30000):
            box = self.prefix.run(winetest.tool("uidriver"), "dismiss-box",
                            str(timeout_ms), timeout=timeout_ms / 1000 + 30)
            self.assertEqual(box.returncode, 0, f"message box {len(boxes) + 1} did not come")
            boxes.append(json.loads(box.stdout.decode("utf-8")))
        # Ends once the second box is closed; a third box would keep it waiting.
        result = velmora.wait(timeout=30)

        self.assertEqual(boxes[0]["caption"], "Velmora")
        # Wine leaves 87 after a refused queue where Windows names the unknown driver (1797), so
        # only the form of the text is checked.
        self.assertRegex(boxes[0]["text"], r"^AddPrinter error \d+$")
        self.assertEqual(boxes[1], {"caption": "Velmora", "text": "安装打印机驱动发生错误!"})
        self.assertNotEqual(result.returncode, 0)

        # The installer found no INF and registered nothing; the port added before the queue
        # failed stays, as nothing done is undone.
        mine = setup.ours(setup.spooler_state(self.prefix))
        self.assertEqual(mine, {"printers": [], "ports": [setup.PORT], "drivers": []})


if __name__ == "__main__":
    winetest.main()
