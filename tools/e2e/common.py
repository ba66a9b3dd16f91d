"""What every part of the end-to-end runs shares: Wine's programs, the two
ways a run ends early, and how a started process is ended."""
import os
import subprocess

WINE = "/usr/lib/wine/wine64" if os.access("/usr/lib/wine/wine64", os.X_OK) else "wine64"
WINESERVER = ("/usr/lib/wine/wineserver" if os.access("/usr/lib/wine/wineserver", os.X_OK)
              else "wineserver")


class Skip(Exception):
    """This machine cannot run a session (no Xvfb, or no PulseAudio)."""


class Failure(Exception):
    """The program did not do what was expected."""


def log(text):
    print(text, flush=True)


def stop_process(process, grace=5.0):
    """Ends a process this session started: SIGTERM, then SIGKILL."""
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(grace)
