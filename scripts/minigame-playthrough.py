#!/usr/bin/python3
"""Plays minigames through the game's real window on an X server (run under xvfb-run), as a player
meets them: a building bought in the town, the game's help closed with its OK, the game solved by
clicks aimed at what is drawn, and the price shown afterwards checked against the game's log. Each
kind is named by its TYPE in "data\\Games\\minigames.min"; the console of the test build
("-ENABLE_INGAME_CONSOLE 1") deals the game of the kind next ("MS_Naechstes NAME") and fills the
stock ("TM_Vorrat n").

Two kinds are solved from the pixels of the grabs alone (RICHTIGER_PFAD, UNTERSCHIEDE); the others
ask the game where its things are drawn: the console's "MS_Zuege" logs the moves a player would
make next, in the window's pixels, taken from the drawn windows' screen rectangles:

    MS_Zug KLICK x y IN x0 y0 x1 y1 [AENDERT u0 v0 u1 v1]
        a left click at x,y on a drawn thing covering the rectangle x0,y0 .. x1,y1 (exclusive);
        RECHTSKLICK and MITTELKLICK are the same with the right and the middle button
    MS_Zug ZIEHEN x0 y0 x1 y1 VON a0 b0 a1 b1 [AENDERT u0 v0 u1 v1]
        a press at x0,y0 on the drawn thing covering a0,b0 .. a1,b1, dragged to x1,y1, released;
        one that ends where it starts holds the button there for 1.5 s
    MS_Zug TASTE name
        a key (an xdotool key name)
    MS_Zuege: n
        the count of the moves above

AENDERT names the area the move changes where that is not the drawn thing itself. A kind that has
to show a result before its next moves are known lists only the moves up to it; the play-through
asks again until the game's result is shown.

A click aimed at a drawn box, difference, piece, card or button that changes nothing there fails
the run, and so does a move aimed at a rectangle where nothing is drawn, a solved game without its
result, or a result whose price is not what was paid. The price is judged by the time the game
logs as left when it was solved, so that a machine too busy to beat the clock gets a correct full
price rather than a failure.

Usage: minigame-playthrough.py GAME_BINARY RUN_FOLDER OUTPUT_FOLDER [TYPE ...]
"""
import importlib.util
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location("window_playthrough", os.path.join(HERE, "window-playthrough.py"))
wp = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(wp)
Failure, xdo, buttons, centre, changed, components = wp.Failure, wp.xdo, wp.buttons, wp.centre, wp.changed, wp.components
slowness = wp.slowness

# Sixteen kinds on a busy machine; the bound only fails a hang.
TOTAL_TIMEOUT = 2400.0


def games_by_type(run):
    """The data's games: TYPE -> the NAME of its first game, in file order."""
    path = os.path.join(run, "data", "Games", "minigames.min")
    raw = open(path, "rb").read()
    # The runtime folder keeps the data as the engine reads it: UTF-16 with its byte-order mark.
    text = raw.decode("utf-16" if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else "utf-8", errors="replace")
    found = {}
    for kind, name in re.findall(r'<MINISPIEL TYPE="([A-Z_]+)" NAME="([A-Z_]+)"', text):
        found.setdefault(kind, name)
    return found


