#!/usr/bin/env python3
"""Turns the figures of one benchmark run into benchmarks.md and benchmarks.png.

    report.py RESULTS_DIR OUT_DIR NOTES_FILE

RESULTS_DIR holds what the benchmark scripts wrote: hyperfine's JSON per
round (large.N.json, small.N.json), memory.tsv, expansion.txt, sizes.txt and
machine.txt. Times are medians over all rounds; a ratio is taken within each
round, between commands that ran side by side, and the median of those
ratios is reported with their range, since the machine's load changes
between rounds more than within one.
"""
import glob
import json
import os
import re
import statistics
import subprocess
import sys


def read_pairs(path):
    pairs = {}
    if os.path.exists(path):
        with open(path) as lines:
            for line in lines:
                key, _, value = line.rstrip("\n").partition(" ")
                if key:
                    pairs[key] = value
    return pairs


def load_rounds(results, name):
    """One dict per round: command name -> median wall time in seconds."""
    rounds = []
    for path in sorted(glob.glob(os.path.join(results, name + ".*.json"))):
        with open(path) as data:
            rounds.append({r["command"]: r["median"] for r in json.load(data)["results"]})
    return rounds


def ratio(rounds, numerator, denominator):
    values = [r[numerator] / r[denominator] for r in rounds if numerator in r and denominator in r]
    return statistics.median(values), min(values), max(values)


def fmt_time(seconds):
    return "%.0f ms" % (seconds * 1000) if seconds < 10 else "%.1f s" % seconds


def fmt_ratio(value):
    return "%.2f (%.2f–%.2f)" % value


def time_table(rounds, reference, out):
    commands = list(rounds[0])
    commands.sort(key=lambda c: statistics.median(r[c] for r in rounds))
    out.append("| Command | Median wall time | × %s (median, range over rounds) |" % reference)
    out.append("|---|---:|---:|")
    for command in commands:
        median = statistics.median(r[command] for r in rounds)
        out.append("| %s | %s | %s |" % (command, fmt_time(median), fmt_ratio(ratio(rounds, command, reference))))
    out.append("")


def goal_row(goals, text, measured, met):
    goals.append("| %s | %s | %s |" % (text, measured, "yes" if met else "**no**"))


def parse_expansion(text):
    """(matches, seconds) pairs from the expansion script's table, whose
    rows are: matches, seconds, microseconds per match."""
    points = []
    for line in text.splitlines():
        found = re.fullmatch(r"\s*(\d+)\s+(\d+\.\d+)\s+\d+\.\d+\s*", line)
        if found:
            points.append((int(found.group(1)), float(found.group(2))))
    return points


def notes_summary(notes_path):
    """Points to the hand-written notes instead of copying them: a link and
    the list of their sections, so the report says what is there to read."""
    lines = ["## Method and tuning\n",
             "How the figures are taken, what was tuned and why, and the measurements behind each "
             "decision are written up in [bench/notes.md](../bench/notes.md). Its sections:\n"]
    with open(notes_path) as notes:
        for line in notes:
            if line.startswith("## "):
                lines.append("- " + line[3:].strip())
            elif line.startswith("### "):
                lines.append("  - " + re.sub(r"^(\d+)\. ", r"\1\\. ", line[4:].strip()))
    lines.append("")
    return lines


