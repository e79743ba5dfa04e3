#!/usr/bin/env python3
"""The desktop host under Xvfb: CPU share of one core and resident memory with the mixer windows open,
level-to-lit-lamp latency, start-up to the tray icon and tray double-click to the control window.

Times come from the host's frame log (KRVL_FRAME_LOG: "MONO_US TICK_MS WHAT DETAIL" per line), taken on
the same monotonic clock as this script, so polling costs nothing in the figures."""
import argparse
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

WINDOWS = {  # check box on the control window, meters per card
    "ai": ("chkAnalogInputs", 4),
    "di": ("chkDigitalInputs", 2),
    "ao": ("chkAnalogOutputs", 4),
    "do": ("chkDigitalOutputs", 2),
}
CARDS = 4
TICK = os.sysconf("SC_CLK_TCK")


def mono_us():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC) // 1000


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


class Display:
    def __init__(self):
        self.proc = None
        for n in range(140, 200):
            if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
                self.name = f":{n}"
                # -noreset: each run is the server's only client, and an X server whose last client leaves
                # starts over (about 70 ms during which the next run's connection waits in gtk_init). A
                # desktop's server has other clients and never does that at a program's start.
                self.proc = subprocess.Popen(["Xvfb", self.name, "-screen", "0", "1600x1200x24", "-nolisten", "tcp",
                                              "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                for _ in range(100):
                    if os.path.exists(f"/tmp/.X11-unix/X{n}"):
                        return
                    time.sleep(0.05)
        raise SystemExit("bench: no Xvfb display")

    def close(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait()


class Run:
    """One korvalin process with its own settings folder and frame log."""

    def __init__(self, args, display, scenario, windows):
        self.args, self.display = args, display
        self.home = tempfile.mkdtemp(prefix="krvl-bench-")
        self.log = os.path.join(self.home, "frames.log")
        windir = os.path.join(self.home, "korvalin")
        os.makedirs(windir)
        if windows:
            # The control window reopens the mixer windows the settings file lists as open.
            script = os.path.join(self.home, "open.txt")
            with open(script, "w") as f:
                f.write("start\ntray dblclick\n")
                for w in windows:
                    f.write(f"check Korvalin {WINDOWS[w][0]} 1\n")
                f.write("exit\n")
            subprocess.run([os.path.join(args.build, "harness", "krvl-script"), "--scenario", scenario,
                            "--windir", windir, script], check=True, stdout=subprocess.DEVNULL)
        env = dict(os.environ, DISPLAY=display.name, XDG_CONFIG_HOME=self.home, KRVL_FRAME_LOG=self.log,
                   NO_AT_BRIDGE="1", GDK_BACKEND="x11")
        self.started = mono_us()
        self.proc = subprocess.Popen([os.path.join(args.build, "desktop", "korvalin"), "--scenario", scenario],
                                     env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def lines(self):
        try:
            with open(self.log) as f:
                out = []
                for line in f:
                    parts = line.rstrip("\n").split(" ", 3)
                    if len(parts) >= 3:
                        out.append((int(parts[0]), int(parts[1]), parts[2], parts[3] if len(parts) > 3 else ""))
                return out
        except FileNotFoundError:
            return []

    def wait_for(self, pred, timeout=20.0, after=0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            for e in self.lines():
                if e[0] >= after and pred(e):
                    return e
            time.sleep(0.01)
        raise SystemExit(f"bench: timed out waiting in {self.log}")

    def double_click_tray(self):
        self.wait_for(lambda e: e[2] in ("tray-window", "tray-embedded"))
        env = dict(os.environ, DISPLAY=self.display.name)
        wid = subprocess.run(["xdotool", "search", "--classname", "korvalin-trayicon"], env=env,
                             capture_output=True, text=True).stdout.split()
        if not wid:
            raise SystemExit("bench: no tray icon window")
        subprocess.run(["xdotool", "mousemove", "--window", wid[0], "8", "8", "click", "--repeat", "2",
                        "--delay", "60", "1"], env=env, check=True)

    def cpu_seconds(self):
        return cpu_seconds(self.proc.pid)

    def rss_kb(self):
        with open(f"/proc/{self.proc.pid}/status") as f:
            vals = {l.split(":")[0]: l.split()[1] for l in f if l.startswith(("VmRSS", "VmHWM"))}
        return int(vals["VmRSS"]), int(vals["VmHWM"])

    def stop(self):
        """SIGTERM (the program saves and ends); returns the whole run's getrusage."""
        self.proc.send_signal(signal.SIGTERM)
        try:
            _, _, usage = os.wait4(self.proc.pid, 0)
        except ChildProcessError:
            usage = None
        shutil.rmtree(self.home, ignore_errors=True)
        return usage


def stats(values):
    return {"min": min(values), "median": statistics.median(values), "max": max(values), "runs": len(values)}


def unmap_mixer_windows(display):
    """Unmaps the mixer windows as a desktop does when it hides them: their metering runs on, unpainted."""
    env = dict(os.environ, DISPLAY=display.name)
    for wid in subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."], env=env,
                              capture_output=True, text=True).stdout.split():
        name = subprocess.run(["xdotool", "getwindowname", wid], env=env, capture_output=True, text=True).stdout
        if name.startswith(("KRV", "KV ")):
            subprocess.run(["xdotool", "windowunmap", wid], env=env, check=True)


def cpu_run(args, display, scenario, windows, seconds, hidden=False):
    run = Run(args, display, scenario, windows)
    try:
        run.double_click_tray()
        run.wait_for(lambda e: e[2] == "draw" and e[3] == "Korvalin")
        time.sleep(3)  # every window open and its bars risen
        if hidden:
            unmap_mixer_windows(display)
            time.sleep(1)
        c0, x0, t0 = run.cpu_seconds(), cpu_seconds(display.proc.pid), time.monotonic()
        frames0 = len(run.lines())
        time.sleep(seconds)
        c1, x1, t1 = run.cpu_seconds(), cpu_seconds(display.proc.pid), time.monotonic()
        frames = len(run.lines()) - frames0
        rss, hwm = run.rss_kb()
    finally:
        usage = run.stop()
    meters = sum(WINDOWS[w][1] for w in windows) * CARDS
    result = {"windows": list(windows), "meters": meters, "hidden": hidden, "seconds": round(t1 - t0, 2),
              "cpu_share_percent": round(100 * (c1 - c0) / (t1 - t0), 3),
              # What the X server spends drawing for it (the display is the program's alone).
              "xserver_cpu_share_percent": round(100 * (x1 - x0) / (t1 - t0), 3), "rss_kb": rss, "peak_rss_kb": hwm,
              "frames_per_second": round(frames / (t1 - t0), 1)}
    if usage:
        result["whole_run_cpu_s"] = round(usage.ru_utime + usage.ru_stime, 3)
    print(json.dumps(result), flush=True)
    return result


def latency_runs(args, display, scenario, runs):
    values = []
    for _ in range(runs):
        run = Run(args, display, scenario, ["ai"])
        try:
            run.double_click_tray()
            # The input is unmuted at tick 5000; the first frame of the window after it shows the lamps.
            e = run.wait_for(lambda e: e[2] == "draw" and e[3] == "KRV Ana. Input" and e[1] >= 5000, timeout=30)
            values.append(e[1] - 5000)
        finally:
            run.stop()
    return stats(values)


def startup_runs(args, display, scenario, runs):
    tray, dbl = [], []
    for _ in range(runs):
        run = Run(args, display, scenario, [])
        try:
            shown = run.wait_for(lambda e: e[2] in ("tray-window", "tray-embedded"))
            tray.append((shown[0] - run.started) / 1000)
            time.sleep(0.3)
            mark = mono_us()
            run.double_click_tray()
            presses = [e for e in [run.wait_for(lambda e: e[2] == "tray-press", after=mark)]]
            # The second press is the double click; the control window's first frame shows it.
            second = run.wait_for(lambda e: e[2] == "tray-press" and e[0] > presses[0][0], after=mark)
            drawn = run.wait_for(lambda e: e[2] == "draw" and e[3] == "Korvalin", after=second[0])
            dbl.append((drawn[0] - second[0]) / 1000)
        finally:
            run.stop()
    return stats(tray), stats(dbl)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", default="build")
    p.add_argument("--bench", default=None, help="krvl-bench (default: BUILD/bench/krvl-bench)")
    p.add_argument("--seconds", type=int, default=60)
    p.add_argument("--runs", type=int, default=10)
    p.add_argument("--out", default="bench-results.json")
    args = p.parse_args()
    bench = args.bench or os.path.join(args.build, "bench", "krvl-bench")
    work = tempfile.mkdtemp(prefix="krvl-bench-scn-")
    scenarios = {}
    for mode in ("busy", "falling", "latency"):
        scenarios[mode] = os.path.join(work, mode, "scenario.json")
        os.makedirs(os.path.dirname(scenarios[mode]))
        subprocess.run([bench, "scenario", "--mode", mode, "--out", scenarios[mode]], check=True)
    display = Display()
    results = {}
    try:
        every = ["ai", "di", "ao", "do"]
        results["busy_all"] = cpu_run(args, display, scenarios["busy"], every, args.seconds)
        results["falling_all"] = cpu_run(args, display, scenarios["falling"], every, args.seconds)
        # The same four windows unmapped: what metering costs without any painting.
        results["busy_hidden"] = cpu_run(args, display, scenarios["busy"], every, args.seconds, hidden=True)
        results["by_meters"] = [cpu_run(args, display, scenarios["busy"], w, args.seconds)
                                for w in ([], ["di"], ["ai"], ["ai", "ao"], every)]
        results["level_to_lamp_ms"] = latency_runs(args, display, scenarios["latency"], max(3, args.runs // 2))
        print(json.dumps({"level_to_lamp_ms": results["level_to_lamp_ms"]}), flush=True)
        results["startup_to_tray_ms"], results["tray_dblclick_to_window_ms"] = startup_runs(
            args, display, scenarios["busy"], args.runs)
        print(json.dumps({k: results[k] for k in ("startup_to_tray_ms", "tray_dblclick_to_window_ms")}), flush=True)
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    with open(args.out, "w") as f:
        json.dump(results, f, indent=1)


if __name__ == "__main__":
    sys.exit(main())
