#!/usr/bin/env python3
"""The whole job by keyboard alone, from the moment the program starts:
real key presses (xdotool) on the virtual display reach tensikon.exe under
Wine, which records from the virtual microphone.

  - the record button has the focus at start;
  - a model is chosen through the menu by its access keys;
  - Tab reaches the cylinder pair and an arrow key chooses the other cylinder;
  - Space starts a measurement ("REC", "Stop") and stops it ("???");
  - Tab reaches Forward and Back, and Space turns the guide's pages;
  - About opens from the Help menu and closes with Enter, and the focus goes
    back to the control that had it;
  - File > Exit ends the program with exit code 0.

Exits 77 (skipped) where Xvfb, the PulseAudio daemon or xdotool cannot run.
"""
import os
import shutil
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "tools", "e2e"))

from session import Failure, log, parse_args, run_session  # noqa: E402

SKIPPED = 77
# Corvane 1000i by its access keys: Settings, Select Bike, Corvane, 1000i.
MODEL_KEYS = ["alt+s", "s", "c", "1"]
TARGET_HZ = "140"  # Corvane 1000i's target on both cylinders, in the bike catalogue
WAIT_S = 15  # a key's effect shows within a second; five times that and more


class Keyboard:
    def __init__(self, session, program):
        self.session = session
        self.program = program

    def press(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "150", *keys], check=True, timeout=60,
                       env=dict(os.environ, DISPLAY=self.session.display.name),
                       stdin=subprocess.DEVNULL, capture_output=True)

    def focus(self):
        return self.program.automate("focus")[-1][1]

    def until(self, what, check):
        """Polls until check() holds (its value) or fails after WAIT_S."""
        deadline = time.monotonic() + WAIT_S
        while True:
            seen = check()
            if seen is True:
                log("ok: " + what)
                return
            if time.monotonic() > deadline:
                raise Failure("%s: not within %d s (saw %r)" % (what, WAIT_S, seen))
            time.sleep(0.2)

    def until_focus(self, what, control_id, window=None):
        def check():
            f = self.focus()
            wanted = f["id"] == str(control_id) and (window is None or f["window"] == window)
            return True if wanted else f
        self.until(what, check)

    def until_text(self, what, control, text):
        def check():
            shown = self.program.text(control)
            return True if shown == text else shown
        self.until(what, check)


GUIDE_PAGES = {4005, 4014, 4017, 4018, 4020, 4021}


def page_on_show(program):
    """The guide's page control on show."""
    shown = [int(f["id"]) for word, f in program.automate("layout")
             if word == "control" and int(f["id"]) in GUIDE_PAGES]
    return shown[0] if len(shown) == 1 else shown


def scenario(session):
    if shutil.which("xdotool") is None:
        print("skipped: xdotool is not installed")
        sys.exit(SKIPPED)
    session.check_device()
    program = session.start_program()
    keys = Keyboard(session, program)
    # No click: the pointer only rests on the virtual desktop, which takes
    # the display's keys for its windows.
    subprocess.run(["xdotool", "mousemove", "790", "490"], check=True, timeout=60,
                   env=dict(os.environ, DISPLAY=session.display.name), capture_output=True)
    keys.until_focus("the record button has the focus at start", 4001)

    keys.press(*MODEL_KEYS)
    keys.until_text("Settings > Select Bike > Corvane > 1000i shows its target",
                    "IDC_HORIZONTAL_TARGET", TARGET_HZ)

    keys.press("Tab")
    keys.until_focus("Tab reaches the checked cylinder button", 4011)
    keys.press("Right")
    keys.until("the right arrow chooses the vertical cylinder", lambda: True if program.automate(
        "checked", "IDC_VERTICAL_CYL")[-1][1]["value"] == "1" else "unchecked")

    keys.press("shift+Tab")
    keys.until_focus("Shift+Tab goes back to the record button", 4001)
    keys.press("space")
    keys.until_text("Space starts a measurement", "IDC_VERTICAL_MEASURED", "REC")
    keys.until_text("the button reads Stop", "IDC_RECORD", "Stop")
    keys.press("space")
    keys.until_text("Space stops it", "IDC_VERTICAL_MEASURED", "???")
    keys.until_text("the button reads Start Recording", "IDC_RECORD", "Start Recording")

    keys.press("Tab", "Tab", "Tab")
    keys.until_focus("Tab runs through the pair and Back to Forward", 4016)
    keys.press("space", "space")
    keys.until("two Forward presses show page 2, a diagram",
               lambda: True if page_on_show(program) == 4018 else page_on_show(program))
    keys.press("shift+Tab", "space")
    keys.until_focus("Shift+Tab reaches Back", 4015)
    keys.until("Back shows page 1, a text",
               lambda: True if page_on_show(program) == 4017 else page_on_show(program))

    keys.press("alt+h", "a")
    keys.until_focus("Help > About opens the About box", 0, "About")
    keys.press("Return")
    keys.until_focus("Enter closes it; Back has the focus again", 4015,
                     "Tensikon for Veltrani Motorbikes")

    keys.press("alt+f", "e")
    try:
        status = program.process.wait(WAIT_S)
    except subprocess.TimeoutExpired:
        raise Failure("File > Exit did not end the program within %d s" % WAIT_S)
    if status != 0:
        raise Failure("the program ended with exit code %d" % status)
    log("ok: File > Exit ends the program with exit code 0")
    return 0


def main():
    args = parse_args()
    return run_session(args, scenario, "skipped: %s", "FAILED: %s (see %s)",
                       skip_status=SKIPPED)


if __name__ == "__main__":
    sys.exit(main())
