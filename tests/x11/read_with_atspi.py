"""Finds Stilora on the accessibility bus and reads it as a screen reader does."""
import sys
import time

import pyatspi

expected = sys.argv[1]
failures = []


def check(what, ok, detail=""):
    print(("PASS " if ok else "FAIL ") + what + (": " + detail if detail and not ok else ""))
    if not ok:
        failures.append(what)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        try:
            yield from walk(node.getChildAtIndex(i), depth + 1)
        except Exception:
            pass


app = None
deadline = time.time() + 30
while time.time() < deadline and app is None:
    desktop = pyatspi.Registry.getDesktop(0)
    for a in desktop:
        if a is not None and a.name in ("Stilora", "stilora"):
            app = a
    if app is None:
        time.sleep(0.5)
check("the program is on the accessibility bus", app is not None)
if app is None:
    sys.exit(1)

editor = None
deadline = time.time() + 30
while time.time() < deadline:
    nodes = list(walk(app))
    editor = next((n for n in nodes if n.name == "Text" and n.getRole() == pyatspi.ROLE_TEXT), None)
    if editor is not None:
        text = editor.queryText()
        if text.characterCount > 0:
            break
    time.sleep(0.5)
check("the editor is found by its name", editor is not None)
if editor is None:
    sys.exit(1)
text = editor.queryText()
got = text.getText(0, -1)
check("the editor's text is Unicode Greek", got == expected, repr(got))
check("one character per letter", text.characterCount == len(expected), str(text.characterCount))
first = text.getCharacterExtents(0, pyatspi.DESKTOP_COORDS)
second = text.getCharacterExtents(1, pyatspi.DESKTOP_COORDS)
check("the first letter has a place on the screen", first[2] > 0 and first[3] > 0, str(first))
check("the second letter stands right of the first", second[0] >= first[0] + first[2] - 1, str((first, second)))
at = text.getOffsetAtPoint(second[0] + second[2] // 2, second[1] + second[3] // 2, pyatspi.DESKTOP_COORDS)
check("the point of a letter gives its offset", at == 1, str((at, second)))
check("a word at an offset", text.getTextAtOffset(7, pyatspi.TEXT_BOUNDARY_WORD_START)[0].strip() == expected.split()[1],
      repr(text.getTextAtOffset(7, pyatspi.TEXT_BOUNDARY_WORD_START)))

buttons = {n.name for n in walk(app) if n.getRole() in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON,
                                                        pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON)}
for name in ("Neu", "Öffnen", "Speichern", "Drucken", "Schrift Greek", "Schrift Arial", "Schrift kleiner",
             "Schrift größer", "Fett", "Kursiv", "Unterstrichen", "Durchgestrichen", "Linksbündig", "Zentriert",
             "Rechtsbündig"):
    check("a button is called " + name, name in buttons, str(sorted(buttons)))
sys.exit(1 if failures else 0)
