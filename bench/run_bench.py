#!/usr/bin/python3
"""Runs the Typeshelf benchmarks on synthetic font corpora under Xvfb and openbox.

Prints a table and writes the figures as JSON. Each figure is a median over repeated runs,
reported beside a baseline measured in the same run (a bare window, or the smallest corpus).

Usage: run_bench.py BUILD_DIR OUTPUT_JSON [--sizes 200,2000,10000] [--repeat 7]
"""

import argparse
import datetime
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def parse(output):
    return {key: float(value) for key, value in
            (line.split("=", 1) for line in output.splitlines() if "=" in line)}


class Display:
    """A real X server with a real window manager, for as long as the benchmarks run."""

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix="typeshelf-bench-")
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-dpi", "96",
             "-nolisten", "tcp"], pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            self.env = dict(os.environ, DISPLAY=":" + pipe.readline().strip(),
                            QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=self.folder)
        self.manager = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        for _ in range(100):
            if subprocess.run(["wmctrl", "-m"], env=self.env, capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        return self

    def __exit__(self, *exc):
        for process in (self.manager, self.server):
            process.terminate()
            process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


def run(display, arguments, fonts=None):
    env = dict(display.env, TYPESHELF_BENCH_T0=str(time.monotonic_ns()))
    if fonts:
        env["FONTCONFIG_FILE"] = fonts
    result = subprocess.run(arguments, env=env, capture_output=True, text=True, timeout=600)
    if result.returncode != 0:
        sys.exit(f"{' '.join(arguments)} failed:\n{result.stderr}")
    return parse(result.stdout)


def real_program_peak_memory(display, program, fonts):
    """Peak resident memory of the real executable once its window is up, in MiB."""
    folder = tempfile.mkdtemp(prefix="typeshelf-rss-")
    try:
        copy = shutil.copy(program, folder)  # its settings file must not touch the build
        env = dict(display.env, FONTCONFIG_FILE=fonts)
        process = subprocess.Popen([copy], env=env, stderr=subprocess.DEVNULL)
        window = None
        for _ in range(600):
            found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid",
                                    str(process.pid), "--name", "^Typeshelf$"],
                                   env=env, capture_output=True, text=True)
            if found.stdout.strip():
                window = found.stdout.split()[0]
                break
            time.sleep(0.1)
        time.sleep(0.5)
        with open(f"/proc/{process.pid}/status", encoding="ascii") as status:
            peak = next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))
        if window:
            subprocess.run(["wmctrl", "-i", "-c", window], env=env)
        process.wait(timeout=30)
        return peak / 1024
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def median_of(display, repeat, arguments, key, fonts=None):
    return statistics.median(run(display, arguments, fonts)[key] for _ in range(repeat))


def measure(build, sizes, repeat):
    bench = os.path.join(build, "bench", "typeshelf_bench")
    program = os.path.join(build, "typeshelf")
    results = {"date": datetime.date.today().isoformat(), "machine": os.uname().nodename,
               "cores": os.cpu_count(), "sizes": {}}
    with Display() as display:
        results["bare"] = {
            "first_paint_ms": median_of(display, repeat, [bench, "startup", "--bare"], "first_paint_ms"),
            "peak_rss_mb": run(display, [bench, "startup", "--bare"])["peak_rss_mb"],
        }
        for size in sizes:
            corpus = os.path.join(build, "bench", f"corpus-{size}")
            subprocess.run([sys.executable, os.path.join(HERE, "make_corpus.py"), SOURCE_FONT,
                            corpus, str(size)], check=True, stderr=subprocess.DEVNULL)
            fonts = os.path.join(corpus, "fonts.conf")
            figures = {}
            starts, bare_paints = [], []
            for _ in range(repeat):  # interleaved, so that both see the same load
                starts.append(run(display, [bench, "startup"], fonts))
                bare_paints.append(run(display, [bench, "startup", "--bare"])["first_paint_ms"])
            figures["first_paint_ms"] = statistics.median(start["first_paint_ms"] for start in starts)
            figures["bare_first_paint_ms"] = statistics.median(bare_paints)
            figures["laid_out_lines"] = max(start["laid_out_lines"] for start in starts)
            figures["shown_lines"] = starts[0]["shown_lines"]
            figures["fontdb_ms"] = median_of(display, repeat, [bench, "fontdb"], "fontdb_ms", fonts)
            figures.update(run(display, [bench, "fill", str(repeat)], fonts))
            figures.update(run(display, [bench, "highlight", str(repeat * 3)], fonts))
            figures.update(run(display, [bench, "paging"], fonts))
            figures["peak_rss_mb"] = real_program_peak_memory(display, program, fonts)
            results["sizes"][str(size)] = figures
    return results


def table(results):
    sizes = results["sizes"]
    smallest = sizes[min(sizes, key=int)]
    rows = [
        ("start to first paint (ms)", "first_paint_ms", "bare window", "bare_first_paint_ms"),
        ("Qt's first listing of the families (ms)", "fontdb_ms", None, None),
        ("lines laid out once started", "laid_out_lines", "lines on screen", "shown_lines"),
        ("fill: ListFontFamilies (ms)", "fill_ms", None, None),
        ("highlight, caret at top (ms)", "highlight_top_ms", None, None),
        ("highlight, caret in middle (ms)", "highlight_middle_ms", None, None),
        ("highlight, caret at end (ms)", "highlight_end_ms", None, None),
        ("Page Down, median (ms)", "page_median_ms", None, None),
        ("Page Down, worst (ms)", "page_worst_ms", None, None),
        ("peak resident memory (MiB)", "peak_rss_mb", "bare window", None),
    ]
    header = "| figure | " + " | ".join(f"{size} families" for size in sizes) + " | baseline |"
    lines = [header, "|" + "---|" * (len(sizes) + 2)]
    for label, key, baseline_label, baseline_key in rows:
        cells = [f"{figures[key]:.1f}" for figures in sizes.values()]
        if baseline_key:
            baseline = f"{baseline_label}: " + ", ".join(
                f"{figures[baseline_key]:.1f}" for figures in sizes.values())
        elif baseline_label:
            baseline = f"{baseline_label}: {results['bare'][key]:.1f}"
        else:
            baseline = f"{min(sizes, key=int)} families: {smallest[key]:.1f}"
        lines.append(f"| {label} | " + " | ".join(cells) + f" | {baseline} |")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("output")
    parser.add_argument("--sizes", default="200,2000,10000")
    parser.add_argument("--repeat", type=int, default=7)
    options = parser.parse_args()

    results = measure(os.path.abspath(options.build),
                      [int(size) for size in options.sizes.split(",")], options.repeat)
    os.makedirs(os.path.dirname(os.path.abspath(options.output)), exist_ok=True)
    with open(options.output, "w", encoding="utf-8") as output:
        json.dump(results, output, indent=2)
    print(f"Typeshelf benchmarks, {results['date']}, {results['cores']} cores\n")
    print(table(results))


if __name__ == "__main__":
    main()
