#!/usr/bin/python3
"""The largest scenes the scene budget lets in, loaded in the optimised game through its console:
the peak memory they add, and how soon the game ends when asked to while one loads.

Run inside a virtual X server, like the window play-through whose screen reading it borrows:
  xvfb-run -a -s "-screen 0 1280x1024x24" bench/scene_load.py build/bin/threematch build/run [MODE ...]
Each mode starts a fresh game with its own profile, goes to the main menu and types
"OBJ_LoadFile" in the console:
  peak:SCENE      waits for the load and prints the peak resident size (VmHWM) before and after;
                  SCENE is "terrains" (seven grid terrains of the largest size with noise and
                  smoothing, more than the budget lets in), "clipmap" (one of the largest side with seven
                  levels) or "copies" (17 arrangements of 4,096 copies of a small clipmap)
  term:SCENE:S    sends SIGTERM S seconds after the line was entered and prints how long the game
                  took to end, its exit code and whether the profile was written at the end
  close:SCENE:S   the same with the window's close (WM_DELETE_WINDOW, as a window manager sends it)
A mode may end in "xN" (term:terrains:2x10) to run it N times; the end times are then summed up as
median and min-max beside the load average. With SCENE_LOAD_STACKS=T (seconds) a game still running T s
after the signal or close has every thread's stack taken by gdb (printed, the main thread's first frames;
the run is traced and left out of the figures): where the end still waits.
Default: peak:terrains peak:clipmap term:terrains:1 term:terrains:2 term:terrains:3
term:terrains:5 close:terrains:2.
"""
import ctypes
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("minigames", os.path.join(here, "..", "scripts", "minigame-playthrough.py"))
mp = importlib.util.module_from_spec(spec)
spec.loader.exec_module(mp)
wp = mp.wp

TERRAIN = (
    '<OBJEKT NAME="Gross%d" TYPE="HEIGHTMAP"><HEIGHTMAP_DATA SIZE="1025">'
    '<PERLIN_NOISE ENABLE="1" ANZAHL="8" SCALE="6" PERSITANCE="0.5" FAKTOR="1" SEED="%d"/>'
    '<SMOOTH_TERRAIN_PARAMETER RADIUS="4" FAKTOR="0.5" ANZAHL="4">'
    '<PARAMETER TYPE="DIST" CENTER="0.5 0.5" FALLOFF="1 0" VALUE="1 0"/></SMOOTH_TERRAIN_PARAMETER>'
    '</HEIGHTMAP_DATA></OBJEKT>')
SCENES = {
    "terrains": "<SZENE>%s</SZENE>" % "".join(TERRAIN % (i, i + 1) for i in range(7)),
    "clipmap": '<SZENE><OBJEKT NAME="Riesig" TYPE="CLIPMAP"><CLIPMAP_DATA SIZE_TEX="2048" SIZE_CENTER="512" '
               'ANZ_LAYERS="7"><HEIGHTMAP TYPE="DIST" CENTER="0.5 0.5" FALLOFF="1 0" VALUE="1 0"/></CLIPMAP_DATA>'
               '</OBJEKT></SZENE>',
    # A small clipmap copied 4,096 times by each of 17 arrangements: more copies than a scene may
    # hold (65,536 objects), each of them paid in the bytes it holds.
    "copies": '<SZENE><OBJEKT NAME="Klein" TYPE="CLIPMAP"><CLIPMAP_DATA SIZE_TEX="16" SIZE_CENTER="8" '
              'ANZ_LAYERS="2"/></OBJEKT>%s</SZENE>' % "".join(
                  '<OBJEKT_ANORDNUNG><SRC_OBJECT NAME="Klein"/><RANDOM ANZAHL="4096"><MINPOS X="-100" Y="0" Z="-100"/>'
                  '<MAXPOS X="100" Y="0" Z="100"/></RANDOM></OBJEKT_ANORDNUNG>' for _ in range(17)),
}


def status(pid):
    fields = {}
    with open("/proc/%d/status" % pid) as text:
        for line in text:
            key, _, value = line.partition(":")
            if key in ("VmHWM", "VmRSS"):
                fields[key] = int(value.split()[0]) // 1024
    return fields


def enter(line):
    """The console opened with the key left of 1, the line typed and entered (left open: the game
    may not draw again before the load is over)."""
    wp.xdo("key", "grave")
    time.sleep(0.5)
    wp.xdo("type", "--delay", 30, line.lower())
    wp.xdo("key", "Return")
    return time.monotonic()


def send_close(window):
    """WM_DELETE_WINDOW to the window, as a window manager's close button sends it."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    display = x11.XOpenDisplay(None)

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 16)]

    event = ClientMessage()
    event.type = 33  # ClientMessage
    event.window = window
    event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.format = 32
    event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XFlush(display)
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay(display)


def stacks(pid):
    """Every thread's stack of the running game (gdb attaches, prints and lets it go on)."""
    text = subprocess.run(["gdb", "-p", str(pid), "-batch", "-nx", "-ex", "set pagination off",
                           "-ex", "thread apply all bt 40"], capture_output=True, text=True, timeout=120).stdout
    return text


