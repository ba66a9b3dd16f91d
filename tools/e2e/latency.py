#!/usr/bin/env python3
"""Latency and CPU figures of the real program (a benchmark, not a test).

Runs tensikon.exe under Wine on a virtual display with the virtual
microphone (as the end-to-end test does) and measures
  - CPU: the program's share of one core over 10 s, first idle, then armed
    (recording, waiting for a pluck, no sound), from /proc of its process;
  - latency: a recording of PLUCKS plucks, about 2 s apart, played in one
    go in Continuous mode with a hold time of 0.5 s. For each pluck, from
    the moment its onset reached the microphone (timed by a second
    listener on the microphone) to the moment the reading appeared in the
    readout (timed by tensikon-automation watching the readout's text).
The reading needs the 0.25 s block after the block in which the pluck
begins, so it cannot come before the end of that next block: 250 to 500 ms
after the onset, depending on where in its block the pluck falls. That
floor is worked out for each pluck from the moment the capture started
(when the readout turned to REC) and set beside the latency.
"""
import os
import platform
import random
import statistics
import subprocess
import sys
import time

from recordings import RATE, pluck_train
from session import WINE, Failure, log, parse_args, run_session
from tap import Tap, onsets, trigger

PLUCKS = 24
FREQUENCIES = (140, 110, 160, 125)
CPU_SECONDS = 10
BLOCK_S = 0.25
GRID_DOUBT_S = 0.03  # how well the capture's block boundaries are known
MODEL = "Corvane 1000i"


def cpu_share(program, seconds):
    """The program's CPU time over `seconds` of wall time, in per cent of
    one core."""
    start, used = time.monotonic(), program.cpu_seconds()
    time.sleep(seconds)
    return 100.0 * (program.cpu_seconds() - used) / (time.monotonic() - start)


