""""-i" and "-u" of the real program in one prefix: without the driver package; three install and
uninstall rounds (checked in full and run twice; quiet and started as deployment tools start it;
against a bad report server); run from a folder with DLLs planted in it; with a linked log."""

import glob
import json
import os
import pathlib
import shutil
import unittest

import harness
from harness import PORT, PRINTER
from report_server import ENDLESS, GOOD_AUTHORIZATION, OK, RESET, SILENT, ReportServer

# "誠" is D5 5C in code page 936: its trail byte is a backslash. Started unquoted, the folder's
# "-update" must not count as a switch.
BARE, PACKAGED = r"C:\zarvo-bare", r"C:\Zarvo誠信-update"
# Where Wine's spooler keeps drivers and print processors; an install removes these first, from
# the x64 driver folder and, under WOW64 (the 32-bit program), from the x86 one too.
WOW64 = harness.BITS == "32"
SPOOL = "C:\\windows\\system32\\spool\\%s\\"
X86, X64 = "Windows NT x86", "Windows x64"
STALE = [SPOOL % "drivers" + folder + "\\3\\" + name
         for folder in (("w32x86", "x64") if WOW64 else ("x64",)) for name in (
    "QXOEMUI.dll", "zarvoprinter.GPD", "QXOEMUI.INI", "zarvoprinter.dll", "QXUNIDRV.DLL",
    "QXUNIDRVUI.DLL", "zarvoprinter.BUD")] + [
    SPOOL % "prtprocs" + ("w32x86" if WOW64 else "x64") + "\\" + name for name in (
    "Qxproc.dll", "Halvoproc.dll", "Fenwoproc.dll")] + [r"C:\windows\velmora.ini"]
# The environments our driver is in after an install: the x64 one the installer is asked for,
# and under WOW64 the x86 one Wine's in-process spooler wants for the queue.
INSTALLED = (X86, X64) if WOW64 else (X64,)
SETTINGS = b"[zarvoprinter]\r\noutpath=C:\\zarvo-out\r\noutType=1\r\n"
# A hang rather than a slow run: far above a sequence's few seconds, below the report's waits.
BOUND_MS = 25000


