"""The real program under Wine, for what only a real system shows (what the pretend system of the
native tests shows is left to them): "-i", "-u" and "-c" against Wine's spooler, the report,
Velmora.msi under msiexec (what Wine's does otherwise than Windows' in the package's tables), the
settings dialog's layout at 96 and 144 dpi, an English Windows's code page; ctest runs each class."""

import glob
import itertools
import os
import pathlib
import re
import shutil
import subprocess
import unittest

from harness import (BIN_DIR, BITS, GOOD_AUTHORIZATION, INSTALLED, SETUP, Prefix, ReportServer,
                     report_line)

# "誠" is D5 5C in code page 936: its trail byte is a backslash.
PACKAGED = r"C:\Zarvo誠信-update"
# An install removes these first: from the x64 driver and print-processor folders and, under
# WOW64, the x86 ones too.
SPOOL, FOLDERS = r"C:\windows\system32\spool", {"x64", "w32x86" if BITS == "32" else "x64"}
DRIVER_FILES = ("QXOEMUI.dll zarvoprinter.GPD QXOEMUI.INI zarvoprinter.dll QXUNIDRV.DLL "
                "QXUNIDRVUI.DLL zarvoprinter.BUD").split()
STALE = [rf"{SPOOL}\drivers\{folder}\3\{name}" for folder in FOLDERS for name in DRIVER_FILES] + [
    rf"{SPOOL}\prtprocs\{folder}\{name}" for folder in FOLDERS
    for name in ("Qxproc.dll", "Halvoproc.dll", "Fenwoproc.dll")] + [r"C:\windows\velmora.ini"]
GONE = [None, False, []]  # no queue, port or driver of ours in either environment
PACKAGES = [f"{os.environ.get('VELMORA_WINE_PACKAGES', '')}/Velmora{s}.msi" for s in ("", "-next")]
# A 32-bit package goes to the 32-bit folder and registry view of 64-bit Windows.
FOLDER = r"C:\Program Files (x86)\Velmora"
ENTRIES = r"HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall"
IDOK, VK_ESCAPE, WM_KEYDOWN, BM_CLICK = 1, 0x1B, 0x100, 0xF5
OVERWRITE, OUTPATH, OUTTYPE, EXENAME, RUNEXE, _, BROWSE_EXE, INSTALL, UNINSTALL = range(1000, 1009)
FIELDS = "id class style left top right bottom text width height check enabled visible count"
SETTINGS = r"C:\windows\zarvoprintsetup.ini"
# The room a button leaves its text, by style: push button (0, 1), check box (2, 3, 5, 6), group
# box (7), which frames other controls and so overlaps them.
MARGINS = {0: 6, 1: 6, 2: 17, 3: 17, 5: 17, 6: 17, 7: 12}


def rows(package, name):
    lines = subprocess.run(["msiinfo", "export", package, name], capture_output=True, text=True,
                           check=True).stdout.splitlines()[3:]  # after names, types and keys
    return [line.split("\t") for line in lines]


def table(package, name):  # keyed by the first column
    return {row[0]: row[1:] for row in rows(package, name)}


