#!/usr/bin/python3
"""Launch to the main menu and exit after SIGTERM of the optimised game.

Run inside a virtual X server, like the other window benchmarks whose way to the menu it shares:
  xvfb-run -a -s "-screen 0 1280x1024x24" bench/startup.py build/bin/threematch build/run [more binaries]
Each binary first plays a fresh profile up to the main menu (which also fills its own effect cache,
so later launches find it warm) and keeps the menu's buttons as its reference picture. Then, ROUNDS
times (default 5), the binaries take turns: the game starts on a copy of that profile, Escape skips
the intro video as soon as its first picture shows, and the launch counts until the screen shows the
reference buttons; the processor time the game has used by then is read too (all threads and the
main thread alone: steadier than the launch time on a busy machine). The screen is read in this
process through Xlib, every 2 ms, and Escape is sent through the XTest extension, so the times
carry about 1 ms of looking and reacting (figures taken with ImageMagick's import and xdotool
before carry 40-70 ms per look, twice, and 30 ms or more for the key). SIGTERM then ends the game;
the exit counts until the process is gone, and the run fails unless "config.cfg" and "profile.prf"
were written again.
Each run prints its times and the load average, each binary its medians with min-max.
STARTUP_LOG=prefix keeps the game's output of the last round (prefix.<n>.log for the n-th binary),
headed by the times of the launch, the first video picture seen and the Escape sent (monotonic
clock, seconds); with ULVO_STARTUP_TIMES=1 the game adds its own marks there on the same clock
("startup <seconds> <thread's processor ms> <what>": window, intro, engine, each picture presented);
STARTUP_PERF=prefix records a perf profile of that run up to the menu (prefix.<n>).
STARTUP_KEEP=1 keeps the work folders (the game's output of a failed run is there).
STARTUP_REFERENCE=build/bin/startup_reference runs that plain SDL2 + OpenGL program once per round
as well, before the binaries, and prints its time from launch until its frame is seen and its
processor time by then beside theirs: the floor a launch is read against.
"""
import ctypes
import ctypes.util
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("playthrough", os.path.join(here, "..", "scripts", "window-playthrough.py"))
wp = importlib.util.module_from_spec(spec)
spec.loader.exec_module(wp)
spec = importlib.util.spec_from_file_location("idle_cpu", os.path.join(here, "idle_cpu.py"))
idle = importlib.util.module_from_spec(spec)
spec.loader.exec_module(idle)

