#!/usr/bin/env python3
"""The whole job by keyboard alone, from the moment the program starts:
real key presses (xdotool) on the virtual display reach tensikon.exe under
Wine, which records from the virtual microphone. The record button has the
focus at start; a model is chosen through the menu's access keys; Tab
reaches the cylinder pair and an arrow key chooses the other cylinder;
Space starts and stops a measurement; Tab and Space turn the guide's pages;
About opens from the Help menu, closes with Enter and leaves the focus where
it was; File > Exit ends the program with exit code 0.

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
MAIN = "Tensikon for Veltrani Motorbikes"
GUIDE_PAGES = {4005, 4014, 4017, 4018, 4020, 4021}
WAIT_S = 15  # a key acts within a second; five times that and more


def scenario(session):
    if shutil.which("xdotool") is None:
        print("skipped: xdotool is not installed")
        sys.exit(SKIPPED)
    session.check_device()
    program = session.start_program()
    display = dict(os.environ, DISPLAY=session.display.name)

    def xdotool(*args):
        subprocess.run(["xdotool", *args], check=True, timeout=60, env=display,
                       stdin=subprocess.DEVNULL, capture_output=True)

    def field(command, control, name):
        return program.automate(*([command, control] if control else [command]))[-1][1][name]

    def page_on_show():
        shown = [int(f["id"]) for word, f in program.automate("layout")
                 if word == "control" and int(f["id"]) in GUIDE_PAGES]
        return shown[0] if len(shown) == 1 else shown

    def step(keys, what, read, wanted):
        """Presses keys, then polls read() until it gives wanted."""
        if keys:
            xdotool("key", "--delay", "150", *keys)
        deadline = time.monotonic() + WAIT_S
        while (seen := read()) != wanted:
            if time.monotonic() > deadline:
                raise Failure("%s: %r, not %r, after %d s" % (what, seen, wanted, WAIT_S))
            time.sleep(0.2)
        log("ok: " + what)

    def focus():
        f = program.automate("focus")[-1][1]
        return int(f["id"]), f["window"]

    # No click: the pointer rests on the virtual desktop, whose windows take
    # the display's keys.
    xdotool("mousemove", "790", "490")
    step([], "the record button has the focus at start", focus, (4001, MAIN))
    # Settings > Select Bike > Corvane > 1000i, whose targets are 140 Hz.
    step(["alt+s", "s", "c", "1"], "a model chosen through the menu",
         lambda: field("text", "IDC_HORIZONTAL_TARGET", "value"), "140")
    step(["Tab"], "Tab reaches the checked cylinder button", focus, (4011, MAIN))
    step(["Right"], "the right arrow chooses the vertical cylinder",
         lambda: field("checked", "IDC_VERTICAL_CYL", "value"), "1")
    step(["shift+Tab", "space"], "Space on the record button starts a measurement",
         lambda: field("text", "IDC_VERTICAL_MEASURED", "value"), "REC")
    step(["space"], "Space stops it", lambda: field("text", "IDC_VERTICAL_MEASURED", "value"),
         "???")
    step(["Tab", "Tab", "Tab"], "Tab runs through the pair and Back to Forward", focus,
         (4016, MAIN))
    step(["space", "space"], "Forward twice shows page 2, a diagram", page_on_show, 4018)
    step(["shift+Tab", "space"], "Back shows page 1, a text", page_on_show, 4017)
    step(["alt+h", "a"], "Help > About opens the About box", focus, (0, "About"))
    step(["Return"], "Enter closes it and Back has the focus again", focus, (4015, MAIN))
    xdotool("key", "--delay", "150", "alt+f", "e")
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
