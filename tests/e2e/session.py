"""A private desktop for driving the real program: an X server, a session bus with the
accessibility bus behind it, and a board on the program's COM2 (/dev/ttyS1): a bare
pseudo-terminal, the simulated board behind the launcher, or none at all. Every process
started here is ended by its PID when the session closes."""

import contextlib
import os
import select
import shutil
import subprocess
import tempfile
import threading

from Xlib import X, display, error, protocol

from processes import Processes, in_private_dev


class Session(Processes):
    def __init__(self):
        super().__init__()
        self.master = None
        self.runtime_dir = None
        try:
            self._start_desktop()
        except BaseException:
            self.close()
            raise

    def _start_desktop(self):
        # A runtime folder of its own: the accessibility bus's socket lives there, and a
        # session sharing it with another would lose its bus to the other's.
        self.runtime_dir = tempfile.mkdtemp(prefix="e2e-runtime-")
        os.environ["XDG_RUNTIME_DIR"] = self.runtime_dir
        read_end, write_end = os.pipe()
        # Xvfb picks a free display number itself and writes it to the pipe.
        self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                    "-nolisten", "tcp"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            self.display = ":" + pipe.readline().strip()
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE, text=True)
        self.bus_address = bus.stdout.readline().strip()
        os.environ.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.bus_address)
        self.shown = []  # (X id, title) of each window mapped, in order
        self._watch_windows()

    def _start_viewer(self, command):
        # A Brazilian user's desktop, read by a screen reader.
        return self.start(command, env=dict(
            os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
            LANGUAGE="pt_BR", LC_ALL="pt_BR.UTF-8"))

    def start_program(self, program, with_port=True):
        """Starts `program` on a new pseudo-terminal bound as /dev/ttyS1 (COM2), or with
        no /dev/ttyS1 at all."""
        port = {}
        if with_port:
            self.master, slave = os.openpty()
            port = {"ttyS1": os.ttyname(slave)}
            os.close(slave)
        return self._start_viewer([*in_private_dev(port), program])

    def start_in_private_dev(self, command, devices=None, by_id=None):
        """Starts `command` as its user would, with a /dev holding only `devices` and the
        by-id links `by_id` (see in_private_dev)."""
        return self._start_viewer([*in_private_dev(devices, by_id), *command])

    def start_launcher(self, launcher, device):
        """Starts the program on `device` through the launcher, as its user would."""
        return self._start_viewer([launcher, device])

    def board_reads(self, timeout=5.0):
        """What the program has written to the board, waiting up to `timeout` for it."""
        ready, _, _ = select.select([self.master], [], [], timeout)
        return os.read(self.master, 64) if ready else b""

    def board_sends(self, data):
        os.write(self.master, data)

    def unplug(self):
        os.close(self.master)
        self.master = None

    def _watch_windows(self):
        # Every window the program maps, as the X server announces it: one shown for a
        # moment only is seen too.
        x = display.Display(self.display)
        x.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        x.sync()
        threading.Thread(target=self._record_windows, args=(x,), daemon=True).start()

    def _record_windows(self, x):
        name = x.intern_atom("_NET_WM_NAME")
        try:
            while True:
                event = x.next_event()
                if event.type == X.MapNotify and not event.override:
                    try:
                        title = event.window.get_full_property(name, 0).value.decode()
                    except (error.XError, AttributeError):
                        title = "(gone before its title was read)"
                    self.shown.append((event.window.id, title))
        except error.ConnectionClosedError:
            pass  # the X server has gone with the session

    def close_window(self, window_id):
        """Asks the window to close, as a window manager's close button does."""
        with contextlib.closing(display.Display(self.display)) as x:
            window = x.create_resource_object("window", window_id)
            protocols = x.intern_atom("WM_PROTOCOLS")
            delete = x.intern_atom("WM_DELETE_WINDOW")
            window.send_event(protocol.event.ClientMessage(
                window=window, client_type=protocols,
                data=(32, [delete, X.CurrentTime, 0, 0, 0])))
            x.sync()

    def close(self):
        super().close()
        if self.master is not None:
            os.close(self.master)
        if self.runtime_dir is not None:
            shutil.rmtree(self.runtime_dir, ignore_errors=True)


def screenshot(extents):
    """The screen's pixels inside `extents` (an AT-SPI rectangle), as RGB rows."""
    crop = f"{extents.width}x{extents.height}+{extents.x}+{extents.y}"
    pixels = subprocess.run(["import", "-window", "root", "-crop", crop, "-depth", "8", "rgb:-"],
                            capture_output=True, check=True).stdout
    row = 3 * extents.width
    return [[tuple(pixels[i:i + 3]) for i in range(start, start + row, 3)]
            for start in range(0, len(pixels), row)]


def click(accessible):
    """A left click in the middle of an accessible control."""
    import pyatspi
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", "--sync", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)
