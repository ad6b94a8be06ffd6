#!/usr/bin/python3
"""What a screen reader meets in Taviro Start, walked through the AT-SPI bus.

Starts the editor under Xvfb on a session bus of its own with the accessibility bus, in each
language (or the one given), with a program that holds every command of the menu under every
condition kind and a pin set-up with every kind of gadget. Then it walks, as Orca would see
them: the main window, the property panel of every row, every settings page, the class window
and both file dialogs. It lists every interactive control without a name and every combo box
that is not tied to a caption (on Linux Qt names a combo box by its value: the caption comes
from the label that names it, the "labelled by" relation), and prints the figures.

    tools/atspi-walk.py build/bin/taviro-start [--language English] [--verbose]

Exit status 0 when nothing is unnamed and every combo box has its caption, 1 otherwise.
Needs xvfb-run, dbus-run-session, at-spi2-core and python3-pyatspi (Debian packages).
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def outer(args):
    """Runs this script again inside Xvfb and a private session bus."""
    command = [
        "xvfb-run", "-a", "-s", "-screen 0 1280x720x24",
        "dbus-run-session", "--",
        sys.executable, os.path.abspath(__file__), "--inside", args.program,
    ]
    if args.language:
        command += ["--language", args.language]
    if args.verbose:
        command.append("--verbose")
    return subprocess.call(command)


# ---------------------------------------------------------------------------------------------
# The home folder the editor starts from.

def languages():
    found = []
    folder = os.path.join(ROOT, "Languages")
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name, "base.json")
        if os.path.isfile(path):
            with open(path, encoding="utf-8") as file:
                found.append((json.load(file)["Language"], path))
    return found


def every_gadget():
    pins = [("D5", 40), ("D6", 41), ("D3", 20), ("D9", 20), ("D2", 30), ("A1", 30), ("D4", 70),
            ("D11", 60), ("D7", 1), ("A0", 11), ("A2", 12)]
    return {"pins": [{"pinLbl": label, "gadgetId": gadget} for label, gadget in pins],
            "servocalibr": [], "Motor1": 100, "Motor2": 100}


CONDITIONS = {
    "always": {"type": "always"},
    "single": {"type": "single",
               "data": [{"pin": "A0", "equation": "inside", "level": "20", "level2": "80"}]},
    "conditions": {"type": "and", "data": [{"pin": "D2", "equation": "equals", "level": "1"},
                                           {"pin": "A0", "equation": "greater", "level": "50"}]},
    "counter": {"type": "single", "data": [{"equation": "counter", "level": "3"}]},
    "conditioncounter": {"type": "or", "data": [{"pin": "D7", "equation": "equals", "level": "0"},
                                                {"equation": "counter", "level": "2"}]},
}


def every_command(base):
    """One row of every command under each condition kind it allows."""
    rows = []
    for button in base["CommandMenu"]["Buttons"]:
        name = button.get("Command")
        if not name or name == "empty":
            continue
        kinds = ["always"] + [kind.lower() for kind in button.get("Conditions", [])
                              if kind.lower() in CONDITIONS and kind.lower() != "always"]
        for kind in kinds:
            rows.append({"conditions": CONDITIONS[kind], "action": {"command": name}})
    return rows


def prepare_home(language, base_path):
    with open(base_path, encoding="utf-8") as file:
        base = json.load(file)
    home = tempfile.mkdtemp(prefix="atspi-walk-")
    os.makedirs(os.path.join(home, "Lumakit", "Programs"))
    state = {"Language": language, "BluetoothDeviceName": "",
             "configuration": every_gadget(),
             "ProgData": [every_command(base), []]}
    with open(os.path.join(home, "Lumakit", "states.json"), "w", encoding="utf-8") as file:
        json.dump(state, file, ensure_ascii=False)
    return home


# ---------------------------------------------------------------------------------------------
# The walk.

class Census:
    """Every visit counts as a check; a control is told apart by its room and its place in the
    tree, so the panel's controls met under many rows count once."""

    def __init__(self):
        self.checked = 0
        self.controls = {}
        self.combos = {}
        self.unnamed = {}  # (room, place in the tree) -> places where it was met
        self.uncaptioned = {}

    def note(self, found, control, place):
        found.setdefault(control[:2], [control]).append(place)

    def report(self, language):
        print("%s: %d checks of %d controls; without a name: %d; combo boxes: %d, "
              "not tied to a caption: %d" %
              (language, self.checked, len(self.controls), len(self.unnamed), len(self.combos),
               len(self.uncaptioned)))
        for title, found in (("unnamed", self.unnamed), ("no caption", self.uncaptioned)):
            for (room, _), places in sorted(found.items()):
                _, _, path, name = places[0]
                print("  %s: %s %s \"%s\" (met %d times, first in %s)" %
                      (title, room, path, name, len(places) - 1, places[1]))


def interactive(pyatspi, node, role, states):
    controls = {
        pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
        pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_PAGE_TAB,
        pyatspi.ROLE_SLIDER, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_ENTRY,
        pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_ITEM,
        pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE_TABLE,
        pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_SCROLL_BAR,
    }
    if role in controls:
        return True
    if role == pyatspi.ROLE_TEXT and states.contains(pyatspi.STATE_EDITABLE):
        return True
    return states.contains(pyatspi.STATE_FOCUSABLE)