class Sequences(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix, cls.server = harness.Prefix("sequences"), ReportServer().__enter__()
        cls.addClassCleanup(cls.prefix.close)
        cls.addClassCleanup(cls.server.__exit__)
        # The key the install writes the spool directory into, when it is there.
        with open(os.path.join(cls.prefix.path, "system.reg"), "a", encoding="utf-8") as f:
            f.write("\n[System\\\\CurrentControlSet\\\\Control\\\\Print\\\\Printers\\\\"
                    "zarvo printer]\n")
        if not WOW64:
            print("the 64-bit build runs without WOW64: the x86 driver folder and an x86 copy "
                  "of the driver are not checked", flush=True)
        cls.bare = harness.stage_setup(cls.prefix, with_package=False, directory=BARE)
        cls.packaged = harness.stage_setup(cls.prefix, directory=PACKAGED)

    def run_velmora(self, exe, switches, mode, exit_code=0, boxes=(), quoted=True, env=None,
                    variables=()):
        """Runs exe (quoted or not) with the switches against a report server in `mode`: nothing
        but `boxes` is shown, the exit code is as given, the report goes out. Returns what the
        spooler then holds: (queue, port there, environments of our driver, default printer, spool
        value)."""
        self.server.mode, self.server.requests[:] = mode, []
        command = f'"{exe}" {switches}' if quoted else f"{exe} {switches}"
        run = self.prefix.tool("run", BOUND_MS, command, *variables,
                               env=dict(self.server.proxy_env(), **(env or {})))
        self.assertEqual((run["exit"], run["boxes"], run["windows"]),
                         (exit_code, [["Velmora", box] for box in boxes], 0), (switches, mode))
        path = "PrintUnInstall" if "-u" in switches else "PrintInstall"
        requests = self.server.requests
        self.assertEqual({line for line, _ in requests}, {harness.report_line(path)}, mode)
        if mode == OK:  # the credentials go only with the answer to the challenge
            self.assertEqual([h.get("authorization") for _, h in requests],
                             [None, GOOD_AUTHORIZATION])
        state = self.prefix.tool("spooler", PRINTER)
        drivers = tuple(env for env in (X86, X64) if PRINTER in state["drivers"][env])
        return state["queue"], PORT in state["ports"], drivers, state["default"], state["spool"]

    def last_logged_run(self, switches):
        """What the log says of its last run, which must have been given `switches`."""
        [path] = glob.glob(self.prefix.unix_path(r"C:\users\*\Temp\Velmora.log"))
        *_, run = pathlib.Path(path).read_bytes().decode("utf-8-sig").split(
            " Velmora 1.0.0.0, command ")
        self.assertTrue(run.startswith(f'"{switches}", '), run)
        return run

    def test_1_without_package_install_fails_with_two_boxes(self):
        state = self.run_velmora(self.bare, "-i", RESET, 1,
                                 ["AddPrinter error 1797", "安装打印机驱动发生错误!"])
        # Nothing done is undone: the port added before the queue failed stays.
        self.assertEqual(state[:3], (None, True, ()))
        # Quiet: no box; the log says what they would have.
        self.run_velmora(self.bare, "-i -q", SILENT, 1)
        self.assertIn("message (not shown): AddPrinter error 1797", self.last_logged_run("-i -q"))
        # Nothing to uninstall: the failed driver deletion shows in the exit code alone.
        state = self.run_velmora(self.bare, "-u", ENDLESS, 1)
        self.assertEqual(state[:2], (None, False))

    def test_2_three_rounds_install_and_uninstall(self):
        p = self.prefix
        stale = [p.write(path, b"old") for path in STALE]
        p.write(r"C:\windows\zarvoprintsetup.ini", SETTINGS)
        # A rundll32.exe beside the program must not be taken for the system's; this one
        # registers no driver, so the install would fail.
        shutil.copy(harness.tool_path("tools", "wintool"), p.unix_path(PACKAGED + r"\rundll32.exe"))

        for quiet, install_mode, uninstall_mode in (("", OK, OK), (" -q", SILENT, SILENT),
                                                    ("", ENDLESS, RESET)):
            # The quiet round starts it as a command prompt does, unquoted, and quotes each
            # switch of the uninstall as some deployment tools do.
            state = self.run_velmora(self.packaged, "-i" + quiet, install_mode, quoted=not quiet)
            # Queued only: not shared, and no default bit of its own.
            queue = [PRINTER, PORT, PRINTER, harness.REPORT_HOST, "WinPrint", "RAW", 1]
            self.assertEqual(state, (queue, True, INSTALLED, PRINTER, "C:\\windows"), install_mode)
            if install_mode == OK:
                # Installing over our own printer changes nothing and succeeds.
                self.assertEqual(self.run_velmora(self.packaged, "-i", OK), state)
                self.assertEqual([path for path in stale if os.path.exists(path)], [])
                self.assertEqual(p.read(r"C:\windows\zarvoprintsetup.ini"), SETTINGS)
                self.assertEqual(p.read(r"C:\windows\dorvaPrinter.exe"),
                                 p.read(PACKAGED + r"\Velmora.exe"))
            if quiet:
                self.assertIn(f'check: queue {PRINTER} on port "{PORT}", driver "{PRINTER}", '
                              'processor "WinPrint", datatype "RAW"', self.last_logged_run("-i -q"))
            state = self.run_velmora(self.packaged, '"-u" "-q"' if quiet else "-u", uninstall_mode)
            # No driver of ours left in either environment.
            self.assertEqual(state[:3], (None, False, ()), uninstall_mode)
            if quiet:
                self.assertIn("result: succeeded, exit code 0",
                              self.last_logged_run('"-u" "-q"'))

    def test_3_dlls_planted_beside_the_program_never_load(self):
        # Windows looks for a DLL outside KnownDLLs in the program's folder first; Wine does
        # when told to take the native copy first.
        planted = ("comctl32.dll", "winspool.drv", "wininet.dll")
        exe = harness.stage_setup(self.prefix, directory=r"C:\Downloads")
        for name in planted:
            shutil.copy(os.path.join(harness.BIN_DIR, "tools", "printui.dll"),
                        self.prefix.unix_path("C:\\Downloads\\" + name))
        native_first = ";".join(name.split(".")[0] + "=n,b" for name in planted)
        overrides = self.prefix.env["WINEDLLOVERRIDES"] + ";" + native_first
        self.run_velmora(exe, "-i -q", SILENT, env={"WINEDLLOVERRIDES": overrides})
        self.assertEqual(glob.glob(self.prefix.unix_path(r"C:\planted-*")), [])

    def test_4_a_log_that_is_a_hard_link_is_left_alone(self):
        secret = self.prefix.write(r"C:\secret.txt", b"another file's text\r\n")
        [temp] = glob.glob(self.prefix.unix_path(r"C:\users\*\Temp"))
        log = os.path.join(temp, "Velmora.log")
        os.remove(log)
        os.link(secret, log)
        self.run_velmora(self.packaged, "-i -q", SILENT)
        self.assertEqual(self.prefix.read(r"C:\secret.txt"), b"another file's text\r\n")
        [fresh] = glob.glob(os.path.join(temp, "Velmora-*.log"))
        text = pathlib.Path(fresh).read_bytes().decode("utf-8-sig")
        self.assertIn(" was left alone (it has 2 names (hard links)); this run logs to ", text)
        self.assertIn("result: succeeded, exit code 0", text)

    def test_5_folders_named_in_any_language(self):
        # A Spanish user's Downloads and temporary folder: code page 936 holds neither name.
        temp, folder = r"C:\Temp-Año-ß-한", r"C:\Descargas-Ñuñez-ß"
        exe = harness.stage_setup(self.prefix, directory=folder)
        os.makedirs(self.prefix.unix_path(temp))
        os.remove(self.prefix.unix_path(r"C:\windows\dorvaPrinter.exe"))
        state = self.run_velmora(exe, "-i -q", SILENT, variables=("TEMP=" + temp, "TMP=" + temp))
        self.assertEqual(state[0][0], PRINTER)
        self.assertEqual(self.prefix.read(r"C:\windows\dorvaPrinter.exe"), self.prefix.read(exe))
        log = self.prefix.read(temp + r"\Velmora.log")
        self.assertTrue(log.startswith(b"\xEF\xBB\xBF"), log[:20])
        self.assertIn("result: succeeded, exit code 0", log.decode("utf-8"))

    def test_6_runs_at_once_keep_their_lines_apart_and_check_changes_nothing(self):
        p, command = self.prefix, f'"{self.packaged}" -i -q'
        self.server.mode, self.server.requests[:] = SILENT, []
        [log] = glob.glob(p.unix_path(r"C:\users\*\Temp\Velmora.log"))
        os.remove(log)
        runs = [p.start(harness.tool_path("tools", "wintool"), "run", str(BOUND_MS * 2), command,
                        env=self.server.proxy_env()) for _ in range(2)]
        for run in runs:
            run.wait(timeout=120)
            run.out.seek(0)
            answer = json.loads(run.out.read().decode().splitlines()[-1])
            self.assertEqual(answer.get("exit"), 0, answer)
        # Each run's lines stand together: a header, its steps, its result.
        lines = pathlib.Path(log).read_bytes().decode("utf-8-sig").splitlines()
        starts = [i for i, line in enumerate(lines) if " Velmora 1.0.0.0, command " in line]
        self.assertEqual(len(starts), 2, lines)
        first, second = lines[starts[0]:starts[1]], lines[starts[1]:]
        for run in (first, second):
            self.assertTrue(run[-1].endswith("result: succeeded, exit code 0"), run)
            self.assertEqual(sum("result:" in line for line in run), 1, run)
        self.assertIn("install lock: waited for another install or uninstall to end", second[1])
        # A check answers from what is there, sends nothing and changes nothing.
        self.server.mode, self.server.requests[:] = OK, []
        state = p.tool("spooler", PRINTER)
        check = p.tool("run", BOUND_MS, f'"{self.packaged}" -c', env=self.server.proxy_env())
        self.assertEqual((check["exit"], check["boxes"], check["windows"]), (0, [], 0))
        self.assertEqual((p.tool("spooler", PRINTER), self.server.requests), (state, []))
        self.run_velmora(self.packaged, "-u -q", SILENT)
        check = p.tool("run", BOUND_MS, f'"{self.packaged}" -c', env=self.server.proxy_env())
        self.assertEqual(check["exit"], 1)


if __name__ == "__main__":
    harness.describe()
    unittest.main(verbosity=2)
