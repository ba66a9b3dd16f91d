"""The real program under Wine on a virtual display, hearing a virtual
microphone, driven from outside by tensikon-automation.

A Session starts, in this order, a virtual display (Xvfb), the virtual
microphone (tools/virtual-mic), and Wine in a desktop prefix; start_program
starts tensikon.exe. Leaving the session ends all of them, each by the id
of the process this session started (and the prefix's wineserver by
`wineserver -k` for that prefix only). Every wait is bounded.
"""
import os
import select
import shlex
import shutil
import subprocess
import time

from screen import readout_colour, screenshot

WINE = "/usr/lib/wine/wine64" if os.access("/usr/lib/wine/wine64", os.X_OK) else "wine64"
WINESERVER = ("/usr/lib/wine/wineserver" if os.access("/usr/lib/wine/wineserver", os.X_OK)
              else "wineserver")


class Skip(Exception):
    """This machine cannot run a session (no Xvfb, or no PulseAudio)."""


class Failure(Exception):
    """The program did not do what was expected."""


def log(text):
    print(text, flush=True)


class Tools:
    """Where the programs of a build and the scripts of the tree are."""

    def __init__(self, root, build):
        self.root = root
        self.program = os.path.join(build, "ui", "tensikon.exe")
        self.automation = os.path.join(build, "tools", "automation", "tensikon-automation.exe")
        self.probe = os.path.join(build, "tools", "wavein-probe.exe")
        self.analyzer = os.path.join(build, "tools", "analyze", "tensikon-analyze.exe")
        self.virtual_mic = os.path.join(root, "tools", "virtual-mic")
        self.desktop_prefix = os.path.join(root, "scripts", "wine-desktop-prefix")

    def missing(self):
        return [p for p in (self.program, self.automation, self.probe, self.analyzer)
                if not os.path.isfile(p)]


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


class VirtualDisplay:
    def __init__(self, work):
        self.work = work
        self.process = None
        self.name = None

    def start(self):
        if shutil.which("Xvfb") is None:
            raise Skip("Xvfb is not installed")
        # -displayfd: Xvfb picks a free display and writes its number once
        # it accepts connections.
        read_end, write_end = os.pipe()
        with open(os.path.join(self.work, "xvfb.log"), "w") as err:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x500x24",
                 "-nolisten", "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=err, start_new_session=True)
        os.close(write_end)
        try:
            ready, _, _ = select.select([read_end], [], [], 20)
            number = os.read(read_end, 64).decode().strip() if ready else ""
        finally:
            os.close(read_end)
        if not number:
            self.stop()
            raise Skip("the virtual display did not start (see xvfb.log)")
        self.name = ":" + number

    def stop(self):
        stop_process(self.process)


class Microphone:
    """tools/virtual-mic with its state in a folder of this session."""

    def __init__(self, script, state):
        self.script = script
        self.state = state

    def run(self, *args, timeout=120):
        return subprocess.run([self.script, "--dir", self.state, *args], stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=timeout)

    def start(self):
        started = self.run("start", timeout=700)
        if started.returncode == 3:
            raise Skip("the virtual microphone cannot run here: " + started.stderr.strip())
        if started.returncode != 0:
            raise Failure("virtual-mic start failed: " + started.stderr.strip())

    def env(self):
        pairs = {}
        for line in self.run("env").stdout.splitlines():
            name, _, value = line.partition(" ")[2].partition("=")
            pairs[name] = shlex.split(value)[0] if value else ""
        return pairs

    def play(self, path):
        played = self.run("play", path, timeout=600)
        if played.returncode != 0:
            raise Failure("virtual-mic could not play %s: %s" % (path, played.stderr.strip()))

    def start_playing(self, path):
        """Starts playing path; finish_playing waits until it has been played."""
        return subprocess.Popen([self.script, "--dir", self.state, "play", path],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True)

    @staticmethod
    def finish_playing(player, path):
        try:
            _, stderr = player.communicate(timeout=600)
        finally:
            stop_process(player)
        if player.returncode != 0:
            raise Failure("virtual-mic could not play %s: %s" % (path, stderr.strip()))

    def stop(self):
        """Stops what start started; returns the names of processes left."""
        folder = os.path.join(self.state, "pids")
        pids = {}
        for name in os.listdir(folder) if os.path.isdir(folder) else []:
            with open(os.path.join(folder, name)) as f:
                pids[name] = int(f.read().split()[0])
        self.run("stop", timeout=60)
        return [name for name, pid in pids.items() if process_runs(pid)]


