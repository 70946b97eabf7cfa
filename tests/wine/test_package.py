"""Velmora.msi, with this build's program and the stand-in driver package, under Wine's msiexec:
install, removal on behalf of a newer version, upgrade, repair and removal. What Wine does not do
as Windows does (roll back a failed install, refuse a downgrade, stop at a failed action with
1603) is checked in the package's tables."""

import glob
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import unittest

import harness
from harness import PORT, PRINTER

PACKAGES = os.environ.get("VELMORA_WINE_PACKAGES", "")
README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "README.md")
# A 32-bit package goes to the 32-bit folder and registry view of 64-bit Windows.
FOLDER = r"C:\Program Files (x86)\Velmora"
ENTRIES = r"HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall"
# Custom action type bits.
FLAGS = {64: "failure ignored", 256: "rollback", 1024: "in the script", 2048: "system account"}
INSTALLED_PROGRAM = 18


def rows(package, name):
    lines = subprocess.run(["msiinfo", "export", package, name], capture_output=True, text=True,
                           check=True).stdout.splitlines()[3:]  # after names, types and keys
    return [line.split("\t") for line in lines]


def table(package, name):  # keyed by the first column
    return {row[0]: row[1:] for row in rows(package, name)}


def action(package, name):
    """A custom action of the package: the file it runs, its arguments, what its type says."""
    kind, source, arguments, _ = table(package, "CustomAction")[name]
    flags = {text for bit, text in FLAGS.items() if int(kind) & bit}
    file_name = table(package, "File")[source][1]
    return file_name, arguments, int(kind) & 0x3F == INSTALLED_PROGRAM, flags


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.paths = [os.path.join(PACKAGES, name) for name in ("Velmora.msi", "Velmora-next.msi")]
        cls.properties = [{k: v[0] for k, v in table(path, "Property").items()}
                          for path in cls.paths]
        cls.codes = [p["ProductCode"] for p in cls.properties]

    def test_1_tables(self):
        this, _ = self.paths
        # Each release has its own product code; the upgrade code is the README's.
        [readme_code] = re.findall(r"upgrade code[^{]*(\{[0-9A-F-]{36}\})",
                                    pathlib.Path(README).read_text(encoding="utf-8"))
        self.assertEqual({p["UpgradeCode"] for p in self.properties}, {readme_code})
        self.assertNotEqual(*self.codes)
        self.assertEqual((self.properties[0]["ALLUSERS"], self.properties[0]["Manufacturer"]),
                         ("1", "Zarvo"))
        self.assertIn("Template: Intel;1033", subprocess.run(
            ["msiinfo", "suminfo", this], capture_output=True, text=True, check=True).stdout)

        # Velmora.exe from its installed place, in the script and in the system account. The
        # install's failure fails the package (no "ignored"); the removal's never does.
        self.assertEqual(action(this, "InstallPrinter"),
                         ("Velmora.exe", "-i -q", True, {"in the script", "system account"}))
        self.assertEqual(action(this, "RollbackPrinter"),
                         ("Velmora.exe", "-u -q", True,
                          {"rollback", "in the script", "system account", "failure ignored"}))
        self.assertEqual(action(this, "RemovePrinter"),
                         ("Velmora.exe", "-u -q", True,
                          {"in the script", "system account", "failure ignored"}))

        # In the script's order: the removal before the files go, the install after they are
        # in place, its rollback action right before it and under the same condition. An older
        # version goes before the new files come.
        sequence = table(this, "InstallExecuteSequence")
        steps = ["InstallInitialize", "RemovePrinter", "RemoveFiles", "InstallFiles",
                 "RollbackPrinter", "InstallPrinter", "InstallFinalize"]
        order = sorted(sequence, key=lambda name: int(sequence[name][1]))
        self.assertEqual([name for name in order if name in steps], steps)
        self.assertEqual(sequence["RollbackPrinter"][0], sequence["InstallPrinter"][0])
        self.assertLess(order.index("RemoveExistingProducts"), order.index("InstallFiles"))

        # Older versions are removed; a newer one is only found, and then the launch condition
        # refuses with a message.
        version = self.properties[0]["ProductVersion"]
        # (lowest, highest, both bounds excluded, only found, property found in)
        older, newer = sorted((row[1], row[2], int(row[4]) & 0x300 == 0, int(row[4]) & 2 != 0,
                               row[6]) for row in rows(this, "Upgrade"))
        self.assertEqual(older[:4], ("", version, True, False))
        self.assertEqual(newer[:4], (version, "", True, True))
        [(condition, [message])] = table(this, "LaunchCondition").items()
        self.assertEqual((condition, bool(message)), ("NOT " + newer[4], True))

    def test_2_install_upgrade_repair_remove(self):
        p = self.prefix = harness.Prefix("package")
        self.addCleanup(p.close)
        for path in self.paths:
            shutil.copy(path, p.unix_path("C:\\"))
        first, second = [r"C:\%s" % os.path.basename(path) for path in self.paths]
        installed = {name: self.digest(os.path.join(harness.FIXTURES, name))
                     for name in os.listdir(harness.FIXTURES)}
        installed["Velmora.exe"] = self.digest(harness.velmora_exe())
        self.logged = 0

        # For all users: the printer, the files side by side, an entry in Programs and
        # Features, which names the program's own version.
        self.assertEqual(self.msiexec("/i", first), ["-i -q"])
        self.assertEqual(self.state(), (True, installed, {self.codes[0]: self.entry(0)}))
        [logged_version] = set(re.findall(r" Velmora ([\d.]+), command", self.log()))
        self.assertEqual(logged_version, self.properties[0]["ProductVersion"] + ".0")

        # Removed for a newer version as Windows removes it, naming the new product (Wine's own
        # major upgrade leaves that out, so its removal takes the printer): the printer stays.
        self.assertEqual(self.msiexec("/x", self.codes[0], "UPGRADINGPRODUCTCODE=" + self.codes[1]),
                         [])
        self.assertEqual(self.state(), (True, None, {}))

        # The newer package replaces the older one.
        self.assertEqual(self.msiexec("/i", first), ["-i -q"])
        self.assertEqual(self.msiexec("/i", second)[-1:], ["-i -q"])
        self.assertEqual(self.state(), (True, installed, {self.codes[1]: self.entry(1)}))
        # A repair installs the printer again (asked as "/fa" does, which Wine's msiexec lacks).
        self.assertEqual(self.msiexec("/i", self.codes[1], "REINSTALL=ALL"), ["-i -q"])

        # Removal takes queue, port, driver, the files and their folder, and the entry.
        self.assertEqual(self.msiexec("/x", second), ["-u -q"])
        self.assertEqual(self.state(), (False, None, {}))

    @staticmethod
    def digest(path):
        with open(path, "rb") as f:
            return hashlib.md5(f.read()).hexdigest()

    def entry(self, index):  # as Programs and Features shows the package
        return ("Velmora", "Zarvo", self.properties[index]["ProductVersion"])

    def log(self):
        """Velmora's log, in the system account's temporary folder, or under Wine the user's."""
        paths = [self.prefix.unix_path(r"C:\windows\temp\Velmora.log")] + glob.glob(
            self.prefix.unix_path(r"C:\users\*\Temp\Velmora.log"))
        return "".join(pathlib.Path(path).read_bytes().decode("utf-8-sig") for path in paths
                       if os.path.exists(path))

    def msiexec(self, *args):
        """Runs msiexec quietly to success; returns the program's runs it made, each of which
        succeeded."""
        command = "msiexec " + " ".join(args) + " /qn"
        self.assertEqual(self.prefix.tool("run", 120000, command),
                         {"exit": 0, "boxes": [], "windows": 0}, command)
        text = self.log()
        runs = re.findall(r'command "([^"]*)".*?result: (\w+)', text[self.logged:], re.S)
        self.logged = len(text)
        self.assertEqual({result for _, result in runs} - {"succeeded"}, set(), command)
        return [switches for switches, _ in runs]

    def state(self):
        """(printer installed or gone, the program folder's files or None, the entries in
        Programs and Features)."""
        spooler = self.prefix.tool("spooler", PRINTER)
        queue = (spooler["queue"] or [None] * 3)[1:3]  # its port and driver
        ours = [queue == [PORT, PRINTER], PORT in spooler["ports"],
                any(PRINTER in names for names in spooler["drivers"].values())]
        printer = True if all(ours) else False if not any(ours) else spooler
        folder = self.prefix.unix_path(FOLDER)
        files = {name: self.digest(os.path.join(folder, name))
                 for name in os.listdir(folder)} if os.path.isdir(folder) else None
        entries, values = {}, {}
        for line in self.prefix.run("reg", "query", ENTRIES, "/s").text().splitlines():
            key = re.match(r"HKEY_LOCAL_MACHINE\\.*\\(\{[0-9A-F-]{36}\})$", line.strip())
            value = re.match(r"\s+(\w+)\s+REG_\w+\s+(.*)$", line)
            if key:
                values = entries.setdefault(key.group(1), {})
            elif value:
                values[value.group(1)] = value.group(2).strip()
        return printer, files, {code: tuple(v.get(name) for name in (
            "DisplayName", "Publisher", "DisplayVersion")) for code, v in entries.items()}


if __name__ == "__main__":
    harness.describe()
    unittest.main(verbosity=2)