def main():
    results, out_dir, notes_path = sys.argv[1:4]
    sizes = read_pairs(os.path.join(results, "sizes.txt"))
    machine = read_pairs(os.path.join(results, "machine.txt"))
    md, goals, plots = [], [], {}

    md.append("# Benchmarks\n")
    md.append(
        "Written by `bash bench/run.sh` on %s, program built from commit %s. Machine: %s, %s cores, %s of memory, %s; "
        "data in a temporary directory on %s. Load average (1 min) %s before the run and %s after it: "
        "the machine is shared, so other work ran alongside, and the figures are noisy. Every command ran once "
        "per round, the commands interleaved, %s rounds; times are medians, ratios are taken within a round "
        "and their median and range over the rounds are shown.\n"
        % (
            machine.get("date", "?"),
            machine.get("commit", "?"),
            machine.get("cpu", "?"),
            machine.get("cores", "?"),
            machine.get("memory", "?"),
            machine.get("system", "?"),
            machine.get("filesystem", "?"),
            machine.get("load_before", "?"),
            machine.get("load_after", "?"),
            machine.get("rounds", "?"),
        )
    )
    body = []
    if any("(baseline)" in command for r in load_rounds(results, "large") for command in r):
        md.append("Rows marked “baseline” are a second build of the program measured in the same rounds "
                  "(`ZUB2WAV_BASELINE`); [bench/notes.md](../bench/notes.md) says which.\n")

    large = load_rounds(results, "large")
    if large:
        sample_bytes = int(sizes.get("large_sample_bytes", "0"))
        body.append("## 1. One large source\n")
        body.append(
            "One source of %d sample bytes (%.0f MiB and an odd tail), 16-bit stereo. Each run writes a new "
            "output; removing the last one and `sync` run untimed before it.\n" % (sample_bytes, sample_bytes / 2**20)
        )
        time_table(large, "cat (copy limit)", body)
        value = ratio(large, "zub2wav", "cat (copy limit)")
        goal_row(goals, "large source: time ≤ 1.15 × `cat`", "%.2f ×" % value[0], value[0] <= 1.15)
        for peer, limit in (("sox", 4.0), ("ffmpeg", 1.5)):
            if peer in large[0]:
                value = ratio(large, peer, "zub2wav")
                goal_row(goals, "large source: ≥ %.1f × faster than %s" % (limit, peer), "%.2f ×" % value[0],
                         value[0] >= limit)
        plots["large"] = [(c, ratio(large, c, "cat (copy limit)")[0]) for c in large[0]]

    small = load_rounds(results, "small")
    sox_files, small_count = int(sizes.get("small_sox_files", "0")), int(sizes.get("small_count", "0"))
    sox_label = "sox loop"
    if 0 < sox_files < small_count:
        sox_label = "sox loop (%d files timed, × %g)" % (sox_files, small_count / sox_files)
        for one_round in small:
            if "sox loop" in one_round:
                one_round[sox_label] = one_round.pop("sox loop") * small_count / sox_files
    if small:
        body.append("## 2. Many small sources\n")
        how = ("the program expands the quoted pattern itself" if sizes.get("small_expansion") == "program"
               else "**this build cannot expand a pattern, so the shell passed the names**")
        body.append(
            "%s sources of %s bytes each in one directory, converted by one call with the pattern `*.zub` (%s), "
            "against `cp sources/*.zub copy/` and a shell loop of one `sox` call per file.\n"
            % (sizes.get("small_count", "?"), sizes.get("small_bytes", "?"), how)
        )
        time_table(small, "cp", body)
        value = ratio(small, "zub2wav", "cp")
        goal_row(goals, "small sources: time ≤ 1.3 × `cp`", "%.2f ×" % value[0], value[0] <= 1.3)
        plots["small"] = [(c, ratio(small, c, "cp")[0]) for c in small[0]]

    expansion_path = os.path.join(results, "expansion.txt")
    body.append("## 3. Argument expansion\n")
    if os.path.exists(expansion_path):
        with open(expansion_path) as text:
            expansion = text.read()
        body.append("Output of `bench/expansion.sh`:\n\n```\n%s```\n" % expansion)
        points = parse_expansion(expansion)
        by_count = dict(points)
        if 10000 in by_count and 100000 in by_count:
            value = by_count[100000] / by_count[10000]
            goal_row(goals, "expansion: time(100k) / time(10k) ≤ 15", "%.1f" % value, value <= 15)
        ties = re.search(r"^ratio with ties/without at 100k: (\d+\.\d+)", expansion, re.MULTILINE)
        if ties:
            value = float(ties.group(1))
            goal_row(goals, "expansion: 100k with case twins ≤ 1.5 × without", "%.2f ×" % value, value <= 1.5)
        if points:
            plots["expansion"] = points
    else:
        body.append("`bench/expansion.sh` is not in this tree; nothing measured.\n")

    def read_tsv(path):
        values = {}
        if os.path.exists(path):
            with open(path) as lines:
                for line in lines:
                    label, _, kib = line.rstrip("\n").partition("\t")
                    if kib.isdigit():
                        values.setdefault(label, []).append(int(kib))
        return values

    peaks = read_tsv(os.path.join(results, "memory.tsv"))
    own = read_tsv(os.path.join(results, "memory_anon.tsv"))
    if peaks:
        median = {label: statistics.median(values) for label, values in peaks.items()}
        own_median = {label: statistics.median(values) for label, values in own.items()}
        body.append("## 4. Memory\n")
        body.append(
            "Peak resident size as `/usr/bin/time` reports it (maximum resident set), median and range of %s "
            "runs each; the large source has benchmark 1's size. That peak includes the pages of the shared "
            "libraries, and how many of those are mapped varies from run to run by 100 KiB and more, so the "
            "last column adds the command's own (anonymous) resident memory as it exits, read by "
            "`bench/exit_memory.py`: exact to the page, and for zub2wav the same as its peak, since it keeps its "
            "stream buffers to the end (a build that frees them before it exits shows less there than it "
            "used).\n" % sizes.get("memory_runs", "?"))
        body.append("| Command | Peak resident size (median) | Range | Own memory at exit (median) |")
        body.append("|---|---:|---:|---:|")
        for label, value in median.items():
            own_text = "%d KiB" % own_median[label] if label in own_median else "–"
            body.append("| %s | %d KiB | %d–%d KiB | %s |" % (label, value, min(peaks[label]), max(peaks[label]), own_text))
        body.append("")
        small_peak, large_peak = median.get("zub2wav 1 KiB"), median.get("zub2wav large")
        cat_peak = max(median.get("cat 1 KiB", 0), median.get("cat large", 0))
        if small_peak and large_peak:
            change = (large_peak - small_peak) / small_peak
            goal_row(goals, "memory: same peak for 1 KiB and large (within 5%)", "%+.1f %%" % (100 * change),
                     abs(change) <= 0.05)
            small_own, large_own = own_median.get("zub2wav 1 KiB"), own_median.get("zub2wav large")
            if small_own is not None and large_own is not None:
                goal_row(goals, "memory: own memory, large against 1 KiB (exact)",
                         "%+d KiB" % (large_own - small_own), abs(large_own - small_own) <= 0.05 * small_peak)
        if large_peak and cat_peak:
            value = max(small_peak, large_peak) / cat_peak
            goal_row(goals, "memory: peak ≤ 1.5 × `cat`'s", "%.2f ×" % value, value <= 1.5)
        plots["memory"] = list(median.items())

    md.append("## Goals\n")
    md.append("| Goal | Measured | Met |")
    md.append("|---|---:|---|")
    md.extend(goals)
    md.append("")
    md.append("![Ratios to the copy limit, expansion scaling and peak memory](benchmarks.png)\n")
    md.extend(body)
    md.extend(notes_summary(notes_path))

    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "benchmarks.md"), "w") as out:
        out.write("\n".join(md).rstrip("\n") + "\n")
    plot(plots, results, os.path.join(out_dir, "benchmarks.png"))


