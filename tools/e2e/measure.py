"""One measurement as a user makes it: the program listening, a pluck
played into the microphone, the reading in the selected measured readout,
its colour on the screen and the record button's caption.

A played pluck can be lost on a loaded machine (Wine's capture thread
starved of CPU drops a packet, and a pluck or the sound after it goes
missing), so a measurement that shows nothing, or a reading the analyzer
would not give, is tried again, a bounded number of times in a run; every
such attempt is reported with what went wrong. A fault that repeats
exhausts the attempts and fails.
"""
import time

from session import Failure, log

ATTEMPTS = 3  # for one measurement
REPEATS_PER_RUN = 3  # repeated measurements allowed in a whole run
READING_TIMEOUT_MS = 5000  # after the recording has been played
COLOUR_TRIES = 5  # screenshots until the readout shows its new colour


def in_specification(value, target):
    return target - 5 <= value <= target + 5


class Measurer:
    def __init__(self, session, program, hold_ms):
        self.session = session
        self.program = program
        self.hold_ms = hold_ms
        self.repeats = 0
        self.player = None  # the recording being played, and its path

    def arm(self, readout, continuous):
        """Brings the program to listening: REC in the readout. In Continuous
        mode the next capture starts by itself after the hold time; in
        Single mode the record button starts it."""
        if self.program.text(readout) == "REC":
            return
        if not continuous:
            self.program.automate("click", "IDC_RECORD")
        shown, last = self.program.wait_text(readout, "REC", self.hold_ms + 5000)
        if not shown:
            raise Failure("%s did not show REC (it shows %r)" % (readout, last))

    def colour(self, readout, wanted):
        """The readout's colour, from screenshots, once it is `wanted` (or
        the last seen after a few tries)."""
        rect = self.program.rect(readout)
        for _ in range(COLOUR_TRIES):
            seen, counts = self.session.colour(rect)
            if seen in wanted:
                return seen, counts
            time.sleep(0.2)
        return seen, counts

    def play_and_read(self, recording, readout):
        """Starts playing the recording and waits for the reading; returns
        (problem or None, text, when). The rest of the recording goes on
        playing meanwhile, so that the reading is seen (and its colour
        taken) before the next capture of the continuous cycle replaces it."""
        self.finish_playing()
        self.player = (self.session.mic.start_playing(recording.path), recording.path)
        timeout_ms = int(recording.seconds * 1000) + READING_TIMEOUT_MS
        text, when = self.program.wait_change(readout, "REC", timeout_ms)
        if text is None:
            return "no reading within %.1f s after the recording ended (REC still shown)" % (
                READING_TIMEOUT_MS / 1000), None, None
        return None, text, when

    def finish_playing(self):
        if self.player is not None:
            player, self.player = self.player, None
            self.session.mic.finish_playing(*player)

    def measure(self, recording, expectation, readout, continuous):
        """The reading of one recording; fails after ATTEMPTS tries."""
        for attempt in range(1, ATTEMPTS + 1):
            self.arm(readout, continuous)
            problem, text, _ = self.play_and_read(recording, readout)
            if problem is None and not text.lstrip("-").isdigit():
                problem = "the readout shows %r, not a number" % text
            elif problem is None and not expectation.admits(int(text)):
                problem = "read %s Hz, outside %s" % (text, expectation.describe())
            if problem is None:
                return int(text)
            self.note_repeat("%s, attempt %d of %d: %s" % (recording.name, attempt, ATTEMPTS,
                                                           problem))
        raise Failure("%s: no acceptable reading in %d attempts" % (recording.name, ATTEMPTS))

    def note_repeat(self, text):
        log("  repeated: " + text)
        self.repeats += 1
        if self.repeats > REPEATS_PER_RUN:
            raise Failure("more than %d measurements had to be repeated in one run" %
                          REPEATS_PER_RUN)
