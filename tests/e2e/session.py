"""A private desktop for driving the real program: an X server, a session bus with the
accessibility bus behind it, and a pseudo-terminal shown to the program as /dev/ttyS1.
Every process started here is ended by its PID when the session closes."""

import os
import select
import signal
import subprocess
import time


class Session:
    def __init__(self):
        self.processes = []
        self.master = None
        try:
            self._start_desktop()
        except BaseException:
            self.close()
            raise

    def _start_desktop(self):
        read_end, write_end = os.pipe()
        # Xvfb picks a free display number itself and writes it to the pipe.
        self._start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            self.display = ":" + pipe.readline().strip()
        bus = self._start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE, text=True)
        self.bus_address = bus.stdout.readline().strip()
        os.environ.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.bus_address)

    def _start(self, command, **options):
        process = subprocess.Popen(command, **options)
        self.processes.append(process)
        return process

    def start_program(self, program):
        """Starts `program` on a new pseudo-terminal bound as /dev/ttyS1 (COM2)."""
        self.master, slave = os.openpty()
        device = os.ttyname(slave)
        os.close(slave)
        environment = dict(os.environ, QT_QPA_PLATFORM="xcb",
                           QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANGUAGE="pt_BR",
                           LC_ALL="pt_BR.UTF-8")
        # A lock directory of its own: Qt locks the name ttyS1, which any other program
        # on the machine shown a device as COM2 locks too.
        return self._start(["bwrap", "--die-with-parent", "--dev-bind", "/", "/",
                            "--dev", "/dev", "--dev-bind", device, "/dev/ttyS1",
                            "--perms", "01777", "--tmpfs", "/run/lock",
                            "--", program], env=environment)

    def board_reads(self, timeout=5.0):
        """What the program has written to the board, waiting up to `timeout` for it."""
        ready, _, _ = select.select([self.master], [], [], timeout)
        return os.read(self.master, 64) if ready else b""

    def board_sends(self, data):
        os.write(self.master, data)

    def unplug(self):
        os.close(self.master)
        self.master = None

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                os.kill(process.pid, signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    os.kill(process.pid, signal.SIGKILL)
                    process.wait()
        if self.master is not None:
            os.close(self.master)


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
