"""Hostile report servers behind the proxy: whatever the server does, "-i" and "-u" end as they
do with a good server, show nothing and take no longer, and the dialog's hidden Install and
Uninstall buttons give their outcome and leave the dialog usable. Nothing leaves 127.0.0.1."""

import time
import unittest

import printer_setup as setup
import report_server as rs
import uidriver as ui
import winetest
from uidriver import IDC_INSTALL, IDC_OUTPATH, IDC_UNINSTALL, IDCANCEL

HOSTILE = (rs.NO_ACCEPT, rs.STALL, rs.DRIP, rs.HUGE, rs.GARBAGE, rs.RESET, rs.MOVED, rs.REDIRECT,
           rs.UNAUTHORIZED, rs.ERROR)
# Each mode's run may take this much longer than the good server's run of the same switch: far
# below what waiting for the report would cost (the 30 s connect time-out, the minute-long drip).
MARGIN_SECONDS = 2.0
INSTALLED = [1, 1, 1]
NOTHING = {"printers": [], "ports": [], "drivers": []}


class Sequences(unittest.TestCase):
    def run_switch(self, prefix, exe, switch, env, mode):
        """One run under a window watch: it must end by itself with exit code 0 and show
        nothing. Returns its time."""
        with setup.WindowWatch(prefix) as watch:
            result = prefix.run(exe, switch, env=env, timeout=90)
        self.assertEqual(result.returncode, 0, f"{switch} with {mode}: {result.text()}")
        self.assertTrue(watch.result and watch.result["ended"], f"{switch} with {mode}")
        self.assertEqual(watch.result["windows"], [], f"{switch} with {mode}")
        return result.seconds

    def cycle(self, prefix, exe, mode):
        """-i then -u against one server; returns their times and what the server received."""
        with rs.ReportServer(mode) as server:
            env = setup.velmora_env(prefix, server.proxy_env())
            installed = self.run_switch(prefix, exe, "-i", env, mode)
            mine = setup.ours(setup.spooler_state(prefix))
            self.assertEqual([len(found) for found in mine.values()], INSTALLED,
                             f"after -i with {mode}: {mine}")
            removed = self.run_switch(prefix, exe, "-u", env, mode)
            self.assertEqual(setup.ours(setup.spooler_state(prefix)), NOTHING,
                             f"after -u with {mode}")
            requests = server.requests
        print(f"{mode:>12}: -i {installed:5.2f} s, -u {removed:5.2f} s, "
              f"{len(requests)} request(s) {[r.status for r in requests]}", flush=True)
        return {"-i": installed, "-u": removed}, requests

    def test_install_and_uninstall_end_as_with_a_good_server(self):
        # One prefix for every server: a failed step stops the loop, since a printer left
        # behind would make every later install fail too.
        with winetest.Prefix("report-hostile") as prefix:
            setup.install_installer_stand_in(prefix)
            exe = setup.stage_setup(prefix, with_package=True)
            good, requests = self.cycle(prefix, exe, rs.OK)
            self.assertEqual(len(requests), 2, requests)

            for mode in HOSTILE:
                times, requests = self.cycle(prefix, exe, mode)
                for switch, seconds in times.items():
                    self.assertLessEqual(seconds, good[switch] + MARGIN_SECONDS,
                                         f"{switch} with {mode} against {good[switch]:.2f} s")
                paths = [r.path for r in requests]
                if mode == rs.NO_ACCEPT:
                    self.assertEqual(paths, [], mode)
                elif mode == rs.UNAUTHORIZED:
                    # The platform may repeat a refused request once with the credentials.
                    self.assertIn(len(paths), range(2, 5), requests)
                else:
                    # One request per run: a redirection is not followed.
                    self.assertEqual(paths, ["/zarvoprinter/servlet/PrintInstall",
                                             "/zarvoprinter/servlet/PrintUnInstall"], requests)


class HiddenButtons(unittest.TestCase):
    """The hidden Install and Uninstall buttons run their sequences on the dialog's thread while
    the report threads they start hang on a server that never answers or drips."""

    # Far below the time the report could hold a sequence up (the server answers after a minute
    # at the earliest), and well above an install's few seconds.
    OUTCOME_SECONDS = 25

    def setUp(self):
        self.prefix = winetest.Prefix("report-hostile-dialog")
        self.addCleanup(self.prefix.close)
        ui.use_virtual_desktop(self.prefix)
        setup.install_installer_stand_in(self.prefix)
        self.exe = setup.stage_setup(self.prefix, with_package=True)
        self.ui = ui.UiDriver(self.prefix)
        self.addCleanup(self.ui.close)

    def outcome(self, dialog, control_id, text):
        started = time.monotonic()
        self.ui.command(dialog, control_id)
        box = self.ui.dismiss_box(timeout_ms=90000)
        seconds = time.monotonic() - started
        self.assertEqual((box["caption"], box["text"]), ("Velmora", text))
        self.assertLess(seconds, self.OUTCOME_SECONDS, text)
        # The dialog answers again: an edit takes a new text and gives it back.
        marker = f"c:\\{control_id}\\仍然可用"
        self.ui.set_text(dialog, IDC_OUTPATH, marker)
        self.assertEqual(self.ui.text(dialog, IDC_OUTPATH), marker)
        self.assertTrue(self.ui.window(dialog)["enabled"])
        return seconds

    def test_outcome_boxes_come_and_the_dialog_stays_usable(self):
        for mode in (rs.STALL, rs.DRIP):
            with rs.ReportServer(mode) as server:
                velmora = self.prefix.background(
                    self.exe, env=setup.velmora_env(self.prefix, server.proxy_env()))
                dialog = self.ui.find("Velmora")
                installed = self.outcome(dialog, IDC_INSTALL, "安装Zarvo虚拟打印机驱动 成功 ")
                removed = self.outcome(dialog, IDC_UNINSTALL, "卸载Zarvo虚拟打印机驱动 成功 ")
                requests = server.wait_for_requests(2, timeout=10)
                self.assertEqual([r.path for r in requests],
                                 ["/zarvoprinter/servlet/PrintInstall",
                                  "/zarvoprinter/servlet/PrintUnInstall"], mode)
                # Both report threads still wait for their answers; Cancel ends the program.
                self.ui.click(dialog, IDCANCEL)
                self.ui.wait_gone(dialog)
                result = velmora.wait(timeout=30)
                self.assertEqual(result.returncode, 0, mode)
            print(f"{mode:>6}: install box after {installed:.2f} s, uninstall box after "
                  f"{removed:.2f} s", flush=True)
        self.assertEqual(setup.ours(setup.spooler_state(self.prefix)), NOTHING)


if __name__ == "__main__":
    winetest.main()
