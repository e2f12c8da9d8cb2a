"""Walks Orbisk's windows as a screen reader sees them, through AT-SPI.

Starts the program, opens the main window, the category picker, the company
details and contact windows, the export dialog and the About window in turn,
and checks every focusable control: it has a name, the name is unique in its
window, and it is not the control's current value. Also checks that link
labels can be pressed and that a new status text is announced.

Usage: walk.py PROGRAM   (run inside a D-Bus session on an X display)
"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message)


def wait_for(what, probe, seconds=20.0):
    end = time.time() + seconds
    while time.time() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    raise SystemExit("timed out waiting for " + what)


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def find_app(name):
    for app in children(pyatspi.Registry.getDesktop(0)):
        if app is not None and app.name.lower() == name:
            return app
    return None


def window_named(app, title):
    for w in children(app):
        if w is not None and w.name == title and w.getState().contains(pyatspi.STATE_SHOWING):
            return w
    return None


# Inside these the children are the control's own parts (cells, items, tabs), not controls.
LEAF_ROLES = {pyatspi.ROLE_TABLE, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE_TABLE,
              pyatspi.ROLE_PAGE_TAB_LIST, pyatspi.ROLE_SCROLL_BAR, pyatspi.ROLE_MENU_BAR}


def controls(node):
    for child in children(node):
        if child is None:
            continue
        yield child
        if child.getRole() not in LEAF_ROLES:
            yield from controls(child)


def find(window, role, name):
    for c in controls(window):
        if c.getRole() == role and c.name == name:
            return c
    return None


def current_values(node):
    """The texts a control shows as its value."""
    values = []
    try:
        text = node.queryText()
        values.append(text.getText(0, text.characterCount))
    except NotImplementedError:
        pass
    if node.getRole() == pyatspi.ROLE_COMBO_BOX:
        for part in children(node):
            for item in children(part) if part is not None else []:
                if item is not None and item.getState().contains(pyatspi.STATE_SELECTED):
                    values.append(item.name)
    return [v for v in values if v]


def check_window(window, label, expected=()):
    seen = {}
    count = 0
    for c in controls(window):
        state = c.getState()
        if not state.contains(pyatspi.STATE_FOCUSABLE) or not state.contains(pyatspi.STATE_SHOWING):
            continue
        count += 1
        role = c.getRoleName()
        if c.getRole() == pyatspi.ROLE_PAGE_TAB_LIST:
            # The toolkit names a tab list by its selected tab, as AT-SPI readers
            # expect of it; its tabs are what must carry names.
            tabs = [t.name for t in children(c) if t is not None]
            if not tabs or not all(t.strip() for t in tabs):
                fail("%s: a page tab list has unnamed tabs" % label)
            continue
        name = c.name
        if not name.strip():
            fail("%s: a focusable %s has no name" % (label, role))
            continue
        if name in seen:
            fail("%s: two controls named %r (%s and %s)" % (label, name, seen[name], role))
        seen[name] = role
        for value in current_values(c):
            if value == name:
                fail("%s: the %s %r is named by its value" % (label, role, name))
    for name in expected:
        if name not in seen:
            fail("%s: no focusable control named %r" % (label, name))
    print("%s: %d focusable controls named: %s" % (label, count, ", ".join(sorted(seen))))
    if count == 0:
        fail(label + ": no focusable control found")


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "click", "Press"):
            action.doAction(i)
            return
    action.doAction(0)


def double_click(node):
    x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "--repeat", "2",
                    "--delay", "80", "1"], check=True)


def first_cell(table, column):
    t = table.queryTable()
    return t.getAccessibleAt(0, column)


def column_titled(table, title):
    t = table.queryTable()
    for c in range(t.nColumns):
        if t.getColumnDescription(c) == title:
            return c
        header = t.getColumnHeader(c)
        if header is not None and header.name == title:
            return c
    return 1


def announced_status(app, button):
    """Presses `button` and returns the status texts announced meanwhile."""
    heard = []

    def listener(event):
        try:
            if event.source is not None and event.source.getRole() in (pyatspi.ROLE_LABEL, pyatspi.ROLE_STATUS_BAR):
                heard.append(event.source.name)
        except Exception:
            pass

    pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-name")
    GLib.timeout_add(300, lambda: press(button) and False)
    GLib.timeout_add(4000, lambda: pyatspi.Registry.stop() and False)
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(listener, "object:property-change:accessible-name")
    return heard


def main():
    program = sys.argv[1]
    env = dict(os.environ)
    env.update({"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1", "QT_QPA_PLATFORM": "xcb",
                "XDG_CACHE_HOME": tempfile.mkdtemp(prefix="orbisk-atspi-"), "LC_ALL": "C.UTF-8"})
    env.pop("QT_QPA_PLATFORMTHEME", None)
    proc = subprocess.Popen([program], env=env)
    try:
        app = wait_for("the program on the accessibility bus", lambda: find_app("orbisk"))
        main_window = wait_for("the main window", lambda: window_named(app, "Orbisk 1.02"))
        check_window(main_window, "main window",
                     ("Only Show Top", "Use Only Show Top", "Location", "Tel Area Code operator", "Tel Area Code",
                      "Postal Code operator", "Number of Employees operator", "Year Established operator",
                      "Order By", "Choose Category", "Hide/Show Search Panel", "Company List"))

        # Links are pressable; the status text is announced when it changes.
        for link_name in ("I want more...", "Business Database Provider"):
            link = find(main_window, pyatspi.ROLE_LINK, link_name)
            if link is None:
                fail("main window: no link named %r" % link_name)
            elif not link.getState().contains(pyatspi.STATE_FOCUSABLE):
                fail("main window: the link %r cannot be reached with Tab" % link_name)
            elif link.queryAction().nActions < 1:
                fail("main window: the link %r has no press action" % link_name)

        search = find(main_window, pyatspi.ROLE_PUSH_BUTTON, "Search Company")
        heard = announced_status(app, search)
        print("status texts announced: %r" % heard)
        if not any(h.startswith("Records Count: ") for h in heard):
            fail("the record count of a search was not announced")
        check_window(main_window, "main window after a search")

        # The category picker.
        press(find(main_window, pyatspi.ROLE_PUSH_BUTTON, "Choose Category"))
        picker = wait_for("the category picker", lambda: window_named(app, "Company Category "))
        check_window(picker, "category picker", ("Main Categary", "Sub Categaries", "Sub-category filter"))
        press(find(picker, pyatspi.ROLE_PUSH_BUTTON, "Cancel"))
        wait_for("the picker to close", lambda: window_named(app, "Company Category ") is None)

        # The company details window, from a double click on a company's name.
        grid = find(main_window, pyatspi.ROLE_TABLE, "Company List")
        double_click(first_cell(grid, column_titled(grid, "Company Name")))
        details = wait_for("the details window", lambda: window_named(app, "Company Information"))
        check_window(details, "company details", ("Details",))
        details.queryComponent().grabFocus()
        subprocess.run(["xdotool", "key", "Escape"], check=True)
        wait_for("the details window to close", lambda: window_named(app, "Company Information") is None)

        # The contact window.
        press(find(main_window, pyatspi.ROLE_PUSH_BUTTON, "Search Contact"))
        contacts = wait_for("the contact list", lambda: (find(main_window, pyatspi.ROLE_TABLE, "Contact List")
                                                          if find(main_window, pyatspi.ROLE_TABLE, "Contact List")
                                                          and find(main_window, pyatspi.ROLE_TABLE, "Contact List")
                                                          .queryTable().nRows > 0 else None))
        double_click(first_cell(contacts, column_titled(contacts, "Name")))
        contact = wait_for("the contact window", lambda: window_named(app, "Contact"))
        check_window(contact, "contact window", ("Contact Details",))
        subprocess.run(["xdotool", "key", "Escape"], check=True)
        wait_for("the contact window to close", lambda: window_named(app, "Contact") is None)

        # The export dialog.
        press(find(main_window, pyatspi.ROLE_PUSH_BUTTON, "Export..."))
        export = wait_for("the export dialog", lambda: window_named(app, "Select Export Type"))
        check_window(export, "export dialog", ("Output File Name", "Choose the output file"))
        press(find(export, pyatspi.ROLE_PUSH_BUTTON, "Cancel"))
        wait_for("the export dialog to close", lambda: window_named(app, "Select Export Type") is None)

        # The About window, its links reachable and pressable.
        press(find(main_window, pyatspi.ROLE_PUSH_BUTTON, "About..."))
        about = wait_for("the About window", lambda: window_named(app, "About Orbisk "))
        check_window(about, "About window")
        for link_name in ("Home Page", "Online Support"):
            link = find(about, pyatspi.ROLE_LINK, link_name)
            if link is None or not link.getState().contains(pyatspi.STATE_FOCUSABLE):
                fail("About window: the link %r is missing or cannot be reached with Tab" % link_name)
        press(find(about, pyatspi.ROLE_PUSH_BUTTON, "OK"))
    finally:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
    if failures:
        print("%d problem(s)" % len(failures))
        return 1
    print("every focusable control has a name of its own")
    return 0


if __name__ == "__main__":
    sys.exit(main())
