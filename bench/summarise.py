#!/usr/bin/env python3
"""Summarises the JSON results of the benchmark programs (bench/run.sh) as one Markdown
table: each figure next to its floor measured in the same run, and their ratio.

Usage: summarise.py RESULTS_FOLDER   (one BENCH_PROGRAM.json per program)
Exits with status 1 when a figure or its floor is missing, or a rate is zero (what it
counts never happened, so nothing was measured).
"""
import json
import pathlib
import sys

NOMINAL_REFRESHES_PER_S = 5  # the panel's 40 ms timer, five steps per rotation
REQUESTS_PER_REFRESH = 6     # the analog inputs take two reads, the other four groups one each
STALL_GOAL_MS = 100          # the longest the window's event loop may stand still
RUN_OVER_PAUSES = 1.1        # a whole test run may take its plan's own pauses plus 10 %
RECORDS_QUERY_GOAL_MS = 200  # a question of the line over 100 000 stored runs
RECORDS_WRITE_GOAL_MS = 5    # storing one run
RUN_RECORD_GOAL_MS = 2000    # recording a run of 10 000 measurements on disk
TIME_UNITS_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1000.0}


def load(folder):
    """Every benchmark that ran without error, by name, and the context of the run."""
    runs, context = {}, {}
    for path in sorted(pathlib.Path(folder).glob("*.json")):
        try:
            data = json.loads(path.read_text())
        except (OSError, ValueError):
            continue
        context = context or data.get("context", {})
        for run in data.get("benchmarks", []):
            if not run.get("error_occurred"):
                runs[run["name"]] = run
    return runs, context


class Results:
    def __init__(self, runs):
        self.runs = runs

    def run(self, name):
        """The run of this benchmark; its name may go on with /iterations:…, /real_time …"""
        for full, run in self.runs.items():
            if full == name or full.startswith(name + "/"):
                return run
        return None

    def ms(self, name):
        run = self.run(name)
        return run["real_time"] * TIME_UNITS_MS[run["time_unit"]] if run else None

    def counter(self, name, key, scale=1.0):
        run = self.run(name)
        return run[key] * scale if run and key in run else None


def number(value):
    if value is None:
        return "not measured"
    if value >= 100:
        return f"{value:.0f}"
    if value >= 10:
        return f"{value:.1f}"
    if value >= 1:
        return f"{value:.2f}"
    return f"{value:.3g}"


