#!/usr/bin/env python3
"""The built program on a real X display, as a user meets it.

Run inside a virtual display (xvfb-run). For each case: start basewright
with a settings file that holds an input list, wait for its window, give it
input with the keyboard (through xdotool), end it with signals, and check
that it exited normally and saved the input list under "Zip Codes" exactly
once (counted with inotify on the settings folder).

Usage: smoke_test.py PATH/TO/basewright
"""

import ctypes
import ctypes.util
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

PROGRAM = sys.argv[1] if len(sys.argv) > 1 else "basewright"
TITLE = "^Basewright$"
SETTINGS = "Marlquist.ini"
STEP_TIMEOUT = 15  # seconds for any one wait
START_TIMEOUT = 30  # seconds for the window to show (a loaded machine, a sanitizer build)


class Failure(Exception):
    pass


def xdotool(*args, check=True):
    result = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=STEP_TIMEOUT)
    if check and result.returncode != 0:
        raise Failure(f"xdotool {' '.join(args)}: {result.stderr.strip()}")
    return result.stdout.split()


def wait_for(what, condition, timeout=STEP_TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise Failure(f"timed out waiting for {what}")


def windows(pid):
    """The program's visible windows titled "Basewright" (the main window,
    and the input box on top of it while it is open)."""
    return xdotool("search", "--onlyvisible", "--pid", str(pid), "--name", TITLE, check=False)


class SaveCounter:
    """Counts completed writes of the settings file: the INI writer writes a
    new file beside it and renames it over the old one. (It also opens the
    old file for writing, without writing, to test that it may, so closed
    writes are no measure.)"""

    IN_MOVED_TO = 0x80
    IN_NONBLOCK = 0o4000

    def __init__(self, folder):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.fd = self.libc.inotify_init1(self.IN_NONBLOCK)
        if self.fd < 0:
            raise Failure("inotify_init1 failed")
        if self.libc.inotify_add_watch(self.fd, folder.encode(), self.IN_MOVED_TO) < 0:
            raise Failure("inotify_add_watch failed")

    def count(self):
        saves = 0
        try:
            data = os.read(self.fd, 1 << 20)
        except BlockingIOError:
            data = b""
        offset = 0
        while offset < len(data):
            _wd, _mask, _cookie, length = struct.unpack_from("iIII", data, offset)
            name = data[offset + 16:offset + 16 + length].rstrip(b"\0").decode()
            offset += 16 + length
            if name == SETTINGS:
                saves += 1
        return saves

    def close(self):
        os.close(self.fd)


def stored_list(config):
    """The "Zip Codes" value of the settings file (QSettings' INI format)."""
    with open(os.path.join(config, SETTINGS), encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            if key == "Zip%20Codes":
                return value[1:-1] if value.startswith('"') else value
    return None


def reset_signals():
    # As started from a terminal: the three signals at their defaults.
    for s in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(s, signal.SIG_DFL)


def run_case(cache, name, signals, expected, typed=None, box_open=None):
    """Starts the program over the list "255;16"; types `typed` into the
    "Add Number or Numbers" box (or leaves `box_open` half typed in the open
    box); sends the signals; checks the exit and the saved list."""
    home = tempfile.mkdtemp(prefix="basewright-smoke-")
    config = os.path.join(home, "config")
    os.makedirs(config)
    with open(os.path.join(config, SETTINGS), "w", encoding="utf-8") as f:
        f.write('[Basewright]\nZip%20Codes="255;16"\n')
    saves = SaveCounter(config)
    # The caches (fonts) are shared by the cases, so that only the first
    # pays for filling them. There is no desktop session bus: without
    # saying so libdbus would try to start one for the display, and its
    # reader thread's buffer shows as a leak at exit when the program is
    # built with the leak checker.
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, XDG_CACHE_HOME=cache, QT_QPA_PLATFORM="xcb",
               DBUS_SESSION_BUS_ADDRESS="disabled:")
    started = time.monotonic()
    log_path = os.path.join(home, "output.log")
    log = open(log_path, "wb")
    process = subprocess.Popen([PROGRAM], env=env, preexec_fn=reset_signals, stdout=log, stderr=subprocess.STDOUT)

    def output():
        with open(log_path, "rb") as f:
            return f.read().decode(errors="replace")

    def shown():
        if process.poll() is not None:
            raise Failure(f"the program ended before its window showed ({process.returncode})\n{output()}")
        return windows(process.pid)

    try:
        window = wait_for("the window", shown, timeout=START_TIMEOUT)[0]
        xdotool("windowfocus", "--sync", window)
        if typed is not None or box_open is not None:
            # The focus starts in the input list; two tabs reach "Add Number
            # or Numbers", and the space bar presses it.
            xdotool("key", "Tab", "Tab", "space")
            wait_for("the input box", lambda: len(windows(process.pid)) == 2)
            xdotool("type", "--delay", "10", typed if typed is not None else box_open)
            if typed is not None:
                xdotool("key", "Return")
                wait_for("the input box to close", lambda: len(windows(process.pid)) == 1)
        for s in signals:
            process.send_signal(s)
        try:
            process.wait(timeout=STEP_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after " + "+".join(s.name for s in signals))
        if process.returncode != 0:
            raise Failure(f"exit status {process.returncode}\n{output()}")
        if stored_list(config) != expected:
            raise Failure(f"Zip Codes is {stored_list(config)!r}, expected {expected!r}")
        count = saves.count()
        if count != 1:
            raise Failure(f"the list was saved {count} times")
        print(f"ok   {name} ({time.monotonic() - started:.1f} s)", flush=True)
        return True
    except Failure as failure:
        print(f"FAIL {name}: {failure}", flush=True)
        return False
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        saves.close()
        log.close()
        shutil.rmtree(home, ignore_errors=True)


def cpu_ticks(pid):
    """User and system CPU time of a process so far, in clock ticks."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def idle(pid, quiet=0.5):
    """True once the process has used no CPU time for `quiet` seconds."""
    before = cpu_ticks(pid)
    time.sleep(quiet)
    return cpu_ticks(pid) == before


def run_long_line_case(cache, megabytes=40):
    """Loads a list file whose middle line holds `megabytes` MB of digits
    through "Load Numbers From File", opens the input box while the file is
    read (the window must answer), adds a number, and ends the program with
    SIGTERM: it must survive and store the whole line."""
    name = f"a list file with a line of {megabytes} MB"
    home = tempfile.mkdtemp(prefix="basewright-smoke-")
    config = os.path.join(home, "config")
    os.makedirs(config)
    with open(os.path.join(config, SETTINGS), "w", encoding="utf-8") as f:
        f.write('[Basewright]\nZip%20Codes="255;16"\n')
    line = "7" * (megabytes << 20)
    list_file = os.path.join(home, "long.txt")
    with open(list_file, "w", encoding="ascii") as f:
        f.write("1\n" + line + "\n2\n")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, XDG_CACHE_HOME=cache, QT_QPA_PLATFORM="xcb",
               DBUS_SESSION_BUS_ADDRESS="disabled:")
    started = time.monotonic()
    log_path = os.path.join(home, "output.log")
    log = open(log_path, "wb")
    process = subprocess.Popen([PROGRAM], env=env, preexec_fn=reset_signals, stdout=log, stderr=subprocess.STDOUT)

    def output():
        with open(log_path, "rb") as f:
            return f.read().decode(errors="replace")

    def alive():
        if process.poll() is not None:
            raise Failure(f"the program ended ({process.returncode})\n{output()[-2000:]}")
        return True

    def shown():
        alive()
        return windows(process.pid)

    def dialog():
        alive()
        return xdotool("search", "--all", "--onlyvisible", "--pid", str(process.pid), "--name", "^Load List",
                       check=False)

    try:
        window = wait_for("the window", shown, timeout=START_TIMEOUT)[0]
        xdotool("windowfocus", "--sync", window)
        # From the input list, three tabs reach "Load Numbers From File".
        xdotool("key", "Tab", "Tab", "Tab", "space")
        picker = wait_for("the file dialog", dialog)[0]
        xdotool("windowfocus", "--sync", picker)
        xdotool("type", "--delay", "5", list_file)
        xdotool("key", "Return")
        wait_for("the file dialog to close", lambda: not dialog())
        # While the file is read, "Add Number or Numbers" (one tab back)
        # opens its box: the window answers.
        xdotool("key", "shift+Tab", "space")
        wait_for("the input box", lambda: alive() and len(windows(process.pid)) == 2)
        xdotool("type", "--delay", "10", "5")
        xdotool("key", "Return")
        wait_for("the input box to close", lambda: alive() and len(windows(process.pid)) == 1)
        wait_for("the file to be read", lambda: alive() and idle(process.pid))
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=4 * STEP_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after SIGTERM")
        if process.returncode != 0:
            raise Failure(f"exit status {process.returncode}\n{output()[-2000:]}")
        stored = stored_list(config)
        expected = {f"255;16;5;1;{line};2", f"255;16;1;5;{line};2", f"255;16;1;{line};5;2", f"255;16;1;{line};2;5"}
        if stored not in expected:
            shown_value = stored if stored is None else f"{stored[:60]}... ({len(stored)} characters)"
            raise Failure(f"Zip Codes is {shown_value}")
        print(f"ok   {name} ({time.monotonic() - started:.1f} s)", flush=True)
        return True
    except Failure as failure:
        print(f"FAIL {name}: {failure}", flush=True)
        return False
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        log.close()
        shutil.rmtree(home, ignore_errors=True)


CASES = [
    ("typed numbers, SIGTERM", [signal.SIGTERM], "255;16;7;8", {"typed": "7, 8"}),
    ("SIGHUP", [signal.SIGHUP], "255;16", {}),
    ("SIGINT", [signal.SIGINT], "255;16", {}),
    ("SIGTERM, SIGTERM and SIGHUP at once", [signal.SIGTERM, signal.SIGTERM, signal.SIGHUP], "255;16", {}),
    ("SIGTERM while the input box is open", [signal.SIGTERM], "255;16", {"box_open": "9"}),
]


def main():
    if not os.environ.get("DISPLAY"):
        print("FAIL no X display: run this under xvfb-run", flush=True)
        return 1
    if shutil.which("xdotool") is None:
        print("FAIL xdotool is missing (tools/install-deps.sh test installs it)", flush=True)
        return 1
    cache = tempfile.mkdtemp(prefix="basewright-smoke-cache-")
    try:
        results = [run_case(cache, name, signals, expected, **extra) for name, signals, expected, extra in CASES]
        results.append(run_long_line_case(cache))
    finally:
        shutil.rmtree(cache, ignore_errors=True)
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
