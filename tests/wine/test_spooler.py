"""The service and port operations through the real Win32 adapters, checked against what
Wine's service manager and spooler then report."""

import unittest

import winetest


class SpoolerIntegration(unittest.TestCase):
    def run_checks(self, what):
        with winetest.Prefix(what) as prefix:
            result = prefix.run(winetest.tool("spooler_integration"), what)
        out = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, out + result.stderr.decode("utf-8", "replace"))
        self.assertIn(" 0 failed", out)

    def test_ansi_code_page_is_936(self):
        self.run_checks("acp")

    def test_spooler_service_start_and_stop(self):
        self.run_checks("services")

    def test_port_add_and_delete(self):
        self.run_checks("port")


if __name__ == "__main__":
    winetest.main()