def rows(r):
    """(what, figure, floor, unit, floor text or None, higher is better)"""
    raw_tcp_ms = r.ms("RawRoundTrip/tcp")
    refresh_floor = raw_tcp_ms and 1000.0 / (REQUESTS_PER_REFRESH * raw_tcp_ms)
    idle_floor = r.counter("IdleEventLoopCpu/no_link", "cpu_ms_per_s")
    idle_floor_text = "idle process, nothing open"
    pauses_ms = r.counter("SampleRun", "plan_pauses_ms")
    mb = 1e-6
    return [
        ("One request through the stack, TCP loopback to valdrix-sim; floor: the same bytes over a raw socket",
         r.ms("StackRoundTrip/tcp"), raw_tcp_ms, "ms", None, False),
        ("One request through the stack, pseudo-terminal to valdrix-sim; floor: the same bytes raw over the same pty",
         r.ms("StackRoundTrip/pty"), r.ms("RawRoundTrip/pty"), "ms", None, False),
        ("Main window, full polling rotations (offscreen, valdrix-sim --static)",
         r.counter("BM_MainWindowRotations/0", "rotations_per_s"), NOMINAL_REFRESHES_PER_S, "/s", "nominal", True),
        ("The same with the trend window open (a redraw every second)",
         r.counter("BM_MainWindowRotations/1", "rotations_per_s"), NOMINAL_REFRESHES_PER_S, "/s", "nominal", True),
        ("`valdrix-cli monitor --interval 0`, refreshes back to back; floor: 1 / (6 raw TCP round trips)",
         r.counter("CliMonitor/back_to_back", "refreshes_per_s"), refresh_floor, "/s", None, True),
        ("`valdrix-cli monitor` at its default pace",
         r.counter("CliMonitor/default_pace", "refreshes_per_s"), NOMINAL_REFRESHES_PER_S, "/s", "nominal", True),
        ("Receive processing of the stack, 128 KiB of small packets; floor: a byte sum over the same bytes",
         r.counter("BM_ReceiveProcessing/131072", "bytes_per_second", mb),
         r.counter("BM_ReceiveByteSum/131072", "bytes_per_second", mb), "MB/s", None, True),
        ("Idle CPU of an open TCP link (event loop)",
         r.counter("IdleEventLoopCpu/tcp_link", "cpu_ms_per_s"), idle_floor, "ms/s", idle_floor_text, False),
        ("Idle CPU of an open serial port on a pty (port core threads)",
         r.counter("BM_IdleOpenPortCpu", "cpu_ms_per_s"), idle_floor, "ms/s", idle_floor_text, False),
        ("Idle CPU of an open FTDI link (fake D2XX library, reader thread)",
         r.counter("BM_FTDIIdleOpenLinkCpu", "cpu_ms_per_s"), idle_floor, "ms/s", idle_floor_text, False),
        *[(f"Main window, worst stall of its event loop {what} (a 20 ms probe timer); floor: the goal",
           r.counter(f"WindowLateness/{case}", "worst_stall_ms"), STALL_GOAL_MS, "ms", "goal", False)
          for case, what in (("polling", "while it polls"), ("silent_module", "after the module falls silent"),
                             ("reconnecting", "during attempts to reconnect"), ("ramp_test", "during the ramp test"))],
        ("`valdrix-cli test examples/loopback.toml` against `valdrix-sim --jig loopback`, a whole run with its "
         "record and JUnit file; floor: the goal, the plan's own pauses (and the RS-485 test's wait) plus 10 %",
         r.ms("SampleRun"), pauses_ms and pauses_ms * RUN_OVER_PAUSES, "ms", "goal", False),
        *[(f"Records of 100 000 runs, {what} on {store}; floor: the goal",
           r.ms(f"{bench}/{kind}"), goal, "ms", "goal", False)
          for bench, what, goal in (("YieldPerDay", "yield per day", RECORDS_QUERY_GOAL_MS),
                                    ("UnitHistory", "one unit's history", RECORDS_QUERY_GOAL_MS),
                                    ("TopFailingMeasurements", "the ten measurements that fail most",
                                     RECORDS_QUERY_GOAL_MS),
                                    ("WriteOneRun", "storing one run (42 measurements)", RECORDS_WRITE_GOAL_MS))
          for kind, store in (("sqlite", "SQLite"), ("postgresql", "PostgreSQL"))],
        *[(f"Recording a run of 10 000 measurements in {what} (record file and journal); floor: the goal",
           r.ms(f"RecordRun/steps:{steps}"), RUN_RECORD_GOAL_MS, "ms", "goal", False)
          for steps, what in ((10000, "10 000 steps"), (100, "100 steps"), (1, "one step"))],
        ("Tester start-up to its first painted main window (offscreen); floor: a process showing an empty window",
         r.ms("StartupToFirstPaint/tester"), r.ms("StartupToFirstPaint/empty_window"), "ms", None, False),
    ]


def table(r, context):
    lines = [
        f"Run of {context.get('date', '?')} on {context.get('num_cpus', '?')} CPUs, "
        f"load average {' '.join(f'{x:.2f}' for x in context.get('load_avg', [])) or '?'}.",
        "Ratio: the figure's cost over the floor's (time per request or per byte, CPU per second; "
        "for rates the floor's rate over the figure's); 1.0 is at the floor.",
        "",
        "| measure | figure | floor | ratio |",
        "|---|---:|---:|---:|",
    ]
    for what, figure, floor, unit, floor_text, higher_is_better in rows(r):
        ratio = None
        if figure and floor:
            ratio = floor / figure if higher_is_better else figure / floor
        floor_cell = f"{number(floor)} {unit}" if floor is not None else "not measured"
        if floor_text and floor is not None:
            floor_cell += f" ({floor_text})"
        figure_cell = f"{number(figure)} {unit}" if figure is not None else "not measured"
        ratio_cell = f"{number(ratio)}×" if ratio is not None else "–"
        lines.append(f"| {what} | {figure_cell} | {floor_cell} | {ratio_cell} |")
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    runs, context = load(sys.argv[1])
    results = Results(runs)
    sys.stdout.write(table(results, context))
    missing = [what for what, figure, floor, _, _, higher_is_better in rows(results)
               if figure is None or floor is None or (higher_is_better and figure <= 0)]
    if missing:
        sys.exit("not measured: " + "; ".join(missing))


if __name__ == "__main__":
    main()