class Sequences(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix, cls.server = map(cls.enterClassContext, (Prefix("sequences"), ReportServer()))
        cls.packaged = cls.prefix.stage(PACKAGED)

    def velmora(self, exe, switches, exit_code=0, runs=1, answered=False, env=None):
        """The spooler's state after `runs` runs at once, which ended by themselves (a box or
        window would wait for a click) as `exit_code` says."""
        self.server.silent, self.server.requests[:] = not answered, []
        started = [self.prefix.start(exe, *switches.split(), env=dict(self.server.proxy, **(
            env or {}))) for _ in range(runs)]
        self.assertEqual([run.wait(timeout=25) for run in started], [exit_code] * runs, switches)
        report = None if "-c" in switches else report_line(
            "PrintUnInstall" if "-u" in switches else "PrintInstall")
        self.assertEqual({line for line, _ in self.server.requests}, {report} - {None})
        if answered:  # the credentials go only with the answer to the challenge
            self.assertEqual([auth for _, auth in self.server.requests], [None, GOOD_AUTHORIZATION])
        return self.prefix.spooler()

    def test_1_install_and_uninstall_answered_and_on_an_english_windows(self):
        stale = [self.prefix.write(path, b"old") for path in STALE]
        self.assertEqual((self.velmora(self.packaged, "-i", answered=True),
                          [path for path in stale if os.path.exists(path)]), (INSTALLED, []))
        self.assertEqual(self.velmora(self.packaged, "-u", answered=True)[:3], GONE)
        self.velmora(self.packaged, "-c", exit_code=1)  # a check answers from what is there
        # The program's own locale sets its code page: C.UTF-8 makes it 1252, an English Windows's,
        # which holds no Chinese: the queue and the default printer have their names all the same.
        english = {"LC_ALL": "C.UTF-8"}
        self.assertEqual(self.velmora(self.packaged, "-i -q", env=english), INSTALLED)
        self.assertEqual(self.velmora(self.packaged, "-u -q", env=english)[:3], GONE)

    def test_2_runs_at_once_keep_their_lines_apart_and_check_changes_nothing(self):
        [log] = map(pathlib.Path, glob.glob(self.prefix.unix_path(r"C:\users\*\Temp\Velmora.log")))
        log.unlink()
        self.assertEqual(self.velmora(self.packaged, "-i -q", runs=2), INSTALLED)
        # Each run's lines stand together, header to result; the second waited, then installed over.
        runs = re.split(r".* Velmora [\d.]+, command .*\n", log.read_text(encoding="utf-8-sig"))[1:]
        self.assertEqual([run.splitlines()[-1][-30:] for run in runs],
                         ["result: succeeded, exit code 0"] * 2, runs)
        self.assertIn("install lock: waited for another install or uninstall to end",
                      runs[1].splitlines()[0])
        self.assertEqual(self.velmora(self.packaged, "-c"), INSTALLED)  # sends and changes nothing

    def test_3_from_folders_named_in_another_language_with_planted_dlls_and_a_linked_log(self):
        # A Spanish user's Downloads and temporary folder: code page 936 holds neither name.
        # The prefix keeps this temporary folder, so this test comes last.
        p, temp, folder = self.prefix, r"C:\Temp-Año-ß-한", r"C:\Descargas-Ñuñez-ß"
        p.run("reg", "add", r"HKCU\Environment", "/v", "TMP", "/d", temp, "/f")  # before TEMP
        exe = p.stage(folder)
        # Where Windows looks first for DLLs outside KnownDLLs, as Wine does told to prefer native.
        for name in ("comctl32.dll", "winspool.drv", "wininet.dll"):
            shutil.copy(BIN_DIR + "/tools/printui.dll", p.unix_path(folder + "\\" + name))
            p.env["WINEDLLOVERRIDES"] += f";{name[:-4]}=n,b"
        # The log's name is another file's second name (a hard link).
        secret = p.write(temp + r"\secret.txt", b"another file's text\r\n")
        os.link(secret, p.unix_path(temp + r"\Velmora.log"))
        pathlib.Path(p.unix_path(r"C:\windows\dorvaPrinter.exe")).unlink(missing_ok=True)
        self.assertEqual((self.velmora(exe, "-i -q"), p.read(r"C:\windows\dorvaPrinter.exe"),
                          glob.glob(p.unix_path(r"C:\planted-*")), p.read(temp + r"\secret.txt")),
                         (INSTALLED, p.read(exe), [], b"another file's text\r\n"))
        [fresh] = glob.glob(p.unix_path(temp + r"\Velmora-*.log"))
        log = pathlib.Path(fresh).read_bytes().decode("utf-8")
        self.assertIn(f" log: {temp}\\Velmora.log was left alone (it has 2 names (hard links)); "
                      f"this run logs to {temp}\\{os.path.basename(fresh)}", log)
        self.assertIn("result: succeeded, exit code 0", log)


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.properties = [{k: v[0] for k, v in table(p, "Property").items()} for p in PACKAGES]
        cls.codes = [p["ProductCode"] for p in cls.properties]

    def test_1_tables(self):
        this, properties = PACKAGES[0], self.properties[0]
        # The upgrade code is the README's; Programs and Features names Velmora by Zarvo.
        readme = (pathlib.Path(__file__).resolve().parents[2] / "README.md").read_text("utf-8")
        [readme_code] = re.findall(r"upgrade code[^{]*(\{[0-9A-F-]{36}\})", readme)
        self.assertEqual(({p["UpgradeCode"] for p in self.properties}, properties["ProductName"],
                          properties["Manufacturer"]), ({readme_code}, "Velmora", "Zarvo"))
        # Velmora.exe from its installed place (18), in the script (1024), as the system (2048); a
        # failed install fails the package, a failed removal or rollback (256) is ignored (64).
        files = table(this, "File")
        self.assertEqual({name: (int(kind), files[source][1], arguments) for name, (
            kind, source, arguments, _) in table(this, "CustomAction").items()}, {
            "InstallPrinter": (18 + 1024 + 2048, "Velmora.exe", "-i -q"),
            "RollbackPrinter": (18 + 64 + 256 + 1024 + 2048, "Velmora.exe", "-u -q"),
            "RemovePrinter": (18 + 64 + 1024 + 2048, "Velmora.exe", "-u -q")})
        # The rollback right before the install, under its condition; an older version goes first.
        sequence = table(this, "InstallExecuteSequence")
        order = sorted(sequence, key=lambda name: int(sequence[name][1]))
        self.assertEqual((order.index("RollbackPrinter") + 1, sequence["RollbackPrinter"][0]),
                         (order.index("InstallPrinter"), sequence["InstallPrinter"][0]))
        self.assertLess(order.index("RemoveExistingProducts"), order.index("InstallFiles"))
        # Older versions are removed, a newer one only found (2): the launch condition refuses it.
        code, version = properties["UpgradeCode"], properties["ProductVersion"]
        self.assertEqual((sorted(rows(this, "Upgrade")), table(this, "LaunchCondition")), (
            [[code, "", version, "", "1", "", "WIX_UPGRADE_DETECTED"],
             [code, version, "", "", "2", "", "WIX_DOWNGRADE_DETECTED"]],
            {"NOT WIX_DOWNGRADE_DETECTED": ["A newer version of Velmora is already installed."]}))

    def test_2_install_upgrade_repair_remove(self):
        self.prefix = self.enterContext(Prefix("package"))
        first, second = ["Z:" + path.replace("/", "\\") for path in PACKAGES]  # the host's root
        files = {f.name: hash(f.read_bytes()) for f in SETUP}
        # The program's runs, which name this version (the next package holds the same program).
        i, u = (f"{self.properties[0]['ProductVersion']}.0 -{s} -q succeeded" for s in "iu")
        # For all users: the printer, the files side by side, an entry in Programs and Features.
        self.assertEqual(self.msiexec("/i", first), ([i], (INSTALLED[:3], files, {self.codes[0]})))
        # Removed for a newer version as Windows removes it, naming the new product (Wine's own
        # major upgrade leaves that out, so its removal takes the printer): the printer stays.
        self.assertEqual(self.msiexec("/x", self.codes[0], "UPGRADINGPRODUCTCODE=" + self.codes[1]),
                         ([], (INSTALLED[:3], None, set())))
        # The newer package replaces the older; a repair ("/fa", which Wine lacks) installs again.
        self.assertEqual(self.msiexec("/i", first)[0], [i])
        self.assertEqual(self.msiexec("/i", second)[0], [u, i])
        self.assertEqual(self.msiexec("/i", self.codes[1], "REINSTALL=ALL"),
                         ([i], (INSTALLED[:3], files, {self.codes[1]})))
        # Removal takes queue, port, driver, the files and their folder, and the entry.
        self.assertEqual(self.msiexec("/x", second), ([u], (GONE, None, set())))

    def msiexec(self, *args):  # the program's runs and their results; the printer, files, entries
        self.assertEqual(self.prefix.run("msiexec", *args, "/qn", timeout=120).returncode, 0, args)
        # Under Wine the package's actions run in the user's account, and log to its folder.
        log = ""
        for path in glob.glob(self.prefix.unix_path(r"C:\users\*\Temp\Velmora.log")):
            log = pathlib.Path(path).read_text(encoding="utf-8-sig")
            os.remove(path)
        runs = re.findall(r' Velmora ([\d.]+), command "([^"]*)".*?result: (\w+)', log, re.S)
        there = pathlib.Path(self.prefix.unix_path(FOLDER))
        files = {f.name: hash(f.read_bytes()) for f in there.iterdir()} if there.is_dir() else None
        entries = self.prefix.run("reg", "query", ENTRIES).text()
        return [" ".join(run) for run in runs], (
            self.prefix.spooler()[:3], files, set(re.findall(r"\{[0-9A-F-]{36}\}", entries)))


class SettingsDialog(unittest.TestCase):
    @classmethod
    def setUpClass(cls):  # a screen at 96 dpi and one at 144 (150%)
        cls.prefixes = {dpi: cls.enterClassContext(Prefix("dialog", desktop=True, dpi=dpi))
                        for dpi in (96, 144)}

    def open(self, dpi=96, env=None):
        self.prefix, self.ui = self.prefixes[dpi], self.prefixes[dpi].tool
        self.settings = pathlib.Path(self.prefix.unix_path(SETTINGS))
        self.settings.unlink(missing_ok=True)
        self.velmora = self.prefix.start(self.prefix.stage(), env=env)
        self.addCleanup(self.velmora.kill)  # a failed test may have left it open

    def post(self, message, wparam=0, control=0, dialog="Velmora"):
        self.ui("post", dialog, control, message, wparam)

    def shows(self, expected, dpi=None, screenshot=None):
        """The controls show what `expected` says ({id: {field: value}}, the dialog's id 0); at
        `dpi`, every text fits its control in the dialog's font and no two controls overlap."""
        window, *controls = [dict(zip(FIELDS.split(), c)) for c in self.ui("controls", "Velmora")]
        by_id = {c["id"]: c for c in [window] + controls}
        self.assertEqual({i: {k: by_id[i][k] for k in f} for i, f in expected.items()}, expected)
        shown = [c for c in controls if dpi and c["visible"]]
        for c in shown:
            margin = MARGINS.get(c["style"] & 0xF, 0) if c["class"] == "Button" else 0
            fits = (c["width"] + margin * dpi / 96 <= c["right"] - c["left"] and
                    c["height"] <= c["bottom"] - c["top"])
            self.assertTrue(fits or not c["text"] or c["class"] not in ("Button", "Static"), c)
        boxes = [c for c in shown if (c["class"], c["style"] & 0xF) != ("Button", 7)]
        for a, b in itertools.combinations(boxes, 2):
            self.assertFalse(min(a["right"], b["right"]) > max(a["left"], b["left"]) and
                             min(a["bottom"], b["bottom"]) > max(a["top"], b["top"]), (a, b))
        if screenshot:
            self.prefix.shoot(screenshot, [window[k] for k in ("left", "top", "right", "bottom")])

    def end(self, message, wparam=0, control=0, settings=None):
        """The program ends with the dialog, leaving the settings file `settings` (None: none)."""
        self.post(message, wparam, control)
        self.assertEqual(self.velmora.wait(timeout=30), 0)
        self.assertEqual(self.settings.read_bytes() if self.settings.exists() else None, settings)

    def test_defaults_layout_and_ok(self):
        self.open()
        self.shows({OUTTYPE: {"count": 1, "text": "BMP"}, OUTPATH: {"text": "c:\\", "enabled": 1},
                    EXENAME: {"text": "zarvoconv.exe", "enabled": 0}, BROWSE_EXE: {"enabled": 0},
                    RUNEXE: {"check": 0, "text": "输出文件后执行程序"}, INSTALL: {"visible": 0},
                    OVERWRITE: {"check": 0, "text": "覆盖同名文件"}, UNINSTALL: {"visible": 0}},
                   96, "settings_dialog_96dpi.png")
        self.ui("settext", "Velmora", OUTPATH, "E:\\输出 文件")
        self.end(BM_CLICK, control=IDOK, settings="[zarvoprinter]\r\nexe=0\r\nexename=zarvoconv.exe"
                 "\r\nouttype=BMP\r\noutpath=E:\\输出 文件\r\noverwrite=0\r\n".encode("gbk"))

    def test_at_144_dpi_texts_fit(self):  # the Chinese font's texts, as at 96 dpi
        self.open(144)
        self.shows({}, 144, "settings_dialog_144dpi.png")
        self.end(WM_KEYDOWN, VK_ESCAPE)

    def test_on_an_english_windows_at_144_dpi_texts_fit_and_what_it_cannot_hold_is_refused(self):
        # C.UTF-8 makes the program's code page 1252, an English Windows's, which holds no Chinese:
        # a path it cannot hold is refused, the dialog kept; Escape then writes nothing.
        self.open(144, env={"LC_ALL": "C.UTF-8"})
        self.shows({IDOK: {"text": "确定"}}, 144, "settings_dialog_144dpi_english.png")
        self.ui("settext", "Velmora", OUTPATH, "E:\\输出2")
        self.post(BM_CLICK, control=IDOK)
        self.assertEqual(self.ui("box"), ["Velmora", "输出文件路径或程序名中有本系统的代码页无法保存的"
                                          "字符，设置未保存。请修改后再按确定。"])
        self.shows({OUTPATH: {"text": "E:\\输出2"}})
        self.end(WM_KEYDOWN, VK_ESCAPE)

if __name__ == "__main__":
    unittest.main(verbosity=2)
