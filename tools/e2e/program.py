"""The program started in a session, and tensikon-automation driving it:
each call of the helper runs the commands given, against the program's
window, and its report lines come back parsed. A helper that fails (a wait
timed out, the program did not answer) raises Failure with what it saw,
after checking whether the program itself has ended.
"""
import os
import shlex
import subprocess
import time

from common import WINE, Failure, log, stop_process


def parse_report(stdout):
    """tensikon-automation's lines as (word, {key: value})."""
    events = []
    for line in stdout.splitlines():
        words = shlex.split(line)
        if words:
            events.append((words[0], dict(w.split("=", 1) for w in words[1:] if "=" in w)))
    return events


class Program:
    """tensikon.exe started in a session, and the helper that drives it."""

    def __init__(self, session):
        self.session = session
        self.process = None
        self.window = None

    def start(self, timeout_s=60):
        """Starts the program and waits for its window, checking between
        short looks that it still runs."""
        self.log_path = os.path.join(self.session.work, "program.log")
        with open(self.log_path, "a") as out:
            # Wine's own error messages go to the log.
            self.process = subprocess.Popen([WINE, self.session.tools.program],
                                            env=dict(self.session.env, WINEDEBUG="err+all"),
                                            stdin=subprocess.DEVNULL, stdout=out,
                                            stderr=subprocess.STDOUT, cwd=self.session.work)
        # With wine64 the Linux process is the Windows process itself: its
        # /proc entry is the program's.
        deadline = time.monotonic() + timeout_s
        while time.monotonic() < deadline:
            events = self.automate("find", timeout_ms=2000, check=False)
            if events and events[-1][0] == "window":
                self.window = events[-1][1]
                return
        raise Failure("the program's window did not appear within %d s" % timeout_s)

    def ended(self):
        return self.process is None or self.process.poll() is not None

    def check_running(self, doing):
        if self.ended():
            raise Failure("the program ended (exit status %s) %s; its output: %s" % (
                self.process.returncode, doing, self.log_tail()))

    def log_tail(self):
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()[-1500:].strip() or "(none)"
        except OSError:
            return "(none)"

    def command(self, commands, timeout_ms):
        return [WINE, self.session.tools.automation, "--timeout", str(timeout_ms), *commands]

    def automate(self, *commands, timeout_ms=10000, check=True):
        """Runs the helper; returns its events. With check, a failing helper
        (a timeout, a missing window) raises Failure with what it saw."""
        self.check_running("before: " + " ".join(commands))
        for attempt in range(2):
            done = subprocess.run(self.command(commands, timeout_ms), env=self.session.env,
                                  stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                  timeout=len(commands) * timeout_ms / 1000 + 60)
            # Now and then Wine fails to start the helper: it exits at once,
            # having printed nothing and so done nothing. Once is tried again.
            if done.returncode == 0 or done.stdout.strip() or done.stderr.strip() or attempt:
                break
            log("tensikon-automation %s printed nothing (exit %d): once more" % (
                " ".join(commands), done.returncode))
        events = parse_report(done.stdout)
        if done.returncode != 0 and check:
            self.check_running("during: " + " ".join(commands))
            raise Failure("tensikon-automation %s: exit %d: %s; it printed: %s" % (
                " ".join(commands), done.returncode, done.stderr.strip(), done.stdout.strip()))
        return events

    def watch(self, control, seconds, poll_ms=5):
        """Starts watching a control's text; finish_watch gives the changes."""
        return subprocess.Popen(
            [WINE, self.session.tools.automation, "--poll", str(poll_ms), "watch", control,
             "%g" % seconds], env=self.session.env, stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    @staticmethod
    def finish_watch(watcher, seconds):
        stdout, stderr = watcher.communicate(timeout=seconds + 60)
        if watcher.returncode != 0:
            raise Failure("watching failed (%d): %s" % (watcher.returncode, stderr.strip()))
        return [(float(f["time"]), f["value"]) for word, f in parse_report(stdout)
                if word == "text"]

    def text(self, control):
        return self.automate("text", control)[-1][1]["value"]

    def wait_text(self, control, text, timeout_ms):
        """(True, when) once the control shows text, or (False, what it
        showed at the end of the wait)."""
        word, fields = self.automate("wait-text", control, text, timeout_ms=timeout_ms,
                                     check=False)[-1]
        return (True, float(fields["time"])) if word == "text" else (False, fields.get("value"))

    def wait_change(self, control, old, timeout_ms):
        """(new text, when) once the control no longer shows old, or
        (None, None) when it still does after the wait."""
        events = self.automate("wait-change", control, old, timeout_ms=timeout_ms, check=False)
        # A helper that a loaded machine starved prints nothing: no change
        # was seen, and the caller's bounded retry decides what follows.
        if not events:
            return None, None
        word, fields = events[-1]
        return (fields["value"], float(fields["time"])) if word == "text" else (None, None)

    def rect(self, control):
        f = self.automate("rect", control)[-1][1]
        return tuple(int(f[k]) for k in ("left", "top", "right", "bottom"))

    def cpu_seconds(self):
        """User and system time of the program's process so far."""
        with open("/proc/%d/stat" % self.process.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def close(self, timeout_s=20):
        """Asks the window to close; returns the program's exit status."""
        self.automate("close", "wait-closed", timeout_ms=timeout_s * 1000)
        try:
            return self.process.wait(timeout_s)
        except subprocess.TimeoutExpired:
            stop_process(self.process)
            raise Failure("the program's window closed but the process did not end in %d s"
                          % timeout_s)

    def kill(self):
        stop_process(self.process)
