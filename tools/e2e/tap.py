"""A second listener on the virtual microphone, with its own clock: it
records what the microphone hears and when each sample arrived, so that
the moment a pluck reached the microphone can be set beside the moment the
program showed its reading (both on the system clock).
"""
import os
import subprocess
import threading
import time

from recordings import RATE

LATENCY_MS = 10  # small, so that a sample is read within ~10 ms of arriving
CHUNK = 4096


class Tap:
    def __init__(self, env, source="virtual-mic.monitor"):
        self.env = env
        self.source = source
        self.chunks = []  # (system time when read, bytes)
        self.process = None
        self.thread = None

    def start(self):
        self.process = subprocess.Popen(
            ["parec", "--device=" + self.source, "--latency-msec=%d" % LATENCY_MS, "--raw",
             "--format=s16le", "--rate=%d" % RATE, "--channels=1"], env=self.env,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.thread = threading.Thread(target=self.read, daemon=True)
        self.thread.start()

    def read(self):
        fd = self.process.stdout.fileno()
        while True:
            data = os.read(fd, CHUNK)
            if not data:
                return
            self.chunks.append((time.time(), data))

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(5)
        self.thread.join(5)

    def samples_and_clock(self):
        """All samples heard, and the system time at which sample 0 arrived.
        A chunk is read at the earliest when its last sample has arrived, and
        the stream runs at the sample rate: so the earliest (read time minus
        the stream time of the chunk's end) over all chunks is the arrival
        time of sample 0, late by at most the reader's own latency."""
        data = b"".join(d for _, d in self.chunks)
        data = data[:len(data) // 2 * 2]
        samples = memoryview(data).cast("h").tolist()
        start, received = None, 0
        for when, chunk in self.chunks:
            received += len(chunk)
            candidate = when - (received // 2) / RATE
            start = candidate if start is None else min(start, candidate)
        return samples, start


def onsets(samples, threshold=1000, quiet_s=0.5):
    """Sample indices where the sound first reaches `threshold` after at
    least quiet_s seconds below it: the starts of plucks."""
    found, last_loud = [], -10 ** 9
    quiet = int(quiet_s * RATE)
    for i, s in enumerate(samples):
        if s >= threshold or s <= -threshold:
            if i - last_loud > quiet:
                found.append(i)
            last_loud = i
    return found


def trigger(samples, start, level=96, apart=10):
    """The first sample from `start` on at which the program's pluck test
    fires: the high bytes of three samples `apart` samples from each other
    all `level` or more, or all -`level` or less."""
    for i in range(start, len(samples) - 2 * apart):
        highs = [samples[i + k * apart] >> 8 for k in range(3)]
        if min(highs) >= level or max(highs) <= -level:
            return i
    return None
