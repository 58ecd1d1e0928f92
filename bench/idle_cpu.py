#!/usr/bin/python3
"""Processor time of the optimised game standing in the main menu and running the first level.

Run inside a virtual X server, like the memory benchmark whose way to the level it shares:
  xvfb-run -a -s "-screen 0 1280x1024x24" bench/idle_cpu.py build/bin/threematch build/run [more binaries]
Each binary plays a fresh profile up to the main menu and on into the first level; at each it reads
the process's processor time (all threads and the main thread alone, from /proc) over SAMPLE_SECONDS
(default 10) and prints it in cores, with the frames presented per second, the device's frame
statistics (GL calls, draws and screens of pixels per frame, ULVO_FRAME_STATS) and the load average. Several binaries take turns,
round after round; ROUNDS sets how many rounds (default 2). ULVO_FRAME_PIXELS=1 adds the screens of
pixels (which slows the frame: read the processor time without it) and, of them, the screens copied
between framebuffers. LEVEL_WAIT: seconds in the level
before measuring (default 2; the roll-in takes about four seconds of game time). IDLE_CPU_SHOTS=prefix
saves the screen at both places, IDLE_CPU_LOG=file keeps the game's log, IDLE_CPU_PERF=prefix records
a perf profile over each measurement instead of sleeping. IDLE_CPU_SCENE=1 loads the README's demo
scene into the level through the in-game console (the sun at noon, the camera SPIEL at 0 3.5 -7,
as bench_demo draws it) and measures the level with it as "scene" after the level without it.
Cores divided by frames per second is the processor time one frame costs.
"""
import importlib.util
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("playthrough", os.path.join(here, "..", "scripts", "window-playthrough.py"))
wp = importlib.util.module_from_spec(spec)
spec.loader.exec_module(wp)

STATS_EVERY = 20
STATS = re.compile(r"frame stats: ([\d.]+) GL calls, ([\d.]+) draws, ([\d.]+) screens of pixels per frame, ([\d.]+) frames"
                   r"(?: per second, ([\d.]+) screens of them copied)?")


def cpu_seconds(pid, thread=None):
    path = "/proc/%d/task/%d/stat" % (pid, thread) if thread else "/proc/%d/stat" % pid
    with open(path) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def stats_lines(log_path):
    with open(log_path, errors="replace") as log:
        return STATS.findall(log.read())


