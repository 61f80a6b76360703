#!/usr/bin/env python3
"""Checks that the pictures docs/plugin-messages.md shows are what its C
snippets draw now: runs guide_pictures.exe (the guide's snippets compiled
in) under Wine into an empty folder and compares every picture it saved,
pixel by pixel, with the committed PNG file the guide links to. Every
picture a step saves must be shown by the guide, and every picture the
guide shows must come from a step.

On a difference, `scripts/guide-pictures docs/images` makes the pictures
anew (when the board's drawing changed on purpose).
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile


def pixels(path):
    """The picture as a binary PPM: its size and its RGB bytes."""
    return subprocess.run(["convert", path, "-depth", "8", "ppm:-"], stdout=subprocess.PIPE, check=True).stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--program", required=True, help="guide_pictures.exe")
    parser.add_argument("--guide", required=True, help="docs/plugin-messages.md")
    options = parser.parse_args()

    with open(options.guide, encoding="utf-8") as source:
        shown = sorted(set(re.findall(r"\]\(images/([^)]+)\.png\)", source.read())))
    images = os.path.join(os.path.dirname(options.guide), "images")
    failures = []
    with tempfile.TemporaryDirectory(prefix="guide-pictures-") as folder:
        result = subprocess.run([options.wine, options.program, "."], cwd=folder, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=240)
        print(result.stdout.decode("latin-1"), flush=True)
        if result.returncode != 0:
            failures.append("guide_pictures.exe ended with %d" % result.returncode)
        made = sorted(name[:-4] for name in os.listdir(folder) if name.endswith(".bmp"))
        for name in made:
            if name not in shown:
                failures.append("the step %s saves a picture the guide does not show" % name)
        for name in shown:
            committed = os.path.join(images, name + ".png")
            if name not in made:
                failures.append("the guide shows images/%s.png, which no step makes" % name)
            elif not os.path.exists(committed):
                failures.append("docs/images/%s.png is missing" % name)
            elif pixels(committed) != pixels(os.path.join(folder, name + ".bmp")):
                failures.append("docs/images/%s.png is not what its snippet draws now" % name)
            else:
                print("docs/images/%s.png: what its snippet draws" % name)
    for failure in failures:
        print("FAIL: " + failure)
    if failures:
        print("(scripts/guide-pictures docs/images makes the pictures anew)")
        return 1
    print("%d pictures of the guide match its snippets" % len(shown))
    return 0


if __name__ == "__main__":
    sys.exit(main())
