"""The Windows zip as a user gets it, under Wine: what it holds, and the program in it run
from a fresh Wine prefix on the simulated board as COM2, inside a /dev of its own (so that
Wine sees no serial port of the machine's), under Xvfb, driven with xdotool. Wine has no
screen reader's interface: the test-only plugin textprobe reports what the window shows,
and commshim lets QSerialPort read there (see their sources). Run by CTest, one test per
windows_ function below: tst_zip.py TEST ZIP SIMULATOR PLUGINS."""

import csv
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import zipfile

from processes import BWRAP, Processes, expect, failures, main, wait_for

CAPTION = "Visualização dos dados capturados pelo sensor"
OBJDUMP = "x86_64-w64-mingw32-objdump"
# The combo box of channels, as the window is designed (ui/windowdesign.h): its middle.
CHANNEL_FIELD = (304 + 72, 24 + 10)


class WinePrefix(Processes):
    """An X server, and a fresh Wine prefix in a scratch folder, both gone at the end."""

    def set_up(self):
        self.folder = tempfile.mkdtemp(prefix="wine-zip-")
        display = self.start_xvfb()
        # The user's regional settings are Brazil's; no installer of Wine's own (Mono,
        # Gecko) is offered in the new prefix.
        os.environ.update(DISPLAY=display, WINEPREFIX=os.path.join(self.folder, "prefix"),
                          WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                          LC_ALL="pt_BR.UTF-8")
        self.devices = {}

    def wine(self, *command, **options):
        """Runs `command` under Wine in a /dev of its own holding `self.devices` ({name:
        device}), and in a process namespace of its own, so that the Wine server goes with
        it when it is ended."""
        sandbox = [BWRAP, "--die-with-parent", "--unshare-pid", "--dev-bind", "/", "/",
                   "--dev", "/dev"]
        for name, device in self.devices.items():
            sandbox += ["--dev-bind", device, f"/dev/{name}"]
        with open(os.path.join(self.folder, "wine.log"), "a") as log:
            return self.start([*sandbox, "--", *command], stdout=log, stderr=log, **options)

    def close(self):
        super().close()
        if failures:  # what Wine said, the end of it
            with open(os.path.join(self.folder, "wine.log"), errors="replace") as log:
                print("".join(log.readlines()[-40:]))
        shutil.rmtree(self.folder, ignore_errors=True)


def is_windows_own(dll, prefix):
    """Whether Windows itself has the DLL: Wine's system folder holds it, or it is one of
    Windows' API sets (api-ms-win-..., which the loader maps to its own DLLs)."""
    system = os.path.join(prefix, "drive_c", "windows", "system32")
    return dll.lower().startswith(("api-ms-win-", "ext-ms-win-")) or os.path.exists(
        os.path.join(system, dll.lower()))


def imports(pe):
    listing = subprocess.run([OBJDUMP, "-p", pe], capture_output=True, text=True,
                             check=True).stdout
    return set(re.findall(r"DLL Name: (\S+)", listing))


def unpack(zip_path, into):
    """The zip unpacked into `into`: the one folder it holds."""
    with zipfile.ZipFile(zip_path) as archive:
        archive.extractall(into)
        tops = {name.split("/")[0] for name in archive.namelist()}
    expect(len(tops), 1, "folders at the zip's top")
    return os.path.join(into, sorted(tops)[0])


def shown(prefix):
    """What the program shows, as textprobe last wrote it: (kind, text) pairs."""
    try:
        with open(os.path.join(prefix, "shown.txt"), encoding="utf-8") as file:
            return [tuple(line.rstrip("\n").split("\t", 1)) for line in file if "\t" in line]
    except FileNotFoundError:
        return []


def key(*names):
    subprocess.run(["xdotool", "key", *names], check=True)


def x_window(title):
    """The X id of the visible window whose title matches `title` (xdotool's pattern, in
    which a letter outside ASCII matches nothing), once there is one."""
    found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", title],
                           capture_output=True, text=True, check=True, timeout=60)
    return found.stdout.split()[0]


