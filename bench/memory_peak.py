#!/usr/bin/python3
"""Peak memory of the optimised game in the main menu and in the first level.

Run inside a virtual X server, like the window play-through whose screen reading it borrows:
  xvfb-run -a -s "-screen 0 1280x1024x24" bench/memory_peak.py build/bin/threematch build/run [more binaries]
Each binary plays a fresh profile up to the main menu and on into the first level; the peak
resident size (VmHWM) and the anonymous and file-backed shares are printed at each, with the
load average. Several binaries take turns, round after round, so that they share the machine's
state alike; ROUNDS sets how many rounds (default 2). The floor these figures are read against is
build/bin/memory_reference (a plain SDL2 + OpenGL program holding the same render targets), run
under the same virtual X server.
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


def measure(binary, run_source):
    work = tempfile.mkdtemp(prefix="memory-peak-")
    run = os.path.join(work, "run")
    shutil.copytree(run_source, run)
    os.environ["XDG_DATA_HOME"] = os.path.join(work, "xdg")
    os.environ.setdefault("SDL_AUDIODRIVER", "dummy")
    os.makedirs(os.path.join(work, "out"))
    game = wp.Game(binary, run, os.path.join(work, "out"))
    found = {}
    try:
        wp.first_start_to_menu(game)
        time.sleep(3)
        found["menu"] = memory(game.process.pid)
        game.pressed_button(lambda b: b[0] if len(b) == 6 else None, "Spielen", 0.05)
        game.pressed_button(lambda b: b[0] if len(b) == 3 else None, "the town's next level", 0.05)
        time.sleep(8)
        game.close_hints()
        time.sleep(12)
        found["level"] = memory(game.process.pid)
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
    return 0


if __name__ == "__main__":
    sys.exit(main())