def probe_cpu_share(session, seconds):
    """The CPU share of wavein-probe recording for `seconds` as the program
    does (two 0.25 s blocks, handed straight back): what Wine's recording
    path costs by itself."""
    probe = subprocess.Popen([WINE, session.tools.probe, "--seconds", str(seconds)],
                             env=session.env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    start = time.monotonic()
    _, status, usage = os.wait4(probe.pid, 0)
    probe.returncode = os.waitstatus_to_exitcode(status)
    if probe.returncode != 0:
        raise Failure("wavein-probe exited with %d" % probe.returncode)
    return 100.0 * (usage.ru_utime + usage.ru_stime) / (time.monotonic() - start)


def make_train(work):
    rng = random.Random(20261207)
    # Gaps of 2.0 to 2.25 s: each pluck falls at another place of its
    # capture block, so the floor is sampled over its whole range.
    gaps = [2.0 + rng.uniform(0.0, BLOCK_S) for _ in range(PLUCKS)]
    freqs = [FREQUENCIES[k % len(FREQUENCIES)] for k in range(PLUCKS)]
    train, starts = pluck_train(freqs, gaps, work)
    train.write(work)
    return train, starts, freqs


def floor_of(start, fired, onset, latency):
    """The end of the block after the one in which the pluck test fired,
    counted from the onset, and whether that block is in doubt. The blocks
    are counted from the moment the capture started, which is known only to
    some tens of milliseconds (REC shows shortly after the device started):
    a test that fires that close to a block's boundary may have fired in the
    neighbouring block, and then the floor is the one the reading fits."""
    position = (fired - start) / BLOCK_S
    floor = start + (int(position) + 2) * BLOCK_S - onset
    in_doubt = min(position % 1, 1 - position % 1) * BLOCK_S < GRID_DOUBT_S
    if in_doubt and position % 1 > 0.5 and latency >= floor + BLOCK_S:
        floor += BLOCK_S  # it fired early in the next block
    elif in_doubt and position % 1 < 0.5 and latency < floor:
        floor -= BLOCK_S  # it fired late in the block before
    return floor, in_doubt


def per_pluck(heard, changes, armed_at):
    """(latency, floor, reading, floor in doubt) for each pluck, None where
    no reading came before the next pluck. heard: (onset, trigger) times of
    each pluck."""
    starts = [armed_at] + [t for t, v in changes[1:] if v == "REC"]
    readings = [(t, v) for t, v in changes if v.lstrip("-").isdigit()]
    rows = []
    for k, (onset, fired) in enumerate(heard):
        following = heard[k + 1][0] if k + 1 < len(heard) else float("inf")
        reading = next(((t, v) for t, v in readings if onset < t < following), None)
        before = [s for s in starts if s <= onset]
        if reading is None or not before:
            rows.append(None)
            continue
        latency = reading[0] - onset
        floor, in_doubt = floor_of(before[-1], fired, onset, latency)
        rows.append((latency, floor, int(reading[1]), in_doubt))
    return rows


def run(session, work):
    log(session.check_device().splitlines()[-1])
    program = session.start_program()
    program.automate("model", MODEL, "wait-text", "IDC_HORIZONTAL_TARGET", "140",
                     "menu", "IDM_HOLD_HALF_SECOND")
    probe = probe_cpu_share(session, CPU_SECONDS)
    idle = cpu_share(program, CPU_SECONDS)
    # The capture runs from the moment REC appears, as for the later plucks.
    shown = program.automate("click", "IDC_RECORD", "wait-text", "IDC_HORIZONTAL_MEASURED", "REC")
    armed_at = float(shown[-1][1]["time"])
    armed = cpu_share(program, CPU_SECONDS)
    log("CPU of the program: %.1f %% of one core idle, %.1f %% armed; wavein-probe %.1f %%"
        % (idle, armed, probe))

    train, _, freqs = make_train(work)
    tap = Tap(session.env)
    tap.start()
    seconds = train.seconds + 5
    watcher = program.watch("IDC_HORIZONTAL_MEASURED", seconds)
    time.sleep(1.0)
    log("playing %d plucks (%.0f s)" % (PLUCKS, train.seconds))
    session.mic.play(train.path)
    changes = program.finish_watch(watcher, seconds)
    tap.stop()
    program.close()
    return (idle, armed, probe), per_pluck(heard_plucks(tap), changes, armed_at), freqs


def heard_plucks(tap):
    """(onset, moment the pluck test fires) of each pluck the tap heard."""
    samples, clock = tap.samples_and_clock()
    heard = []
    for i in onsets(samples):
        fired = trigger(samples, i)
        if fired is None:
            raise Failure("a pluck at %.2f s never fires the pluck test" % (i / RATE))
        heard.append((clock + i / RATE, clock + fired / RATE))
    if len(heard) != PLUCKS:
        raise Failure("the listener heard %d plucks, not %d" % (len(heard), PLUCKS))
    return heard


def summary(cpu, rows, freqs):
    idle, armed, probe = cpu
    got = [r for r in rows if r is not None]
    if len(got) < 20:
        raise Failure("only %d of %d plucks gave a reading" % (len(got), len(rows)))
    ms = [1000 * r[0] for r in got]
    floors = [1000 * r[1] for r in got]
    excess = [a - b for a, b in zip(ms, floors)]
    off = sum(1 for r, f in zip(rows, freqs) if r is not None and abs(r[2] - f) > 5)
    return {
        "plucks": len(rows), "read": len(got), "off": off,
        "doubtful": sum(1 for r in got if r[3]),
        "median": statistics.median(ms), "worst": max(ms), "best": min(ms),
        "floor_median": statistics.median(floors), "floor_low": min(floors),
        "floor_high": max(floors), "excess_median": statistics.median(excess),
        "excess_worst": max(excess), "idle": idle, "armed": armed, "probe": probe,
        "rows": [(f, r) for f, r in zip(freqs, rows)],
    }


def report(f):
    lines = [
        "| Figure | Value |", "| --- | ---: |",
        "| plucks played / read | %d / %d |" % (f["plucks"], f["read"]),
        "| latency, median | %.0f ms |" % f["median"],
        "| latency, worst | %.0f ms |" % f["worst"],
        "| latency, best | %.0f ms |" % f["best"],
        "| floor (end of the block after the pluck's), median | %.0f ms (range %.0f to %.0f) |"
        % (f["floor_median"], f["floor_low"], f["floor_high"]),
        "| latency above the floor, median | %.0f ms |" % f["excess_median"],
        "| latency above the floor, worst | %.0f ms |" % f["excess_worst"],
        "| plucks whose floor is in doubt (pluck test within %.0f ms of a block boundary) "
        "| %d |" % (1000 * GRID_DOUBT_S, f["doubtful"]),
        "| readings more than 5 Hz from the pluck's nominal frequency | %d |" % f["off"],
        "| CPU idle, not recording (10 s) | %.1f %% of one core |" % f["idle"],
        "| CPU armed, waiting for a pluck (10 s) | %.1f %% of one core |" % f["armed"],
        "| CPU of wavein-probe recording the same way (10 s) | %.1f %% of one core |"
        % f["probe"],
    ]
    return "\n".join(lines)


def details(f):
    out = ["| Pluck | Nominal | Reading | Latency | Floor |",
           "| ---: | ---: | ---: | ---: | ---: |"]
    for k, (freq, row) in enumerate(f["rows"], 1):
        if row is None:
            out.append("| %d | %d Hz | none | | |" % (k, freq))
        else:
            out.append("| %d | %d Hz | %d Hz | %.0f ms | %.0f ms%s |" % (
                k, freq, row[2], 1000 * row[0], 1000 * row[1], " *" if row[3] else ""))
    return "\n".join(out)


def machine():
    wine = subprocess.run([WINE, "--version"], capture_output=True,
                          text=True).stdout.strip() or "wine"
    return "%s %s, %d cores, %s" % (platform.system(), platform.machine(), os.cpu_count(), wine)


def main():
    args = parse_args(("--doc", {"help": "write the figures into this Markdown page"}))
    figures = run_session(args, lambda session: summary(*run(session, args.work)),
                          "cannot measure here: %s", "FAILED: %s (logs in %s)")
    print(report(figures))
    print()
    print(details(figures))
    if args.doc:
        write_doc(args.doc, figures)
        print("\nwrote %s" % args.doc)
    return 0


def sentences(f):
    return (
        "Half of the readings appeared within %.0f ms of the pluck's onset and all within "
        "%.0f ms. The design's own floor for these plucks lay between %.0f and %.0f ms "
        "(median %.0f ms); the program came within %.0f ms of it for half of the plucks "
        "and within %.0f ms for all: the time from the block's end to the reading on the "
        "screen (Wine handing the block over, the capture thread, the estimator and the "
        "repaint). Waiting for a pluck costs %.1f %% of one core, about what Wine's "
        "recording path costs by itself (%.1f %%); an idle program costs %.1f %%."
        % (f["median"], f["worst"], f["floor_low"], f["floor_high"], f["floor_median"],
           f["excess_median"], f["excess_worst"], f["armed"], f["probe"], f["idle"]))


def write_doc(path, f):
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "latency.md.in")) as t:
        template = t.read()
    for key, text in (("@MACHINE@", machine()), ("@PLUCKS@", str(f["plucks"])),
                      ("@FIGURES@", report(f)), ("@SUMMARY@", sentences(f)),
                      ("@DETAILS@", details(f))):
        template = template.replace(key, text)
    with open(path, "w") as out:
        out.write(template)


if __name__ == "__main__":
    sys.exit(main())
