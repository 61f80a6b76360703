#!/usr/bin/env python3
"""Turns the C snippets of the plugin-message guide into a C++ source file,
so that the code the guide shows is the code that draws its pictures.

Every ```c block of the guide follows a marker comment that says what it is:

  <!-- guide: code -->
      declarations at file scope (includes, helper functions)
  <!-- guide: step NAME board=NET,CONTACT [picture=window|canvas] [clear] [deliver] -->
      statements, run by guide_pictures.exe as one step with `core` (the
      host's controller object), `IMessageProc` (the plugin's entry point),
      `net` and `contact` (the board) in scope; the picture NAME.bmp shows
      the board window or its canvas afterwards. `clear` clears the board's
      canvas first, `deliver` lets what the host sent arrive first.

A ```c block without a marker is an error: every line of C in the guide is
compiled.

  guide_snippets.py GUIDE.md OUTPUT.cpp
"""
import os
import re
import sys

MARKER = re.compile(r"^<!--\s*guide:\s*(.*?)\s*-->\s*$")
STEP = re.compile(r"^step\s+([a-z0-9-]+)\s+board=(-?\d+),(-?\d+)((?:\s+\S+)*)$")


def fail(guide, line, message):
    sys.exit("%s:%d: %s" % (guide, line, message))


def parse(guide):
    """The blocks of the guide in order: (kind, first line, text, step)."""
    with open(guide, encoding="utf-8") as source:
        lines = source.read().split("\n")
    blocks, marker, i = [], None, 0
    while i < len(lines):
        line = lines[i]
        found = MARKER.match(line)
        if found:
            marker = (found.group(1), i + 1)
        elif line.strip().startswith("```c"):
            if marker is None:
                fail(guide, i + 1, "a C block without a guide marker in front of it")
            end = i + 1
            while end < len(lines) and not lines[end].strip().startswith("```"):
                end += 1
            if end == len(lines):
                fail(guide, i + 1, "the C block does not end")
            text = "\n".join(lines[i + 1:end])
            blocks.append(block_of(guide, marker, i + 2, text))
            marker, i = None, end
        elif line.strip() and marker is not None:
            fail(guide, marker[1], "the guide marker is not followed by a C block")
        i += 1
    return blocks


def block_of(guide, marker, first_line, text):
    words, line = marker
    if words == "code":
        return ("code", first_line, text, None)
    step = STEP.match(words)
    if not step:
        fail(guide, line, "unknown guide marker: %s" % words)
    options = step.group(4).split()
    picture = "None"
    for option in options:
        if option in ("picture=window", "picture=canvas"):
            picture = option.split("=")[1].capitalize()
        elif option not in ("clear", "deliver"):
            fail(guide, line, "unknown step option: %s" % option)
    return ("step", first_line, text, {
        "name": step.group(1), "net": int(step.group(2)), "contact": int(step.group(3)), "picture": picture,
        "clear": "clear" in options, "deliver": "deliver" in options})


def generate(guide, blocks):
    relative = os.path.basename(guide)
    out = ["// Made from %s by guide_snippets.py at build time; edit the guide instead." % relative,
           '#include "guide_steps.h"', ""]
    includes = []
    body = []
    steps = []
    for kind, first_line, text, step in blocks:
        if kind == "code":
            # Includes go first; an empty line keeps the line numbers.
            kept = []
            for line in text.split("\n"):
                if line.startswith("#include"):
                    includes.append(line)
                    line = ""
                kept.append(line)
            body += ['#line %d "%s"' % (first_line, relative)] + kept + [""]
            continue
        if any(step["name"] == other["name"] for _, other in steps):
            fail(guide, first_line, "a second step named %s" % step["name"])
        function = "GuideStep%d" % (len(steps) + 1)
        body += ["static intptr_t %s(HostCore* core, PluginEntry IMessageProc, int32_t net, int32_t contact)" % function,
                 "{",
                 "    (void)core;", "    (void)IMessageProc;", "    (void)net;", "    (void)contact;",
                 '#line %d "%s"' % (first_line, relative)] + text.split("\n") + ["    return 0;", "}", ""]
        steps.append((function, step))
    if not steps:
        sys.exit("%s: no guide step" % guide)
    table = ["const GuideStep GuideSteps[] = {"]
    for function, step in steps:
        table.append('    {"%s", %s, %d, %d, GuidePicture::%s, %s, %s},' % (
            step["name"], function, step["net"], step["contact"], step["picture"],
            "true" if step["clear"] else "false", "true" if step["deliver"] else "false"))
    table += ["};", "const size_t GuideStepCount = sizeof GuideSteps / sizeof GuideSteps[0];", ""]
    return "\n".join(out + includes + [""] + body + table)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: guide_snippets.py GUIDE.md OUTPUT.cpp")
    guide, output = sys.argv[1], sys.argv[2]
    text = generate(guide, parse(guide))
    with open(output, "w", encoding="utf-8") as target:
        target.write(text)


if __name__ == "__main__":
    main()
