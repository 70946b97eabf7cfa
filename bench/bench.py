"""Prints Velmora's benchmark table: executable size, what the link map says takes its room, and
imports; start-up time under Wine against a minimal dialog program and against the floor
(Velmora's own resources and required start-up, a dialog procedure that only fills the
controls); "-i" and "-u" wall time against the pauses they must make; and the peak working set
with the dialog open. Every figure is measured in this run. Of the Wine test harness only the
session, a prefix, its runs and the tool paths are used, so the harness can change below it."""

import collections
import http.server
import os
import re
import shutil
import statistics
import subprocess
import sys
import threading

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "win32")
FIXTURES = os.path.join(ROOT, "tests", "wine", "fixtures", "driver")
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))

STARTS = 15  # start-up runs of each program (at least 9), after one warm-up start each
SEQUENCE_RUNS = 3
SETUP_DIR = "zarvo-setup"  # under C:\


def wine_build():
    """The build that Wine runs on this machine (see tests/wine/CMakeLists.txt)."""
    try:
        can_run_32 = subprocess.run(["/lib/ld-linux.so.2", "--version"],
                                    capture_output=True).returncode == 0
    except OSError:
        can_run_32 = False
    return (BUILD, "32") if can_run_32 else (os.path.join(BUILD, "x64"), "64")


BIN, BITS = wine_build()
os.environ.setdefault("VELMORA_WINE_BIN", BIN)
os.environ.setdefault("VELMORA_WINE_BITS", BITS)
os.environ.setdefault("VELMORA_WINE_SESSION", os.path.join(ROOT, "build", "bench-session"))

import harness as session  # noqa: E402  (needs the environment above)
import harness as winetest  # noqa: E402


def imports(exe):
    out = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True).stdout
    return sorted({m.lower() for m in re.findall(r"DLL Name: (\S+)", out)})


def map_contributors(map_file, count=10):
    """The input files (objects, archive members) that put the most bytes into the executable,
    from the linker's map: each line that places an input section names its size and file."""
    sizes = collections.Counter()
    placing = re.compile(r"^ (?:\.\S+|COMMON)?\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
    with open(map_file) as f:
        in_layout = False
        for line in f:
            if line.startswith("Linker script and memory map"):
                in_layout = True
            elif in_layout and (m := placing.match(line)) and not m.group(2).startswith("0x"):
                # The linker names its own base relocation table "dll stuff".
                name = m.group(2).replace("dll stuff", "base relocations")
                sizes[re.sub(r"^.*/", "", name)] += int(m.group(1), 16)
    return sizes.most_common(count)


def start_up(prefix):
    """Median ms to a visible window and median peak working set of Velmora and the two
    baselines, started in turn so that all three see the same state of the machine; the order
    rotates every round, so none always follows the same one's exit."""
    # (name, caption of the window to wait for, program): the floor shows Velmora's own dialog.
    programs = [("Velmora", "Velmora", os.path.join(BIN, "Velmora.exe")),
                ("Minimal", "Minimal", os.path.join(BIN, "bench", "minimal_dialog.exe")),
                ("Floor", "Velmora", os.path.join(BIN, "bench", "floor_dialog.exe"))]
    results = {name: [] for name, _, _ in programs}
    for i in range(STARTS + 1):
        for name, caption, exe in programs[i % 3:] + programs[:i % 3]:
            out = prefix.run(winetest.tool_path("bench", "launch_timer"), caption, exe, timeout=120)
            if out.returncode != 0:
                raise RuntimeError(out.stderr.decode(errors="replace"))
            ms, peak = out.stdout.decode().split()
            if i:  # the first start of each warms Wine's caches and is not counted
                results[name].append((float(ms), int(peak)))
    return {name: (statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs))
            for name, runs in results.items()}


def row(name, figure, baseline, goal):
    print(f"| {name} | {figure} | {baseline} | {goal} |")


