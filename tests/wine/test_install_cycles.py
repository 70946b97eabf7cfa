"""Repeated "-i" and "-u" on one prefix: every round installs and removes cleanly, and the prefix
ends with no queue, port or driver of ours."""

import unittest

import printer_setup as setup
import report_server
import winetest

ROUNDS = 10


class InstallUninstallCycles(unittest.TestCase):
    def test_ten_rounds_leave_nothing_behind(self):
        with winetest.Prefix("cycles") as prefix:
            setup.install_installer_stand_in(prefix)
            exe = setup.stage_setup(prefix, with_package=True)
            # No report server: each report fails at once inside its thread.
            env = setup.velmora_env(prefix, report_server.dead_proxy_env())
            for round_number in range(1, ROUNDS + 1):
                installed = prefix.run(exe, "-i", env=env, timeout=120)
                self.assertEqual(installed.returncode, 0,
                                 f"-i in round {round_number}: {installed.text()}")
                removed = prefix.run(exe, "-u", env=env, timeout=60)
                self.assertEqual(removed.returncode, 0,
                                 f"-u in round {round_number}: {removed.text()}")
            self.assertEqual(setup.ours(setup.spooler_state(prefix)),
                             {"printers": [], "ports": [], "drivers": []})


if __name__ == "__main__":
    winetest.main()
