"""The real program run as an administrator would run it from a folder others can write to: DLLs
planted beside it never load, and a log that is a hard link to another file is left alone."""

import glob
import os
import shutil
import unittest

import harness
from report_server import SILENT, ReportServer

FOLDER = r"C:\Downloads"
# Windows looks for a DLL outside KnownDLLs in the program's folder first; Wine does so when
# told to take the native copy first.
PLANTED = ("comctl32.dll", "winspool.drv", "wininet.dll")
NATIVE_FIRST = ";".join(name.split(".")[0] + "=n,b" for name in PLANTED)


class Hardening(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = harness.Prefix("hardening")
        cls.addClassCleanup(cls.prefix.close)
        cls.exe = harness.stage_setup(cls.prefix, directory=FOLDER)

    def install(self, env=None):
        """-i -q against a silent report server; the run must succeed without a window."""
        with ReportServer(SILENT) as server:
            run = self.prefix.tool("run", 25000, f'"{self.exe}" -i -q',
                                   env=dict(server.proxy_env(), **(env or {})))
        self.assertEqual((run["exit"], run["boxes"], run["windows"]), (0, [], 0))

    def test_dlls_planted_beside_the_program_never_load(self):
        for name in PLANTED:
            shutil.copy(os.path.join(harness.BIN_DIR, "tools", "planted.dll"),
                        self.prefix.unix_path(FOLDER + "\\" + name))
        overrides = self.prefix.env["WINEDLLOVERRIDES"] + ";" + NATIVE_FIRST
        self.install(env={"WINEDLLOVERRIDES": overrides})
        self.assertEqual(glob.glob(self.prefix.unix_path(r"C:\planted-*")), [])

    def test_a_log_that_is_a_hard_link_is_left_alone(self):
        secret = self.prefix.write(r"C:\secret.txt", b"another file's text\r\n")
        [temp] = glob.glob(self.prefix.unix_path(r"C:\users\*\Temp"))
        log = os.path.join(temp, "Velmora.log")
        if os.path.exists(log):
            os.remove(log)
        os.link(secret, log)
        self.install()
        with open(secret, "rb") as f:
            self.assertEqual(f.read(), b"another file's text\r\n")
        [fresh] = glob.glob(os.path.join(temp, "Velmora-*.log"))
        with open(fresh, "rb") as f:
            text = f.read().decode("gbk")
        self.assertIn(" was left alone (it has 2 names (hard links)); this run logs to ", text)
        self.assertIn("result: succeeded, exit code 0", text)


if __name__ == "__main__":
    harness.describe()
    unittest.main(verbosity=2)
