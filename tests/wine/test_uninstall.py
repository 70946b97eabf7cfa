""""-u" end to end: the production Velmora.exe removes the queue, port and driver that a prefix
holds, reports once to a local report server whatever that server answers, shows nothing, and
tells the outcome by its exit code."""

import unittest

import printer_setup as setup
import report_server
import winetest

UNINSTALL_PATH = "/zarvoprinter/servlet/PrintUnInstall"
NOTHING = {"printers": [], "ports": [], "drivers": []}


class Uninstall(unittest.TestCase):
    def setUp(self):
        self.prefix = winetest.Prefix("uninstall")
        self.addCleanup(self.prefix.close)
        self.exe = setup.stage_setup(self.prefix, with_package=False)

    def register(self):
        setup.register_printer(self.prefix)
        mine = setup.ours(setup.spooler_state(self.prefix))
        self.assertEqual([len(found) for found in mine.values()], [1, 1, 1], mine)

    def uninstall(self, report_env):
        """Runs "-u" under a window watch, checks that it showed nothing; returns the run."""
        with setup.WindowWatch(self.prefix) as watch:
            result = self.prefix.run(self.exe, "-u", env=report_env, timeout=60)
        self.assertIsNotNone(watch.result, "window_watch gave no result")
        self.assertTrue(watch.result["seen"] and watch.result["ended"], watch.result)
        # Nothing is shown: a message box would also have kept the process from ending.
        self.assertEqual(watch.result["windows"], [])
        return result

    def assert_removed(self):
        self.assertEqual(setup.ours(setup.spooler_state(self.prefix)), NOTHING)

    def assert_uninstall_report(self, request):
        self.assertEqual(request.method, "GET")
        self.assertEqual(request.path, UNINSTALL_PATH)
        self.assertEqual(request.host, winetest.REPORT_HOST)
        self.assertEqual(request.version, "HTTP/1.0")
        self.assertEqual(request.headers.get("user-agent"), "Velmora")

    def test_removes_queue_port_and_driver_and_reports_once(self):
        self.register()
        with report_server.ReportServer(report_server.OK) as server:
            result = self.uninstall(server.proxy_env())
            requests = server.settle()
        self.assertEqual(result.returncode, 0, result.text())
        self.assert_removed()
        self.assertEqual(len(requests), 1, requests)
        self.assert_uninstall_report(requests[0])

    def test_basic_challenge_gets_the_credentials_on_the_retry(self):
        self.register()
        with report_server.ReportServer(report_server.AUTH) as server:
            result = self.uninstall(server.proxy_env())
            requests = server.settle()
        self.assertEqual(result.returncode, 0, result.text())
        self.assert_removed()
        self.assertEqual([r.status for r in requests], [401, 200], requests)
        for request in requests:
            self.assert_uninstall_report(request)
        self.assertEqual(requests[1].headers.get("authorization"),
                         report_server.GOOD_AUTHORIZATION)

    def test_redirect_is_not_followed(self):
        self.register()
        with report_server.ReportServer(report_server.REDIRECT) as server:
            result = self.uninstall(server.proxy_env())
            requests = server.settle(quiet=2.0)
        self.assertEqual(result.returncode, 0, result.text())
        self.assert_removed()
        self.assertEqual(len(requests), 1, requests)
        self.assert_uninstall_report(requests[0])
        self.assertEqual(requests[0].status, 302)

    def test_error_status_and_empty_body_end_like_success(self):
        for mode in (report_server.ERROR, report_server.EMPTY):
            with self.subTest(mode=mode):
                self.register()
                with report_server.ReportServer(mode) as server:
                    result = self.uninstall(server.proxy_env())
                    requests = server.settle()
                self.assertEqual(result.returncode, 0, result.text())
                self.assert_removed()
                self.assertEqual(len(requests), 1, requests)
                self.assert_uninstall_report(requests[0])

    def test_unanswered_report_does_not_hold_up_the_uninstall(self):
        # The process ends when the sequence is done; the report thread ends with it.
        self.register()
        with report_server.ReportServer(report_server.STALL) as server:
            result = self.uninstall(server.proxy_env())
            requests = server.wait_for_requests(1, timeout=10)
        self.assertEqual(result.returncode, 0, result.text())
        self.assertLess(result.seconds, 12.0)
        self.assert_removed()
        self.assertEqual(len(requests), 1, requests)
        self.assert_uninstall_report(requests[0])

    def test_without_report_server_and_twice_in_a_row(self):
        # No server listens: the report fails inside its thread and changes nothing. The first
        # run removes the printer; the second finds nothing, and its failed driver deletion
        # makes the exit code nonzero. Both take the report's 3 s head start and no more.
        self.register()
        dead = report_server.dead_proxy_env()
        first = self.uninstall(dead)
        self.assertEqual(first.returncode, 0, first.text())
        self.assert_removed()
        second = self.uninstall(dead)
        self.assertNotEqual(second.returncode, 0, second.text())
        self.assert_removed()
        for result in (first, second):
            self.assertGreaterEqual(result.seconds, 3.0)
            self.assertLess(result.seconds, 12.0)


if __name__ == "__main__":
    winetest.main()
