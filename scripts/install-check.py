#!/usr/bin/env python3
"""Starts an installed game from a folder of the caller's choice on the X server of DISPLAY, plays a
first start to the main menu (a profile named "anna"), quits with its "Beenden" and fails unless
the game ends by itself with exit status 0. The driving is window-playthrough.py's.

    install-check.py BINARY WORKING_FOLDER OUT_FOLDER
"""
import importlib.util
import os
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("window_playthrough", os.path.join(here, "window-playthrough.py"))
play = importlib.util.module_from_spec(spec)
spec.loader.exec_module(play)


def main():
    binary, working, out = (os.path.abspath(a) for a in sys.argv[1:4])
    os.makedirs(out, exist_ok=True)
    game = play.Game(binary, working, out)
    try:
        play.first_start_to_menu(game)
        image = game.settle()
        game.screen.grab("main_menu")
        menu = play.buttons(image)
        if len(menu) != 6:
            raise play.Failure("the main menu shows %d buttons, not 6" % len(menu))
        # "Beenden" is the last of the six.
        play.xdo("mousemove", *play.centre(menu[-1]))
        time.sleep(0.15)
        play.xdo("click", 1)
        code = game.process.wait(30)
        if code != 0:
            raise play.Failure("the game ended with %d after Beenden" % code)
        print("installed game started from %s, reached the main menu and ended with 0" % working)
        return 0
    except play.Failure as failure:
        print("install check FAILED: %s (screens in %s)" % (failure, out))
        return 1
    except Exception as error:  # a game that does not end in time
        print("install check FAILED: %s (screens in %s)" % (error, out))
        return 1
    finally:
        if game.process.poll() is None:
            game.process.kill()
            game.process.wait(10)


if __name__ == "__main__":
    sys.exit(main())
