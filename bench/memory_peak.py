#!/usr/bin/python3
"""Peak memory of the optimised game in the main menu and in the first level.

Run inside a virtual X server, like the window play-through whose screen reading it borrows:
  xvfb-run -a -s "-screen 0 1280x1024x24" bench/memory_peak.py build/bin/threematch build/run [more binaries]
Each binary plays a fresh profile up to the main menu and on into the first level; the peak
resident size (VmHWM) and the anonymous and file-backed shares are printed at each, with the
load average. Several binaries take turns, round after round, so that they share the machine's
state alike; ROUNDS sets how many rounds (default 2). The floor these figures are read against is
build/bin/memory_reference (a plain SDL2 + OpenGL program holding the same render targets), run
under the same virtual X server. MEMORY_SCENE=1 loads the README's demo scene into the level through
the in-game console (as bench/idle_cpu.py does) and measures it as "scene" after the level; with
MEMORY_MAPPINGS=1 each place also prints its resident memory by mapping (the heap, anonymous
mappings, the largest libraries and the program).
"""
import importlib.util
import os
import shutil
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("playthrough", os.path.join(here, "..", "scripts", "window-playthrough.py"))
wp = importlib.util.module_from_spec(spec)
spec.loader.exec_module(wp)


def memory(pid):
    fields = {}
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            key, _, value = line.partition(":")
            if key in ("VmHWM", "RssAnon", "RssFile"):
                fields[key] = int(value.split()[0]) // 1024
    return fields


def mappings(pid):
    """Resident megabytes by mapping: [heap], anonymous, each file (by its name), shared memory."""
    rss, name = {}, None
    with open("/proc/%d/smaps" % pid) as smaps:
        for line in smaps:
            head = line.split()
            if len(head) >= 5 and "-" in head[0] and ":" not in head[0]:
                path = head[5] if len(head) > 5 else ""
                name = "anonymous" if not path else path if path.startswith("[") else os.path.basename(path)
            elif head and head[0] == "Rss:" and name is not None:
                rss[name] = rss.get(name, 0) + int(head[1])
    return {k: v / 1024.0 for k, v in rss.items()}


def describe(split):
    top = sorted(split.items(), key=lambda kv: -kv[1])[:8]
    return ", ".join("%s %.1f" % (k, v) for k, v in top)


def measure(binary, run_source):
    work = tempfile.mkdtemp(prefix="memory-peak-")
    run = os.path.join(work, "run")
    shutil.copytree(run_source, run)
    os.environ["XDG_DATA_HOME"] = os.path.join(work, "xdg")
    os.environ.setdefault("SDL_AUDIODRIVER", "dummy")
    os.makedirs(os.path.join(work, "out"))
    scene = os.environ.get("MEMORY_SCENE") == "1"
    if scene:
        spec = importlib.util.spec_from_file_location("idle_cpu", os.path.join(here, "idle_cpu.py"))
        idle = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(idle)
        game = idle.ConsoleGame(binary, run, os.path.join(work, "out"))
    else:
        game = wp.Game(binary, run, os.path.join(work, "out"))
    split = os.environ.get("MEMORY_MAPPINGS") == "1"
    found = {}
    try:
        wp.first_start_to_menu(game)
        time.sleep(3)
        found["menu"] = memory(game.process.pid)
        if split:
            found["menu"]["split"] = mappings(game.process.pid)
        game.pressed_button(lambda b: b[0] if len(b) == 6 else None, "Spielen", 0.05)
        game.pressed_button(lambda b: b[0] if len(b) == 3 else None, "the town's next level", 0.05)
        time.sleep(8)
        game.close_hints()
        time.sleep(12)
        found["level"] = memory(game.process.pid)
        if split:
            found["level"]["split"] = mappings(game.process.pid)
        if scene:
            for line, wait in idle.DEMO_SCENE:
                game.console(line, wait)
            wp.xdo("mousemove", 5, 5)
            time.sleep(12)
            found["scene"] = memory(game.process.pid)
            if split:
                found["scene"]["split"] = mappings(game.process.pid)
    finally:
        game.process.terminate()
        game.process.wait(30)
        shutil.rmtree(work, ignore_errors=True)
    return found


def main():
    binaries, run = [os.path.abspath(b) for b in sys.argv[1:2] + sys.argv[3:]], os.path.abspath(sys.argv[2])
    for round_number in range(int(os.environ.get("ROUNDS", "2"))):
        for binary in binaries:
            load = open("/proc/loadavg").read().split()[:3]
            for place, fields in measure(binary, run).items():
                print("%s round %d %-5s peak %4d MB (anonymous %4d, files %4d)  load %s"
                      % (binary, round_number + 1, place, fields["VmHWM"], fields["RssAnon"], fields["RssFile"],
                         " ".join(load)), flush=True)
                if "split" in fields:
                    print("    resident by mapping (MB): %s" % describe(fields["split"]), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