def windows_zip_holds_the_dlls_its_program_loads(session, zip_path, *_):
    # Every DLL the program or a plugin of the zip imports is in the zip or is Windows'
    # own, and every DLL in the zip is imported by one of them: none missing, none spare.
    folder = unpack(zip_path, session.folder)
    session.wine("wineboot", "--init").wait(120)
    shipped = {name for name in os.listdir(folder) if name.lower().endswith(".dll")}
    loaders = [os.path.join(folder, "sensor-viewer.exe")] + [
        os.path.join(top, name) for top, _, names in os.walk(os.path.join(folder, "plugins"))
        for name in names]
    imported = set()
    for pe in loaders + [os.path.join(folder, name) for name in shipped]:
        imported |= imports(pe)
    expect(sorted(name for name in imported
                  if name not in shipped and not is_windows_own(name, os.environ["WINEPREFIX"])),
           [],
           "DLLs imported that the zip lacks")
    expect(sorted(shipped - imported), [], "DLLs in the zip that nothing imports")
    expect(sorted(os.path.relpath(pe, folder).replace(os.sep, "/") for pe in loaders),
           ["plugins/platforms/qwindows.dll", "plugins/styles/qwindowsvistastyle.dll",
            "sensor-viewer.exe"], "the program and its plugins")


def start_program(session, zip_path, plugins, devices, ports=None):
    """A new Wine prefix made in a /dev holding `devices` ({name: device}), the zip
    unpacked into it and `ports` ({"com2": device}) among its DOS devices, and the program
    started there with the test plugins loaded: the prefix, and the program's process. All
    under one Wine server, kept till the end: the serial ports Wine finds as it makes the
    prefix are listed only as long as the server that found them lives."""
    prefix = os.environ["WINEPREFIX"]
    with zipfile.ZipFile(zip_path) as archive:
        folder = archive.namelist()[0].split("/")[0]
    links = " && ".join(f'ln -s {device} "$WINEPREFIX/dosdevices/{name}"'
                        for name, device in (ports or {}).items()) or "true"
    session.devices = devices
    os.environ.update(WINEQT_PLUGIN_PATH="Z:" + plugins,
                      WINEQT_QPA_GENERIC_PLUGINS="commshim,textprobe,sessionend",
                      SENSOR_SHOWN="Z:" + os.path.join(prefix, "shown.txt"),
                      SENSOR_END_SESSION="Z:" + os.path.join(prefix, "end-session"))
    return prefix, session.wine(
        "sh", "-c", 'mkdir "$WINEPREFIX" && wineserver -p && wineboot --init && unzip -q "$0" '
        f'-d "$WINEPREFIX/drive_c" && {links} && exec wine "$1"', zip_path,
        f"C:\\{folder}\\sensor-viewer.exe")


def poll_channel_2(board, prefix):
    """Channel 2 picked with the mouse and a key, as a user does; four polls of it later."""
    wait_for(lambda: ("window", CAPTION) in shown(prefix), "the main window", timeout=90)
    window = x_window("dados capturados pelo sensor$")
    place = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                           capture_output=True, text=True, check=True).stdout
    x, y = (int(re.search(rf"^{axis}=(\d+)", place, re.M).group(1)) for axis in "XY")
    subprocess.run(["xdotool", "mousemove", "--sync", str(x + CHANNEL_FIELD[0]),
                    str(y + CHANNEL_FIELD[1]), "click", "1"], check=True)
    key("2")
    polls = wait_for(lambda: board.log("rx ")[:4] if len(board.log("rx ")) >= 4 else None,
                     "four polls", timeout=30)
    expect([line for _, line in polls], ["rx 6c l channel 2"] * 4, "the bytes polled")


