#!/usr/bin/python3
"""Plays the built game through its real window on an X server (run under xvfb-run): the mouse
and the keys come from xdotool at screen coordinates, and every place clicked is found in a
screenshot of what the game drew (buttons by their colour, the board's stones by their cells; free
play's board with holes by the grid its drawn outline lies on).
A click aimed at the centre of a drawn button (or a profile's drawn name) that does not change the screen, a drawn pointer
away from the pointer's real place, or a swap of drawn stones that clears nothing fails the run.

Usage: window-playthrough.py GAME_BINARY RUN_FOLDER OUTPUT_FOLDER
"""
import ctypes
import ctypes.util
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np

STEP_TIMEOUT = 20.0


def slowness():
    """How many times longer than on a quiet machine a step may take now: the load average over
    the cores, at least 1 and at most 8."""
    try:
        load = os.getloadavg()[0]
    except OSError:
        return 1.0
    return min(8.0, max(1.0, load / (os.cpu_count() or 1)))


TOTAL_TIMEOUT = 1800.0


class Slowness:
    """The mean slowness over a run, sampled every few seconds: the whole run's bound stretches by
    it, so a long busy spell lengthens the bound and a short one does not."""

    def __init__(self):
        self.samples = []
        self.last = -1e9

    def bound(self, base):
        now = time.monotonic()
        if now - self.last >= 5.0:
            self.samples.append(slowness())
            self.last = now
        return base * sum(self.samples) / len(self.samples)


class Failure(Exception):
    pass


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort), ("serial", ctypes.c_ulong),
                ("pixels", ctypes.POINTER(ctypes.c_ulong)), ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


class SystemPointer:
    """The X server's pointer picture, which a screenshot of the root window leaves out: the game
    shows its pointer as the system's colour pointer, so grabs lay it over what was drawn, as the
    player sees it."""

    def __init__(self):
        self.display = None
        try:
            self.x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
            self.xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes"))
        except OSError:
            return
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XFree.argtypes = [ctypes.c_void_p]
        self.xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
        self.xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        self.display = self.x11.XOpenDisplay(None)

    def picture(self):
        """(left, top, premultiplied ARGB rows as an h x w x 4 array) of the pointer, or None."""
        if not self.display:
            return None
        found = self.xfixes.XFixesGetCursorImage(self.display)
        if not found:
            return None
        c = found.contents
        w, h = c.width, c.height
        argb = np.ctypeslib.as_array(c.pixels, shape=(w * h,)).astype(np.uint32).reshape(h, w)
        left, top = c.x - c.xhot, c.y - c.yhot
        self.x11.XFree(found)
        channels = np.stack([(argb >> 24) & 255, (argb >> 16) & 255, (argb >> 8) & 255, argb & 255], axis=2)
        return left, top, channels.astype(np.int16)

    def lay_over(self, image):
        found = self.picture()
        if found is None:
            return image
        left, top, argb = found
        h, w, _ = image.shape
        x0, y0 = max(0, left), max(0, top)
        x1, y1 = min(w, left + argb.shape[1]), min(h, top + argb.shape[0])
        if x0 >= x1 or y0 >= y1:
            return image
        part = argb[y0 - top : y1 - top, x0 - left : x1 - left]
        alpha = part[..., :1]
        below = image[y0:y1, x0:x1]
        image[y0:y1, x0:x1] = part[..., 1:] + below * (255 - alpha) // 255
        return image


class Screen:
    def __init__(self, out):
        self.out = out
        self.count = 0
        self.pointer = SystemPointer()

    def grab(self, name=None):
        # A grab cut short (import's temporary file on a full disk) is taken again.
        for attempt in range(4):
            data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True, timeout=20).stdout
            parts = data.split(b"\n", 3)
            if len(parts) != 4 or parts[0] != b"P6" or parts[2] != b"255":
                raise Failure("the screenshot is no PPM")
            w, h = map(int, parts[1].split())
            if len(parts[3]) >= w * h * 3:
                break
            if attempt == 3:
                raise Failure("the screenshot holds %d of %d bytes" % (len(parts[3]), w * h * 3))
            time.sleep(1.0)
        image = np.frombuffer(parts[3][: w * h * 3], dtype=np.uint8).reshape(h, w, 3).astype(np.int16)
        image = self.pointer.lay_over(image)
        if name:
            self.count += 1
            save(image, os.path.join(self.out, "%02d_%s.png" % (self.count, name)))
        return image


def save(image, path):
    h, w, _ = image.shape
    header = b"P6\n%d %d\n255\n" % (w, h)
    subprocess.run(["convert", "ppm:-", path], input=header + image.astype(np.uint8).tobytes(), check=True, timeout=20)


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=10)


def changed(a, b, box=None, threshold=40):
    """The share of pixels (inside box: x0, y0, x1, y1) that differ clearly between two grabs."""
    if box:
        x0, y0, x1, y1 = box
        a, b = a[y0:y1, x0:x1], b[y0:y1, x0:x1]
    return float((np.abs(a - b).sum(axis=2) > threshold).mean())


def components(mask, step=2, min_w=20, min_h=10):
    """Bounding boxes (x0, y0, x1, y1) of the connected regions of a mask, sampled every step px."""
    small = mask[::step, ::step]
    seen = np.zeros_like(small, dtype=bool)
    h, w = small.shape
    boxes = []
    for y, x in zip(*np.nonzero(small)):
        if seen[y, x]:
            continue
        stack = [(y, x)]
        seen[y, x] = True
        x0 = x1 = x
        y0 = y1 = y
        while stack:
            cy, cx = stack.pop()
            x0, x1, y0, y1 = min(x0, cx), max(x1, cx), min(y0, cy), max(y1, cy)
            for ny, nx in ((cy + 1, cx), (cy - 1, cx), (cy, cx + 1), (cy, cx - 1)):
                if 0 <= ny < h and 0 <= nx < w and small[ny, nx] and not seen[ny, nx]:
                    seen[ny, nx] = True
                    stack.append((ny, nx))
        box = (x0 * step, y0 * step, (x1 + 1) * step, (y1 + 1) * step)
        if box[2] - box[0] >= min_w and box[3] - box[1] >= min_h:
            boxes.append(box)
    return boxes