class Game(wp.Game):
    def __init__(self, binary, run, out, number=1, screen=None, start=None):
        self.screen = screen or wp.Screen(out)
        self.out = out
        self.number = number
        self.start = start or time.monotonic()
        self.slow = wp.Slowness()
        self.closed = 0
        # The game's own log file in its runtime folder says what each building cost.
        self.log_path = os.path.join(run, "logs", "logfile.log")
        self.log = open(os.path.join(out, "game%s.log" % ("" if number == 1 else number)), "w")
        # The console on, and the information lines (the console's answers, the prices) logged.
        self.process = subprocess.Popen([binary, "-ENABLE_INGAME_CONSOLE", "1", "-LOG_MISC", "100"], cwd=run, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def check_time(self):
        bound = self.slow.bound(TOTAL_TIMEOUT)
        if time.monotonic() - self.start > bound:
            raise Failure("the play-through took longer than %d s" % bound)
        if self.process.poll() is not None:
            raise Failure("the game ended on its own with %d" % self.process.returncode)

    def console(self, line, answer):
        """One console line, typed until the game's log shows its answer: the key left of 1 opens
        the console, Return runs the line, the key closes it again."""
        for _ in range(4):
            before = len(self.log_text())
            xdo("key", "grave")
            # The console opens with the next frame; letters before it would go to the game.
            time.sleep(0.3)
            # In small letters; the game queues what is typed, so the letters need no long gaps.
            xdo("type", "--delay", 30, line.lower())
            xdo("key", "Return")
            # Closed as soon as the answer is logged: a kind on the clock waits for every line.
            end = time.monotonic() + 1.5 * slowness()
            while answer not in self.log_text()[before:] and time.monotonic() < end:
                time.sleep(0.1)
            xdo("key", "grave")
            time.sleep(0.2)
            if answer in self.log_text()[before:]:
                return
        self.screen.grab("console")
        raise Failure("the console line %r was not taken" % line)

    def log_text(self):
        try:
            return open(self.log_path, encoding="utf-8", errors="replace").read()
        except OSError:
            return ""



def to_town(game):
    image, _ = game.wait(lambda im: len(buttons(im)) == 1 and wp.is_hint(im, buttons(im)[0]),
                         "first screen's help text", timeout=60.0)
    # "Hilfetexte zeigen" off: no help text comes up over a game's own help later.
    button = buttons(image)[0]
    x0, y0, x1, y1 = button
    left = max(0, x0 - 600)
    row = image[y0:y1, left:x0]
    tick = (row[..., 1] > 105) & (row[..., 1] - row[..., 0] > 60) & (row[..., 1] - row[..., 2] > 60)
    ys, xs = np.nonzero(tick)
    game.click((left + int(xs.mean()), y0 + int(ys.mean())), "the tick of Hilfetexte zeigen", 0.0005,
               box=(left, y0, x0, y1))
    game.close_hints()
    xdo("type", "--delay", 60, "mia")
    game.pressed_button(lambda b: b[-1] if len(b) == 2 else None, "the new profile's OK")
    game.pressed_button(lambda b: b[-1] if len(b) == 3 else None, "the profile list's OK")
    game.close_hints()
    xdo("mousemove", 5, 5)
    game.wait(lambda im: buttons(im) if len(buttons(im)) == 6 else None, "main menu", timeout=10.0)
    game.pressed_button(lambda b: b[0] if len(b) == 6 else None, "Spielen in the main menu", 0.05)
    game.close_hints()


def town_buy_buttons(image):
    """The town's enabled "Bauen" buttons: orange faces in the bottom fifth of the screen."""
    h = image.shape[0]
    return [bx for bx in buttons(image) if bx[1] > h * 0.8]


def start_kind(game, kind, name):
    game.console("MS_Naechstes %s" % name, "kommt als naechstes")
    xdo("mousemove", 5, 5)
    image, found = game.wait(lambda im: town_buy_buttons(im) or None, "an enabled Bauen in the town", timeout=10.0)
    game.click(centre(found[0]), "the town's Bauen for %s" % kind, 0.05)
    # The game's help: its two buttons, "Überspringen" and "OK" (the right one), once the
    # town's own help text over it is closed.
    xdo("mousemove", 5, 5)
    game.close_hints()
    image, found = game.wait(lambda im: buttons(im) if len(buttons(im)) >= 2 else None, "the help of %s" % kind)
    image = game.settle()
    game.screen.grab("%s_help" % kind)
    found = buttons(image)
    if len(found) != 2:
        raise Failure("the help of %s shows %d buttons, not Überspringen and its OK" % (kind, len(found)))
    game.click(centre(max(found, key=lambda bx: bx[0])), "the help's OK for %s" % kind, 0.05)
    xdo("mousemove", 5, 5)
    return game.settle()


def game_buttons(image):
    """The game window's buttons along its bottom edge, left to right."""
    h = image.shape[0]
    return sorted([bx for bx in buttons(image) if bx[1] > h * 0.8], key=lambda bx: bx[0])


def result_shown(image):
    """The result: one button (its OK) on a parchment box in the middle of the screen."""
    found = buttons(image)
    return found if len(found) == 1 and wp.is_popup(image, found[0]) else None


def finish_kind(game, kind, before_log):
    image, found = game.wait(result_shown, "the result of %s" % kind, timeout=15.0)
    game.screen.grab("%s_result" % kind)
    # What the result says was paid is what the building cost.
    end = time.monotonic() + 5.0 * slowness()
    line = None
    while time.monotonic() < end and not line:
        lines = re.findall(r"Gebaeude gebaut \(Minispiel gespielt\): (\d+) von (\d+) Rohstoffen, (\d+) % gespart",
                           game.log_text()[before_log:])
        line = lines[-1] if lines else None
        time.sleep(0.3)
    if not line:
        raise Failure("no building was settled after %s" % kind)
    paid, amount, saved = map(int, line)
    # The price is judged by the time the game says it had left when solved: a busy machine that
    # used it all up gets a correct full price; a missed click still ends in no result above.
    lefts = re.findall(r"Minispiel: \S+ geloest: ([0-9.]+) von ([0-9.]+) s uebrig, Wert ([0-9.]+)",
                       game.log_text()[before_log:])
    if not lefts:
        raise Failure("%s: the game did not say how much time it had left" % kind)
    left, limit, score = map(float, lefts[-1])
    # Rounded half up, as the game says it (Python's round() would give 32 for 32.5).
    if amount <= 0 or paid > amount or saved != int(100.0 * (amount - paid) / amount + 0.5):
        raise Failure("%s: the price %d of %d with %d %% saved does not add up" % (kind, paid, amount, saved))
    # A third of the score is the least any difficulty saves; at a whole resource or more of it
    # the building must cost less, with no time left it costs the full price.
    if score * amount / 3.0 >= 1.0 and not paid < amount:
        raise Failure("%s: the price %d of %d with %.1f of %.0f s left is no saving" % (kind, paid, amount, left, limit))
    if score <= 0.0 and paid != amount:
        raise Failure("%s: the price %d of %d with no time left is no full price" % (kind, paid, amount))
    print("%.0f s: %s solved with %.1f of %.0f s left, the building cost %d of %d (%d %% saved)" % (
        time.monotonic() - game.start, kind, left, limit, paid, amount, saved))
    game.click(centre(found[0]), "the result's OK", 0.05)
    xdo("mousemove", 5, 5)
    game.settle()


# ------------------------------------------------------------------ the kinds


def play_richtiger_pfad(game, image):
    """Pick the right path: every drawn box at a path's start is tried with "Fertig" until the
    result comes; a wrong one says so under the game."""
    r, g, b = image[..., 0], image[..., 1], image[..., 2]
    # The unticked boxes: light cream squares with a dark rim, on the picture.
    cream = (r > 225) & (g > 210) & (b > 170) & (b < 215)
    boxes = [bx for bx in components(cream, step=1, min_w=14, min_h=14)
             if 0.7 < (bx[2] - bx[0]) / max(1, bx[3] - bx[1]) < 1.4 and bx[2] - bx[0] < 80]
    if len(boxes) != 3:
        game.screen.grab("pfad_boxes")
        raise Failure("RICHTIGER_PFAD: %d drawn path boxes, not 3: %s" % (len(boxes), boxes))
    done = game_buttons(image)
    if len(done) != 3:
        raise Failure("RICHTIGER_PFAD: the buttons Zurück, Fertig and Hilfe are not drawn: %s" % done)
    for box in boxes:
        game.click(centre(box), "a path's box", 0.0005, box=(box[0] - 10, box[1] - 10, box[2] + 10, box[3] + 10))
        xdo("mousemove", 5, 5)
        time.sleep(0.3)
        game.click(centre(done[1]), "Fertig", 0.0005)
        xdo("mousemove", 5, 5)
        end = time.monotonic() + 4.0 * slowness()
        while time.monotonic() < end:
            if result_shown(game.screen.grab()):
                return
            time.sleep(0.3)
    raise Failure("RICHTIGER_PFAD: no box led to the result")


def play_unterschiede(game, image):
    """Spot the differences: the two drawn pictures side by side are compared pixel by pixel,
    and each patch where the right one differs is clicked there; a found one disappears."""
    h, w, _ = image.shape
    band = image[h // 5 : h // 2]
    bright = (band.sum(axis=2) > 250).mean(axis=0) > 0.9
    columns = np.nonzero(bright)[0]
    if len(columns) < w // 2:
        raise Failure("UNTERSCHIEDE: no pictures drawn")
    x0, x1 = int(columns[0]), int(columns[-1]) + 1
    r, g, b = band[..., 0], band[..., 1], band[..., 2]
    divider = ((r > 100) & (r < 170) & (g > 60) & (g < 120) & (b < 80)).mean(axis=0) > 0.9
    middle = [x for x in np.nonzero(divider)[0] if abs(x - (x0 + x1) // 2) < w // 10]
    if not middle:
        raise Failure("UNTERSCHIEDE: no divider between the pictures")
    d0, d1 = int(middle[0]), int(middle[-1]) + 1
    width = min(d0 - x0, x1 - d1)
    rows = np.nonzero((image[:, x0 + 5].sum(axis=1) > 250))[0]
    y0, y1 = int(rows[0]), int(rows[-1]) + 1
    tried = set()
    for _ in range(16):
        image = game.screen.grab()
        if result_shown(image):
            return
        left = image[y0:y1, x0 : x0 + width]
        right = image[y0:y1, x1 - width : x1]
        differs = np.abs(left - right).sum(axis=2) > 90
        patches = [bx for bx in components(differs, step=2, min_w=8, min_h=8) if bx not in tried]
        if not patches:
            break
        bx = max(patches, key=lambda bx: (bx[2] - bx[0]) * (bx[3] - bx[1]))
        tried.add(bx)
        # A pixel of the difference itself, the one nearest the middle of its patch.
        ys, xs = np.nonzero(differs[bx[1] : bx[3], bx[0] : bx[2]])
        k = int(np.argmin((xs - xs.mean()) ** 2 + (ys - ys.mean()) ** 2))
        point = (x1 - width + bx[0] + int(xs[k]), y0 + bx[1] + int(ys[k]))
        box = (x1 - width + bx[0], y0 + bx[1], x1 - width + bx[2], y0 + bx[3])
        game.click(point, "a difference in the right picture", 0.05, box=box)
        xdo("mousemove", 5, 5)
        time.sleep(0.5)
    end = time.monotonic() + 4.0 * slowness()
    while time.monotonic() < end:
        if result_shown(game.screen.grab()):
            return
        time.sleep(0.3)
    raise Failure("UNTERSCHIEDE: the differences drawn were clicked, but the game is not solved")


# ------------------------------------------------------------------ moves the game lists


MOVE = re.compile(r"MS_Zug (KLICK|RECHTSKLICK|MITTELKLICK|ZIEHEN|TASTE) ?(.*)$")
BUTTON = {"KLICK": 1, "RECHTSKLICK": 3, "MITTELKLICK": 2}


def parse_move(kind, text):
    """One "MS_Zug" line as a dict: what, points (screen), drawn and changes rectangles."""
    found = MOVE.search(text)
    if not found:
        raise Failure("%s: a move the game listed is not understood: %r" % (kind, text))
    what, rest = found.group(1), found.group(2).split()
    if what == "TASTE":
        return {"what": what, "key": rest[0] if rest else ""}
    numbers = lambda words: [int(w) for w in words]
    try:
        if what == "ZIEHEN":
            points = numbers(rest[0:4])
            drawn = numbers(rest[5:9]) if rest[4] == "VON" else None
            tail = rest[9:]
        else:
            points = numbers(rest[0:2])
            drawn = numbers(rest[3:7]) if rest[2] == "IN" else None
            tail = rest[7:]
        changes = numbers(tail[1:5]) if tail[:1] == ["AENDERT"] else drawn
    except (ValueError, IndexError):
        raise Failure("%s: a move the game listed is not understood: %r" % (kind, text))
    return {"what": what, "points": points, "drawn": drawn, "changes": changes, "text": found.group(0).strip()}


def ask_moves(game, kind):
    """The moves the game lists now (the console's "MS_Zuege", answered in the game's log)."""
    before = len(game.log_text())
    game.console("MS_Zuege", "MS_Zuege:")
    lines = game.log_text()[before:].splitlines()
    ends = [i for i, line in enumerate(lines) if re.search(r"MS_Zuege: \d+", line)]
    end = ends[-1]
    count = int(re.search(r"MS_Zuege: (\d+)", lines[end]).group(1))
    listed = [line for line in lines[:end] if "MS_Zug " in line][-count:] if count else []
    if len(listed) != count:
        raise Failure("%s: the game counted %d moves but listed %d" % (kind, count, len(listed)))
    return [parse_move(kind, line) for line in listed]


def window_origin(game):
    """The game window's top-left corner on the X screen (the moves are in its pixels)."""
    if getattr(game, "origin", None) is None:
        game.origin = (0, 0)
        try:
            ids = subprocess.run(["xdotool", "search", "--pid", str(game.process.pid)], capture_output=True,
                                 text=True, timeout=10).stdout.split()
            for wid in ids:
                shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid], capture_output=True, text=True,
                                       timeout=10).stdout
                values = dict(line.split("=", 1) for line in shell.splitlines() if "=" in line)
                if int(values.get("WIDTH", 0)) > 200:
                    game.origin = (int(values["X"]), int(values["Y"]))
                    break
        except (subprocess.SubprocessError, ValueError):
            pass
    return game.origin


def on_screen(game, box):
    ox, oy = window_origin(game)
    return (box[0] + ox, box[1] + oy, box[2] + ox, box[3] + oy)


def is_drawn(image, box):
    """Something is drawn in the box: not one flat dark colour (the minigame screen's backdrop)."""
    x0, y0, x1, y1 = box
    part = image[max(0, y0) : max(0, y1), max(0, x0) : max(0, x1)]
    if part.size == 0:
        return False
    bright = (part.sum(axis=2) > 150).mean()
    median = np.median(part.reshape(-1, 3), axis=0)
    varied = (np.abs(part - median).sum(axis=2) > 40).mean()
    return bright > 0.1 or varied > 0.05


def at_rest(game, box, timeout=5.0):
    """A grab once something is drawn in the box and holds still there: a move planned ahead may
    aim at a piece the move before it still slides or turns into its place, as a player waits for
    it; a box that never rests is taken as it is after the timeout."""
    image = game.screen.grab()
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        time.sleep(0.15)
        later = game.screen.grab()
        if is_drawn(later, box) and changed(image, later, box) < 0.01:
            return later
        image = later
    return image


class Missed(Failure):
    """A move whose drawn thing did not change."""


def make_move(game, kind, move):
    """One listed move through xdotool; fails unless its drawn thing is there and the area it
    changes does change."""
    if move["what"] == "TASTE":
        xdo("key", move["key"])
        time.sleep(0.4)
        return
    ox, oy = window_origin(game)
    drawn = on_screen(game, move["drawn"])
    before = at_rest(game, drawn)
    if not is_drawn(before, drawn):
        game.screen.grab("%s_not_drawn" % kind)
        raise Failure("%s: %s aims at %s, where nothing is drawn" % (kind, move["text"], drawn))
    p = [v + (ox if i % 2 == 0 else oy) for i, v in enumerate(move["points"])]
    xdo("mousemove", p[0], p[1])
    time.sleep(0.12)
    if move["what"] == "ZIEHEN" and p[0:2] == p[2:4]:
        xdo("mousedown", 1)
        time.sleep(1.5)
        xdo("mouseup", 1)
    elif move["what"] == "ZIEHEN":
        xdo("mousedown", 1)
        time.sleep(0.25)
        # In steps, so that the game sees the piece carried, as a hand moves it; held at its goal
        # for a few frames, so that a busy game sees it there before the release.
        for k in range(1, 9):
            xdo("mousemove", p[0] + (p[2] - p[0]) * k // 8, p[1] + (p[3] - p[1]) * k // 8)
            time.sleep(0.05)
        time.sleep(0.3)
        xdo("mouseup", 1)
    else:
        xdo("click", BUTTON[move["what"]])
    time.sleep(0.1)
    # The drawn pointer would count as a change.
    xdo("mousemove", 5, 5)
    box = on_screen(game, move["changes"])
    end = time.monotonic() + 5.0 * slowness()
    while time.monotonic() < end:
        after = game.screen.grab()
        if changed(before, after, box) >= 0.005 or result_shown(after):
            return
        time.sleep(0.2)
    game.screen.grab("%s_missed" % kind)
    raise Missed("%s: %s changed nothing there: it missed what was drawn" % (kind, move["text"]))


def play_moves(game, kind, image, rounds=40):
    """Asks the game for its next moves and makes them, until the game's result is shown."""
    misses = 0
    landed = 0  # moves that changed what was drawn since the last miss
    empty = 0  # lists without a move in a row
    image = game.screen.grab()
    for _ in range(rounds):
        if result_shown(image):
            return
        moves = ask_moves(game, kind)
        if not moves:
            # Between two rounds of a kind, or with its result on the way, the game lists
            # nothing; three empty lists in a row with no result shown is a game stuck.
            end = time.monotonic() + 6.0 * slowness()
            while time.monotonic() < end:
                if result_shown(game.screen.grab()):
                    return
                time.sleep(0.3)
            empty += 1
            if empty == 3:
                game.screen.grab("%s_stuck" % kind)
                raise Failure("%s: the game lists no move and shows no result" % kind)
            image = game.screen.grab()
            continue
        empty = 0
        try:
            for move in moves:
                make_move(game, kind, move)
                landed += 1
        except Missed as missed:
            # A batch is planned ahead; one move of it may land otherwise than planned (a piece
            # that snaps or slides back) and leave the next one nothing to take. The game then
            # plans again from what it shows. A miss with no landed move since the last one (the
            # first move of a new plan) is a real miss, and so is a fourth one in the kind.
            if misses and not landed or misses == 3:
                raise
            misses += 1
            landed = 0
            print("  %s, planned again" % missed)
            image = game.screen.grab()
            continue
        # What the last move set going comes to rest before the game is asked again, as a player
        # waits for it; a kind whose things keep turning (never at rest) loses no more than 1.5 s
        # a round on its clock.
        image = game.settle(timeout=1.5)
    if result_shown(image):
        return
    raise Failure("%s: no result after %d rounds of moves" % (kind, rounds))


def by_moves(kind):
    return lambda game, image: play_moves(game, kind, image)


SOLVERS = {
    "RICHTIGER_PFAD": play_richtiger_pfad,
    "UNTERSCHIEDE": play_unterschiede,
}
for _kind in ("SCHIEBEPUZZLE_REV", "PUZZLE", "BAUEN", "LABYRINTH", "MAZE", "PUNKTE_VERBINDEN", "OBJEKT_KLICKEN",
              "PUSTEN", "AUSTAUSCH", "DREHBILD", "RING", "MEMORY", "RICHTIGES_SYMBOL", "ZUORDNEN"):
    SOLVERS[_kind] = by_moves(_kind)


def launch(binary, run, out, work, previous=None):
    """A game with a new profile in a town of its own (the profile's data in a folder of its
    own), the stock filled."""
    number = previous.number + 1 if previous else 1
    os.environ["XDG_DATA_HOME"] = os.path.join(work, "xdg%d" % number)
    game = Game(binary, run, out, number, previous.screen if previous else None, previous.start if previous else None)
    if previous:
        game.slow = previous.slow
    to_town(game)
    game.console("TM_Vorrat 5000", "TM_Vorrat: +5000")
    return game


def close(game, out):
    if os.path.exists(game.log_path):
        shutil.copy(game.log_path, os.path.join(out, "logfile%s.log" % ("" if game.number == 1 else game.number)))
    if game.process.poll() is None:
        game.process.terminate()
        try:
            game.process.wait(10)
        except subprocess.TimeoutExpired:
            game.process.kill()


def main():
    binary, run_source, out = (os.path.abspath(a) for a in sys.argv[1:4])
    wanted = sys.argv[4:] or list(SOLVERS)
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="minigame-playthrough-")
    run = os.path.join(work, "run")
    shutil.copytree(run_source, run)
    os.environ.setdefault("SDL_AUDIODRIVER", "dummy")
    names = games_by_type(run)
    game = None
    played = []
    try:
        game = launch(binary, run, out, work)
        for kind in wanted:
            if kind not in SOLVERS or kind not in names:
                raise Failure("no way to play the kind %s" % kind)
            xdo("mousemove", 5, 5)
            if not town_buy_buttons(game.settle()):
                # A town offers seven buildings: once all stand, the next kinds are bought in the
                # town of a new profile.
                print("  the town has all its buildings; a new profile's town for the next kinds")
                close(game, out)
                game = launch(binary, run, out, work, game)
            before = len(game.log_text())
            began = time.monotonic()
            image = start_kind(game, kind, names[kind])
            game.screen.grab("%s_start" % kind)
            SOLVERS[kind](game, image)
            finish_kind(game, kind, before)
            print("  %s took %.0f s from the town's Bauen to the result's OK" % (kind, time.monotonic() - began))
            played.append(kind)
        print("minigame play-through passed: %d kinds (%s) in %.0f s" % (
            len(played), " ".join(played), time.monotonic() - game.start))
        return 0
    except Failure as failure:
        if game:
            game.screen.grab("failure")
        print("minigame play-through FAILED after %s: %s (screens in %s)" % (" ".join(played) or "no kind", failure, out))
        return 1
    finally:
        if game:
            close(game, out)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