VIDEO_BOX = (608, 480, 672, 544)  # the middle of the screen, black until the intro video shows


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class Screen:
    """Reads parts of the root window in this process: a grab takes well under a millisecond, where
    starting ImageMagick's import takes 40-70 ms and would add that much to each time measured."""

    def __init__(self):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.POINTER(XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                       ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x11.XFree.argtypes = [ctypes.c_void_p]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            raise wp.Failure("no X display to read the screen from")
        self.root = self.x11.XDefaultRootWindow(self.display)
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.xtest = ctypes.CDLL(ctypes.util.find_library("Xtst"))
        self.xtest.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

    def escape(self):
        """Presses and releases Escape as xdotool would, without starting it (30 ms or more)."""
        code = self.x11.XKeysymToKeycode(self.display, 0xFF1B)  # XK_Escape
        self.xtest.XTestFakeKeyEvent(self.display, code, 1, 0)
        self.xtest.XTestFakeKeyEvent(self.display, code, 0, 0)
        self.x11.XFlush(self.display)

    def grab(self, box):
        """The box's pixels as R, G, B rows, as "import ... rgb:-" gives them."""
        x0, y0, x1, y1 = box
        width, height = x1 - x0, y1 - y0
        image = self.x11.XGetImage(self.display, self.root, x0, y0, width, height, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            raise wp.Failure("the screen could not be read")
        try:
            info = image.contents
            if info.bits_per_pixel != 32 or info.byte_order != 0:
                raise wp.Failure("the screen is not 32-bit little-endian (%d bits)" % info.bits_per_pixel)
            rows = ctypes.string_at(info.data, info.bytes_per_line * height)
        finally:
            self.x11.XFree(image.contents.data)
            self.x11.XFree(image)
        pixels = np.frombuffer(rows, dtype=np.uint8).reshape(height, info.bytes_per_line // 4, 4)[:, :width, 2::-1]
        return pixels.reshape(-1).astype(np.int16)


_screen = None


def screen():
    global _screen
    if _screen is None:
        _screen = Screen()
    return _screen


def grab(box):
    return screen().grab(box)


class Subject:
    """One binary with its own run folder, effect cache and first-start profile."""

    def __init__(self, binary, run_source):
        self.binary = binary
        self.work = tempfile.mkdtemp(prefix="startup-")
        self.run = os.path.join(self.work, "run")
        shutil.copytree(run_source, self.run)
        self.cache = os.path.join(self.work, "cache")
        self.profile = os.path.join(self.work, "profile")
        self.launch, self.exit, self.cpu, self.main = [], [], [], []
        xdg = self.environment(os.path.join(self.work, "first"))
        out = os.path.join(self.work, "out")
        os.makedirs(out)
        game = wp.Game(binary, self.run, out)
        try:
            wp.first_start_to_menu(game)
            image = game.settle()
            menu = wp.buttons(image)
            self.box = (menu[0][0] - 4, menu[0][1] - 4, menu[-1][2] + 4, menu[-1][3] + 4)
        finally:
            game.process.terminate()
            game.process.wait(30)
        shutil.copytree(os.path.join(xdg, "Lumaro"), self.profile)
        self.reference = self.launch_once(record=False)

    def environment(self, xdg):
        os.environ["XDG_DATA_HOME"] = xdg
        os.environ["XDG_CACHE_HOME"] = self.cache
        os.environ.setdefault("SDL_AUDIODRIVER", "dummy")
        return xdg

    def launch_once(self, record=True, log=None, perf=None):
        """Starts the game on the profile; returns the menu's picture (a settled one when not
        recording, else after the reference shows) and records the times."""
        xdg = self.environment(tempfile.mkdtemp(prefix="xdg-", dir=self.work))
        shutil.copytree(self.profile, os.path.join(xdg, "Lumaro"))
        saves = [os.path.join(xdg, "Lumaro", name) for name in ("config.cfg", "profile.prf")]
        before = [os.stat(path).st_mtime_ns if os.path.exists(path) else 0 for path in saves]
        wp.xdo("mousemove", 5, 5)
        log = log or os.path.join(self.work, "game.log")
        logfile = open(log, "w")
        start = time.monotonic()
        logfile.write("launched %.6f\n" % start)
        logfile.flush()
        process = subprocess.Popen([self.binary], cwd=self.run, stdout=logfile, stderr=subprocess.STDOUT)
        profiler = None
        if perf:
            # Sample times on the monotonic clock line up with the times written to the log.
            profiler = subprocess.Popen(["perf", "record", "-q", "-k", "CLOCK_MONOTONIC", "-F", "2000", "-g", "-p",
                                         str(process.pid), "-o", perf], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        try:
            while time.monotonic() - start < 20:
                if grab(VIDEO_BOX).max() > 30:
                    logfile.write("video seen %.6f\n" % time.monotonic())
                    screen().escape()
                    logfile.write("escape sent %.6f\n" % time.monotonic())
                    logfile.flush()
                    break
                if process.poll() is not None:
                    raise wp.Failure("the game ended with %d before its video showed (output in %s)"
                                     % (process.returncode, log))
                time.sleep(0.002)
            else:
                raise wp.Failure("no intro video within 20 s (output in %s)" % log)
            if not record:
                time.sleep(10)
                return grab(self.box)
            while True:
                picture = grab(self.box)
                if np.abs(picture - self.reference).mean() < 4.0:
                    self.launch.append(time.monotonic() - start)
                    self.cpu.append(idle.cpu_seconds(process.pid))
                    self.main.append(idle.cpu_seconds(process.pid, process.pid))
                    break
                if time.monotonic() - start > 30:
                    raise wp.Failure("no main menu within 30 s")
                time.sleep(0.002)  # a grab is quick: looking without a pause would take a core from the game
            if profiler:
                profiler.send_signal(signal.SIGINT)
                profiler.wait(60)
            # A blocking wait sees the end at once (a wait with a time-out polls).
            watchdog = threading.Timer(30, process.kill)
            watchdog.start()
            stop = time.monotonic()
            process.send_signal(signal.SIGTERM)
            process.wait()
            self.exit.append(time.monotonic() - stop)
            watchdog.cancel()
            if process.returncode != 0:
                raise wp.Failure("the game ended with %d after SIGTERM" % process.returncode)
            for path, then in zip(saves, before):
                if not os.path.exists(path) or os.stat(path).st_mtime_ns == then:
                    raise wp.Failure("%s was not written at exit" % os.path.basename(path))
            return picture
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
            logfile.close()
            shutil.rmtree(xdg, ignore_errors=True)


def reference_once(binary):
    """Launch of the plain program until its frame shows, and its processor time by then."""
    start = time.monotonic()
    process = subprocess.Popen([binary], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    colour = np.array([51, 76, 102] * ((VIDEO_BOX[2] - VIDEO_BOX[0]) * (VIDEO_BOX[3] - VIDEO_BOX[1])), dtype=np.int16)
    try:
        while True:
            if np.abs(grab(VIDEO_BOX) - colour).mean() < 4.0:
                shown = time.monotonic() - start
                return shown, idle.cpu_seconds(process.pid), idle.cpu_seconds(process.pid, process.pid)
            if process.poll() is not None:
                raise wp.Failure("%s ended with %d before its frame was seen" % (binary, process.returncode))
            if time.monotonic() - start > 30:
                raise wp.Failure("%s showed no frame within 30 s" % binary)
            time.sleep(0.002)
    finally:
        process.wait(30)


def summary(values):
    ordered = sorted(values)
    return "%.3f s (%.3f-%.3f)" % (ordered[len(ordered) // 2], ordered[0], ordered[-1])


def main():
    binaries, run = [os.path.abspath(b) for b in sys.argv[1:2] + sys.argv[3:]], os.path.abspath(sys.argv[2])
    subjects = [Subject(binary, run) for binary in binaries]
    rounds = int(os.environ.get("ROUNDS", "5"))
    reference = os.environ.get("STARTUP_REFERENCE")
    reference_times, reference_cpu, reference_main = [], [], []
    try:
        for round_number in range(rounds):
            if reference:
                wall, cpu, main_cpu = reference_once(reference)
                reference_times.append(wall)
                reference_cpu.append(cpu)
                reference_main.append(main_cpu)
                print("%s round %d  frame %.3f s  processor %.2f s (main thread %.2f)  load %s"
                      % (reference, round_number + 1, wall, cpu, main_cpu,
                         " ".join(open("/proc/loadavg").read().split()[:3])), flush=True)
            for n, subject in enumerate(subjects):
                log = perf = None
                if os.environ.get("STARTUP_LOG") and round_number == rounds - 1:
                    log = "%s.%d.log" % (os.environ["STARTUP_LOG"], n)
                if os.environ.get("STARTUP_PERF") and round_number == rounds - 1:
                    perf = "%s.%d" % (os.environ["STARTUP_PERF"], n)
                subject.launch_once(log=log, perf=perf)
                print("%s round %d  menu %.3f s  processor %.2f s (main thread %.2f)  exit %.3f s  load %s"
                      % (subject.binary, round_number + 1, subject.launch[-1], subject.cpu[-1], subject.main[-1],
                         subject.exit[-1], " ".join(open("/proc/loadavg").read().split()[:3])), flush=True)
        if reference:
            print("%s  frame %s  processor %s  main thread %s" % (reference, summary(reference_times),
                  summary(reference_cpu), summary(reference_main)))
        for subject in subjects:
            print("%s  menu %s  processor %s  main thread %s  exit %s" % (subject.binary, summary(subject.launch),
                  summary(subject.cpu), summary(subject.main), summary(subject.exit)))
    except wp.Failure as failure:
        print("startup benchmark FAILED: %s" % failure)
        return 1
    finally:
        if not os.environ.get("STARTUP_KEEP"):
            for subject in subjects:
                shutil.rmtree(subject.work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
