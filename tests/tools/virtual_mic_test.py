#!/usr/bin/env python3
"""The virtual microphone reaches a Wine program's wave-in device.

Starts tools/virtual-mic with a recording to play whenever a program opens a
recording stream, runs wavein-probe.exe under Wine with the variables that
`virtual-mic env` prints, and checks that
  - the probe recorded through Wine's PulseAudio driver from our daemon
    (and not from a fallback driver that would record silence),
  - the played recording arrived sample for sample, with only silence
    around it,
  - the device returned full 22 050-byte blocks at real-time rate,
  - `virtual-mic stop` ended every process that `start` recorded.

Exits 77 (skipped) when the daemon cannot be started on this machine.
A recording can lose a 10 ms packet when Wine's capture thread is starved
of CPU on a loaded machine; such a run is reported and tried again, at
most three times in all.
"""
import argparse
import os
import re
import statistics
import struct
import subprocess
import sys
import wave

SKIPPED = 77
BLOCK_BYTES = 22050
RATE = 44100
SECONDS = 4
ATTEMPTS = 3


def make_source(path):
    """One second of deterministic sound: two tones and pseudo-random noise,
    reaching both ends of the 16-bit range, so that no stretch of it repeats
    and a single lost or changed sample shows."""
    state = 12345
    samples = []
    for n in range(RATE):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        noise = (state >> 8) % 16001 - 8000
        tone = 12000 if (n // 150) % 2 else -12000
        tone += int(10000 * ((n * 311 % RATE) / RATE - 0.5))
        samples.append(max(-32768, min(32767, tone + noise)))
    samples[100] = 32767
    samples[200] = -32768
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(struct.pack("<%dh" % len(samples), *samples))


def read_frames(path):
    with wave.open(path, "rb") as w:
        return w.readframes(w.getnframes())


class VirtualMic:
    def __init__(self, script, state_dir):
        self.script = script
        self.state_dir = state_dir

    def run(self, *args, timeout=120):
        return subprocess.run([self.script, "--dir", self.state_dir, *args],
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=timeout)

    def client_env(self):
        env = dict(os.environ)
        for line in self.run("env").stdout.splitlines():
            m = re.fullmatch(r"export (\w+)=(.*)", line)
            if m:
                env[m.group(1)] = m.group(2)
        return env

    def recorded_pids(self):
        pids = []
        folder = os.path.join(self.state_dir, "pids")
        for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
            with open(os.path.join(folder, name)) as f:
                pids.append((name, int(f.read().split()[0])))
        return pids


def still_runs(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def check_device(stdout):
    problems = []
    if "Monitor of virtual-mic" not in stdout:
        problems.append("Wine does not list the daemon's monitor among its devices")
    if not re.search(r"^opened device \d+: PulseAudio$", stdout, re.M):
        problems.append("the wave mapper did not open Wine's PulseAudio default device")
    return problems


def check_blocks(stdout):
    blocks = [(float(t), int(b)) for t, b in
              re.findall(r"^block \d+ at ([\d.]+) ms: (\d+) bytes$", stdout, re.M)]
    if len(blocks) < SECONDS * 4:
        return ["only %d blocks came back" % len(blocks)], None
    problems = ["a block came back with %d bytes" % b for _, b in blocks if b != BLOCK_BYTES]
    times = [t for t, _ in blocks]
    gaps = [b - a for a, b in zip(times, times[1:])]
    mean = (times[-1] - times[0]) / (len(times) - 1)
    # 250 ms is the block's length in sound. The device is clocked by the
    # sink, so the mean cannot drift far from it; a mean well below would
    # mean bursts faster than real time, well above a stalled stream.
    if not 200.0 <= mean <= 350.0:
        problems.append("blocks came every %.1f ms on average, not every 250 ms" % mean)
    figures = "%d blocks of %d bytes; interval mean %.1f ms, median %.1f, min %.1f, max %.1f" % (
        len(blocks), BLOCK_BYTES, mean, statistics.median(gaps), min(gaps), max(gaps))
    return problems, figures


def check_samples(source, recording):
    at = recording.find(source[:512])
    while at >= 0 and at % 2:
        at = recording.find(source[:512], at + 1)
    if at < 0:
        return ["the start of the played recording is not in what Wine recorded"], None
    problems = []
    if recording[at:at + len(source)] != source:
        got = recording[at:at + len(source)]
        first = next((k for k in range(0, min(len(got), len(source)), 2)
                      if got[k:k + 2] != source[k:k + 2]), len(got))
        problems.append("the recording differs from the played file from sample %d of %d on"
                        % (first // 2, len(source) // 2))
    elif any(recording[:at]) or any(recording[at + len(source):]):
        problems.append("something other than silence surrounds the played recording")
    return problems, "played file found sample for sample at %.3f s" % (at / 2 / RATE)


def attempt(args, env, source, out):
    if os.path.exists(out):
        os.remove(out)
    probe = subprocess.run(
        [args.wine_run, args.prefix, args.probe, "--seconds", str(SECONDS),
         "--out", "Z:" + out, "--expect", "PulseAudio"],
        env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=180)
    print(probe.stdout, end="")
    if probe.returncode != 0:
        print(probe.stderr[-2000:], end="", file=sys.stderr)
        return ["wavein-probe exited with %d" % probe.returncode]
    problems = check_device(probe.stdout)
    block_problems, block_figures = check_blocks(probe.stdout)
    sample_problems, sample_figures = check_samples(source, read_frames(out))
    for figures in (block_figures, sample_figures):
        if figures:
            print("measured: " + figures)
    return problems + block_problems + sample_problems


def main():
    parser = argparse.ArgumentParser()
    for option in ("--virtual-mic", "--wine-run", "--prefix", "--probe", "--work"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    source_path = os.path.join(args.work, "played.wav")
    make_source(source_path)
    source = read_frames(source_path)

    mic = VirtualMic(args.virtual_mic, os.path.join(args.work, "state"))
    started = mic.run("start", "--on-record", source_path)
    if started.returncode == 3:
        print("SKIP: the virtual microphone cannot run here:\n" + started.stderr)
        return SKIPPED
    try:
        if started.returncode != 0:
            print(started.stderr, file=sys.stderr)
            return 1
        env = mic.client_env()
        for n in range(1, ATTEMPTS + 1):
            problems = attempt(args, env, source, os.path.join(args.work, "recorded.wav"))
            if not problems:
                return 0
            print("attempt %d of %d: %s" % (n, ATTEMPTS, "; ".join(problems)))
        return 1
    finally:
        pids = mic.recorded_pids()
        mic.run("stop", timeout=60)
        left = [name for name, pid in pids if still_runs(pid)]
        if left:
            print("virtual-mic stop left running: " + ", ".join(left))
            sys.exit(1)


if __name__ == "__main__":
    sys.exit(main())