def main():
    subprocess.run([os.path.join(ROOT, "scripts", "install-deps.sh")], check=True)
    subprocess.run(["cmake", "--preset", "win32"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "win32"], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)

    exe32 = os.path.join(BUILD, "Velmora.exe")
    minimal32 = os.path.join(BUILD, "bench", "minimal_dialog.exe")
    floor32 = os.path.join(BUILD, "bench", "floor_dialog.exe")
    session.start()
    try:
        prefix = winetest.Prefix("bench")
        try:
            starts = start_up(prefix)
            sequence_rows = sequence_times(prefix)
        finally:
            prefix.close()
    finally:
        session.stop()
    velmora_ms, velmora_peak = starts["Velmora"]
    minimal_ms, minimal_peak = starts["Minimal"]
    floor_ms, floor_peak = starts["Floor"]

    print()
    print(f"Machine: {machine()}; Wine runs the {BITS}-bit build.")
    print()
    print("| Figure | Velmora | Baseline (same run) | Goal |")
    print("|---|---|---|---|")
    size = os.path.getsize(exe32)
    row("Velmora.exe size, 32-bit stripped release", f"{size} bytes ({size / 1024:.1f} KiB)",
        f"minimal dialog program {os.path.getsize(minimal32)} bytes", "<= 64 KiB (aim 48 KiB)")
    row("Largest contributors in the link map, bytes",
        ", ".join(f"{name} {n}" for name, n in map_contributors(os.path.join(BUILD, "Velmora.map"))),
        "", "")
    row("Imported DLLs", ", ".join(imports(exe32)),
        "minimal dialog: " + ", ".join(imports(minimal32)) + "; floor dialog: " +
        ", ".join(imports(floor32)),
        "system DLLs only")
    row(f"Start-up to visible dialog, median of {STARTS}, order rotating",
        f"{velmora_ms:.0f} ms (ratio {velmora_ms / minimal_ms:.2f})",
        f"minimal dialog {minimal_ms:.0f} ms", "ratio <= 1.15")
    row("Start-up against the floor: same manifest, dialog and required start-up",
        f"{velmora_ms:.0f} ms (ratio {velmora_ms / floor_ms:.2f})",
        f"floor dialog {floor_ms:.0f} ms", "ratio <= 1.10")
    for r in sequence_rows:
        row(*r)
    row("Peak working set, dialog open", f"{velmora_peak / 1024:.0f} KiB",
        f"minimal dialog {minimal_peak / 1024:.0f} KiB, floor dialog {floor_peak / 1024:.0f} KiB",
        "")


# The system calls whose time belongs to the service manager, the spooler, the file system or
# other windows rather than to the program: traced with Sleep and the wait for the installer.
SYSTEM_CALLS = ("ADVAPI32.OpenSCManagerA", "ADVAPI32.OpenServiceA", "ADVAPI32.StartServiceA",
                "ADVAPI32.ControlService", "ADVAPI32.QueryServiceStatus",
                "ADVAPI32.CloseServiceHandle", "winspool.drv.OpenPrinterW", "winspool.drv.ClosePrinter",
                "winspool.drv.AddPrinterW", "winspool.drv.DeletePrinter", "winspool.drv.DeletePrinterDriverW",
                "winspool.drv.XcvDataW", "winspool.drv.SetDefaultPrinterW", "winspool.drv.GetPrinterW",
                "winspool.drv.EnumPortsW", "winspool.drv.EnumPrinterDriversW",
                "winspool.drv.GetPrinterDriverDirectoryW", "winspool.drv.GetPrintProcessorDirectoryW",
                "USER32.SendMessageTimeoutA", "KERNEL32.CopyFileW", "KERNEL32.DeleteFileW",
                "KERNEL32.CreateProcessW")


