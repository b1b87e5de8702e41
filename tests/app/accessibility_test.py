#!/usr/bin/python3
"""The window as assistive tools (screen readers, test drivers) see it on the
accessibility bus: the program runs on the sample and this script, an AT-SPI
client, reads its tree and acts through accessible actions only.

    accessibility_test.py FERRYWELL SAMPLE

Run it under a display and a session bus of its own:
    xvfb-run -a dbus-run-session -- tests/app/accessibility_test.py ...
It starts the accessibility bus (at-spi2-core's launcher) itself. Exit status:
0 passed, 1 failed, 77 skipped because the accessibility bus could not start.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import traceback
import time

SKIP = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


# The waits are for things that must come, not measures of speed: under a
# sanitizer, beside other tests on two cores, the program can take a minute
# to start.
def wait_for(what, probe, seconds=120):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # the tree changes while it is read
            found = None
        if found:
            return found
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def bus_is_up():
    # Asked of the bus itself first, so that the question cannot start a
    # second launcher through the session bus's service activation; then, of
    # the launcher that owns the name, the accessibility bus's address. The
    # launcher owns its name before its bus answers, and a program started
    # in between finds no bus and never registers.
    reply = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                            "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
                           capture_output=True, text=True)
    if reply.returncode != 0 or "boolean true" not in reply.stdout:
        return False
    reply = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                            "org.a11y.Bus.GetAddress"], capture_output=True, text=True)
    return reply.returncode == 0 and "unix:" in reply.stdout


def start_group(command, **options):
    """Starts command as the leader of a process group of its own, which
    whatever it starts (the launcher's bus daemon, the registry the daemon
    activates) joins."""
    return subprocess.Popen(command, start_new_session=True, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, **options)


def group_members(group):
    members = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:  # gone meanwhile
            continue
        # After the name: state, parent, process group; zombies are ended.
        if int(fields[2]) == group and fields[0] != "Z":
            members.append(int(entry))
    return members


def end_group(leader):
    """Ends leader's process group: asks first, then kills what is left, and
    reaps the leader. Returns the ids of processes still there."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(leader.pid, sig)
        except ProcessLookupError:
            break
        deadline = time.monotonic() + 10
        while group_members(leader.pid) and time.monotonic() < deadline:
            leader.poll()
            time.sleep(0.05)
        if not group_members(leader.pid):
            break
    leader.wait()
    return group_members(leader.pid)