def buttons(image):
    """The enabled buttons: the regions of their warm orange face, in reading order."""
    r, g, b = image[..., 0], image[..., 1], image[..., 2]
    face = (r > 175) & (g > 105) & (g < 175) & (b > 50) & (b < 125) & (r - b > 85)
    boxes = [bx for bx in components(face, min_w=60, min_h=24) if bx[2] - bx[0] < 500]
    return sorted(boxes, key=lambda bx: (bx[1] // 20, bx[0]))


def dim_buttons(image):
    """Buttons under a darkening veil (a stone's introduction over the level shows so)."""
    r, g, b = image[..., 0], image[..., 1], image[..., 2]
    face = (r > 100) & (r < 150) & (g > 78) & (g < 120) & (b > 50) & (b < 100) & (r - b > 30) & (r - g > 12)
    boxes = [bx for bx in components(face, min_w=60, min_h=24) if bx[2] - bx[0] < 500]
    return sorted(boxes, key=lambda bx: (bx[1] // 20, bx[0]))


def centre(box):
    return ((box[0] + box[2]) // 2, (box[1] + box[3]) // 2)


def is_popup(image, button, dim=False):
    """A stone's introduction: its single OK button under a parchment box with a framed picture."""
    x0, y0, x1, y1 = button
    above = image[max(0, y0 - 300) : y0, x0:x1]
    colour = np.array([241, 227, 192]) * (0.55 if dim else 1.0)
    parchment = (np.abs(above - colour) < 22).all(axis=2)
    return parchment.mean() > 0.4


def is_hint(image, button):
    """A help text: its single OK button with the green tick of "Hilfetexte zeigen" on its row."""
    x0, y0, x1, y1 = button
    row = image[y0:y1, max(0, x0 - 600) : x0]
    tick = (row[..., 1] > 105) & (row[..., 1] - row[..., 0] > 60) & (row[..., 1] - row[..., 2] > 60)
    return tick.sum() > 40


class Game:
    def __init__(self, binary, run, out):
        self.screen = Screen(out)
        self.out = out
        self.start = time.monotonic()
        self.slow = Slowness()
        self.closed = 0  # help texts and introductions closed so far
        self.run = run
        self.log = open(os.path.join(out, "game.log"), "w")
        self.process = subprocess.Popen([binary], cwd=run, stdout=self.log, stderr=subprocess.STDOUT)

    def check_time(self):
        bound = self.slow.bound(TOTAL_TIMEOUT)
        if time.monotonic() - self.start > bound:
            raise Failure("the play-through took longer than %d s" % bound)
        if self.process.poll() is not None:
            raise Failure("the game ended on its own with %d" % self.process.returncode)

    def wait(self, condition, what, timeout=STEP_TIMEOUT):
        # The bound only catches a hang: a machine busy with other work stretches it, looked at
        # again while waiting.
        start = time.monotonic()
        while time.monotonic() < start + timeout * slowness():
            self.check_time()
            image = self.screen.grab()
            result = condition(image)
            if result:
                return image, result
            time.sleep(0.3)
        self.screen.grab("timeout")
        raise Failure("no %s within %d s" % (what, time.monotonic() - start))

    def settle(self, timeout=8.0):
        """Waits until two grabs 0.4 s apart (pointer aside) hardly differ: fades have ended."""
        previous = self.screen.grab()
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            time.sleep(0.3)
            image = self.screen.grab()
            if changed(previous, image) < 0.01:
                return image
            previous = image
        return previous

    def click(self, point, what, expect_change=0.01, box=None):
        """Clicks a point and fails unless the screen (or box) changes by the share given."""
        before = self.screen.grab()
        xdo("mousemove", point[0], point[1])
        time.sleep(0.15)
        xdo("click", 1)
        end = time.monotonic() + 6.0 * slowness()
        while time.monotonic() < end:
            time.sleep(0.3)
            after = self.screen.grab()
            if changed(before, after, box) >= expect_change:
                return after
        self.screen.grab("missed")
        raise Failure("the click on %s at %s changed nothing: it missed what was drawn there" % (what, point))

    def close_hints(self):
        """Closes help texts and stone introductions in the way, each by the centre of its drawn OK
        button: the one button left when the level's own (in its left column) are set aside."""
        for _ in range(8):
            image = self.settle()
            found = [bx for bx in buttons(image) if bx[0] > image.shape[1] // 4]
            if not found:
                found = [bx for bx in dim_buttons(image) if bx[0] > image.shape[1] // 4]
                if len(found) != 1 or not is_popup(image, found[0], dim=True):
                    return image
            elif len(found) != 1 or (not is_hint(image, found[0]) and not is_popup(image, found[0])):
                return image
            self.click(centre(found[0]), "the OK of a help text")
            # The pointer aside again: it shows in the grabs, over whatever is read next.
            xdo("mousemove", 5, 5)
            self.closed += 1
        return self.settle()

    def pressed_button(self, pick, what, expect_change=0.01):
        image = self.close_hints()
        found = buttons(image)
        box = pick(found)
        if not box:
            self.screen.grab("no_button")
            raise Failure("no drawn button for %s (found %s)" % (what, found))
        return self.click(centre(box), what, expect_change)


REFERENCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "scripts", "window-playthrough")


def load_png(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True, timeout=20).stdout
    magic, size, depth, pixels = data.split(b"\n", 3)
    w, h = map(int, size.split())
    return np.frombuffer(pixels[: w * h * 3], dtype=np.uint8).reshape(h, w, 3).astype(np.int16)


def matches_reference(game, image, box, name, tolerance=12.0):
    """A stable part of the screen against its reference picture (WINDOW_PLAYTHROUGH_UPDATE=1
    writes it instead): the mean difference per channel stays within the tolerance."""
    x0, y0, x1, y1 = box
    crop = image[y0:y1, x0:x1]
    path = os.path.join(REFERENCES, name + ".png")
    if os.environ.get("WINDOW_PLAYTHROUGH_UPDATE") == "1":
        os.makedirs(REFERENCES, exist_ok=True)
        save(crop, path)
        return
    reference = load_png(path)
    if reference.shape != crop.shape:
        save(crop, os.path.join(game.out, name + ".actual.png"))
        raise Failure("%s is %dx%d where its reference is %dx%d" % (name, crop.shape[1], crop.shape[0], reference.shape[1], reference.shape[0]))
    difference = float(np.abs(reference - crop).mean())
    if difference > tolerance:
        save(crop, os.path.join(game.out, name + ".actual.png"))
        raise Failure("%s differs from its reference by %.1f per channel" % (name, difference))


def pointer_tip(a, b, near):
    """The drawn pointer's tip in grab a, the pointer having left for elsewhere in grab b: the
    top-left end of the yellow arrow among the pixels that changed around near."""
    x, y = near
    x0, y0 = max(0, x - 80), max(0, y - 80)
    da = np.abs(a[y0 : y + 80, x0 : x + 80] - b[y0 : y + 80, x0 : x + 80]).sum(axis=2) > 60
    region = a[y0 : y + 80, x0 : x + 80]
    yellow = (region[..., 0] > 150) & (region[..., 1] > 110) & (region[..., 2] < 110)
    # The arrow runs on below its tip, in the same column for at least 13 of the next 16 rows; a
    # glow's yellow rim around the point (some of the pointer's frames) does not.
    below = np.zeros(yellow.shape, dtype=np.int32)
    for k in range(1, 17):
        below[:-k] += yellow[k:]
    arrow = da & yellow & (below >= 13)
    ys, xs = np.nonzero(arrow)
    if len(xs) == 0:
        raise Failure("no drawn pointer near %s" % (near,))
    tip = np.argmin(xs + ys)
    return (int(xs[tip]) + x0, int(ys[tip]) + y0)


def check_pointer(game, image_area):
    """The drawn pointer's tip stands where the pointer is (and so where clicks go)."""
    x0, y0, x1, y1 = image_area
    spots = [(x0 + (x1 - x0) // 6, y0 + (y1 - y0) * 5 // 6), (x0 + (x1 - x0) * 5 // 6, y0 + (y1 - y0) * 5 // 6)]
    x, y = spots[0]
    near = (max(0, x - 80), max(0, y - 80), x + 80, y + 80)

    def yellow(image):
        part = image[near[1] : near[3], near[0] : near[2]]
        return int(((part[..., 0] > 150) & (part[..., 1] > 110) & (part[..., 2] < 110)).sum())

    # The first place lies on the dark landscape: the pointer's picture is the yellow there.
    xdo("mousemove", x, y)
    end = time.monotonic() + 5.0 * slowness()
    while True:
        time.sleep(0.4)
        first = game.screen.grab()
        if yellow(first) > 60 or time.monotonic() > end:
            break
    save(first, os.path.join(game.out, "pointer.png"))
    xdo("mousemove", spots[1][0], spots[1][1])
    # The pointer's picture leaves its first place once the next picture is drawn.
    end = time.monotonic() + 5.0 * slowness()
    while True:
        time.sleep(0.3)
        second = game.screen.grab()
        if changed(first, second, near) > 0.01 or time.monotonic() > end:
            break
    grabs = [first, second]
    tip = pointer_tip(grabs[0], grabs[1], spots[0])
    off = (tip[0] - spots[0][0], tip[1] - spots[0][1])
    print("pointer at %s, drawn tip at %s" % (spots[0], tip))
    # Within a few pixels: the tip is found from the arrow's yellow, which a pulsing glow around the
    # point partly covers; a pointer drawn off by a scaling fault lies tens of pixels away.
    if abs(off[0]) > 6 or abs(off[1]) > 6:
        message = "the drawn pointer's tip is %d, %d px away from the pointer" % off
        if os.environ.get("WINDOW_PLAYTHROUGH_POINTER") == "warn":
            print("warning: " + message)
        else:
            raise Failure(message)


# ------------------------------------------------------------------ the profile list


def profile_rows(image, found):
    """The profile list's names above its three buttons, top to bottom, each as (box, chosen):
    the letters' boxes merged by line; the chosen profile's name is drawn red, the others dark."""
    x0, x1, y1 = found[0][0], found[-1][2], found[0][1] - 20
    y0 = max(0, y1 - 420)
    part = image[y0:y1, x0:x1]
    r, g, b = part[..., 0], part[..., 1], part[..., 2]
    red = (r > 110) & (g < 80) & (b < 60) & (r - g > 50)
    dark = (r < 90) & (g < 90) & (b < 90)
    letters = [(bx, True) for bx in components(red, step=1, min_w=6, min_h=6)]
    letters += [(bx, False) for bx in components(dark, step=1, min_w=6, min_h=6)]
    rows = []
    for bx, chosen in sorted(letters, key=lambda item: item[0][3]):
        for row in rows:
            if abs(row[0][3] - bx[3]) <= 6:
                box = row[0]
                row[0] = (min(box[0], bx[0]), min(box[1], bx[1]), max(box[2], bx[2]), max(box[3], bx[3]))
                row[1] = row[1] or chosen
                break
        else:
            rows.append([bx, chosen])
    return [((bx[0] + x0, bx[1] + y0, bx[2] + x0, bx[3] + y0), chosen) for bx, chosen in rows]


def list_buttons(game):
    """The profile list settled with the pointer aside (a button under it is drawn lit): its
    three buttons and its names."""
    xdo("mousemove", 5, 5)
    image = game.close_hints()
    found = buttons(image)
    if len(found) != 3:
        game.screen.grab("no_list")
        raise Failure("no profile list with Neu, Löschen and OK (found %s)" % (found,))
    return found, profile_rows(image, found)


def choose_profile(game, index, count):
    """Clicks the index-th of count names; it must turn to the chosen one's colour."""
    found, rows = list_buttons(game)
    if len(rows) != count:
        game.screen.grab("profile_rows")
        raise Failure("the profile list shows %d names where %d were expected" % (len(rows), count))
    box = rows[index][0]
    after = game.click(centre(box), "the profile name %d" % (index + 1), 0.05, box=(box[0] - 4, box[1] - 4, box[2] + 4, box[3] + 4))
    # The names change colour at once; the list is read again only when the first picture after
    # the click was too early.
    rows = profile_rows(after, found)
    if len(rows) != count or not rows[index][1]:
        _, rows = list_buttons(game)
    if len(rows) != count or not rows[index][1] or sum(chosen for _, chosen in rows) != 1:
        game.screen.grab("not_chosen")
        raise Failure("the click on profile name %d did not choose it" % (index + 1))


def second_profile(game):
    """A second profile through Neu, a switch between the two by their names, and the second
    (the chosen one) deleted; the first stays, chosen."""
    found, rows = list_buttons(game)
    if len(rows) != 1 or not rows[0][1]:
        game.screen.grab("first_profile")
        raise Failure("the first profile is not the one chosen name in the list: %s" % (rows,))
    game.click(centre(found[0]), "the profile list's Neu", 0.05)
    xdo("type", "--delay", 60, "bert")
    game.pressed_button(lambda b: b[-1] if len(b) == 2 else None, "the second profile's OK")
    _, rows = list_buttons(game)
    if len(rows) != 2 or not rows[1][1] or rows[0][1]:
        game.screen.grab("second_missing")
        raise Failure("after Neu the list does not show the new profile chosen below the first")
    game.screen.grab("two_profiles")
    choose_profile(game, 0, 2)
    choose_profile(game, 1, 2)
    delete_active_profile(game)


def delete_question(game, found):
    """The question "Löschen" asks, in front of the list: its two buttons above the list's."""
    xdo("mousemove", 5, 5)
    image = game.settle()
    asked = [bx for bx in buttons(image) if bx[3] < found[0][1] - 10]
    return image, asked if len(asked) == 2 else None


def delete_active_profile(game):
    """Löschen on the chosen (second) of two asks first: Escape keeps both; the question's own
    Löschen deletes it, and the one left is chosen at once."""
    found, _ = list_buttons(game)
    game.click(centre(found[1]), "the profile list's Löschen", 0.01)
    _, asked = game.wait(lambda im: delete_question(game, found)[1], "the question before deleting", timeout=10.0)
    game.screen.grab("delete_question")
    xdo("key", "Escape")
    game.wait(lambda im: not delete_question(game, found)[1], "the list again after Escape", timeout=10.0)
    _, rows = list_buttons(game)
    if len(rows) != 2:
        game.screen.grab("deleted_on_escape")
        raise Failure("Escape on the question left %d names" % len(rows))
    game.click(centre(found[1]), "the profile list's Löschen", 0.01)
    _, asked = game.wait(lambda im: delete_question(game, found)[1], "the question before deleting", timeout=10.0)
    game.click(centre(asked[1]), "the question's Löschen", 0.01)
    game.wait(lambda im: not delete_question(game, found)[1], "the list after deleting", timeout=10.0)
    _, rows = list_buttons(game)
    if len(rows) != 1:
        game.screen.grab("not_deleted")
        raise Failure("after Löschen the list shows %d names" % len(rows))
    if not rows[0][1]:
        game.screen.grab("none_chosen")
        raise Failure("after deleting the chosen profile the one left is not chosen")
    game.screen.grab("one_profile_again")


# ------------------------------------------------------------------ options: difficulty and window


def options_ok(game):
    """The options screen opened from the main menu (its third button); its one drawn button, OK."""
    game.pressed_button(lambda b: b[2] if len(b) == 6 else None, "Optionen in the main menu", 0.05)
    end = time.monotonic() + 10.0 * slowness()
    while True:
        # Its OK alone would pass for a popup's: only a help text over it is closed.
        xdo("mousemove", 5, 5)
        image = game.settle()
        found = buttons(image)
        if len(found) == 1 and is_hint(image, found[0]):
            game.click(centre(found[0]), "the OK of a help text")
            continue
        if len(found) == 1:
            return found[0]
        if time.monotonic() > end:
            game.screen.grab("no_options")
            raise Failure("no options screen with its one OK (found %s)" % (found,))
        time.sleep(0.5)


def on_options(ok, dx, dy):
    """A point of the options screen, given from the centre of its OK at full-screen scale (the
    OK drawn 274 px wide) and scaled with the OK as drawn."""
    k = (ok[2] - ok[0]) / 274.0
    x, y = centre(ok)
    return int(x + dx * k), int(y + dy * k)


def main_menu(game):
    xdo("mousemove", 5, 5)
    return game.wait(lambda im: buttons(im) if len(buttons(im)) == 6 else None, "main menu", timeout=10.0)[1]


def town_buttons(found, shape):
    """The town's three buttons (Nächstes Level, Freies Spiel, Hauptmenü) at the top right."""
    town = [bx for bx in found if bx[0] > shape[1] // 2 and bx[3] < shape[0] // 3]
    return town if len(town) == 3 else None


def town_to_main_menu(game):
    """Where the swaps won the level (its summary shows one button, Weiter) or it was won before
    (the town shows), on to the town and through its Hauptmenü to the main menu: True. False in a
    running level, which is left alone."""
    image = game.close_hints()
    summary = [bx for bx in buttons(image) if bx[0] > image.shape[1] // 4]
    if len(summary) == 1:
        game.click(centre(summary[0]), "the won level's Weiter", 0.05)
    elif not town_buttons(buttons(image), image.shape):
        return False
    end = time.monotonic() + 30.0 * slowness()  # only a bound for a town that never comes
    while True:
        image = game.close_hints()
        town = town_buttons(buttons(image), image.shape)
        if town:
            break
        if time.monotonic() > end:
            game.screen.grab("no_town")
            raise Failure("no town within 30 s after the won level")
        time.sleep(0.3)
    game.click(centre(town[2]), "the town's Hauptmenü", 0.05)
    return True


def choose_difficulty(game, which):
    """Pause, main menu, options, the difficulty (0 Leicht, 1 Mittel), OK, and on with the level
    through Spielen (to the town, if the level was won)."""
    if not town_to_main_menu(game):
        xdo("key", "Escape")
        _, found = game.wait(lambda im: [bx for bx in buttons(im) if bx[0] > im.shape[1] // 4] if len(
            [bx for bx in buttons(im) if bx[0] > im.shape[1] // 4]) == 3 else None, "pause", timeout=10.0)
        game.click(centre(found[1]), "the pause's Hauptmenü", 0.05)
    main_menu(game)
    ok = options_ok(game)
    game.click(on_options(ok, (-117, 55)[which], -314), "a difficulty in the options", 0.0001)
    game.click(centre(ok), "the options' OK", 0.05)
    main_menu(game)
    game.pressed_button(lambda b: b[0] if len(b) == 6 else None, "Spielen (on with the level)", 0.05)


def to_windowed(game):
    """Vollbild unticked in the options, OK, and the new mode kept by the question's Behalten
    (its right button): the game then plays in a window smaller than the screen."""
    keep_new_mode(game, "windowed")
    geometry = subprocess.run(["xdotool", "search", "--name", "Lumaro", "getwindowgeometry"], capture_output=True,
                              text=True, timeout=10).stdout
    game.screen.grab("windowed")
    print("%.0f s: windowed, %s" % (time.monotonic() - game.start, " ".join(geometry.split())))


def switch_full_screen(game, what):
    """Vollbild ticked or unticked in the options, OK, and the question's Behalten; on to the main
    menu, whose six drawn buttons are returned with the window's client area."""
    menu = keep_new_mode(game, what)
    return menu, window_geometry(game)[1]


def keep_new_mode(game, what):
    """Vollbild switched in the options, OK, and the question's Behalten; returns the main menu's
    buttons. The question keeps the old mode by itself once its time, counted in wall-clock seconds
    from the switch, has run out: on a machine so busy that the switch itself took most of that time
    and Behalten came too late, the options stand again and the switch is tried again (three times
    in all)."""
    attempts = 3
    for attempt in range(attempts):
        ok = options_ok(game)
        game.click(on_options(ok, -331, -237), "the options' Vollbild (%s)" % what, 0.0001)
        game.click(centre(ok), "the options' OK (%s)" % what, 0.05)
        xdo("mousemove", 5, 5)
        _, asked = game.wait(lambda im: buttons(im) if len(buttons(im)) == 2 else None,
                             "the question to keep %s" % what, timeout=10.0)
        game.click(centre(asked[1]), "the question's Behalten (%s)" % what, 0.01)
        xdo("mousemove", 5, 5)
        image, found = game.wait(lambda im: buttons(im) if len(buttons(im)) in (1, 6) else None,
                                 "main menu after Behalten (%s)" % what, timeout=20.0)
        if len(found) == 6:
            return found
        try:  # the options may show for a moment on the way to the main menu
            return main_menu(game)
        except Failure:
            pass
        if attempt + 1 < attempts:
            print("%.0f s: the question kept the old mode before Behalten (%s); once more" %
                  (time.monotonic() - game.start, what))
            xdo("key", "Escape")
            main_menu(game)
    game.screen.grab("mode_not_kept")
    raise Failure("Behalten did not keep %s in %d tries" % (what, attempts))


def full_screen_and_back(game, menu_full):
    """Without a window manager: back to full screen, where the window covers the screen and the
    menu stands where it stood at the start (not cropped or shifted), then windowed again, which
    gives the window the first switch gave (as a windowed start does)."""
    windowed = window_geometry(game)[1]
    h, w, _ = game.screen.grab().shape
    menu, area = switch_full_screen(game, "full screen")
    game.screen.grab("full_screen_again")
    if area != (0, 0, w, h):
        raise Failure("back in full screen the window covers %s, not the screen %s" % (area, (0, 0, w, h)))
    if any(abs(a - b) > 3 for box, before in zip(menu, menu_full) for a, b in zip(box, before)):
        raise Failure("back in full screen the menu is drawn at %s, at the start at %s" % (menu, menu_full))
    check_pointer(game, area)
    menu, area = switch_full_screen(game, "windowed")
    game.screen.grab("windowed_again")
    if area != windowed:
        raise Failure("windowed again the window is %s, the first time %s" % (area, windowed))
    if menu[-1][3] >= area[3] or menu[0][1] <= area[1]:
        raise Failure("windowed again the menu at %s does not fit the window %s" % (menu, area))
    print("%.0f s: full screen and windowed again, window %s" % (time.monotonic() - game.start, area))


def config_windowed(xdg):
    """The configuration the game wrote at its end keeps the windowed mode chosen."""
    text = open(os.path.join(xdg, "Lumaro", "config.cfg"), "rb").read().decode("utf-16")
    if 'FULLSCREEN="0"' not in text:
        raise Failure("config.cfg does not keep the windowed mode: %s" % [l.strip() for l in text.splitlines() if "FULLSCREEN" in l])


def window_geometry(game):
    """The game window's id and client area on the screen (x0, y0, x1, y1)."""
    window = subprocess.run(["xdotool", "search", "--pid", str(game.process.pid)], capture_output=True, text=True,
                            timeout=10).stdout.split()[0]
    shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True, text=True,
                           timeout=10).stdout
    values = dict(line.split("=", 1) for line in shell.split() if "=" in line)
    x, y, w, h = (int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
    return window, (x, y, x + w, y + h)


def resized_window(game):
    """The window made smaller from outside (as a window manager or its user may): the whole
    picture shows scaled into it, the drawn pointer stands on the pointer and a drawn button
    (Optionen, then the options' OK) takes its click; then the window gets its size back."""
    window, area = window_geometry(game)
    menu_before = main_menu(game)
    xdo("windowsize", window, 960, 720)
    xdo("mousemove", 5, 5)
    _, menu = game.wait(lambda im: buttons(im) if len(buttons(im)) == 6 and buttons(im)[0][2] - buttons(im)[0][0] <
                        0.85 * (menu_before[0][2] - menu_before[0][0]) else None, "main menu scaled into the smaller window")
    _, small = window_geometry(game)
    game.screen.grab("resized")
    # Scaled, not cropped: the menu's last button and the eye below it lie inside the window.
    if menu[-1][3] >= small[3] or menu[0][1] <= small[1]:
        raise Failure("the menu at %s does not fit the resized window %s" % (menu, small))
    check_pointer(game, small)
    ok = options_ok(game)
    game.click(centre(ok), "the options' OK in the resized window", 0.05)
    main_menu(game)
    xdo("windowsize", window, area[2] - area[0], area[3] - area[1])
    print("%.0f s: window resized to %s and back, its buttons took the clicks" % (time.monotonic() - game.start, small))


def profile_lives(xdg):
    """The lives and difficulty the profile file holds after the game ended."""
    path = os.path.join(xdg, "Lumaro", "profile.prf")
    text = open(path, "rb").read().decode("utf-16")
    values = {}
    for key in ("LEBEN", "SCHWIERIGKEIT"):
        at = text.find("<%s>" % key)
        values[key] = int(text[at:].split("|")[1]) if at >= 0 else None
    return values


def reported_lives(run):
    """What the game logged about the lives, in order: ("change", difficulty, before, after) for
    each change of difficulty, ("lost", lives) for each level lost."""
    data = open(os.path.join(run, "logs", "logfile.log"), "rb").read()
    text = data.decode("utf-16", errors="replace") if b"\x00" in data[:200] else data.decode("utf-8", errors="replace")
    events = []
    for found in re.finditer(r"Schwierigkeit (\d+), Leben (\d+) -> (\d+)|Level verloren, Leben (\d+)", text):
        if found.group(4) is None:
            events.append(("change",) + tuple(int(found.group(k)) for k in (1, 2, 3)))
        else:
            events.append(("lost", int(found.group(4))))
    return events


# ------------------------------------------------------------------ the board


def first_start_to_menu(game):
    """A first start as the benchmarks take it: the name "anna", both OKs, on to the main menu with
    the pointer out of the way."""
    game.wait(lambda im: len(buttons(im)) == 1 and is_hint(im, buttons(im)[0]), "help text", 60.0)
    game.close_hints()
    xdo("type", "--delay", 60, "anna")
    game.pressed_button(lambda b: b[-1] if len(b) == 2 else None, "the new profile's OK")
    game.pressed_button(lambda b: b[-1] if len(b) == 3 else None, "the profile list's OK")
    game.close_hints()
    xdo("mousemove", 5, 5)
    game.wait(lambda im: buttons(im) if len(buttons(im)) == 6 else None, "main menu", 10.0)


def picture_inside(image):
    """The in-game picture (the largest parchment-coloured region) and, inside its edge, where
    something other than parchment is drawn."""
    parchment = np.array([241, 227, 192])
    plain = (np.abs(image - parchment) < 22).all(axis=2)
    frames = components(plain, step=4, min_w=200, min_h=200)
    if not frames:
        raise Failure("no in-game picture drawn")
    fx0, fy0, fx1, fy1 = max(frames, key=lambda bx: (bx[2] - bx[0]) * (bx[3] - bx[1]))
    return (fx0, fy0, fx1, fy1), ~plain[fy0 + 8 : fy1 - 8, fx0 + 8 : fx1 - 8]


def board_cells(image, columns, rows):
    """The drawn board of a level without holes, inside the in-game picture: the picture is the
    largest parchment-coloured region, the board the box of what is not parchment inside it, cut
    into columns x rows cells. Returns the cells' centres, their size and the board's box."""
    (fx0, fy0, _, _), inner = picture_inside(image)
    parts = components(inner, step=4, min_w=40, min_h=40)
    if not parts:
        raise Failure("no board drawn in the in-game picture")
    bx0, by0, bx1, by1 = max(parts, key=lambda bx: (bx[2] - bx[0]) * (bx[3] - bx[1]))
    x0, y0, x1, y1 = bx0 + fx0 + 8, by0 + fy0 + 8, bx1 + fx0 + 8, by1 + fy0 + 8
    cw, ch = (x1 - x0) / columns, (y1 - y0) / rows
    cells = [[(int(x0 + (c + 0.5) * cw), int(y0 + (rr + 0.5) * ch)) for c in range(columns)] for rr in range(rows)]
    return cells, (cw, ch), (x0, y0, x1, y1)


def stone_kinds(image, cells, size):
    """Each cell's stone as a kind number: the mean colour of its middle, grouped by likeness."""
    q = int(min(size) * 0.18)
    means = []
    for row in cells:
        means.append([image[y - q : y + q, x - q : x + q].reshape(-1, 3).mean(axis=0) for x, y in row])
    kinds, centres = [], []
    for row in means:
        kinds.append([])
        for m in row:
            for i, c in enumerate(centres):
                if np.abs(m - c).sum() < 45:
                    kinds[-1].append(i)
                    break
            else:
                centres.append(m)
                kinds[-1].append(len(centres) - 1)
    return kinds, centres


def find_swap(kinds, prefer=None):
    """A swap of two neighbours that lines up three of a kind, those of the kind preferred first."""
    rows, columns = len(kinds), len(kinds[0])

    def run_at(k, r, c):
        def same(rr, cc):
            return 0 <= rr < rows and 0 <= cc < columns and k[rr][cc] == k[r][c]

        horizontal = 1 + sum(1 for _ in iter_while(lambda i: same(r, c - i))) + sum(1 for _ in iter_while(lambda i: same(r, c + i)))
        vertical = 1 + sum(1 for _ in iter_while(lambda i: same(r - i, c))) + sum(1 for _ in iter_while(lambda i: same(r + i, c)))
        return max(horizontal, vertical) >= 3

    found = []
    for r in range(rows):
        for c in range(columns):
            for dr, dc in ((0, 1), (1, 0)):
                r2, c2 = r + dr, c + dc
                if r2 >= rows or c2 >= columns:
                    continue
                k = [row[:] for row in kinds]
                k[r][c], k[r2][c2] = k[r2][c2], k[r][c]
                if run_at(k, r, c) or run_at(k, r2, c2):
                    kind = k[r][c] if run_at(k, r, c) else k[r2][c2]
                    found.append(((r, c), (r2, c2), kind))
    # The kind preferred first, then the top-most, where the level's targets are fewest.
    found.sort(key=lambda m: (m[2] != prefer, m[0][0]))
    return found


def iter_while(test):
    i = 1
    while test(i):
        yield i
        i += 1


def swap(game, cells, move, size):
    """Swaps two drawn stones by two clicks; both cells must change (swapped or cleared). On a busy
    machine the swap, the match and the refill can take seconds, so the cells are watched until they
    settle: both must have changed on the way, and at least one must differ at the end (a refill may
    bring back a stone of the same kind; a refused swap brings both back)."""
    (r1, c1), (r2, c2), _ = move
    before = game.screen.grab()
    for r, c in ((r1, c1), (r2, c2)):
        xdo("mousemove", cells[r][c][0], cells[r][c][1])
        time.sleep(0.1)
        xdo("click", 1)
        time.sleep(0.15)
    qx, qy = int(size[0] * 0.3), int(size[1] * 0.3)
    boxes = [(x - qx, y - qy, x + qx, y + qy) for x, y in (cells[r1][c1], cells[r2][c2])]
    seen = [False, False]
    last = before
    deadline = time.monotonic() + 8.0  # cells that never settle are taken as they are
    while time.monotonic() < deadline:
        time.sleep(0.25)
        now = game.screen.grab()
        seen = [was or changed(before, now, box) >= 0.2 for was, box in zip(seen, boxes)]
        settled = all(changed(last, now, box) < 0.02 for box in boxes)
        last = now
        if all(seen) and settled:
            break
    return all(seen) and any(changed(before, last, box) >= 0.2 for box in boxes)


# ------------------------------------------------------------------ free play


def edge_phase(positions, pitch):
    """How well edges line up on a grid of that pitch (1: all on it) and where the grid starts."""
    z = np.exp(2j * np.pi * positions / pitch).mean()
    return abs(z), (np.angle(z) / (2 * np.pi) * pitch) % pitch


def run_edges(mask, least):
    """Where runs of at least `least` set pixels begin and end along every row, each with at least
    `least` clear pixels before or after it: the board's outline, not the stones inside it."""
    starts, ends = [], []
    for row in mask:
        d = np.diff(np.concatenate(([0], row.astype(np.int8), [0])))
        begins, stops = np.nonzero(d == 1)[0], np.nonzero(d == -1)[0]
        for i, (b, e) in enumerate(zip(begins, stops)):
            if e - b < least:
                continue
            if i == 0 or b - stops[i - 1] >= least:
                starts.append(b)
            if i + 1 == len(begins) or begins[i + 1] - e >= least:
                ends.append(e)
    return np.array(starts, dtype=float), np.array(ends, dtype=float)


def free_board_cells(image):
    """The drawn cells of a board with holes (free play), inside the in-game picture: the board is
    what is not parchment there; every edge of its outline lies on the grid of its cells, which
    gives their pitch and where they start. Returns the grid's centres, its cell size and which
    of its cells are drawn (the others are holes)."""
    (fx0, fy0, _, _), inner = picture_inside(image)
    # Only edges that stand along a good part of a side: a compact board has few steps in its
    # outline, and the corners' knobs and stones touching it would outweigh them.
    def steady(edges):
        return np.array([e for e in edges if np.count_nonzero(np.abs(edges - e) <= 1.0) >= 8])

    left, right = (steady(e) for e in run_edges(inner, 8))
    top, bottom = (steady(e) for e in run_edges(inner.T, 8))
    if len(left) < 20 or len(top) < 20:
        raise Failure("no free board drawn")
    # The pitch on which all four sides' edges line up best; a whole fraction of it lines them up
    # as well where the edges are exact, so the largest of the near-best is the cells' own. (One
    # side alone can line up on a wrong, larger pitch: a board of few steps has few edges per side,
    # and stones touching the outline add edges of their own.)
    # The cells' pitch from what repeats inside the board: every cell's tile has its own edge, so
    # the columns' brightness changes come back once per cell (the outline of a compact board has
    # too few steps to give it alone).
    grey = image[fy0 + 8 : fy0 + 8 + inner.shape[0], fx0 + 8 : fx0 + 8 + inner.shape[1]].mean(axis=2)
    profile = np.abs(np.diff(grey, axis=1))[inner[:, 1:].any(axis=1)].mean(axis=0)
    profile = profile - profile.mean()
    lags = np.arange(20, min(160, len(profile) // 2))
    corr = np.array([np.dot(profile[:-lag], profile[lag:]) / (len(profile) - lag) for lag in lags])
    k = int(np.argmax(corr))
    # Between whole pixels: the parabola through the peak and its neighbours.
    shift = 0.0
    if 0 < k < len(corr) - 1:
        bend = corr[k - 1] - 2 * corr[k] + corr[k + 1]
        shift = 0.5 * (corr[k - 1] - corr[k + 1]) / bend if bend < 0 else 0.0
    pitch = float(lags[k] + shift)
    # The outline is drawn just outside the cells, as wide on the left and right (and at the top).
    x0, xr = edge_phase(left, pitch)[1], edge_phase(right, pitch)[1]
    border = ((xr - x0) % pitch) / 2.0
    y0 = edge_phase(top, pitch)[1]
    h, w = inner.shape
    q = max(2, int(pitch * 0.2))
    cells, drawn = [], []
    for y in np.arange((y0 + border) % pitch + pitch / 2, h, pitch):
        cells.append([])
        drawn.append([])
        for x in np.arange((x0 + border) % pitch + pitch / 2, w, pitch):
            xi, yi = int(x), int(y)
            cells[-1].append((xi + fx0 + 8, yi + fy0 + 8))
            drawn[-1].append(bool(inner[max(0, yi - q) : yi + q, max(0, xi - q) : xi + q].mean() > 0.9))
    return cells, (pitch, pitch), drawn


def board_settled(game, find, name):
    """Waits for a board rolling in to be drawn whole: what find(image) reads of it (its key,
    and what else it found) stays the same between two grabs. Returns the grab, the key and the rest."""
    previous = None
    end = time.monotonic() + 30.0 * slowness()
    while True:
        image = game.close_hints()
        try:
            key, found = find(image)
        except Failure:
            key = None
        if key and key == previous:
            return image, key, found
        if time.monotonic() > end:
            game.screen.grab("no_" + name.split()[-1].replace("'", ""))
            raise Failure("the %s was not drawn whole within 30 s" % name)
        previous = key
        time.sleep(0.7)


def free_play(game):
    """The town's "Freies Spiel": its board of stamped islands is found in what is drawn, two of
    its stones are swapped by clicks (both cells must change), and the town is reached again
    through the pause's Hauptmenü and Spielen."""
    game.pressed_button(lambda b: b[1] if len(b) == 3 else None, "the town's Freies Spiel", 0.05)
    def free_board(image):
        cells, size, drawn = free_board_cells(image)
        # The grid alone tells that the board stands: how many cells read as drawn changes with the
        # stones' own animation (a pale stone reads as parchment), so it would never hold still.
        return (len(cells), len(cells[0]), round(size[0])), (cells, size, drawn)

    image, shape, (cells, size, drawn) = board_settled(game, free_board, "free board")
    game.screen.grab("free_play")
    print("%.0f s: free board of %d cells of %.0f px" % (time.monotonic() - game.start, sum(map(sum, drawn)), size[0]))
    kinds, _ = stone_kinds(image, cells, size)
    for r, row in enumerate(drawn):
        for c, cell in enumerate(row):
            if not cell:
                kinds[r][c] = -1 - r * len(row) - c  # a hole matches nothing
    failed = []
    for move in find_swap(kinds):
        (r1, c1), (r2, c2), kind = move
        if kind < 0 or not (drawn[r1][c1] and drawn[r2][c2]):
            continue
        xdo("mousemove", 5, 5)
        if swap(game, cells, move, size):
            break
        failed.append(move[:2])
        if len(failed) == 3:
            game.screen.grab("free_swap_missed")
            raise Failure("three swaps of drawn stones in free play changed nothing, the last %s" % (move[:2],))
    else:
        raise Failure("no swap found on the drawn free board")
    game.screen.grab("free_play_swapped")
    game.close_hints()
    xdo("key", "Escape")
    _, found = game.wait(lambda im: [bx for bx in buttons(im) if bx[0] > im.shape[1] // 4] if len(
        [bx for bx in buttons(im) if bx[0] > im.shape[1] // 4]) == 3 else None, "pause over free play", timeout=10.0)
    game.click(centre(found[1]), "the pause's Hauptmenü", 0.05)
    main_menu(game)
    game.pressed_button(lambda b: b[0] if len(b) == 6 else None, "Spielen after free play", 0.05)
    xdo("mousemove", 5, 5)
    game.wait(lambda im: len(buttons(im)) == 3, "the town again after free play", timeout=10.0)


def bonus_buttons(image):
    """The bonus bar's round buttons, left to right: their gold rings in the screen's bottom fifth."""
    h = image.shape[0]
    bottom = image[h * 4 // 5 :]
    r, g, b = bottom[..., 0], bottom[..., 1], bottom[..., 2]
    ring = (r > 170) & (g > 130) & (b < 90) & (r - b > 100)
    boxes = [bx for bx in components(ring, step=2, min_w=40, min_h=40)]
    return sorted((bx[0], bx[1] + h * 4 // 5, bx[2], bx[3] + h * 4 // 5) for bx in boxes)


def hammer_ready(image):
    """The hammer's button (the first) shows a full charge: its label reads "100%", the widest."""
    found = bonus_buttons(image)
    if not found:
        return False
    x0, y0, x1, y1 = found[0]
    label = image[y1 - (y1 - y0) // 4 : y1 + (y1 - y0) // 6, x0:x1]
    white = (label > 200).all(axis=2)
    cols = np.nonzero(white.any(axis=0))[0]
    return len(cols) > 0 and cols[-1] - cols[0] > (x1 - x0) * 0.58


def use_hammer(game, image, cells, size):
    """Clicks the full hammer's drawn button, then a stone: that stone bursts."""
    button = bonus_buttons(image)[0]
    game.click(centre(button), "the full hammer's button", expect_change=0.002)
    x, y = cells[len(cells) // 2][len(cells[0]) // 2]
    qx, qy = int(size[0] * 0.3), int(size[1] * 0.3)
    game.click((x, y), "a stone for the hammer", expect_change=0.2, box=(x - qx, y - qy, x + qx, y + qy))
    game.screen.grab("hammer_used")
    time.sleep(1.0)
    after = game.screen.grab()
    if hammer_ready(after):
        raise Failure("the hammer still shows full after it struck")


def main():
    binary, run_source, out = (os.path.abspath(a) for a in sys.argv[1:4])
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="window-playthrough-")
    run = os.path.join(work, "run")
    shutil.copytree(run_source, run)
    os.environ["XDG_DATA_HOME"] = os.path.join(work, "xdg")
    os.environ.setdefault("SDL_AUDIODRIVER", "dummy")
    game = Game(binary, run, out)
    try:
        play(game)
        print("window play-through passed in %.0f s" % (time.monotonic() - game.start))
        return 0
    except Failure as failure:
        print("window play-through FAILED: %s (screens in %s)" % (failure, out))
        return 1
    finally:
        if game.process.poll() is None:
            game.process.terminate()
            try:
                game.process.wait(10)
            except subprocess.TimeoutExpired:
                game.process.kill()
        shutil.rmtree(work, ignore_errors=True)


def play(game):
    # First start: a help text over the new profile's screen, drawn at all once loading is done.
    image, _ = game.wait(
        lambda im: len(buttons(im)) == 1 and is_hint(im, buttons(im)[0]), "first screen's help text", timeout=60.0
    )
    h, w, _ = image.shape
    check_pointer(game, (0, 0, w, h))
    game.close_hints()
    # The name, typed, and the new profile's OK (the right one of its two buttons).
    xdo("type", "--delay", 60, "anna")
    game.pressed_button(lambda b: b[-1] if len(b) == 2 else None, "the new profile's OK")
    second_profile(game)
    # The profile list's OK (the right one of Neu, Löschen, OK).
    game.pressed_button(lambda b: b[-1] if len(b) == 3 else None, "the profile list's OK")
    # The main menu, its buttons against their reference; "Spielen" is the first of its six.
    game.close_hints()
    xdo("mousemove", 5, 5)
    image, menu = game.wait(lambda im: buttons(im) if len(buttons(im)) == 6 else None, "main menu", timeout=10.0)
    image = game.settle()
    menu = buttons(image)
    matches_reference(game, image, (menu[0][0] - 10, menu[0][1] - 10, menu[-1][2] + 10, menu[-1][3] + 10), "main_menu")
    # The rest is played in a window: its drawn buttons and stones take the clicks there.
    to_windowed(game)
    full_screen_and_back(game, menu)
    resized_window(game)
    game.pressed_button(lambda b: b[0] if len(b) == 6 else None, "Spielen in the main menu", 0.05)
    game.screen.grab("town")
    free_play(game)
    # The town: "Nächstes Level" is the first of its three.
    game.pressed_button(lambda b: b[0] if len(b) == 3 else None, "the town's Nächstes Level", 0.05)
    # The roll-in: the board is whole once its drawn box stays the same.
    def level_board(image):
        cells, size, area = board_cells(image, 8, 8)
        return (area if area[3] - area[1] > 0.8 * (area[2] - area[0]) else None), (cells, size)

    image, area, (cells, size) = board_settled(game, level_board, "level's board")
    game.screen.grab("level")
    print("%.0f s: board drawn at %s, cells of %.0f x %.0f px" % (time.monotonic() - game.start, area, size[0], size[1]))
    # Pause with Escape, resume by the pause's drawn "Weiter" (the first of its three buttons).
    def pause_buttons(image):
        found = [bx for bx in buttons(image) if bx[0] > image.shape[1] // 4]
        return found if len(found) == 3 else None

    game.close_hints()
    xdo("key", "Escape")
    _, found = game.wait(pause_buttons, "pause with Weiter, Hauptmenü and Beenden after Escape", timeout=10.0)
    game.screen.grab("paused")
    game.click(centre(found[0]), "the pause's Weiter", 0.05)
    game.wait(lambda im: not pause_buttons(im), "level again after Weiter", timeout=10.0)
    swaps = 0
    used = False
    missed = 0
    # Swaps that changed nothing are not tried again until one works: a stone misread while its
    # hint blinks would otherwise be tried over and over.
    failed = set()
    # The pointer waits beside the board, so that its picture covers no stone.
    aside = (area[0] // 2, area[3])
    for _ in range(40):
        xdo("mousemove", aside[0], aside[1])
        image = game.close_hints()
        if swaps >= 5 and used:
            break
        if not used and hammer_ready(image):
            use_hammer(game, image, cells, size)
            used = True
            continue
        kinds, colours = stone_kinds(image, cells, size)
        # The bonus coins (dark rings) first, so that the hammer charges.
        coin = int(np.argmin([c.sum() for c in colours]))
        moves = [m for m in find_swap(kinds, prefer=coin) if m[:2] not in failed]
        if not moves:
            failed.clear()
            time.sleep(1.0)
            continue
        if swap(game, cells, moves[0], size):
            swaps += 1
            missed = 0
            failed.clear()
            continue
        # A help text or an introduction that came up with the last cascade took the clicks.
        closed = game.closed
        end = time.monotonic() + 6.0 * slowness()
        while game.closed == closed and time.monotonic() < end:
            time.sleep(0.5)
            game.close_hints()
        if game.closed > closed:
            continue
        # A stone taken for another kind (a blinking hint) makes a swap that goes back; three in a
        # row are clicks that miss the stones.
        missed += 1
        failed.add(moves[0][:2])
        if missed == 3:
            game.screen.grab("swap_missed")
            raise Failure("three swaps of drawn stones changed nothing, the last %s: the clicks missed them" % (moves[0][:2],))
    if swaps < 5:
        raise Failure("only %d swaps were possible" % swaps)
    if not used:
        raise Failure("the hammer never charged")
    game.screen.grab("after_swaps")
    print("%.0f s: %d swaps and the hammer" % (time.monotonic() - game.start, swaps))
    # Easy and back to medium during the level: the lives stay (checked in the file at the end).
    choose_difficulty(game, 0)
    choose_difficulty(game, 1)
    # Quit: "Beenden", the last button of the pause (of the main menu, if the level was won).
    if town_to_main_menu(game):
        found = main_menu(game)
    else:
        xdo("key", "Escape")
        _, found = game.wait(pause_buttons, "pause with Weiter, Hauptmenü and Beenden", timeout=10.0)
    xdo("mousemove", *centre(found[-1]))
    time.sleep(0.15)
    xdo("click", 1)
    try:
        code = game.process.wait(20)
    except subprocess.TimeoutExpired:
        game.screen.grab("no_quit")
        raise Failure("the game did not end within 20 s of the click on Beenden at %s" % (centre(found[-1]),))
    if code != 0:
        raise Failure("the game ended with %d" % code)
    config_windowed(os.environ["XDG_DATA_HOME"])
    # The lives are judged against what the game reported before and after each change: on a
    # slow machine the level's clock may run out and take a life, which is no fault of the change.
    events = reported_lives(game.run)
    changes = [e for e in events if e[0] == "change"]
    if [c[1] for c in changes[-2:]] != [0, 1]:
        raise Failure("the game reported the changes of difficulty %s, not easy then medium" % changes)
    for _, difficulty, before, after in changes[-2:]:
        if after != min(before, (9, 6, 3)[difficulty]):
            raise Failure("the change to difficulty %d took lives: %d before, %d after" % (difficulty, before, after))
    last = events[-1][-1]
    values = profile_lives(os.environ["XDG_DATA_HOME"])
    if values != {"LEBEN": last, "SCHWIERIGKEIT": 1}:
        raise Failure("after easy and back to medium the profile holds %s, not the %d lives the game reported on medium"
                      % (values, last))
    lost = sum(1 for e in events if e[0] == "lost")
    print("%.0f s: easy and back to medium kept the lives (%d at the end, %d level(s) lost to the clock)"
          % (time.monotonic() - game.start, last, lost))


if __name__ == "__main__":
    sys.exit(main())