def caption_of(pyatspi, node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                name = (relation.getTarget(i).name or "").strip()
                if name:
                    return name
    return ""


def combo_entries(pyatspi, combo):
    entries = []
    for i in range(combo.childCount):
        popup = combo.getChildAtIndex(i)
        if popup is not None and popup.getRole() in (pyatspi.ROLE_LIST, pyatspi.ROLE_MENU):
            entries += [popup.getChildAtIndex(k) for k in range(popup.childCount)]
    return [entry for entry in entries if entry is not None]


def walk(pyatspi, node, room, place, census, verbose, path="", depth=0, index=""):
    """Walks what is showing below the node; room names the window or panel, place the state
    it is in (the row selected, the page shown)."""
    if node is None or depth > 60:
        return
    try:
        states = node.getState()
        role = node.getRole()
    except Exception:  # the control went away during the walk
        return
    if not states.contains(pyatspi.STATE_SHOWING) and depth > 0:
        return
    here = "%s/%s" % (path, node.getRoleName())
    name = (node.name or "").strip()
    control = (room, index, here, name)
    if interactive(pyatspi, node, role, states):
        census.checked += 1
        census.controls[control[:2]] = control
        if not name or "No key" in name:
            census.note(census.unnamed, control, place)
    if role == pyatspi.ROLE_COMBO_BOX:
        census.combos[control[:2]] = control
        caption = caption_of(pyatspi, node)
        if not caption:
            census.note(census.uncaptioned, control, place)
        if verbose:
            print("   %s: heard as \"%s, %s, combo box\"" % (room, caption, name))
        # Its child is the pop-up list, hidden while closed; a reader hears its entries.
        for entry in combo_entries(pyatspi, node):
            if not (entry.name or "").strip():
                census.note(census.unnamed, (room, index, here + "/list item", ""), place)
        return
    for i in range(node.childCount):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        walk(pyatspi, child, room, place, census, verbose, here, depth + 1, "%s/%d" % (index, i))


# ---------------------------------------------------------------------------------------------
# Driving the editor through the bus, as a reader's user would.

def wait_for(what, timeout=20.0, step=0.2):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = what()
        if found:
            return found
        time.sleep(step)
    return None


def find(pyatspi, root, predicate, depth=0):
    if root is None or depth > 60:
        return None
    try:
        if predicate(root):
            return root
        count = root.childCount
    except Exception:
        return None
    for i in range(count):
        try:
            hit = find(pyatspi, root.getChildAtIndex(i), predicate, depth + 1)
        except Exception:
            hit = None
        if hit:
            return hit
    return None


def find_all(pyatspi, root, predicate):
    found = []
    # The inner predicate never holds, so the search goes through the whole tree.
    find(pyatspi, root, lambda node: predicate(node) and found.append(node))
    return found


def registry_ready(pyatspi):
    try:
        pyatspi.Registry.getDesktop(0).childCount
        return True
    except Exception:
        return False


def application(pyatspi, pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def windows(app):
    return [app.getChildAtIndex(i) for i in range(app.childCount)]


def showing(pyatspi, node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "Toggle"):
            return action.doAction(i)
    return action.doAction(0)


def press_later(node):
    """Presses a button without waiting for the answer: a button that opens a modal dialog
    answers only once the dialog is closed again."""
    from gi.repository import Gio, GLib

    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                None, GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, -1,
                                None).unpack()[0]
    bus = Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
        Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
    action = node.queryAction()
    index = next((i for i in range(action.nActions) if action.getName(i) == "Press"), 0)
    message = Gio.DBusMessage.new_method_call(node.app.bus_name, node.path,
                                              "org.a11y.atspi.Action", "DoAction")
    message.set_body(GLib.Variant("(i)", (index,)))
    message.set_flags(Gio.DBusMessageFlags.NO_REPLY_EXPECTED)
    bus.send_message(message, Gio.DBusSendMessageFlags.NONE)
    bus.flush_sync(None)


def key(pyatspi, keysym):
    """A key press as a person makes it, through the registry (XTest under Xvfb)."""
    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)


XK_DOWN = 0xFF54


def new_window(pyatspi, app, before):
    def found():
        for window in windows(app):
            if window not in before and showing(pyatspi, window):
                return window
        return None
    return wait_for(found)


def close(pyatspi, app, window):
    """Presses the window's last button: "Back" of the settings, "Cancel" of a file dialog."""
    buttons = find_all(pyatspi, window, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON)
    press(buttons[-1])
    wait_for(lambda: window not in windows(app) or not showing(pyatspi, window), 5)


