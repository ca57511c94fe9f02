#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
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
import sys
import tempfile
import time

from make_corpus import corpus_families, make_corpus
from xsession import XSession, fontconfig_file, install, line_colours, wait_until

# A page of Latin families beside a page of colour-emoji and CJK collection families, whose
# glyphs are bitmaps to scale or come from collections of tens of thousands of glyphs.
LATIN_PAGE = ["/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/freefont"]
EMOJI_AND_CJK_PAGE = ["/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf", "/usr/share/fonts/truetype/wqy",
                      "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"]


def run(session, arguments, fonts=None):
    result = session.run(*arguments, check=False, timeout=600, env=dict(
        TYPESHELF_BENCH_T0=str(time.monotonic_ns()), **({"FONTCONFIG_FILE": fonts} if fonts else {})))
    if result.returncode != 0:
        sys.exit(f"{' '.join(arguments)} failed:\n{result.stderr}")
    return {key: float(value) for key, value in
            (line.split("=", 1) for line in result.stdout.splitlines() if "=" in line)}


def user_font_folder(fonts):
    """A font folder of the user's own beside the corpus, empty, where the refresh adds fonts as a
    user installs them; fontconfig reads again only the folder that changed."""
    folder = os.path.join(os.path.dirname(fonts), "user-fonts")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder, "10"


def fonts_with_user_folder(fonts):
    """The corpus's fontconfig file with the user's font folder added to it."""
    path = os.path.join(os.path.dirname(fonts), "fonts-with-user-folder.conf")
    with open(fonts, encoding="utf-8") as corpus, open(path, "w", encoding="utf-8") as config:
        folder = os.path.join(os.path.dirname(fonts), "user-fonts")
        config.write(corpus.read().replace("</fontconfig>", f"  <dir>{folder}</dir>\n</fontconfig>"))
    return path


def real_program_peak_memory(session, program, fonts):
    """Peak resident memory of the real executable once its window shows the catalogue, in MiB."""
    copy = install(program, tempfile.mkdtemp(dir=session.folder))  # its settings stay out of the build
    with session.start(copy, env={"FONTCONFIG_FILE": fonts}) as running:
        running.wait_for_window()
        wait_until(lambda: line_colours(running.screenshot()))
        peak = running.peak_memory()
        running.close()
    return peak / 1024


def median_of(session, repeat, arguments, key, fonts=None):
    return statistics.median(run(session, arguments, fonts)[key] for _ in range(repeat))


def measure(build, sizes, repeat):
    bench = os.path.join(build, "bench", "typeshelf_bench")
    program = os.path.join(build, "typeshelf")
    results = {"date": datetime.date.today().isoformat(), "machine": os.uname().nodename,
               "cores": os.cpu_count(), "sizes": {}}
    with XSession() as session:
        results["bare"] = {
            "first_paint_ms": median_of(session, repeat, [bench, "startup", "--bare"], "first_paint_ms"),
            "peak_rss_mb": run(session, [bench, "startup", "--bare"])["peak_rss_mb"],
        }
        for size in sizes:
            corpus = os.path.join(build, "bench", f"corpus-{size}")
            fonts = make_corpus(corpus, corpus_families(size))
            figures = {}
            starts, bare_paints = [], []
            for _ in range(repeat):  # interleaved, so that both see the same load
                starts.append(run(session, [bench, "startup"], fonts))
                bare_paints.append(run(session, [bench, "startup", "--bare"])["first_paint_ms"])
            figures["first_paint_ms"] = statistics.median(start["first_paint_ms"] for start in starts)
            figures["bare_first_paint_ms"] = statistics.median(bare_paints)
            figures["laid_out_lines"] = max(start["laid_out_lines"] for start in starts)
            figures["shown_lines"] = starts[0]["shown_lines"]
            figures["fontdb_ms"] = median_of(session, repeat, [bench, "fontdb"], "fontdb_ms", fonts)
            figures.update(run(session, [bench, "fill", str(repeat)], fonts))
            figures.update(run(session, [bench, "highlight", str(repeat * 3)], fonts))
            figures.update(run(session, [bench, "paging"], fonts))
            figures.update(run(session, [bench, "zoom"], fonts))
            figures.update(run(session, [bench, "refresh", *user_font_folder(fonts)], fonts_with_user_folder(fonts)))
            figures["peak_rss_mb"] = real_program_peak_memory(session, program, fonts)
            results["sizes"][str(size)] = figures
        results["find"] = {str(families): run(session, [bench, "find", str(families)]) for families in (200, 50000)}
        results["pages"] = {name: median_of(session, repeat, [bench, "page"], "page_ms", fontconfig_file(
            os.path.join(build, "bench", f"page-{name}", "fonts.conf"), [font for font in fonts if os.path.exists(font)]))
            for name, fonts in (("latin", LATIN_PAGE), ("emoji_and_cjk", EMOJI_AND_CJK_PAGE))}
    return results


def table(results):
    sizes = results["sizes"]
    smallest = sizes[min(sizes, key=int)]
    rows = [
        ("start to first paint (ms)", "first_paint_ms", "bare window", "bare_first_paint_ms"),
        ("Qt's first listing of the families (ms)", "fontdb_ms", None, None),
        ("the catalogue's reading of the installed fonts (ms)", "listing_ms", None, None),
        ("lines laid out once started", "laid_out_lines", "lines on screen", "shown_lines"),
        ("fill: ListFontFamilies (ms)", "fill_ms", None, None),
        ("highlight, caret at top (ms)", "highlight_top_ms", None, None),
        ("highlight, caret in middle (ms)", "highlight_middle_ms", None, None),
        ("highlight, caret at end (ms)", "highlight_end_ms", None, None),
        ("Page Down, median (ms)", "page_median_ms", None, None),
        ("Page Down, worst (ms)", "page_worst_ms", None, None),
        ("zoom step, median (ms)", "zoom_median_ms", "Page Down", "page_median_ms"),
        ("listing again after a font is added, median of 10 (ms)", "refresh_median_ms",
         "start to first paint", "first_paint_ms"),
        ("resident memory after the first of 10 refreshes (MiB)", "refresh_rss_first_mb", None, None),
        ("resident memory after the last of 10 refreshes (MiB)", "refresh_rss_last_mb", None, None),
        ("resident memory before paging (MiB)", "paging_rss_start_mb", None, None),
        ("resident memory halfway through paging (MiB)", "paging_rss_middle_mb", None, None),
        ("resident memory after paging to the end (MiB)", "paging_rss_end_mb", None, None),
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
    find = results["find"]
    lines.append(f"\nType to find, worst keystroke (ms): {find['200']['find_worst_ms']:.2f} at 200 families, "
                 f"{find['50000']['find_worst_ms']:.2f} at 50,000 "
                 f"({find['50000']['find_worst_ms'] / find['200']['find_worst_ms']:.1f}x); median "
                 f"{find['200']['find_median_ms']:.2f} and {find['50000']['find_median_ms']:.2f}")
    pages = results["pages"]
    lines.append(f"\nFirst paint of a page (ms): Latin families {pages['latin']:.1f}, colour-emoji and CJK "
                 f"families {pages['emoji_and_cjk']:.1f} ({pages['emoji_and_cjk'] / pages['latin']:.1f}x)")
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