def process_runs(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


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
        done = subprocess.run(self.command(commands, timeout_ms), env=self.session.env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=len(commands) * timeout_ms / 1000 + 60)
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
        word, fields = self.automate("wait-change", control, old, timeout_ms=timeout_ms,
                                     check=False)[-1]
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


class Session:
    """Virtual display, virtual microphone and Wine for one run."""

    def __init__(self, tools, work, prefix):
        self.tools = tools
        self.work = os.path.abspath(work)
        self.prefix = os.path.abspath(prefix)
        self.display = self.mic = self.program = None
        self.env = None

    def __enter__(self):
        os.makedirs(self.work, exist_ok=True)
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        left = self.stop()
        if left and exc[0] is None:
            raise Failure("left running after the session: " + ", ".join(left))

    def start(self):
        self.display = VirtualDisplay(self.work)
        self.display.start()
        self.mic = Microphone(self.tools.virtual_mic, os.path.join(self.work, "mic"))
        self.mic.start()
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=self.display.name)
        self.env.update(self.mic.env())
        subprocess.run([self.tools.desktop_prefix, self.prefix], env=self.env, check=True,
                       stdin=subprocess.DEVNULL, timeout=600)
        # Wine's background services inherit the output of the first Wine
        # process: they get none, or a pipe read here would never close.
        for args in ([WINESERVER, "-p"], [WINE, "wineboot"]):
            subprocess.run(args, env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)

    def stop(self):
        """Ends everything started; returns what could not be ended."""
        left = []
        if self.program is not None:
            self.program.kill()
        if self.env is not None:
            subprocess.run([WINESERVER, "-k"], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if self.mic is not None:
            left += ["virtual-mic " + name for name in self.mic.stop()]
        if self.display is not None:
            self.display.stop()
            if self.display.process is not None and self.display.process.poll() is None:
                left.append("Xvfb")
        return left

    def wine(self, *args, timeout=120):
        return subprocess.run([WINE, *args], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=timeout)

    def check_device(self, attempts=3):
        """The device a Wine program records from is the daemon's: Wine's
        PulseAudio driver, which lists the daemon's monitor. Without the
        daemon's variables Wine would fall back to another driver and record
        silence without a word."""
        for attempt in range(1, attempts + 1):
            probe = self.wine(self.tools.probe, "--seconds", "1", "--expect", "PulseAudio")
            problems = []
            if probe.returncode != 0:
                problems.append("wavein-probe exited with %d: %s" % (
                    probe.returncode, probe.stderr.strip()[-500:]))
            if "Monitor of virtual-mic" not in probe.stdout:
                problems.append("Wine does not list the daemon's monitor")
            if not problems:
                return probe.stdout
            log("device check %d of %d: %s" % (attempt, attempts, "; ".join(problems)))
        raise Failure("the wave-in device is not the virtual microphone")

    def analyze(self, path):
        """The analyzer's --all --json output for a WAV file."""
        done = self.wine(self.tools.analyzer, "--all", "--json", "Z:" + path, timeout=300)
        if done.returncode not in (0, 1):
            raise Failure("the analyzer failed on %s: %s" % (path, done.stderr.strip()))
        return done.stdout

    def start_program(self, attempts=2):
        """Starts tensikon.exe; a start that fails is reported, with a
        screenshot of the display, and tried again."""
        for attempt in range(1, attempts + 1):
            self.program = Program(self)
            try:
                self.program.start()
                return self.program
            except Failure as failure:
                self.program.kill()
                shot = os.path.join(self.work, "start-%d.png" % attempt)
                self.screenshot(shot)
                log("program start %d of %d: %s (screen: %s)" % (attempt, attempts, failure, shot))
        raise Failure("the program did not start in %d attempts" % attempts)

    def screenshot(self, path, rect=None):
        screenshot(self.display.name, path, rect)

    def colour(self, rect):
        return readout_colour(self.display.name, rect)
