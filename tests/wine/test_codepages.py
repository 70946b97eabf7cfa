"""The real program on an English Windows (ANSI code page 1252) beside the Chinese one (936), at
96 and 144 dpi (150%): its Chinese texts read right, the queue gets its real name, a path the
code page cannot hold is refused with the settings file unchanged, and in the dialog no control's
text is clipped and no two controls overlap."""

import os
import unittest

import harness
from harness import PRINTER

IDOK, IDCANCEL, IDM_ABOUTBOX = 1, 2, 0x10
OUTPATH, INSTALL = 1001, 1007
ENGLISH, CHINESE = "C.UTF-8", "zh_CN.UTF-8"
SETTINGS = r"C:\windows\zarvoprintsetup.ini"
UNSAVABLE = "输出文件路径或程序名中有本系统的代码页无法保存的字符，设置未保存。请修改后再按确定。"
# Button styles: push buttons, check boxes and the group box that frames the others.
PUSH, CHECK, GROUP = (0, 1), (2, 3, 5, 6), 7


class CodePages(unittest.TestCase):
    def open_dialog(self, lang, dpi):
        prefix = harness.Prefix(f"{lang[:2]}-{dpi}", desktop=True, lang=lang, dpi=dpi)
        self.addCleanup(prefix.close)
        exe = harness.stage_setup(prefix)
        prefix.start(exe)
        return prefix, exe, prefix.tool("find", 30000, "Velmora")

    def assert_laid_out(self, prefix, dialog, dpi):
        """Every text fits its control in the dialog's font; no two controls overlap."""
        scale, boxes = dpi / 96, []
        for kind, style, left, top, right, bottom, text, width, height in prefix.tool(
                "layout", dialog):
            button = style & 0xF if kind == "Button" else None
            margin = (17 if button in CHECK else 12 if button == GROUP else
                      6 if button in PUSH else 0) * scale  # the box and its gap, the frame
            if kind in ("Button", "Static") and text:
                self.assertLessEqual(width + margin, right - left, (text, dpi))
                self.assertLessEqual(height, bottom - top, (text, dpi))
            if button != GROUP:
                boxes.append((left, top, right, bottom, text or kind))
        for i, a in enumerate(boxes):
            for b in boxes[i + 1:]:
                overlap = min(a[2], b[2]) > max(a[0], b[0]) and min(a[3], b[3]) > max(a[1], b[1])
                self.assertFalse(overlap, (a, b, dpi))

    def test_on_an_english_windows_the_texts_read_and_name_things_right(self):
        prefix, exe, dialog = self.open_dialog(ENGLISH, 96)
        self.assertEqual(prefix.tool("control", dialog, IDOK)["text"], "确定")
        self.assert_laid_out(prefix, dialog, 96)
        prefix.tool("syscommand", dialog, IDM_ABOUTBOX)
        about = prefix.tool("find", 20000, "关于 Velmora")
        self.assertEqual(prefix.tool("control", about, IDOK)["text"], "确定")
        prefix.tool("click", about, IDOK)
        # The hidden install button: the queue under its real name, said in a box that reads.
        prefix.tool("command", dialog, INSTALL)
        self.assertEqual(prefix.tool("box", 60000), ["Velmora", "安装Zarvo虚拟打印机驱动 成功 "])
        self.assertEqual(prefix.tool("spooler", PRINTER)["queue"][0], PRINTER)
        # A path code page 1252 cannot hold is refused, the dialog kept, nothing written.
        prefix.tool("settext", dialog, OUTPATH, "E:\\输出2")
        prefix.tool("click", dialog, IDOK)
        self.assertEqual(prefix.tool("box", 20000), ["Velmora", UNSAVABLE])
        self.assertEqual(prefix.tool("control", dialog, OUTPATH)["text"], "E:\\输出2")
        self.assertFalse(os.path.exists(prefix.unix_path(SETTINGS)))
        prefix.tool("click", dialog, IDCANCEL)
        # Unattended: uninstalled by its real name, and installed again.
        for switches, queue in (("-u -q", None), ("-i -q", PRINTER)):
            run = prefix.tool("run", 25000, f'"{exe}" {switches}')
            self.assertEqual((run["exit"], run["boxes"]), (0, []), switches)
            state = prefix.tool("spooler", PRINTER)["queue"]
            self.assertEqual(state and state[0], queue, switches)

    def test_at_96_and_144_dpi_every_text_fits_and_no_controls_overlap(self):
        for lang, dpi in ((CHINESE, 96), (CHINESE, 144), (ENGLISH, 144)):
            with self.subTest(lang=lang, dpi=dpi):
                prefix, _, dialog = self.open_dialog(lang, dpi)
                self.assert_laid_out(prefix, dialog, dpi)
                if lang == CHINESE:
                    prefix.shoot(f"settings_dialog_{dpi}dpi.png",
                                 prefix.tool("control", dialog, 0)["rect"])


if __name__ == "__main__":
    harness.describe()
    unittest.main(verbosity=2)
