"""The real program as a screen reader and a keyboard user meet it: under Xvfb, on a
pseudo-terminal bound as COM2, read through AT-SPI. Run: tst_accessibility.py PROGRAM"""

import os
import subprocess
import sys

from processes import expect, run_test, wait_for
from session import Session, screenshot

CAPTION = "Visualização dos dados capturados pelo sensor"
# The main window's controls as assistive technology lists them: role, name, description.
CONTROLS = [
    ("status bar", "Porta aberta", "Lâmpada da porta serial"),
    ("label", "ComPort On/Off", ""),
    ("push button", "Configurar Serial", ""),
    ("push button", "Fechar", ""),
    ("label", "0.0", "Tensão da última leitura, em volts"),
    ("combo box", "Canal", ""),
    ("chart", "Sinal do Sensor",
     "Gráfico de linha da tensão lida da placa, de 0 a 5,5 V, por amostra, de 0 a 100"),
    ("push button", "Limpar Gráfico", ""),
]
# Where Tab takes the focus from "Configurar Serial", round to it again.
TAB_ORDER = ["Fechar", "Canal", "Sinal do Sensor", "Limpar Gráfico", "Configurar Serial"]

def run(session, program):
    viewer = session.start_program(program)
    import pyatspi  # after the session bus is set: it connects on import

    def window():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name.endswith("sensor-viewer"):
                for frame in app:
                    if frame is not None and frame.name == CAPTION:
                        return frame
    frame = wait_for(window, "the main window in the accessibility tree")

    def controls():
        return [(c.getRoleName(), c.name, c.description) for c in frame]
    expect(controls(), CONTROLS, "controls")

    def focused():
        def find(node):
            if node.getState().contains(pyatspi.STATE_FOCUSED):
                return node
            for child in node:
                found = child is not None and find(child)
                if found:
                    return found
        node = find(frame)
        return node and (node.name or f"(a {node.getRoleName()} without a name)")

    def key(name):  # to the window that has the keyboard
        subprocess.run(["xdotool", "key", name], check=True)

    def tab():
        before = focused()
        key("Tab")
        return wait_for(lambda: focused() != before and focused(), "the focus to move")

    window_id = wait_for(lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--class", "sensor-viewer"], capture_output=True,
        text=True).stdout.split(), "the window on the display")[0]

    def focus_window():  # as a click on its title would, were there a window manager
        subprocess.run(["xdotool", "windowfocus", "--sync", window_id], check=True)
    focus_window()
    expect(wait_for(focused, "a focused control"), "Configurar Serial", "first focus")
    # The chart, the one control drawn by the program itself, shows when it has the focus.
    chart = frame[6].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    unfocused_chart = screenshot(chart)
    order = []
    for _ in TAB_ORDER:
        order.append(tab())
        if order[-1] == "Sinal do Sensor":
            wait_for(lambda: screenshot(chart) != unfocused_chart, "a focus frame on the chart")
    expect(order, TAB_ORDER, "tab order")
    wait_for(lambda: screenshot(chart) == unfocused_chart, "the chart's focus frame to go")

    # Space presses the focused button: "Configurar Serial" opens the set-up dialog.
    key("space")
    wait_for(lambda: frame.parent.childCount > 1, "the set-up dialog")
    key("Escape")
    wait_for(lambda: frame.parent.childCount == 1, "the set-up dialog to close")

    # Channel 2 typed into the selector is polled; the board's reply, 2.5 V, is what a
    # screen reader reads from the readout at the next tick, in the user's notation.
    focus_window()
    tab()
    expect(tab(), "Canal", "focus two steps on")
    key("2")
    expect(session.board_reads()[:1], b"l", "the poll for channel 2")
    session.board_sends(b"\x00\x02")
    wait_for(lambda: frame[4].name == "2,5", "the readout to read 2,5")

    # Unplugged, the lamp says so and an error box appears, closed as a screen reader would.
    # The channel is unpicked first: a tick polling the closed port would bring a box of
    # its own, which could come while Tab is pressed below.
    key("ctrl+a")
    key("BackSpace")
    session.unplug()
    wait_for(lambda: frame[0].name == "Porta fechada", "the lamp to go dark")
    box = wait_for(lambda: frame.parent.childCount > 1 and frame.parent[1], "an error box")
    ok = wait_for(lambda: pyatspi.findDescendant(box, lambda n: n.getRoleName() == "push button"),
                  "the box's button")
    ok.queryAction().doAction(0)
    wait_for(lambda: frame.parent.childCount == 1, "the error box to close")

    # Enter presses the focused button: "Fechar" ends the program.
    focus_window()
    for _ in TAB_ORDER:
        if focused() == "Fechar":
            break
        tab()
    key("Return")
    try:
        status = viewer.wait(20)
    except subprocess.TimeoutExpired:
        status = "still running 20 s later"
    expect(status, 0, "exit status after Enter on Fechar")


if __name__ == "__main__":
    sys.exit(run_test(Session, run, sys.argv[1]))