def sample(game, log_path, seconds, place):
    lines0 = len(stats_lines(log_path))
    pid = game.process.pid
    cpu0, main0, t0 = cpu_seconds(pid), cpu_seconds(pid, pid), time.monotonic()
    if os.environ.get("IDLE_CPU_PERF"):
        subprocess.run(["perf", "record", "-q", "-F", "499", "-g", "-p", str(game.process.pid), "-o",
                        "%s.%s" % (os.environ["IDLE_CPU_PERF"], place), "--", "sleep", str(seconds)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    else:
        time.sleep(seconds)
    cpu1, main1, t1 = cpu_seconds(pid), cpu_seconds(pid, pid), time.monotonic()
    lines = stats_lines(log_path)
    fresh = lines[lines0:]
    last = fresh[-1] if fresh else ("0", "0", "0", "0", "")
    rates = sorted(float(line[3]) for line in fresh)
    return {
        "cores": (cpu1 - cpu0) / (t1 - t0),
        "main": (main1 - main0) / (t1 - t0),
        "fps": rates[len(rates) // 2] if rates else 0.0,
        "calls": float(last[0]),
        "draws": float(last[1]),
        "screens": float(last[2]),
        "copied": float(last[4] or 0),
    }


def wait_for_frames(log_path, lines=2, timeout=120.0):
    """Waits until the game writes `lines` fresh frame statistics (bounded only to fail a hang)."""
    first = len(stats_lines(log_path))
    end = time.monotonic() + timeout * wp.slowness()
    while len(stats_lines(log_path)) < first + lines:
        if time.monotonic() > end:
            raise wp.Failure("no frames within %d s after the scene's console lines" % timeout)
        time.sleep(0.5)


# Each line with the seconds it is given before the console closes (the scene's load takes a few).
DEMO_SCENE = [("OBJ_LoadFile data\\Szenen\\demo.xml", 4.0), ("SUN_SetTime 12 0 0", 0.5),
              ("CAM_setEyePosition SPIEL 0 3.5 -7", 0.5)]


class ConsoleGame(wp.Game):
    """The game with its in-game console on."""

    def __init__(self, binary, run, out):
        self.screen = wp.Screen(out)
        self.out = out
        self.start = time.monotonic()
        self.slow = wp.Slowness()
        self.closed = 0
        self.run = run
        self.log = open(os.path.join(out, "game.log"), "w")
        # Lines written as they come: a slow frame fills the output buffer only after the sample.
        self.process = subprocess.Popen(["stdbuf", "-oL", "-eL", binary, "-ENABLE_INGAME_CONSOLE", "1"], cwd=run, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def console(self, line, seconds):
        # The key left of 1 opens the console with the next frame; Return runs the line.
        wp.xdo("key", "grave")
        time.sleep(0.8 * wp.slowness())
        wp.xdo("type", "--delay", 30, line)
        wp.xdo("key", "Return")
        time.sleep(seconds * wp.slowness())
        wp.xdo("key", "grave")
        time.sleep(0.5)


def measure(binary, run_source, seconds):
    work = tempfile.mkdtemp(prefix="idle-cpu-")
    run = os.path.join(work, "run")
    shutil.copytree(run_source, run)
    os.environ["XDG_DATA_HOME"] = os.path.join(work, "xdg")
    os.environ.setdefault("SDL_AUDIODRIVER", "dummy")
    os.environ["ULVO_FRAME_STATS"] = str(STATS_EVERY)
    out = os.path.join(work, "out")
    os.makedirs(out)
    scene = os.environ.get("IDLE_CPU_SCENE") == "1"
    game = ConsoleGame(binary, run, out) if scene else wp.Game(binary, run, out)
    log_path = os.path.join(out, "game.log")
    found = {}
    try:
        wp.first_start_to_menu(game)
        time.sleep(2)
        if os.environ.get("IDLE_CPU_SHOTS"):
            wp.save(game.screen.grab(), "%s-menu.png" % os.environ["IDLE_CPU_SHOTS"])
        found["menu"] = sample(game, log_path, seconds, "menu")
        game.pressed_button(lambda b: b[0] if len(b) == 6 else None, "Spielen", 0.05)
        game.pressed_button(lambda b: b[0] if len(b) == 3 else None, "the town's next level", 0.05)
        time.sleep(8)
        game.close_hints()
        wp.xdo("mousemove", 5, 5)
        time.sleep(float(os.environ.get("LEVEL_WAIT", "2")))
        if os.environ.get("IDLE_CPU_SHOTS"):
            wp.save(game.screen.grab(), "%s-level.png" % os.environ["IDLE_CPU_SHOTS"])
        found["level"] = sample(game, log_path, seconds, "level")
        if scene:
            # Not `seconds`: that is the sample's length, which the scene is measured over too.
            for line, wait in DEMO_SCENE:
                game.console(line, wait)
            wp.xdo("mousemove", 5, 5)
            # On a busy machine the load outlasts the console's wait: frames come again after it.
            wait_for_frames(log_path)
            time.sleep(float(os.environ.get("LEVEL_WAIT", "2")))
            if os.environ.get("IDLE_CPU_SHOTS"):
                wp.save(game.screen.grab(), "%s-scene.png" % os.environ["IDLE_CPU_SHOTS"])
            found["scene"] = sample(game, log_path, seconds, "scene")
    finally:
        game.process.terminate()
        game.process.wait(30)
        if os.environ.get("IDLE_CPU_LOG"):
            shutil.copy(log_path, os.environ["IDLE_CPU_LOG"])
        shutil.rmtree(work, ignore_errors=True)
    return found


def main():
    binaries, run = [os.path.abspath(b) for b in sys.argv[1:2] + sys.argv[3:]], os.path.abspath(sys.argv[2])
    seconds = float(os.environ.get("SAMPLE_SECONDS", "10"))
    for round_number in range(int(os.environ.get("ROUNDS", "2"))):
        for binary in binaries:
            for place, f in measure(binary, run, seconds).items():
                load = open("/proc/loadavg").read().split()[:3]
                print("%s round %d %-5s %.2f cores (main thread %.2f)  %.1f fps  %.1f GL calls / %.1f draws (%.1f per draw)  "
                      "%.2f screens (%.2f copied)  load %s"
                      % (binary, round_number + 1, place, f["cores"], f["main"], f["fps"], f["calls"], f["draws"],
                         f["calls"] / max(1.0, f["draws"]), f["screens"], f["copied"], " ".join(load)), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