def required_waits(relay_log):
    """From a relay trace of the program's process: milliseconds asked for with Sleep, the wait
    for the installer child (the infinite wait), and the time inside the other system calls."""
    lines = [l.split(":", 3) for l in relay_log.splitlines()
             if re.match(r"^[0-9.]+:[0-9a-f]+:[0-9a-f]+:(Call|Ret) ", l)]
    if not lines:
        return 0, 0.0, 0.0
    pid = lines[0][1]  # Velmora.exe is the first process of the run
    slept, child, system = 0, 0.0, 0.0
    open_calls = {}  # thread -> (name, start, depth) of the outermost traced call
    for stamp, p, tid, rest in lines:
        if p != pid:
            continue
        call = re.match(r"Call ([\w.]+?\.\w+)\(([^)]*)\)", rest)
        ret = re.match(r"Ret  ([\w.]+?\.\w+)\(", rest)
        if call:
            name, args = call.groups()
            name = name.upper()
            if name == "KERNEL32.SLEEP":
                slept += int(args, 16)
            elif tid not in open_calls:
                open_calls[tid] = [name, float(stamp), 1]
            else:
                open_calls[tid][2] += 1
        elif ret and tid in open_calls:
            open_calls[tid][2] -= 1
            if open_calls[tid][2] == 0:
                name, started, _ = open_calls.pop(tid)
                spent = 1000 * (float(stamp) - started)
                if name == "KERNEL32.WAITFORSINGLEOBJECT":
                    child += spent
                else:
                    system += spent
    return slept, child, system


class ReportServer:
    """The report server's stand-in, reached as the HTTP proxy: a first line, then the end."""

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        def do_GET(self):
            self.send_response(200)
            self.send_header("Content-Length", "17")
            self.end_headers()
            self.wfile.write(b"OK\r\nsecond line\r\n")

        def log_message(self, *args):
            pass

    def __enter__(self):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), self.Handler)
        self.server.daemon_threads = True
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        return f"http://127.0.0.1:{self.server.server_address[1]}"

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()


def stage_install(prefix):
    """Velmora.exe beside its driver package in C:\\zarvo-setup; the prefix already holds the
    printer-UI installer's stand-in. Returns the program's path."""
    target = os.path.join(prefix.path, "drive_c", SETUP_DIR)
    os.makedirs(target, exist_ok=True)
    shutil.copyfile(os.path.join(BIN, "Velmora.exe"), os.path.join(target, "Velmora.exe"))
    for name in os.listdir(FIXTURES):
        shutil.copyfile(os.path.join(FIXTURES, name), os.path.join(target, name))
    return f"C:\\{SETUP_DIR}\\Velmora.exe"


def sequence_times(prefix):
    """Median wall time of "-i" and "-u" beside the waits the sequences must make."""
    exe = stage_install(prefix)
    # Trace only the waits; everything else runs untraced.
    prefix.run("reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t",
               "REG_SZ", "/d", ";".join(("KERNEL32.Sleep", "KERNEL32.WaitForSingleObject") + SYSTEM_CALLS),
               "/f")
    # What starting any process under Wine costs, measured with a tool that exits at once.
    start_cost = statistics.median(
        1000 * prefix.run(winetest.tool_path("bench", "launch_timer")).seconds
        for _ in range(SEQUENCE_RUNS))
    figures = {"-i": [], "-u": []}
    with ReportServer() as proxy:
        env = {"http_proxy": proxy, "WINEDEBUG": "+pid,+timestamp,+relay"}
        for _ in range(SEQUENCE_RUNS):
            for switch in ("-i", "-u"):
                result = prefix.run(exe, switch, env=env, timeout=180)
                if result.returncode != 0:
                    raise RuntimeError(f"{switch} failed: {result.text()[-2000:]}")
                figures[switch].append((1000 * result.seconds,) +
                                       required_waits(result.stderr.decode("utf-8", "replace")))
    rows = []
    for switch in ("-i", "-u"):
        wall, slept, child, system = (statistics.median(f[i] for f in figures[switch])
                                      for i in range(4))
        # Each run's own time from that run's parts: a difference of medians taken from
        # different runs can even come out below zero.
        own = statistics.median(f[0] - f[1] - f[2] - f[3] - start_cost for f in figures[switch])
        own_text = f"{own:.0f} ms" if own >= 0 else "no measurable time (below the parts' noise)"
        rows.append((f'"{switch}" wall time, median of {SEQUENCE_RUNS}',
                     f"{wall:.0f} ms, of which {own_text} our own",
                     f"required pauses and polls {slept} ms + installer child {child:.0f} ms + "
                     f"service manager, spooler, file and broadcast calls {system:.0f} ms + "
                     f"Wine process start {start_cost:.0f} ms", "< 150 ms our own"))
    return rows


def machine():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    return f"{cpu}, {os.cpu_count()} cores, {wine}"


if __name__ == "__main__":
    main()
