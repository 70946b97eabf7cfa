"""Hostile settings files for the dialog: empty, binary garbage, 100,000 lines, 64 KiB values and
a file that cannot be written. The dialog opens with the values of the keys it finds and the
defaults of the others, OK ends the program normally, and no other section is ever lost. Wine's
profile functions rewrite the whole file on each write and normalise the lines they cannot read
(NUL bytes, bytes that are not GBK, blank lines), so the rest of the file is checked by its
sections and keys, not byte for byte, except where nothing may be written at all."""

import os
import random
import subprocess
import unittest

import uidriver as ui
import winetest
from uidriver import IDC_EXENAME, IDC_OUTPATH, IDC_OUTTYPE, IDC_OVERWRITE, IDC_RUNEXE, IDOK

SETTINGS = "C:\\windows\\zarvoprintsetup.ini"
# The report thread of the hidden buttons would reach nothing but a dead loopback port.
ENV = {"http_proxy": "http://127.0.0.1:9"}
DEFAULTS = {"exe": 0, "exename": "zarvoconv.exe", "outtype": "BMP", "outpath": "c:\\",
            "overwrite": 0}
KEYS = list(DEFAULTS)
LIMIT = 1023  # the longest text a key loads as

# NUL bytes, byte pairs that are not GBK, a section header with no end, stray CRs and DEL.
GARBAGE = (b"\x00\xff\xfe\x80\x7f\x00\n\xa1\x00\xfe\xff\r\r\n[unterminated \x81\x20\n=\x00=\n" +
           random.Random(4).randbytes(4096) + b"\r\n")
OTHERS = b"[before]\r\nkeep=1\r\n"
AFTER = b"[after]\r\nalso=2\r\n"


def sections(data):
    """{section name: [(key, value), ...]} of an INI text, as the profile functions read it."""
    found, current = {}, None
    for raw in data.replace(b"\r", b"").split(b"\n"):
        line = raw.strip()
        if line.startswith(b"[") and b"]" in line:
            current = found.setdefault(line[1:line.rindex(b"]")].decode("gbk", "replace"), [])
        elif current is not None and b"=" in line:
            key, value = line.split(b"=", 1)
            current.append((key.strip().decode("gbk", "replace"), value.strip()))
    return found


def ours(data):
    return {key: value.decode("gbk", "replace")
            for key, value in sections(data).get("zarvoprinter", [])}


class HostileSettingsFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # One prefix and driver for every file: each case starts its own Velmora.exe.
        cls.prefix = winetest.Prefix("settings-hostile")
        ui.use_virtual_desktop(cls.prefix)
        cls.path = cls.prefix.unix_path(SETTINGS)
        cls.ui = ui.UiDriver(cls.prefix)

    @classmethod
    def tearDownClass(cls):
        cls.ui.close()
        cls.prefix.close()

    def open_and_ok(self, contents, before_open=None):
        """Writes the file, opens the dialog, reads what it shows, presses OK and waits for the
        program's end. Returns (shown, file bytes afterwards)."""
        with open(self.path, "wb") as f:
            f.write(contents)
        if before_open:
            before_open()
        velmora = self.prefix.background(winetest.velmora_exe(), env=ENV)
        try:
            dialog = self.ui.find("Velmora")
            program = self.ui.control(dialog, IDC_EXENAME)
            formats = self.ui.control(dialog, IDC_OUTTYPE)
            shown = {
                "exe": self.ui.control(dialog, IDC_RUNEXE)["check"],
                "exename": program["text"],
                "outtype": formats["text"],
                "outpath": self.ui.text(dialog, IDC_OUTPATH),
                "overwrite": self.ui.control(dialog, IDC_OVERWRITE)["check"],
            }
            # The format list holds the stored format alone; the program controls are usable
            # exactly when running a program is on.
            self.assertEqual(formats["items"], [shown["outtype"]])
            self.assertEqual(program["enabled"], shown["exe"] == 1)
            self.ui.click(dialog, IDOK)
            self.ui.wait_gone(dialog)
            result = velmora.wait(timeout=30)
        finally:
            if velmora.child.poll() is None:
                velmora.child.kill()
                velmora.child.wait(timeout=10)
        self.assertEqual(result.returncode, 0, result.text())
        with open(self.path, "rb") as f:
            return shown, f.read()

    def assert_saved(self, after, shown):
        """OK wrote the five keys with what the dialog showed."""
        expected = {key: str(value) for key, value in shown.items()}
        self.assertEqual({key: value for key, value in ours(after).items() if key in KEYS},
                         expected)

    def test_empty_file_gives_the_defaults(self):
        shown, after = self.open_and_ok(b"")
        self.assertEqual(shown, DEFAULTS)
        self.assertEqual(list(sections(after)), ["zarvoprinter"])
        self.assert_saved(after, DEFAULTS)

    def test_binary_garbage_around_the_sections(self):
        shown, after = self.open_and_ok(GARBAGE + OTHERS + GARBAGE + AFTER)
        self.assertEqual(shown, DEFAULTS)
        found = sections(after)
        # The garbage after "keep" reads as more lines of that section.
        self.assertEqual(found["before"][0], ("keep", b"1"))
        self.assertEqual(found["after"], [("also", b"2")])
        self.assert_saved(after, DEFAULTS)

    def test_garbage_values_in_our_section(self):
        # A value is the text before its first NUL byte; a flag with no leading digit is 0.
        shown, after = self.open_and_ok(OTHERS + GARBAGE + b"[zarvoprinter]\r\nexe=1\xff\r\n"
                                        b"exename=C:\\conv\x00\xff\xfe.exe\r\n"
                                        b"overwrite=\x001\r\n" + AFTER)
        self.assertEqual(shown, dict(DEFAULTS, exe=1, exename="C:\\conv"))
        self.assert_saved(after, shown)
        found = sections(after)
        self.assertEqual(found["before"][0], ("keep", b"1"))
        self.assertEqual(found["after"], [("also", b"2")])

    def test_one_hundred_thousand_lines(self):
        bulk = b"".join(b"line%06d=value %06d\r\n" % (i, i) for i in range(100000))
        shown, after = self.open_and_ok(
            b"[bulk]\r\n" + bulk +
            "[zarvoprinter]\r\nexe=1\r\nexename=C:\\工具\\conv.exe\r\nouttype=PNG\r\n".encode("gbk") +
            AFTER)
        self.assertEqual(shown, dict(DEFAULTS, exe=1, exename="C:\\工具\\conv.exe", outtype="PNG"))
        found = sections(after)
        self.assertEqual(list(found), ["bulk", "zarvoprinter", "after"])
        self.assertEqual(found["bulk"], [(f"line{i:06d}", b"value %06d" % i)
                                         for i in range(100000)])
        self.assertEqual(found["after"], [("also", b"2")])
        self.assert_saved(after, shown)

    def test_64_kib_values_are_cut_to_1023_bytes(self):
        program = "a" * 65536
        directory = "中" * 32768  # two bytes each in GBK
        shown, after = self.open_and_ok(
            b"[zarvoprinter]\r\nexename=" + program.encode("gbk") + b"\r\noutpath=" +
            directory.encode("gbk") + b"\r\n" + AFTER)
        self.assertEqual(shown["exename"], program[:LIMIT])
        # 1023 bytes end halfway through a character: the whole characters before it remain.
        self.assertEqual(shown["outpath"], directory[:LIMIT // 2])
        self.assertEqual(dict(shown, exename="", outpath=""),
                         dict(DEFAULTS, exename="", outpath=""))
        self.assert_saved(after, shown)
        self.assertEqual(sections(after)["after"], [("also", b"2")])

    def test_read_only_file_stays_unchanged_and_the_dialog_still_closes(self):
        contents = (OTHERS + b"[zarvoprinter]\r\nexe=1\r\nouttype=PNG\r\n\r\n; kept\r\n" + AFTER)

        def make_read_only():
            os.chmod(self.path, 0o444)  # the read-only attribute in the prefix
            self.addCleanup(os.chmod, self.path, 0o644)
            if os.geteuid() == 0:
                # Root writes whatever the mode says; only an immutable file refuses it.
                made = subprocess.run(["chattr", "+i", self.path], capture_output=True)
                if made.returncode != 0:
                    self.skipTest("running as root without a way to make a file read-only")
                self.addCleanup(subprocess.run, ["chattr", "-i", self.path])

        shown, after = self.open_and_ok(contents, before_open=make_read_only)
        self.assertEqual(shown, dict(DEFAULTS, exe=1, outtype="PNG"))
        self.assertEqual(after, contents)


if __name__ == "__main__":
    winetest.main()
