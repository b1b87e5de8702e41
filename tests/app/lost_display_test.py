#!/usr/bin/python3
"""The window's display goes away while the program works: the X server it
runs on ends while a large database is analysed and listed on worker
threads. The program must end by itself with status 1 and its message, not
by a signal, and leave no scratch folder behind.

    lost_display_test.py FERRYWELL MAKE_LARGE_DXL

It starts an X server of its own (Xvfb) and ends it. Exit status: 0 passed,
1 failed.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CONTACTS = 20000
MESSAGE = "the display went away; the running tasks are stopped"


def wait_for(what, probe, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def start_display(work):
    """An X server on a free display number, which it says on a pipe."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                              pass_fds=[write], stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "xvfb.log"), "w"),
                              start_new_session=True)
    os.close(write)
    with os.fdopen(read) as pipe:
        number = pipe.readline().strip()
    if not number:
        server.kill()
        raise AssertionError("Xvfb did not start")
    return server, ":" + number


def window_shown(display):
    tree = subprocess.run(["xwininfo", "-display", display, "-root", "-tree"], capture_output=True, text=True)
    return tree.returncode == 0 and "Ferrywell" in tree.stdout


def main():
    ferrywell, make_dxl = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="lost-display-")
    server = program = display = None
    try:
        dxl = os.path.join(work, "contacts.dxl")
        subprocess.run(["/usr/bin/python3", make_dxl, str(CONTACTS), dxl], check=True, stdout=subprocess.DEVNULL)
        runtime = os.path.join(work, "runtime")
        os.mkdir(runtime, 0o700)
        server, display = start_display(work)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime,
                   XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_CACHE_HOME=os.path.join(work, "cache"))
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        errors = open(os.path.join(work, "stderr"), "w+")
        program = subprocess.Popen([ferrywell, "--open", dxl], env=env, stdout=subprocess.DEVNULL, stderr=errors)
        wait_for("the window", lambda: window_shown(display), 120)
        time.sleep(1)  # the database is being analysed and listed
        # Ended, the server closes every connection and removes its socket
        # and lock file from the system's temporary folder.
        server.terminate()
        server.wait()
        status = program.wait(timeout=120)
        errors.seek(0)
        said = errors.read()
        assert status == 1, f"ended with {status} (a negative number is a signal):\n{said}"
        assert MESSAGE in said, said
        left = os.listdir(runtime)
        assert not left, f"left in the runtime folder: {left}"
        print("passed")
        return 0
    except AssertionError as failure:
        print("FAILED:", failure)
        return 1
    finally:
        for process in (program, server):
            if process and process.poll() is None:
                process.kill()
                process.wait()
        if display:
            # What a server that did not end cleanly left of this display.
            for left in (f"/tmp/.X11-unix/X{display[1:]}", f"/tmp/.X{display[1:]}-lock"):
                if os.path.lexists(left):
                    os.remove(left)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