def main(program, sample):
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        print("FAIL: no session bus; run under dbus-run-session", file=sys.stderr)
        return 1
    if not os.path.exists(LAUNCHER):
        print("FAIL: " + LAUNCHER + " is missing (package at-spi2-core)", file=sys.stderr)
        return 1
    # A termination (ctest's time limit) still ends what the test started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    # The bus's socket and the program's scratch folders go into a folder of
    # this test's own, not the user's cache, which a run beside it may share.
    private = tempfile.mkdtemp(prefix="ferrywell-a11y-")
    # What the program remembers goes there too.
    env = dict(os.environ, XDG_RUNTIME_DIR=private, TMPDIR=private, XDG_CONFIG_HOME=private)
    # An earlier run exported new PST files into "out": the program starts
    # with that choice remembered.
    destination = os.path.join(private, "out")
    os.makedirs(os.path.join(private, "Ferrywell"))
    os.makedirs(destination)
    with open(os.path.join(private, "Ferrywell", "Ferrywell.conf"), "w") as conf:
        conf.write("[exports]\nid157\\kind=pst\nid157\\destination=" + destination + "\n")
    launcher = start_group([LAUNCHER, "--launch-immediately"], env=env)
    app_process = None
    try:
        try:
            wait_for("the accessibility bus", bus_is_up, 30)
        except AssertionError:
            print("SKIP: the accessibility bus did not start (org.a11y.Bus does not answer)")
            return SKIP
        # What the program says goes to a file of the test's, shown when it fails.
        app_log = open(os.path.join(private, "program.log"), "wb")
        app_process = subprocess.Popen([program, sample], start_new_session=True, stdout=app_log, stderr=app_log,
                                       env=dict(env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb"))
        # A client that starts before the program registers may never see it
        # (it runs no event loop); so a fresh one looks until it is there.
        try:
            wait_for("the program on the bus", lambda: registered() or app_process.poll() is not None)
        finally:
            app_log.close()
        if app_process.poll() is not None:
            raise AssertionError(f"the program ended with status {app_process.returncode} before it was on the bus")
        import pyatspi
        run(pyatspi, destination)
        result = 0
    except AssertionError as failure:
        # An assertion without a message says where it stands.
        print("FAIL:", str(failure) or traceback.format_exc(), file=sys.stderr)
        try:
            with open(os.path.join(private, "program.log"), "rb") as said:
                print("The program's output, its end:\n" + said.read()[-4000:].decode("utf-8", "replace"),
                      file=sys.stderr)
        except OSError:
            pass
        result = 1
    finally:
        # Every process the test started, the launcher's bus daemon too,
        # ends with it.
        left = (end_group(app_process) if app_process else []) + end_group(launcher)
        shutil.rmtree(private, ignore_errors=True)
    if left:
        print("FAIL: processes left running:", left, file=sys.stderr)
        return 1
    if result == 0:
        print("PASS")
    return result


def find(node, role, name=None):
    """The first node below node with that role name (and name), depth first."""
    if node is None:
        return None
    if node.getRoleName() == role and (name is None or node.name == name):
        return node
    for i in range(node.childCount):
        hit = find(node.getChildAtIndex(i), role, name)
        if hit:
            return hit
    return None


def act(node, action):
    actions = node.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    assert action in names, f"{node.getRoleName()} '{node.name}' offers {names}, not {action}"
    actions.doAction(names.index(action))


def states(node):
    node.clearCache()  # this client runs no event loop: read the state afresh
    return set(node.getState().getStates())


def registered():
    names = subprocess.run([sys.executable, "-c", "import pyatspi\n"
                            "print([a.name for a in pyatspi.Registry.getDesktop(0) if a])"],
                           capture_output=True, text=True, timeout=60).stdout
    return "'Ferrywell'" in names


def take_focus(pyatspi, node, click=True):
    """Gives node the keyboard focus. A click at its bottom (below the tree's
    nodes) activates the window where no window manager does; once it is
    active, none is needed (in the list, a click would select a row, whose
    preview disables the list for a moment, and a key pressed then is lost)."""
    if click:
        area = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        pyatspi.Registry.generateMouseEvent(area.x + area.width // 2, area.y + area.height - 30, "b1c")
    node.queryComponent().grabFocus()
    wait_for("the focus in the " + node.getRoleName(), lambda: pyatspi.STATE_FOCUSED in states(node))
    wait_for("the " + node.getRoleName() + " at rest", lambda: pyatspi.STATE_SENSITIVE in states(node))


def roles_named(node, name):
    found = [node.getRoleName()] if node.name == name else []
    for i in range(node.childCount):
        found += roles_named(node.getChildAtIndex(i), name)
    return found


def assert_named(node, roles_by_name):
    """Each name names a node below node, of the role given."""
    for name, role in roles_by_name.items():
        assert find(node, role, name), f"no {role} is named '{name}' (roles named so: {roles_named(node, name)})"


def tick_with_space(pyatspi, table):
    """The tick box of a row says whether it is ticked; Space ticks it."""
    space = 0x20
    cell = table.queryTable().getAccessibleAt(table.queryTable().getSelectedRows()[0], 0)
    assert pyatspi.STATE_CHECKED not in states(cell), "the selected row is ticked before Space"
    pyatspi.Registry.generateKeyboardEvent(space, None, pyatspi.KEY_SYM)
    wait_for("the row ticked", lambda: pyatspi.STATE_CHECKED in states(cell))


def tick_by_action(pyatspi, table):
    """A row's tick box ticks through its Toggle action, as an assistive tool
    presses it, without selecting the row; Press selects the row and leaves
    its tick. The header's first cell is the tick-all box."""
    grid = table.queryTable()
    row = grid.nRows - 1
    cell, neighbour = grid.getAccessibleAt(row, 0), grid.getAccessibleAt(row - 1, 0)
    assert pyatspi.STATE_CHECKED not in states(cell) | states(neighbour), "the last rows are ticked already"
    act(cell, "Toggle")
    wait_for("the row ticked by its action", lambda: pyatspi.STATE_CHECKED in states(cell))
    assert pyatspi.STATE_CHECKED not in states(neighbour), "Toggle ticked another row"
    assert row not in grid.getSelectedRows(), "Toggle selected the row"
    act(grid.getAccessibleAt(row, 2), "Press")
    # Its preview keeps the list disabled for a moment.
    wait_for("the row selected", lambda: list(grid.getSelectedRows()) == [row] and
             pyatspi.STATE_SENSITIVE in states(table))
    assert pyatspi.STATE_CHECKED in states(cell), "Press changed the tick"
    tick_all = table.getChildAtIndex(0)
    assert tick_all.getRoleName() == "table column header" and pyatspi.STATE_CHECKED not in states(tick_all)
    act(tick_all, "Toggle")
    wait_for("every row ticked", lambda: pyatspi.STATE_CHECKED in states(tick_all) and
             pyatspi.STATE_CHECKED in states(neighbour))


def shows(preview, text):
    content = preview.queryText()
    return text in content.getText(0, content.characterCount)


def walk_with_arrow_keys(pyatspi, tree, table, preview):
    """Down in the tree lists the next view, Down in the list previews the
    next row, and the keyboard stays where the user put it."""
    down = 0xff54
    take_focus(pyatspi, tree)
    pyatspi.Registry.generateKeyboardEvent(down, None, pyatspi.KEY_SYM)
    # The People view begins with another contact than Contacts does.
    wait_for("People listed", lambda: table.queryTable().getAccessibleAt(0, 4).name == "Pat Quinlan" and
             pyatspi.STATE_SENSITIVE in states(tree))
    assert pyatspi.STATE_FOCUSED in states(tree), "the list took the focus from the tree"
    take_focus(pyatspi, table, click=False)
    first = table.queryTable().getSelectedRows()
    pyatspi.Registry.generateKeyboardEvent(down, None, pyatspi.KEY_SYM)
    # The preview is made on a worker, which disables the list meanwhile: the
    # row's name in the preview and the list enabled again say it is done.
    # (The list can still be enabled just after the selection moved, before
    # the worker disables it, and a key pressed then would be lost.)
    def previewed():
        rows = table.queryTable().getSelectedRows()
        if not rows or rows == first or pyatspi.STATE_SENSITIVE not in states(table):
            return False
        name = table.queryTable().getAccessibleAt(rows[0], 4).name
        return bool(name) and shows(preview, name)
    wait_for("the next row previewed", previewed)
    wait_for("the focus back in the list", lambda: pyatspi.STATE_FOCUSED in states(table))


def run(pyatspi, destination):
    desktop = pyatspi.Registry.getDesktop(0)
    app = next((a for a in desktop if a and a.name == "Ferrywell"), None)
    assert app, "the program went from the bus"

    # The analysis of the sample ends with a notice; its OK is a button.
    notice = wait_for("the analysis notice", lambda: find(app, "alert"))
    assert find(notice, "label", "Selected Lotus Notes (*.nsf) File Analysis Completed"), "another notice"
    act(find(notice, "push button", "OK"), "Press")

    # The tree's nodes carry a check action: Toggle ticks a node as its box does.
    tree = find(app, "tree")
    contacts = wait_for("the Contacts node", lambda: find(tree, "table cell", "Contacts"))
    assert pyatspi.STATE_CHECKED not in states(contacts)
    # The database's node holds the views, open; a view holds nothing.
    database = tree.getChildAtIndex(1)
    assert {pyatspi.STATE_EXPANDABLE, pyatspi.STATE_EXPANDED} <= states(database), database.name
    assert pyatspi.STATE_EXPANDABLE not in states(contacts)
    act(contacts, "Toggle")
    wait_for("Contacts ticked", lambda: pyatspi.STATE_CHECKED in states(contacts))
    assert pyatspi.STATE_CHECKED not in states(find(tree, "table cell", "People"))
    # Press selects it, which lists its contacts.
    act(contacts, "Press")
    table = find(app, "table")
    wait_for("the listed contacts", lambda: table.queryTable().nRows > 60)
    assert_named(app, {"Folders": "tree", "Contacts": "table", "Preview": "label", "Progress": "progress bar",
                       "Filter contacts": "text"})
    walk_with_arrow_keys(pyatspi, tree, table, find(app, "label", "Preview"))
    tick_with_space(pyatspi, table)
    tick_by_action(pyatspi, table)

    # Export File opens the export options dialog, since a view is ticked.
    toolbar = find(app, "tool bar")
    act(wait_for("Export File enabled", lambda: (lambda b: b if pyatspi.STATE_ENABLED in states(b) else None)(
        find(toolbar, "push button", "Export File"))), "Press")
    dialog = wait_for("the export options dialog",
                      lambda: find(app, "dialog", "Select Saving Option Type"))
    assert_named(dialog, {"Output Path": "text", "Start Date": "spin button", "End Date": "spin button",
                          "Log": "text", "Export Progress": "progress bar"})
    path = find(dialog, "text", "Output Path").queryText()
    assert path.getText(0, -1) == destination, "the destination of the last run is not remembered"
    split = find(dialog, "check box", "Split PST")
    naming = find(dialog, "check box", "  Naming Convention :")
    assert pyatspi.STATE_ENABLED in states(split) and pyatspi.STATE_ENABLED not in states(naming)
    # Checking a kind's radio through its action changes the dialog's kind:
    # PDF has no split, and a naming convention.
    pdf = find(dialog, "radio button", "Save as PDF File")
    act(pdf, "Toggle")
    wait_for("PDF chosen", lambda: pyatspi.STATE_CHECKED in states(pdf))
    wait_for("the PDF kind's controls",
             lambda: pyatspi.STATE_ENABLED not in states(split) and pyatspi.STATE_ENABLED in states(naming))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
