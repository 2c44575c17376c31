"""Finds Stilora on the accessibility bus and reads it as a screen reader does."""
import subprocess
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

# Typing echoed: what a screen reader hears of a typed Greek letter is
# the Unicode letter (the events carry Unicode offsets and text).
heard = []


def on_insert(event):
    if event.source == editor or event.source.name == "Text":
        heard.append((event.detail1, event.any_data))


pyatspi.Registry.registerEventListener(on_insert, "object:text-changed:insert")
from gi.repository import GLib  # noqa: E402

loop = GLib.MainLoop()


def type_keys():
    # the end of the text, then "<a": the breathing composes with the vowel
    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Stilora", "windowfocus", "--sync"], check=False)
    subprocess.run(["xdotool", "key", "--delay", "80", "ctrl+End", "space", "less", "a", "l"], check=False)
    GLib.timeout_add(1500, loop.quit)
    return False


GLib.timeout_add(300, type_keys)
GLib.timeout_add(15000, loop.quit)
loop.run()
pyatspi.Registry.deregisterEventListener(on_insert, "object:text-changed:insert")
final = editor.queryText().getText(0, -1)
check("the typed text reads as Unicode", final == expected + " ἁλ", repr(final))
check("typing is heard as Unicode letters", any(text == "λ" for _, text in heard), repr(heard))
check("a typed letter is heard at its Unicode offset", (len(expected) + 2, "λ") in heard, repr(heard))
# "<" is heard as typed (it stands on the screen until the vowel composes with it); the letter then comes whole.
check("the composed letter is heard whole", (len(expected) + 1, "ἁ") in heard, repr(heard))

buttons = {n.name for n in walk(app) if n.getRole() in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON,
                                                        pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON)}
for name in ("Neu", "Öffnen", "Speichern", "Drucken", "Schrift Greek", "Schrift Arial", "Schrift kleiner",
             "Schrift größer", "Fett", "Kursiv", "Unterstrichen", "Durchgestrichen", "Linksbündig", "Zentriert",
             "Rechtsbündig"):
    check("a button is called " + name, name in buttons, str(sorted(buttons)))
sys.exit(1 if failures else 0)
