#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads a running program over AT-SPI as a screen reader does: finds the
# application APP on the accessibility bus, walks its tree and, for every
# control with a text interface, asks for the character, word and line at,
# before and after its start, middle and end. Any answer slower than a second
# (a control that loops) fails, as does a text that disagrees with its own
# offsets.
#
# Prints "node<TAB>ROLE<TAB>NAME<TAB>TEXTLENGTH" for every node (length -1
# without a text interface) and "FAIL ..." for each fault. Exits 0 when
# nothing failed, 1 on a fault, 2 when APP never appeared on the bus (no bus,
# no registry or no bridge: the test must not pass then).
# Usage: atspi_probe.py APP
import sys
import time

import pyatspi
from gi.repository import Atspi

LIMIT = 1.0  # seconds an answer may take
app_name = sys.argv[1]
failures = 0


def fail(message):
    global failures
    failures += 1
    print("FAIL " + message, flush=True)


def timed(what, call):
    start = time.monotonic()
    try:
        result = call()
    except Exception as error:  # a time-out comes back as an error
        fail("%s: %s after %.2f s" % (what, error, time.monotonic() - start))
        sys.exit(1)  # the program is stuck: every further answer would wait too
    took = time.monotonic() - start
    if took > LIMIT:
        fail("%s took %.2f s" % (what, took))
        sys.exit(1)
    return result


def find_app():
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == app_name:
                if app.childCount > 0:
                    return app
        time.sleep(0.2)
    return None


KINDS = [("char", pyatspi.TEXT_BOUNDARY_CHAR), ("word", pyatspi.TEXT_BOUNDARY_WORD_START),
         ("line", pyatspi.TEXT_BOUNDARY_LINE_START)]


def probe_text(label, text):
    count = timed(label + " characterCount", lambda: text.characterCount)
    whole = timed(label + " getText", lambda: text.getText(0, -1))
    if len(whole) != count:  # (no text here holds characters beyond the BMP)
        fail("%s: %d characters but a text of %d" % (label, count, len(whole)))
    for offset in sorted({0, count // 2, max(count - 1, 0), count}):
        for kind, boundary in KINDS:
            for side, ask in (("at", text.getTextAtOffset), ("before", text.getTextBeforeOffset),
                              ("after", text.getTextAfterOffset)):
                what = "%s %s %s offset %d" % (label, kind, side, offset)
                got, start, end = timed(what, lambda: ask(offset, boundary))
                if start >= 0 and end >= start and got != whole[start:end]:
                    fail("%s: %r is not the text at %d..%d" % (what, got, start, end))
    return count


def walk(node, depth=0):
    if depth > 30:
        return
    role = timed("role", node.getRoleName)
    name = timed("name", lambda: node.name)
    length = -1
    try:
        text = node.queryText()
    except NotImplementedError:
        text = None
    if text is not None:
        length = probe_text("%s %r" % (role, name), text)
    print("node\t%s\t%s\t%d" % (role, name, length), flush=True)
    for i in range(timed("childCount", lambda: node.childCount)):
        child = timed("child", lambda: node.getChildAtIndex(i))
        if child is not None:
            walk(child, depth + 1)


app = find_app()
if app is None:
    print("FAIL %s is not on the accessibility bus" % app_name, flush=True)
    sys.exit(2)
# A control that loops makes the call time out instead of waiting 25 s (the
# program is up: no grace for its start).
Atspi.set_timeout(int(LIMIT * 1000) + 500, 0)
walk(app)
sys.exit(1 if failures else 0)
