"""What the process-level tests share: the processes a test starts, each ended by its PID
when the test ends, pass or fail; the simulated board among them; and checks that print
both values when they fail."""

import os
import shutil
import signal
import subprocess
import sys
import threading
import time

# Found on the test's own PATH, whatever PATH a process is given.
SETPRIV = shutil.which("setpriv")
BWRAP = shutil.which("bwrap")
# Where Qt locks a port by its name; the sandboxes, as the launcher's, get a private one.
LOCK_DIR = os.path.realpath("/var/lock")


def in_private_dev(devices=None, by_id=None, binds=None):
    """The start of a command line that runs the rest with a /dev of its own holding only
    `devices` ({name: device}) and, under serial/by-id, the links `by_id` ({name: target}),
    with `binds` ({path: file}) over the machine's files and a lock directory of its own
    (Qt locks a port by its name, which another program may be locking too): the machine's
    serial devices are out of reach, whatever the program does."""
    command = [BWRAP, "--die-with-parent", "--dev-bind", "/", "/", "--dev", "/dev"]
    for name, device in (devices or {}).items():
        command += ["--dev-bind", device, f"/dev/{name}"]
    for name, target in (by_id or {}).items():
        command += ["--symlink", target, f"/dev/serial/by-id/{name}"]
    for path, file in (binds or {}).items():
        command += ["--ro-bind", file, path]
    return command + ["--perms", "01777", "--tmpfs", LOCK_DIR, "--"]


class Processes:
    """The processes a test has started, ended by their PIDs, last started first."""

    def __init__(self):
        self.started = []

    def set_up(self):
        """Starts what each test of a kind needs first: here, nothing."""

    def start(self, command, **options):
        # The process ends with this one, even if this one dies before it can end it.
        process = subprocess.Popen([SETPRIV, "--pdeathsig", "TERM", "--", *command],
                                   **options)
        self.started.append(process)
        return process

    def start_xvfb(self):
        """An X server of its own, 1280x1024; returns its display's name. Xvfb picks a free
        display number itself and writes it to a pipe once it takes connections. It must
        not reset when its last client leaves: the accessibility library opens and closes a
        connection of its own just as a program starts, and a reset then drops the
        program's connection half made ("no display")."""
        read_end, write_end = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0",
                    "1280x1024x24", "-nolisten", "tcp"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            return ":" + pipe.readline().strip()

    def start_board(self, simulator, *options):
        return Board(self.start([simulator, *options], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True))

    def close(self):
        for process in reversed(self.started):
            if process.poll() is None:
                os.kill(process.pid, signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    os.kill(process.pid, signal.SIGKILL)
                    process.wait()


class Lines:
    """A pipe's lines as they come, read by a thread of their own, each with the time it
    was read."""

    def __init__(self, pipe):
        self.lines = []
        self._reader = threading.Thread(target=self._read, args=(pipe,), daemon=True)
        self._reader.start()

    def _read(self, pipe):
        for line in pipe:
            self.lines.append((time.monotonic(), line.rstrip("\n")))

    def starting(self, start):
        """The lines that start with `start`, in order, each as (time read, line)."""
        return [entry for entry in list(self.lines) if entry[1].startswith(start)]

    def all(self, timeout=10.0):
        """Every line, once the pipe has closed."""
        self._reader.join(timeout)
        if self._reader.is_alive():
            raise AssertionError(f"the pipe still open after {timeout} s")
        return [line for _, line in self.lines]


class Board:
    """The simulated board: its device (the first line it prints), and log(start), the
    lines of its log that start with `start` (see Lines.starting)."""

    def __init__(self, process):
        self.process = process
        self.device = process.stdout.readline().strip()
        self.log = Lines(process.stderr).starting


failures = []


def expect(actual, expected, what):
    """Notes a failure, printing both values, and lets the test go on."""
    if actual != expected:
        failures.append(f"{what}:\n  actual:   {actual!r}\n  expected: {expected!r}")


def wait_for(condition, what, timeout=20.0):
    """Polls `condition` until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.1)


def run_test(context, test, *arguments):
    """Runs test(context(), *arguments), `context` being Processes or one that extends it,
    once set up; ends every process started, prints every failure and returns the exit
    status."""
    processes = context()
    try:
        processes.set_up()
        test(processes, *arguments)
    except Exception as error:  # a step that never came, reported with the rest
        failures.append(f"{type(error).__name__}: {error}")
    finally:
        processes.close()
    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


def main(context, namespace, prefix):
    """A test script's command line. `--list` prints its tests, the functions in
    `namespace` whose names start with `prefix`, one a line: CTest runs one test of each
    name. `NAME ARGUMENTS...` runs that test (see run_test) and returns its exit status."""
    tests = {name: test for name, test in namespace.items()
             if name.startswith(prefix) and callable(test)}
    if sys.argv[1:] == ["--list"]:
        print("\n".join(tests))
        return 0
    return run_test(context, tests[sys.argv[1]], *sys.argv[2:])