def windows_zip_on_com2_polls_shows_saves_and_tells_an_unplug(session, zip_path, simulator,
                                                               plugins):
    # The board's pseudo-terminal is COM2 by a link of the prefix's, as a user's adapter
    # would be by its driver.
    board = session.start_board(simulator, "--channel", "2=constant,2.5")
    prefix, _ = start_program(session, zip_path, plugins, {"board": board.device},
                              {"com2": "/dev/board"})
    wait_for(lambda: ("window", CAPTION) in shown(prefix), "the main window", timeout=90)
    expect(("label", "0.0") in shown(prefix), True, "the readout before a reading")
    poll_channel_2(board, prefix)
    # 2.5 V read back, written as Brazil writes numbers.
    wait_for(lambda: ("label", "2,5") in shown(prefix), "the readout of 2,5 V", timeout=10)

    # Saved with Ctrl+S through Windows' own file dialog (Wine's), and read back.
    key("ctrl+s")
    x_window("^Salvar dados$")
    key("End", "shift+Home")  # Wine's name field takes no Ctrl+A
    subprocess.run(["xdotool", "type", "C:\\users\\Public\\dados.csv"], check=True)
    key("Return")
    saved = os.path.join(prefix, "drive_c", "users", "Public", "dados.csv")
    wait_for(lambda: os.path.exists(saved), "the saved file")
    with open(saved, newline="", encoding="utf-8") as file:
        rows = list(csv.reader(file, delimiter=";"))
    expect(rows[0], ["amostra", "instante", "tempo_s", "canal", "leitura", "tensao_V", "evento"],
           "the file's header")
    expect(len(rows) >= 4 and all(row[3:] == ["2", "512", "2,5", ""] for row in rows[1:]), True,
           f"rows of channel 2 at 512, 2,5 V, no event: {rows[1:]}")

    # The board's cable pulled: one box says so, in the program's words.
    os.kill(board.process.pid, 15)
    lost = ("label", "A ligação pela porta COM2 foi perdida: o dispositivo deixou de responder "
            "(foi desconectado?). A porta foi fechada; use \"Configurar Serial\" para abri-la "
            "de novo.")
    wait_for(lambda: lost in shown(prefix), "the box of the lost link", timeout=20)
    time.sleep(3)  # a second box would come in this time
    expect(shown(prefix).count(("window", "Erro")), 1, "boxes shown")


def windows_zip_board_on_another_port_is_picked_from_the_list(session, zip_path, simulator,
                                                              plugins):
    # An adapter Wine finds as it makes the prefix, and lists as Windows would: COM1. The
    # start on COM2 fails, told as Windows names the port, and its box leads to the ports
    # listed, where a key picks COM1.
    board = session.start_board(simulator, "--channel", "2=constant,2.5")
    prefix, _ = start_program(session, zip_path, plugins, {"ttyUSB0": board.device})
    failed = ("label", "Não foi possível abrir a porta COM2: o dispositivo não existe. "
              "Verifique se a placa está ligada ao computador e se o nome da porta está "
              "certo.  Se a placa está em outra porta, escolha-a em \"Configurar Serial\", "
              "que mostra as portas deste computador pelo que são.")
    wait_for(lambda: failed in shown(prefix), "the start-up box", timeout=90)
    expect([entry for entry in shown(prefix) if entry[0] == "button"],
           [("button", "Configurar Serial"), ("button", "Fechar")], "the box's buttons")
    key("Return")
    wait_for(lambda: ("window", "Configuração da porta serial") in shown(prefix),
             "the set-up dialog")
    key("Down")
    wait_for(lambda: ("field", "COM1") in shown(prefix), "COM1 chosen")
    key("Return")
    poll_channel_2(board, prefix)
    wait_for(lambda: ("label", "2,5") in shown(prefix), "the readout of 2,5 V", timeout=10)


def windows_zip_session_end_is_answered_with_the_port_closed(session, zip_path, simulator,
                                                             plugins):
    """At a logoff Windows sends the program's windows the session's end and ends the
    process as soon as they have answered (the plugin sessionend and the test do it here):
    the window answers, without crashing, with the port already closed (and the recording
    written out: tst_tform1)."""
    board = session.start_board(simulator, "--channel", "2=constant,2.5")
    prefix, program = start_program(session, zip_path, plugins, {"board": board.device},
                                    {"com2": "/dev/board"})
    poll_channel_2(board, prefix)
    open(os.path.join(prefix, "end-session"), "w").close()
    answered = os.path.join(prefix, "end-session.answered")
    wait_for(lambda: os.path.exists(answered), "the windows' answers", timeout=10)
    # The program is held where Windows would end it: only the answer can close the port.
    wait_for(lambda: board.log("device closed"), "the port closed", timeout=2)
    os.kill(program.pid, signal.SIGKILL)  # as Windows ends the process there
    program.wait(10)


if __name__ == "__main__":
    raise SystemExit(main(WinePrefix, globals(), "windows_"))
