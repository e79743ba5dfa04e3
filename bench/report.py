#!/usr/bin/env python3
"""Turns scripts/bench.sh's results into docs/performance-figures.md and the plot's data file."""
import argparse
import json
import os
import re
import subprocess
import time


def summary(path):
    vals = {}
    with open(path) as f:
        for line in f:
            if line.startswith(("summary", "callgrind", "config_round_trip_ms")):
                for k, v in re.findall(r"(\w+)=([\w.]+)", line):
                    vals[k] = v
    return vals


def cpu_model():
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return "unknown"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--results", required=True)
    p.add_argument("--seconds", required=True)
    p.add_argument("--load", default="")
    p.add_argument("--build-type", default="RelWithDebInfo")
    p.add_argument("--figures", required=True)
    p.add_argument("--plot-data", required=True)
    a = p.parse_args()
    r = a.results
    busy, falling = summary(f"{r}/virtual-busy.txt"), summary(f"{r}/virtual-falling.txt")
    cg = {}
    with open(f"{r}/callgrind.txt") as f:
        for line in f:
            d = dict(re.findall(r"(\w+)=([\w.]+)", line))
            cg[d["mode"]] = d
    config = summary(f"{r}/config.txt")
    with open(f"{r}/desktop.json") as f:
        desk = json.load(f)

    by = desk["by_meters"]
    # Least-squares line through the points, to show how far the growth is from linear.
    n = len(by)
    xs, ys = [b["meters"] for b in by], [b["cpu_share_percent"] for b in by]
    mx, my = sum(xs) / n, sum(ys) / n
    sxx = sum((x - mx) ** 2 for x in xs)
    slope = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx if sxx else 0.0
    icpt = my - slope * mx
    with open(a.plot_data, "w") as f:
        for x, y in zip(xs, ys):
            f.write(f"{x} {y} {icpt + slope * x}\n")

    commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], capture_output=True, text=True).stdout.strip()
    L = []
    L.append("# Performance figures (written by `bash scripts/bench.sh`)\n")
    L.append(f"Taken {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())} at commit {commit}, "
             f"{a.build_type} build, {a.seconds} s per run.\n")
    L.append(f"Machine: {os.cpu_count()} cores (`nproc`), {cpu_model()}; load average (1, 5, 15 min) "
             f"before / after: {a.load}.\n")
    L.append("## Headless, virtual clock (4 cards, all four mixer windows, 48 meters)\n")
    L.append("| per simulated second | every meter moving | every meter falling from full scale |")
    L.append("|---|---|---|")
    for key, label in [("driver", "driver calls"), ("lamp_changes", "lamp state changes"),
                       ("repaint_rects", "repaint rectangles"), ("repaint_area_px", "repainted area (px)"),
                       ("messages", "messages dispatched"), ("cpu_us", "CPU time (µs)"),
                       ("repaints_per_meter_per_tick", "repaints per meter per tick"),
                       ("rects_per_lamp_change", "repaint rectangles per lamp change")]:
        L.append(f"| {label} | {busy.get(key, '-')} | {falling.get(key, '-')} |")
    for mode, d in (("busy", busy), ("falling", falling)):
        c = cg.get(mode, {})
        L.append("")
        L.append(f"Callgrind, {'every meter moving' if mode == 'busy' else 'falling from full scale'}: "
                 f"{c.get('instructions_per_simulated_second', '-')} instructions per simulated second for "
                 f"{d.get('bare_work', '-')} units of bare work (driver calls + lamp changes): "
                 f"{c.get('instructions_per_bare_unit', '-')} instructions per unit.")
    paint = {}
    if os.path.exists(f"{r}/callgrind-paint.txt"):
        with open(f"{r}/callgrind-paint.txt") as f:
            for line in f:
                d = dict(re.findall(r"(\w+)=([\w.]+)", line))
                paint[d["mode"]] = d
    if paint:
        L.append("")
        L.append("Callgrind, the painting alone (`krvl-bench virtual --paint`, what the desktop host paints after each turn "
                 "of the loop): " + ", ".join(
                     f"{'every meter moving' if m == 'busy' else 'falling from full scale'} "
                     f"{paint[m]['painting_instructions_per_simulated_second']} instructions per simulated second"
                     for m in ("busy", "falling") if m in paint) + ".")
    L.append("\n## Desktop host under Xvfb\n")
    L.append("| run | meters | CPU share of one core | X server's share for it | resident memory | frames/s |")
    L.append("|---|---|---|---|---|---|")
    hidden = [("moving, the four windows unmapped", desk["busy_hidden"])] if "busy_hidden" in desk else []
    for name, d in [("every meter moving", desk["busy_all"]), ("falling from full scale", desk["falling_all"])] + hidden + \
            [(f"moving, windows {'+'.join(b['windows']) or 'none'}", b) for b in by]:
        xs_share = d.get("xserver_cpu_share_percent")
        L.append(f"| {name} | {d['meters']} | {d['cpu_share_percent']} % | "
                 f"{'-' if xs_share is None else f'{xs_share} %'} | {d['rss_kb'] / 1024:.1f} MiB "
                 f"(peak {d['peak_rss_kb'] / 1024:.1f}) | {d['frames_per_second']} |")
    L.append(f"\nLinear fit of CPU share against meters: {icpt:.3f} % + {slope * 1000:.2f} ‰ per meter.\n")
    L.append("| latency | min | median | max | runs |")
    L.append("|---|---|---|---|---|")
    for key, label in [("level_to_lamp_ms", "level change to lit lamp on screen (ms)"),
                       ("startup_to_tray_ms", "start-up to tray icon window (ms)"),
                       ("tray_dblclick_to_window_ms", "tray double-click to control window drawn (ms)")]:
        s = desk[key]
        L.append(f"| {label} | {s['min']:.1f} | {s['median']:.1f} | {s['max']:.1f} | {s['runs']} |")
    L.append(f"| configuration request round trip (ms) | {config.get('min')} | {config.get('median')} | "
             f"{config.get('max')} | {config.get('runs')} |")
    L.append("\n![CPU share against open meters](performance-cpu.png)")
    with open(a.figures, "w") as f:
        f.write("\n".join(L) + "\n")


if __name__ == "__main__":
    main()
