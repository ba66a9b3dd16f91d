"""What the program may read from a recording played into the microphone.

The live capture cuts the sound into 0.25 s blocks from whenever the
recording started, so where the pluck falls within a block is chance, and
the reading can depend on it by a hertz or so (the half second measured
starts with the block holding the pluck). The offline analyzer reads a
file's blocks from its first sample; so the recording is written into one
file many times over, each copy with its pluck at another place within a
block, and the analyzer's readings of all copies are what the live program
may show.
"""
import json

from recordings import BLOCK, with_lead_in, write_wav

PHASES = 16


def phase_file(recording, path, phases=PHASES):
    """Writes the copies; returns the block at which each copy starts."""
    samples, starts = [], []
    for j in range(phases):
        where = j * BLOCK // phases  # the onset's place within its block
        lead = BLOCK + (where - recording.onset) % BLOCK
        copy = with_lead_in(recording.samples, lead, BLOCK) + [0] * BLOCK
        starts.append(len(samples) // BLOCK)
        samples += copy
    write_wav(path, samples)
    return starts


def captures_by_copy(analyzer_json, starts):
    """The analyzer's first capture in each copy (None where it found none)."""
    captures = [None] * len(starts)
    for capture in json.loads(analyzer_json):
        copy = max(k for k, start in enumerate(starts) if start <= capture["pluck_block"])
        if captures[copy] is None:
            captures[copy] = capture
    return captures


class Expectation:
    """The readings the analyzer gave for every place of the pluck: the
    value shown (None when it gave no frequency), and where it came from."""

    def __init__(self, recording, captures):
        self.recording = recording
        self.readings = [c["frequency_hz"] if c else None for c in captures]
        self.sources = [c["reading_from"] if c else None for c in captures]
        self.crossings = [c["crossing_hz"] if c else None for c in captures]
        values = [r for r in self.readings if r is not None]
        self.low = min(values) if values else None
        self.high = max(values) if values else None

    def from_pitch_not_count(self, slack=1):
        """Every place of the pluck shows the pitch, and no crossing count
        could pass for it."""
        return (self.low is not None and all(s == "pitch" for s in self.sources) and
                not any(c is not None and self.admits(c, slack) for c in self.crossings))

    def admits(self, value, slack=1):
        """A value within the analyzer's readings, widened by `slack` hertz
        for places of the pluck between the ones tried."""
        return self.low is not None and self.low - slack <= value <= self.high + slack

    def describe(self):
        if self.low is None:
            return "the analyzer gave no reading for any place of the pluck"
        return "analyzer %d..%d Hz over %d places of the pluck (%s)" % (
            self.low, self.high, len(self.readings),
            " ".join("-" if r is None else str(r) for r in self.readings))


def expectation(recording, work, run_analyzer):
    """run_analyzer(path) returns the analyzer's `--all --json` output."""
    path = "%s/%s-phases.wav" % (work, recording.name)
    starts = phase_file(recording, path)
    return Expectation(recording, captures_by_copy(run_analyzer(path), starts))