def run(binary, run_source, mode, results=None):
    parts = mode.split(":")
    kind, scene = parts[0], parts[1]
    work = tempfile.mkdtemp(prefix="scene-load-")
    folder = os.path.join(work, "run")
    shutil.copytree(run_source, folder)
    with open(os.path.join(folder, "grosse_szene.xml"), "w") as out:
        out.write(SCENES[scene])
    xdg = os.path.join(work, "xdg")
    os.environ["XDG_DATA_HOME"] = xdg
    os.environ.setdefault("SDL_AUDIODRIVER", "dummy")
    os.makedirs(os.path.join(work, "out"))
    game = mp.Game(binary, folder, os.path.join(work, "out"))
    profile = os.path.join(xdg, "Lumaro", "profile.prf")
    try:
        wp.first_start_to_menu(game)
        time.sleep(3)
        before = status(game.process.pid)
        log_before = len(game.log_text())
        # Into the scene graph, so that the frames after the load draw it.
        entered = enter("OBJ_LoadFile grosse_szene.xml 1")
        if kind == "peak":
            # Done when the game logs the console's answer; a build that does not log it is taken
            # as done once its peak has not grown for 20 s.
            deadline = entered + 600
            peak, grown = 0, time.monotonic()
            while "Objekte geladen" not in game.log_text()[log_before:] and time.monotonic() < deadline:
                game.check_time()
                now = status(game.process.pid)["VmHWM"]
                if now != peak:
                    peak, grown = now, time.monotonic()
                elif time.monotonic() - grown > 20:
                    break
                time.sleep(0.2)
            took = time.monotonic() - entered
            # The frames after it choose and upload what they draw.
            time.sleep(10)
            after = status(game.process.pid)
            lines = [l for l in game.log_text()[log_before:].splitlines() if "SceneBudget" in l or "geladen" in l]
            print("%s: loaded in %.1f s; peak %d MB before, %d MB after (%d MB added); resident %d MB after" % (
                mode, took, before["VmHWM"], after["VmHWM"], after["VmHWM"] - before["VmHWM"], after["VmRSS"]))
            for line in lines:
                print("    " + line.strip())
            return 0
        # With SCENE_LOAD_PERF=FILE the main thread is sampled (perf, monotonic clock) from the
        # line on; the samples after the ask show where the end waited.
        perf = None
        if os.environ.get("SCENE_LOAD_PERF"):
            perf = subprocess.Popen(["perf", "record", "-q", "-k", "CLOCK_MONOTONIC", "-F", "400", "--call-graph",
                                     "dwarf,16384", "-t", str(game.process.pid), "-o", os.environ["SCENE_LOAD_PERF"]],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(float(parts[2]) - (time.monotonic() - entered))
        saved_before = os.path.getmtime(profile) if os.path.exists(profile) else 0.0
        asked = time.monotonic()
        if kind == "term":
            game.process.send_signal(signal.SIGTERM)
        else:
            window = subprocess.run(["xdotool", "search", "--pid", str(game.process.pid)], capture_output=True,
                                    text=True).stdout.split()
            for w in window:
                send_close(int(w))
        traced = None
        look = os.environ.get("SCENE_LOAD_STACKS")
        code = None
        if look:
            try:
                code = game.process.wait(float(look))
            except subprocess.TimeoutExpired:
                traced = stacks(game.process.pid)
        # Until the end, when the profile was written too: what comes after it is the process's
        # own end (the system taking its memory back).
        saved_at = None
        while game.process.poll() is None and time.monotonic() - asked < 120:
            if saved_at is None and os.path.exists(profile) and os.path.getmtime(profile) > saved_before:
                saved_at = time.monotonic() - asked
            time.sleep(0.005)
        code = game.process.poll()
        ended = time.monotonic() - asked
        if perf:
            perf.wait(30)
            print("%s: asked at %.6f (monotonic), ended %.6f" % (mode, asked, asked + ended))
        if traced is not None:
            # The main thread's stack; the others (the driver's, sound) wait in the normal case.
            main = traced[traced.find("\nThread 1 "):]
            print("%s: still running %s s after the ask, main thread:" % (mode, look))
            print(main[:main.find("\n\n")] if "\n\n" in main else main)
            sys.stdout.flush()
        elif results is not None:
            results.append((ended, code == 0 and os.path.exists(profile) and os.path.getmtime(profile) > saved_before))
        saved = os.path.exists(profile) and os.path.getmtime(profile) > saved_before
        print("%s: ended %.2f s after the %s, exit code %s, profile %s%s" % (
            mode, ended, "signal" if kind == "term" else "close", code, "saved" if saved else "NOT saved",
            " (written after %.2f s)" % saved_at if saved_at is not None else ""))
        return 0 if code == 0 and saved else 1
    finally:
        if game.process.poll() is None:
            game.process.kill()
            game.process.wait()
        shutil.rmtree(work, ignore_errors=True)


def main():
    binary, run_source = (os.path.abspath(a) for a in sys.argv[1:3])
    modes = sys.argv[3:] or ["peak:terrains", "peak:clipmap", "term:terrains:1", "term:terrains:2",
                             "term:terrains:3", "term:terrains:5", "close:terrains:2"]
    failed = 0
    for mode in modes:
        name, _, times = mode.rpartition("x") if mode.rsplit(":", 1)[-1].count("x") else (mode, "", "1")
        results = []
        loads = []
        for _ in range(int(times or 1)):
            loads.append(os.getloadavg()[0])
            failed += run(binary, run_source, name, results)
        if len(results) > 1:
            ends = sorted(r[0] for r in results)
            print("%s: %d runs, end after %.2f s median (%.2f-%.2f), %d saved with code 0; load %.0f-%.0f" % (
                name, len(ends), ends[len(ends) // 2], ends[0], ends[-1], sum(1 for r in results if r[1]),
                min(loads), max(loads)))
        sys.stdout.flush()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
