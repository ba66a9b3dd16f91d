#!/usr/bin/env python3
"""The readings of a run, end to end: the real tensikon.exe under Wine on a
virtual display, hearing the virtual microphone, driven by
tensikon-automation.

  - three plucks in Continuous mode give three rows in View > Readings,
    newest at the top, each the value the readout showed, under the right
    "Last 3" line (median and spread);
  - File > Save Readings..., driven through the real save dialog, writes a
    CSV file that reads back equal to the list;
  - with Settings > Sound on Result, each reading sounds its tone (high
    within 5 Hz of the target, low outside) on the device Wine plays to:
    heard on the monitor of the daemon's sink.

Exits 77 (skipped) where Xvfb or the PulseAudio daemon cannot run.
"""
import csv
import math
import os
import statistics
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "tools", "e2e"))

from measure import Measurer, in_specification  # noqa: E402
from recordings import RATE, decaying_tone  # noqa: E402
from session import Failure, log, parse_args, run_session  # noqa: E402
from tap import Tap  # noqa: E402

SKIPPED = 77
MODEL = "Corvane 1000i"
TARGET_HZ = 140
HOLD_MS = 1000
PLUCKS = (140, 143, 152)  # the last one out of range: a low tone
HIGH_HZ, LOW_HZ = 1320, 330  # the program's two tones
WINDOW = RATE // 20  # 50 ms
TONE_LEVEL = 1000  # amplitude of a tone heard; the program plays them near 11 000


class NearFrequency:
    """A decaying tone reads its frequency within a hertz."""

    def __init__(self, hz):
        self.hz = hz

    def admits(self, value):
        return abs(value - self.hz) <= 1

    def describe(self):
        return "%d Hz +- 1" % self.hz


def probe(hz):
    """Hann-windowed cosine and sine of one frequency over a window."""
    w = [0.5 - 0.5 * math.cos(2 * math.pi * n / WINDOW) for n in range(WINDOW)]
    scale = 2 / sum(w)
    return ([scale * w[n] * math.cos(2 * math.pi * hz * n / RATE) for n in range(WINDOW)],
            [scale * w[n] * math.sin(2 * math.pi * hz * n / RATE) for n in range(WINDOW)])


PROBES = {hz: probe(hz) for hz in (HIGH_HZ, LOW_HZ)}


def amplitude(samples, start, hz):
    """The amplitude of one frequency in a stretch of WINDOW samples."""
    cos, sin = PROBES[hz]
    stretch = samples[start:start + WINDOW]
    return math.hypot(sum(c * s for c, s in zip(cos, stretch)),
                      sum(c * s for c, s in zip(sin, stretch)))


def tones(samples):
    """The tones heard, in order: "high" or "low" for each burst."""
    heard, last = [], None
    for start in range(0, len(samples) - WINDOW, WINDOW // 2):
        high = amplitude(samples, start, HIGH_HZ) >= TONE_LEVEL
        low = amplitude(samples, start, LOW_HZ) >= TONE_LEVEL
        now = "high" if high and not low else "low" if low and not high else None
        if now is not None and now != last:
            heard.append(now)
        last = now
    return heard


def agreement(values):
    return "Last 3: %d Hz, spread %d Hz" % (statistics.median(values), max(values) - min(values))


def read_back(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    if rows[0] != ["time", "model", "cylinder", "value_hz", "target_hz", "verdict", "source"]:
        raise Failure("the saved file's header is %r" % rows[0])
    return [[r[0][11:19], r[1], r[2], r[3], r[4], r[5], r[6]] for r in rows[1:]]


def run(session, work):
    log("wave-in device check:\n" + session.check_device().strip())
    made = [decaying_tone(hz) for hz in PLUCKS]
    for r in made:
        r.write(work)
    program = session.start_program()
    program.automate("model", MODEL, "wait-text", "IDC_HORIZONTAL_TARGET", str(TARGET_HZ),
                     "menu", "IDM_SOUND_ON_RESULT", "menu", "IDM_READINGS",
                     "wait-text", "IDC_READINGS_AGREEMENT", "Last 3: 0 of 3 values so far")
    tap = Tap(session.env)
    tap.start()
    measurer = Measurer(session, program, HOLD_MS)
    program.automate("click", "IDC_RECORD", "wait-text", "IDC_HORIZONTAL_MEASURED", "REC")
    values = [measurer.measure(r, NearFrequency(r.frequency), "IDC_HORIZONTAL_MEASURED", True)
              for r in made]
    measurer.finish_playing()
    time.sleep(1.0)  # the last tone ends well within this
    tap.stop()
    program.automate("click", "IDC_RECORD")
    log("read %s Hz" % values)

    events = program.automate("rows", "IDC_READINGS_LIST")
    rows = [f["value"].split("\t") for word, f in events if word == "row"]
    shown = [int(r[3]) for r in rows[:3]]
    if shown != values[::-1] or (measurer.repeats == 0 and len(rows) != 3):
        raise Failure("the list holds %r after the readings %r" % (rows, values))
    header = program.text("IDC_READINGS_AGREEMENT")
    if header != agreement(values):
        raise Failure("the header reads %r, not %r" % (header, agreement(values)))
    log("%d rows, newest first; header %r" % (len(rows), header))
    # Chosen again, the open window comes to the front: the screenshot shows
    # it beside the main window.
    program.automate("menu", "IDM_READINGS")
    time.sleep(0.5)
    left, top, right, bottom = program.rect("window")
    list_bottom = program.rect("IDC_READINGS_LIST")[3]
    session.screenshot(os.path.join(work, "readings-window.png"),
                       (left, top, 800, max(bottom, list_bottom) + 8))

    saved = os.path.join(work, "saved readings.csv")
    program.automate("menu", "IDM_SAVE_READINGS", "save-as", "Z:" + saved.replace("/", "\\"))
    if read_back(saved) != rows:
        raise Failure("the saved file reads back %r, the list shows %r" % (read_back(saved), rows))
    log("saved through the save dialog: %d rows read back equal" % len(rows))

    heard = tones(tap.samples_and_clock()[0])
    wanted = ["high" if in_specification(v, TARGET_HZ) else "low" for v in values]
    if heard[-3:] != wanted:
        raise Failure("tones heard %r, not %r for %r" % (heard, wanted, values))
    log("tones heard on the sink: %s" % ", ".join(heard))
    status = program.close()
    if status != 0:
        raise Failure("the program exited with status %d" % status)


def main():
    args = parse_args()
    started = time.time()
    run_session(args, lambda session: run(session, args.work), "SKIP: %s",
                "FAILED: %s\n(screenshots and logs in %s)", SKIPPED)
    log("passed in %.0f s" % (time.time() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
