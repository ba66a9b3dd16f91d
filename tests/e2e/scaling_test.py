#!/usr/bin/env python3
"""The program at every display scaling: tensikon.exe under Wine at 96, 120,
144 and 192 DPI (LogPixels in a Wine prefix of this test's own, whose
virtual desktop holds the window at 200 %). On every page of the guide,
every visible control lies inside the main window's client area (an etched
line, which runs to the panel's edge, only starts inside it), no two
overlap but for the etched lines, and every text fits its control in the
font the program gives it (lines broken at words where the control breaks
them). Screenshots of the window at start and on page 8 at each DPI stay in
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

DPIS = (96, 120, 144, 192)
SCREEN = "1280x800"
SHOT_PAGE = 8


def quiet(env, *args):
    subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300)


def problems(client, controls):
    def inside(r):
        return (r["left"] >= client["left"] and r["top"] >= client["top"] and
                r["right"] <= client["right"] and r["bottom"] <= client["bottom"])

    found = []
    for c in controls:
        if not inside(dict(c, right=c["left"], bottom=c["top"]) if c["kind"] == "frame" else c):
            found.append("control %(id)d lies outside the client area" % c)
        if c["need_width"] > c["room_width"] or c["need_height"] > c["room_height"]:
            found.append("the text of control %(id)d is cut off" % c)
    solid = [c for c in controls if c["kind"] != "frame"]
    for i, a in enumerate(solid):
        for b in solid[i + 1:]:
            if (a["left"] < b["right"] and b["left"] < a["right"] and a["top"] < b["bottom"]
                    and b["top"] < a["bottom"]):
                found.append("controls %d and %d overlap" % (a["id"], b["id"]))
    return [p + ": client %s, controls %s" % (client, controls) for p in found]


def pages(events):
    """The layout reports among the helper's events, each (client, controls)."""
    found = []
    for word, fields in events:
        if word in ("client", "control"):
            numbers = {k: int(v) for k, v in fields.items() if k != "kind"}
            if word == "client":
                found.append((numbers, []))
            else:
                found[-1][1].append(dict(numbers, kind=fields["kind"]))
    return found


def run_at(dpi, tools, env, work):
    # Every Wine process, the prefix's services among them, reads the DPI as
    # it starts: the value is written with nothing running, and the server
    # is let end (saving it) before anything starts again.
    quiet(env, WINESERVER, "-k")
    quiet(env, WINE, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
          "REG_DWORD", "/d", str(dpi), "/f")
    quiet(env, WINESERVER, "-w")
    quiet(env, WINESERVER, "-p")
    quiet(env, WINE, "wineboot")
    with open(os.path.join(work, "program-%d.log" % dpi), "w") as out:
        program = subprocess.Popen([WINE, tools.program], env=env, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=subprocess.STDOUT)

    def automate(*commands):
        done = subprocess.run([WINE, tools.automation, "--timeout", "20000", *commands], env=env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=300)
        if done.returncode != 0:
            raise Failure("tensikon-automation %s: %s" % (commands[0], done.stderr.strip()))
        return parse_report(done.stdout)

    def shot(name):
        screenshot(env["DISPLAY"], os.path.join(work, "%s-%d.png" % (name, dpi)), rect)

    try:
        seen = pages(automate("layout"))
        rect = tuple(int(automate("find")[-1][1][k]) for k in ("left", "top", "right", "bottom"))
        shot("main")
        forward = ["click", "IDC_GUIDE_FORWARD", "layout"]
        seen += pages(automate(*forward * SHOT_PAGE))
        shot("guide-page-%d" % SHOT_PAGE)
        seen += pages(automate(*forward * (10 - SHOT_PAGE)))
        found = ["%d DPI, page %d: %s" % (dpi, page, p) for page, (client, controls)
                 in enumerate(seen) for p in problems(client, controls)]
        log("%d DPI: window %d x %d, 11 pages, %s" % (dpi, rect[2] - rect[0], rect[3] - rect[1],
                                                      "all fit" if not found else "PROBLEMS"))
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
        quiet(env, WINE, "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default",
              "/d", SCREEN, "/f")
        found = [p for dpi in DPIS for p in run_at(dpi, tools, env, work)]
    except Skip as skip:
        print("skipped: %s" % skip)
        return 77
    except Failure as failure:
        print("FAILED: %s (see %s)" % (failure, work))
        return 1
    finally:
        if env is not None:
            quiet(env, WINESERVER, "-k")
        display.stop()
    print("\n".join(found + ["screenshots in " + work]))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
