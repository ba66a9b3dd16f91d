"""Recordings of plucked belts for the end-to-end runs, made on the spot.

Three kinds, all 16-bit mono 44 100 Hz, with a quiet lead-in so that the
program is already listening when the pluck arrives:
  - decaying tones: 30000 e^(-t/0.25 s) sin(2 pi f t), the plucks the
    measurement is described with;
  - plucked strings made by sox's `synth pluck`, filtered towards their
    fundamental and raised to just below full scale (the program needs a
    loud pluck), optionally with white noise at a given level below the
    pluck.
Every recording is deterministic: the same bytes on every run.
"""
import math
import os
import random
import struct
import subprocess
import wave

RATE = 44100
BLOCK = 11025  # samples in one of the program's 0.25 s capture blocks
FULL_SCALE = 32767


class Recording:
    """A recording with what is known about it: its name, the frequency it
    was made with, and the sample at which its pluck starts."""

    def __init__(self, name, frequency, samples, onset):
        self.name = name
        self.frequency = frequency
        self.samples = samples
        self.onset = onset
        self.path = None

    @property
    def seconds(self):
        return len(self.samples) / RATE

    def write(self, folder):
        self.path = os.path.join(folder, self.name + ".wav")
        write_wav(self.path, self.samples)
        return self.path


def write_wav(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(struct.pack("<%dh" % len(samples), *samples))


def read_wav(path):
    with wave.open(path, "rb") as w:
        if (w.getnchannels(), w.getsampwidth(), w.getframerate()) != (1, 2, RATE):
            raise ValueError("%s is not 16-bit mono %d Hz" % (path, RATE))
        data = w.readframes(w.getnframes())
    return list(struct.unpack("<%dh" % (len(data) // 2), data))


def clip(value):
    return max(-FULL_SCALE - 1, min(FULL_SCALE, int(round(value))))


def silence(seconds):
    return [0] * int(round(seconds * RATE))


def decaying_tone(frequency, lead=0.4, seconds=1.2, tail=0.3):
    tau = 0.25 * RATE
    tone = [clip(30000 * math.exp(-n / tau) * math.sin(2 * math.pi * frequency * n / RATE))
            for n in range(int(seconds * RATE))]
    head = silence(lead)
    return Recording("tone-%dhz" % frequency, frequency, head + tone + silence(tail), len(head))


def sox_pluck_samples(frequency, seconds, work):
    """sox's plucked string through two low-pass stages at 1.5 times its
    frequency, raised to 0.5 dB below full scale. A belt rings mostly at its
    fundamental; the bare string's strong harmonics would neither fire the
    program's pluck test (three loud samples 10 apart) nor read as the
    fundamental."""
    path = os.path.join(work, "sox-pluck-%dhz.wav" % frequency)
    corner = str(frequency * 3 // 2)
    subprocess.run(["sox", "-R", "-n", "-r", str(RATE), "-b", "16", "-c", "1", path,
                    "synth", "%.3f" % seconds, "pluck", str(frequency),
                    "lowpass", corner, "lowpass", corner, "gain", "-n", "-0.5"],
                   check=True, stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    samples = read_wav(path)
    os.remove(path)
    return samples


def add_noise(samples, onset, below_db, seed):
    """White noise through the whole recording, below_db under the pluck's
    power over its first 50 ms."""
    start = samples[onset:onset + RATE // 20]
    power = sum(s * s for s in start) / len(start)
    sigma = math.sqrt(power / 10 ** (below_db / 10))
    rng = random.Random(seed)
    return [clip(s + rng.gauss(0.0, sigma)) for s in samples]


def sox_pluck(frequency, work, noise_db=None, lead=0.4, seconds=1.2, tail=0.3):
    head = silence(lead)
    samples = head + sox_pluck_samples(frequency, seconds, work) + silence(tail)
    name = "pluck-%dhz" % frequency
    if noise_db is not None:
        samples = add_noise(samples, len(head), noise_db, seed=frequency * 1000 + noise_db)
        name += "-noise%ddb" % noise_db
    return Recording(name, frequency, samples, len(head))


def real_pluck(path, lead=0.4, tail=0.3):
    """A recorded pluck from a 16-bit mono 44 100 Hz file, which holds a
    lead-in and one pluck: its onset is the first sample at a quarter of
    full scale or more, and whatever came before is kept behind the lead."""
    samples = read_wav(path)
    onset = next(k for k, s in enumerate(samples) if abs(s) >= FULL_SCALE // 4)
    head = silence(lead)
    name = "real-" + os.path.splitext(os.path.basename(path))[0]
    return Recording(name, None, head + samples + silence(tail), len(head) + onset)


def pluck_train(frequencies, gaps, work):
    """Plucks one after another, pluck k gaps[k] seconds before the next.
    Returns the recording and the sample at which each pluck starts."""
    samples, starts = silence(0.5), []
    for frequency, gap in zip(frequencies, gaps):
        pluck = sox_pluck_samples(frequency, 1.0, work)
        starts.append(len(samples))
        samples += pluck + [0] * max(0, int(round(gap * RATE)) - len(pluck))
    samples += silence(1.0)
    return Recording("train-%d" % len(frequencies), None, samples, starts[0]), starts


def with_lead_in(samples, lead_samples, total_multiple):
    """The samples after lead_samples of silence, padded with silence to a
    whole number of total_multiple samples."""
    out = [0] * lead_samples + samples
    return out + [0] * (-len(out) % total_multiple)
