#!/usr/bin/env python3
"""The program at every display scaling: tensikon.exe under Wine at 96, 120,
144 and 192 DPI (LogPixels in a Wine prefix of this test's own, whose
virtual desktop holds the window at 200 %). On the main window as it starts
and on every page of the guide:

  - every visible control lies inside the main window's client area (an
    etched line, which runs to the panel's edge, only starts inside it);
  - no two visible controls overlap, but for the etched lines;
  - no text is cut off: each control's text, in the font the program gives
    it at that DPI, fits the control (lines broken at words where the
    control breaks them).

A screenshot of the window at start and on page 8 at each DPI is kept in
the work folder. Exits 77 (skipped) where Xvfb cannot run.
"""
import os
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "tools", "e2e"))

from common import WINE, WINESERVER, Failure, Skip, log  # noqa: E402
from program import parse_report  # noqa: E402
from screen import screenshot  # noqa: E402
from session import Tools, VirtualDisplay, parse_args  # noqa: E402

SKIPPED = 77
DPIS = (96, 120, 144, 192)
SCREEN = "1280x800"
PAGES = 11
SHOT_PAGE = 8


def quiet(args, env, timeout=300):
    subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=timeout)


def inside(r, client):
    return (r["left"] >= client["left"] and r["top"] >= client["top"] and
            r["right"] <= client["right"] and r["bottom"] <= client["bottom"])


def overlap(a, b):
    return (a["left"] < b["right"] and b["left"] < a["right"] and a["top"] < b["bottom"] and
            b["top"] < a["bottom"])


def problems(snapshot):
    """What is wrong with one layout report: (client, controls)."""
    client, controls = snapshot
    found = []
    for c in controls:
        starts_inside = inside(dict(c, right=c["left"], bottom=c["top"]), client)
        if not (starts_inside if c["kind"] == "frame" else inside(c, client)):
            found.append("control %d lies outside the client area %s: %s" % (c["id"], client, c))
        if c["need_width"] > c["room_width"] or c["need_height"] > c["room_height"]:
            found.append("the text of control %d is cut off: %s" % (c["id"], c))
    solid = [c for c in controls if c["kind"] != "frame"]
    for i, a in enumerate(solid):
        for b in solid[i + 1:]:
            if overlap(a, b):
                found.append("controls %d and %d overlap: %s %s" % (a["id"], b["id"], a, b))
    return found


def snapshots(events):
    """The layout reports among the helper's events, each (client, controls)."""
    found = []
    for word, fields in events:
        if word not in ("client", "control"):
            continue
        numbers = {k: int(v) for k, v in fields.items() if k != "kind"}
        if word == "client":
            found.append((numbers, []))
        else:
            found[-1][1].append(dict(numbers, kind=fields["kind"]))
    return found


def run_at(dpi, tools, env, work):
    # Every Wine process, the prefix's services among them, reads the DPI
    # when it starts: the value is written with nothing running, and the
    # server is let end (saving it) before anything starts again.
    quiet([WINESERVER, "-k"], env)
    quiet([WINE, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
           "REG_DWORD", "/d", str(dpi), "/f"], env)
    quiet([WINESERVER, "-w"], env)
    for args in ([WINESERVER, "-p"], [WINE, "wineboot"]):
        quiet(args, env)
    with open(os.path.join(work, "program-%d.log" % dpi), "w") as out:
        program = subprocess.Popen([WINE, tools.program], env=env, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=subprocess.STDOUT)
    try:
        def automate(*commands):
            done = subprocess.run([WINE, tools.automation, "--timeout", "20000", *commands],
                                  env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                  text=True, timeout=300)
            if done.returncode != 0:
                raise Failure("tensikon-automation %s: %s %s" % (
                    commands[0], done.stderr.strip(), done.stdout.strip()[-500:]))
            return parse_report(done.stdout)

        # The window is found as soon as its panels exist, before it has its
        # size: its place is read once the first layout has been reported.
        automate("layout")
        window = automate("find")[-1][1]
        rect = tuple(int(window[k]) for k in ("left", "top", "right", "bottom"))
        screenshot(env["DISPLAY"], os.path.join(work, "main-%d.png" % dpi), rect)
        turns = ["layout"]
        for _ in range(1, PAGES):
            turns += ["click", "IDC_GUIDE_FORWARD", "layout"]
        pages = snapshots(automate(*turns[:1 + 3 * SHOT_PAGE]))
        screenshot(env["DISPLAY"], os.path.join(work, "guide-page-%d-%d.png" % (SHOT_PAGE, dpi)),
                   rect)
        pages += snapshots(automate(*turns[1 + 3 * SHOT_PAGE:]))
        if len(pages) != PAGES:
            raise Failure("%d layout reports for %d pages" % (len(pages), PAGES))
        found = ["page %d: %s" % (page, p) for page, snap in enumerate(pages)
                 for p in problems(snap)]
        width, height = rect[2] - rect[0], rect[3] - rect[1]
        log("%d DPI: window %d x %d, %d controls on page 0, %s" % (
            dpi, width, height, len(pages[0][1]), "all fit" if not found else "PROBLEMS"))
        automate("close", "wait-closed")
        program.wait(30)
        return found
    finally:
        if program.poll() is None:
            program.kill()
            program.wait(10)


def main():
    args = parse_args()
    tools = Tools(args.root, args.build)
    if tools.missing():
        print("not built: " + ", ".join(tools.missing()))
        return 1
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    display = VirtualDisplay(work, SCREEN)
    env = None
    try:
        display.start()
        env = dict(os.environ, WINEPREFIX=os.path.abspath(args.prefix), WINEARCH="win64",
                   WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=display.name)
        subprocess.run([tools.wine_prefix, "--desktop", env["WINEPREFIX"]], env=env, check=True,
                       stdin=subprocess.DEVNULL, timeout=600)
        quiet([WINE, "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default",
               "/d", SCREEN, "/f"], env)
        found = []
        for dpi in DPIS:
            found += ["%d DPI, %s" % (dpi, p) for p in run_at(dpi, tools, env, work)]
    except Skip as skip:
        print("skipped: %s" % skip)
        return SKIPPED
    except Failure as failure:
        print("FAILED: %s (see %s)" % (failure, work))
        return 1
    finally:
        if env is not None:
            quiet([WINESERVER, "-k"], env, timeout=60)
        display.stop()
    for p in found:
        print(p)
    print("screenshots in %s" % work)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
