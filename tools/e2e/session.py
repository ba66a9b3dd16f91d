"""The real program under Wine on a virtual display, hearing a virtual
microphone, driven from outside by tensikon-automation.

A Session starts, in this order, a virtual display (Xvfb), the virtual
microphone (tools/virtual-mic), and Wine in a desktop prefix; start_program
starts tensikon.exe. Leaving the session ends all of them, each by the id
of the process this session started (and the prefix's wineserver by
`wineserver -k` for that prefix only). Every wait is bounded.

parse_args and run_session are the command line and the frame of every
run built on a session: the demonstration, the latency figures and the
end-to-end tests.
"""
import argparse
import os
import select
import shlex
import shutil
import subprocess
import sys
import time

from common import WINE, WINESERVER, Failure, Skip, log, stop_process  # noqa: F401
from program import Program
from screen import readout_colour, screenshot


class Tools:
    """Where the programs of a build and the scripts of the tree are."""

    def __init__(self, root, build):
        self.root = root
        self.program = os.path.join(build, "ui", "tensikon.exe")
        self.automation = os.path.join(build, "tools", "automation", "tensikon-automation.exe")
        self.probe = os.path.join(build, "tools", "wavein-probe.exe")
        self.analyzer = os.path.join(build, "tools", "analyze", "tensikon-analyze.exe")
        self.virtual_mic = os.path.join(root, "tools", "virtual-mic")
        self.wine_prefix = os.path.join(root, "scripts", "wine-prefix")

    def missing(self):
        return [p for p in (self.program, self.automation, self.probe, self.analyzer)
                if not os.path.isfile(p)]


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
            number = read_display_number(read_end, 20)
        finally:
            os.close(read_end)
        if not number:
            self.stop()
            raise Skip("the virtual display did not start (see xvfb.log)")
        self.name = ":" + number

    def stop(self):
        stop_process(self.process)


def read_display_number(fd, timeout_s):
    """The number Xvfb writes to -displayfd, read up to its newline: Xvfb may
    write the newline separately, and dies if the pipe is closed before."""
    deadline = time.monotonic() + timeout_s
    data = b""
    while b"\n" not in data:
        ready, _, _ = select.select([fd], [], [], max(0.0, deadline - time.monotonic()))
        chunk = os.read(fd, 64) if ready else b""
        if not chunk:
            break
        data += chunk
    return data.decode().strip()


class Microphone:
    """tools/virtual-mic with its state in a folder of this session."""

    def __init__(self, script, state):
        self.script = script
        self.state = state

    def run(self, *args, timeout=120):
        return subprocess.run([self.script, "--dir", self.state, *args], stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=timeout)

    def start(self, noise_floor=True):
        """Starts the daemon. With noise_floor, the idle microphone hears a
        faint noise, as a live one does, instead of exact zeros (which the
        program takes for a muted microphone after 3 s)."""
        started = self.run("start", *(["--noise-floor"] if noise_floor else []), timeout=700)
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

    def stop(self, restartable=False):
        """Stops what start started; returns the names of processes left.
        restartable: a later start serves the programs that still run."""
        folder = os.path.join(self.state, "pids")
        pids = {}
        for name in os.listdir(folder) if os.path.isdir(folder) else []:
            with open(os.path.join(folder, name)) as f:
                pids[name] = int(f.read().split()[0])
        self.run("stop", *(["--restartable"] if restartable else []), timeout=60)
        return [name for name, pid in pids.items() if process_runs(pid)]

    def recording_streams(self):
        """Recording streams open on the daemon, the microphone's own reader
        included."""
        listed = subprocess.run(["pactl", "list", "short", "source-outputs"],
                                env=dict(os.environ, **self.env()), stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=30)
        return len(listed.stdout.splitlines())


def process_runs(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


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
        subprocess.run([self.tools.wine_prefix, "--desktop", self.prefix], env=self.env, check=True,
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
        """The analyzer's --all --json output for a WAV file, with no hold
        time: the copies of a recording lie close together, and each one's
        first capture is wanted."""
        done = self.wine(self.tools.analyzer, "--all", "--hold-time", "0", "--json", "Z:" + path,
                         timeout=300)
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


def parse_args(*extra):
    """The command line of every run: --root (the source tree), --build (a
    Windows build), --work (a folder of its own) and --prefix (the Wine
    prefix), all required, and the (option, settings) pairs of extra."""
    parser = argparse.ArgumentParser()
    for option in ("--root", "--build", "--work", "--prefix"):
        parser.add_argument(option, required=True)
    for option, settings in extra:
        parser.add_argument(option, **settings)
    return parser.parse_args()


def run_session(args, body, skipped, failed, skip_status=1):
    """Empties the work folder and returns body(session) run in a Session on
    the build. Where the build lacks a program, the run ends with status 1;
    where this machine cannot run a session (Skip), it prints skipped % the
    reason and ends with skip_status; where the program fails (Failure), it
    prints failed % (the failure, the work folder) and ends with status 1."""
    tools = Tools(args.root, args.build)
    if tools.missing():
        print("not built: " + ", ".join(tools.missing()))
        sys.exit(1)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    try:
        with Session(tools, args.work, args.prefix) as session:
            return body(session)
    except Skip as skip:
        print(skipped % skip)
        sys.exit(skip_status)
    except Failure as failure:
        print(failed % (failure, args.work))
        sys.exit(1)
