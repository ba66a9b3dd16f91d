#!/usr/bin/env python3
"""A demonstration of a measurement on a machine with neither a sound card
nor a display: tensikon.exe under Wine on a virtual display, hearing a
virtual microphone into which recorded plucks are played. Prints each step,
the readings and their verdicts, and writes screenshots. Run by scripts/demo.
"""
import os
import sys

from measure import in_specification
from recordings import sox_pluck
from session import Failure, log, parse_args, run_session

MODEL = "Corvane 1000i"
SLACK_HZ = 125  # the second pluck: a belt left too slack


class Demo:
    def __init__(self, session, program):
        self.session = session
        self.program = program
        self.shots = []

    def shot(self, name):
        path = os.path.join(self.session.work, name + ".png")
        self.session.screenshot(path, self.program.rect("window"))
        self.shots.append(path)

    def analyzer_says(self, path):
        done = self.session.wine(self.session.tools.analyzer, "--model", MODEL, "Z:" + path)
        return done.stdout.strip().splitlines()[-1] if done.stdout.strip() else done.stderr.strip()

    def choose_model(self):
        self.program.automate("model", MODEL, "wait-change", "IDC_HORIZONTAL_TARGET", "000")
        horizontal = self.program.text("IDC_HORIZONTAL_TARGET")
        vertical = self.program.text("IDC_VERTICAL_TARGET")
        log("chose Settings > Select Bike > %s: targets %s Hz (horizontal), %s Hz (vertical); "
            "status line %r" % (MODEL, horizontal, vertical, self.program.text("IDC_STATUS")))
        self.shot("1-model-chosen")
        return int(horizontal)

    def start_recording(self):
        self.program.automate("click", "IDC_RECORD", "wait-text", "IDC_HORIZONTAL_MEASURED", "REC")
        log("pressed %r: the horizontal cylinder's readout shows %r, the button reads %r" % (
            "Start Recording", "REC", self.program.text("IDC_RECORD")))
        self.shot("2-listening")

    def pluck(self, path, what, target, shot):
        log("played %s into the microphone: %s" % (what, path))
        player = self.session.mic.start_playing(path)
        text, _ = self.program.wait_change("IDC_HORIZONTAL_MEASURED", "REC", 15000)
        if text is None:
            raise Failure("no reading appeared")
        wanted = ("bright green",) if in_specification(int(text), target) else ("bright red",)
        rect = self.program.rect("IDC_HORIZONTAL_MEASURED")
        colour, _ = self.session.colour(rect)
        verdict = {"bright green": "in specification", "bright red": "out of specification"}
        log("  measured %s Hz, shown in %s: %s (target %d Hz, within 5 Hz passes)" % (
            text, colour, verdict.get(colour, "no verdict colour found"), target))
        log("  the offline analyzer on the same file: " + self.analyzer_says(path))
        self.shot(shot)
        self.session.mic.finish_playing(player, path)
        if colour not in wanted:
            raise Failure("the reading's colour is %s, not %s" % (colour, wanted[0]))

    def wait_for_next_capture(self):
        shown, _ = self.program.wait_text("IDC_HORIZONTAL_MEASURED", "REC", 6000)
        if not shown:
            raise Failure("the next capture did not start")
        log("after the hold time (1 s) the program listens again: REC")


def run(session, sample):
    opened = [line for line in session.check_device().splitlines() if line.startswith("opened")]
    log("checked that Wine records from the virtual microphone: wavein-probe " + opened[0])
    program = session.start_program()
    log("started tensikon.exe under Wine (window %sx%s)" % (program.window["right"],
                                                           program.window["bottom"]))
    demo = Demo(session, program)
    target = demo.choose_model()
    demo.start_recording()
    demo.pluck(sample, "a belt ringing at 140 Hz", target, "3-in-specification")
    demo.wait_for_next_capture()
    slack = sox_pluck(SLACK_HZ, session.work)
    demo.pluck(slack.write(session.work), "a slack belt at about %d Hz" % SLACK_HZ, target,
               "4-out-of-specification")
    status = program.close()
    log("closed the program (exit status %d)" % status)
    return demo.shots


def main():
    args = parse_args()
    sample = os.path.join(args.root, "docs", "samples", "pluck-140hz.wav")

    def demonstrate(session):
        log("started a virtual display (Xvfb %s) and a virtual microphone (a private "
            "PulseAudio daemon, files in %s)" % (session.display.name, session.mic.state))
        return run(session, sample)

    shots = run_session(args, demonstrate, "the demonstration cannot run here: %s",
                        "the demonstration failed: %s (logs in %s)")
    log("stopped the program, Wine, the microphone and the display")
    log("screenshots:\n  " + "\n  ".join(shots))
    return 0


if __name__ == "__main__":
    sys.exit(main())
