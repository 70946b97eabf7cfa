"""Repeated "-i" and "-u" on one prefix: every round installs and removes cleanly, and the prefix
ends with no queue, port or driver of ours. Each round's time is printed beside the first
round's; speed is the benchmark's business, so only the outcomes are asserted."""

import unittest

import printer_setup as setup
import report_server
import winetest

ROUNDS = 20


class InstallUninstallCycles(unittest.TestCase):
    def test_twenty_rounds_leave_nothing_behind(self):
        with winetest.Prefix("cycles") as prefix:
            setup.install_installer_stand_in(prefix)
            exe = setup.stage_setup(prefix, with_package=True)
            # No report server: each report fails at once inside its thread.
            env = setup.velmora_env(prefix, report_server.dead_proxy_env())
            first = None
            for round_number in range(1, ROUNDS + 1):
                installed = prefix.run(exe, "-i", env=env, timeout=120)
                self.assertEqual(installed.returncode, 0,
                                 f"-i in round {round_number}: {installed.text()}")
                removed = prefix.run(exe, "-u", env=env, timeout=60)
                self.assertEqual(removed.returncode, 0,
                                 f"-u in round {round_number}: {removed.text()}")
                seconds = installed.seconds + removed.seconds
                first = first or seconds
                print(f"round {round_number:2}: -i {installed.seconds:5.2f} s, -u "
                      f"{removed.seconds:5.2f} s, together {seconds:5.2f} s = "
                      f"{seconds / first:4.2f} x round 1", flush=True)
            self.assertEqual(setup.ours(setup.spooler_state(prefix)),
                             {"printers": [], "ports": [], "drivers": []})


if __name__ == "__main__":
    winetest.main()