def walk_panel_of_every_row(pyatspi, main, census, verbose):
    """Selects each row of the main program with the arrow keys and walks the property panel."""
    rows = find(pyatspi, main, lambda n: n.getRole() == pyatspi.ROLE_LIST)
    # The property panel is the last region of the window's lower part.
    lower = main.getChildAtIndex(0).getChildAtIndex(1)
    panel = lower.getChildAtIndex(lower.childCount - 1)
    rows.queryComponent().grabFocus()
    time.sleep(0.3)
    count = rows.childCount
    for row in range(1, count - 1):  # BEGIN and END have no panel
        item = rows.getChildAtIndex(row)
        # The first key selects BEGIN when no row is current yet.
        for attempt in range(3):
            key(pyatspi, XK_DOWN)
            if wait_for(lambda: item.getState().contains(pyatspi.STATE_SELECTED), 2):
                break
        else:
            print("row %d was not selected; the panel walk stops there" % row)
            return row - 1
        time.sleep(0.15)
        walk(pyatspi, panel, "property panel", "row %d, %s" % (row, item.name), census, verbose)
    return count - 2


def walk_settings(pyatspi, app, main, census, verbose):
    button = find(pyatspi, main, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and
                  "Ctrl+," in (n.description or ""))
    before = windows(app)
    press(button)
    dialog = new_window(pyatspi, app, before)
    if not dialog:
        print("the settings window did not open")
        return 0
    time.sleep(0.5)
    tabs = find_all(pyatspi, dialog, lambda n: n.getRole() == pyatspi.ROLE_PAGE_TAB)
    for index, tab in enumerate(tabs):
        press(tab)
        wait_for(lambda: tab.getState().contains(pyatspi.STATE_SELECTED), 5)
        time.sleep(0.5)
        walk(pyatspi, dialog, "settings page %d" % index, tab.name, census, verbose)
    close(pyatspi, app, dialog)  # "Back": nothing is saved
    return len(tabs)


def walk_class_window(pyatspi, app, main, census, verbose):
    button = find(pyatspi, main, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and
                  "Ctrl+Shift+K" in (n.description or ""))
    if not button:
        print("the class window has no button")
        return False
    before = windows(app)
    press(button)
    window = new_window(pyatspi, app, before)
    if not window:
        print("the class window did not open")
        return False
    time.sleep(0.5)
    walk(pyatspi, window, "class window", window.name, census, verbose)
    close(pyatspi, app, window)  # "Close"
    return True


def walk_file_dialog(pyatspi, app, main, shortcut, what, census, verbose):
    button = find(pyatspi, main, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and
                  shortcut in (n.description or ""))
    before = windows(app)
    press_later(button)
    dialog = new_window(pyatspi, app, before)
    if not dialog:
        print("the %s dialog did not open" % what)
        return False
    time.sleep(1.0)
    walk(pyatspi, dialog, what + " dialog", dialog.name, census, verbose)
    close(pyatspi, app, dialog)  # "Cancel"
    return True


def walk_language(program, language, base, verbose):
    import pyatspi

    home = prepare_home(language, base)
    env = dict(os.environ, HOME=home, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    editor = subprocess.Popen([program, "--simulator"], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    census = Census()
    try:
        app = wait_for(lambda: application(pyatspi, editor.pid), 30)
        if not app:
            print("%s: the editor did not appear on the accessibility bus" % language)
            return None
        main = wait_for(lambda: next((w for w in windows(app) if showing(pyatspi, w) and
                                      w.getRole() == pyatspi.ROLE_FRAME), None), 30)
        if not main:
            print("%s: the editor showed no window" % language)
            return None
        time.sleep(2)
        for window in windows(app):
            if showing(pyatspi, window):
                walk(pyatspi, window, "main window", window.name, census, verbose)
        rows = walk_panel_of_every_row(pyatspi, main, census, verbose)
        pages = walk_settings(pyatspi, app, main, census, verbose)
        classes = walk_class_window(pyatspi, app, main, census, verbose)
        opened = walk_file_dialog(pyatspi, app, main, "Ctrl+O", "open", census, verbose)
        saved = walk_file_dialog(pyatspi, app, main, "Ctrl+S", "save", census, verbose)
        print("%s: walked the main window, the panels of %d rows, %d settings pages, %s, %s" %
              (language, rows, pages, "the class window" if classes else "NOT the class window",
               "both file dialogs" if opened and saved else "NOT both file dialogs"))
        return census
    finally:
        editor.terminate()
        try:
            editor.wait(10)
        except subprocess.TimeoutExpired:
            editor.kill()
        shutil.rmtree(home, ignore_errors=True)


def inside(args):
    launcher = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    import pyatspi

    failed = False
    try:
        # The registry starts on the first question; the editor registers with it once it runs.
        if not wait_for(lambda: registry_ready(pyatspi), 30):
            print("the accessibility registry does not answer")
            return 1
        for language, base in languages():
            if args.language and args.language != language:
                continue
            census = walk_language(os.path.abspath(args.program), language, base, args.verbose)
            if census is None:
                failed = True
                continue
            census.report(language)
            failed = failed or bool(census.unnamed or census.uncaptioned)
    finally:
        launcher.terminate()
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", help="the taviro-start executable")
    parser.add_argument("--language", help="only this language (its \"Language\" name)")
    parser.add_argument("--verbose", action="store_true", help="say how each combo box is heard")
    parser.add_argument("--inside", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    return inside(args) if args.inside else outer(args)


if __name__ == "__main__":
    sys.exit(main())