def plot(plots, results, png):
    """Draws the panels that have figures with gnuplot."""
    script = [
        'set terminal pngcairo size 1200,900 font "sans,10"',
        'set output "%s"' % png,
        "set multiplot layout 2,2",
        "set style fill solid 0.7 border -1",
        "set boxwidth 0.6",
        "set grid ytics",
        "set key off",
    ]

    def data(name, rows):
        path = os.path.join(results, name + ".dat")
        with open(path, "w") as out:
            for label, value in rows:
                out.write('"%s" %g\n' % (label, value))
        return path

    def linear_data(points):
        # Each count with its time and the time a linear growth from the
        # smallest count would give.
        points = sorted(points)
        first_count, first_time = points[0]
        path = os.path.join(results, "expansion.dat")
        with open(path, "w") as out:
            for count, seconds in points:
                out.write("%d %g %g\n" % (count, seconds, first_time * count / first_count))
        return path

    def bars(title, rows, colour, reference=None, goal=None, log=False, label="%.2f"):
        rows = sorted(rows, key=lambda row: row[1])
        path = data(title.split(".")[0], rows)
        lines = ['set title "%s"' % title, "set xtics rotate by -20 nomirror", "set xrange [-0.6:%g]" % (len(rows) - 0.4)]
        lines.append("set logscale y" if log else "unset logscale y")
        lines.append("set yrange [%s:*]" % ("0.5" if log else "0"))
        plot = ['"%s" using 0:2:xtic(1) with boxes lc rgb "%s"' % (path, colour),
                '"" using 0:2:(sprintf("%s", $2)) with labels offset 0,0.7' % label]
        if reference:
            plot.append('%g with lines dt 2 lc rgb "#444444"' % reference)
        if goal:
            plot.append('%g with lines lw 2 lc rgb "#c00000"' % goal)
        return lines + ["plot " + ", ".join(plot)]

    def empty(title):
        return ['set title "%s"' % title, "unset logscale y", "set xrange [0:1]", "set yrange [0:1]",
                'set label 1 "not measured" at graph 0.5,0.5 center', "plot NaN", "unset label 1"]

    if "large" in plots:
        script += bars("1. Large source: time / cat (red: goal 1.15)", plots["large"], "#4472c4", 1, 1.15, True)
    else:
        script += empty("1. Large source")
    if "small" in plots:
        script += bars("2. Small sources: time / cp (red: goal 1.3)", plots["small"], "#4472c4", 1, 1.3, True)
    else:
        script += empty("2. Small sources")
    if "expansion" in plots:
        script += [
            'set title "3. Argument expansion: seconds by matches (dashed: linear)"',
            "unset xtics",
            "set xtics nomirror norotate",
            "set logscale xy",
            "set xrange [*:*]",
            "set yrange [*:*]",
            'set xlabel "matches"',
            'plot "%s" using 1:2 with linespoints lw 2 pt 7, "" using 1:3 with lines dt 2 lc rgb "#444444"'
            % linear_data(plots["expansion"]),
            "unset logscale",
            'set xlabel ""',
        ]
    else:
        script += empty("3. Argument expansion")
    if "memory" in plots:
        script += bars("4. Peak resident size, KiB (median)", plots["memory"], "#ed7d31", label="%.0f")
    script.append("unset multiplot")
    subprocess.run(["gnuplot"], input="\n".join(script) + "\n", text=True, check=True)


if __name__ == "__main__":
    main()
