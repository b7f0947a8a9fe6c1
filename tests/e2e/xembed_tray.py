"""An X11 system tray (the XEmbed kind), standing in for an older desktop panel.

Run as a program on the display named by the first argument: it takes the
tray selection, prints "ready", then docks every icon that asks, printing
"docked <window id>" for each, until killed.
"""

import sys

from Xlib import X, display
from Xlib.protocol import event

REQUEST_DOCK = 0
ICON_SIZE = 24


def main():
    screen_display = display.Display(sys.argv[1])
    screen = screen_display.screen()
    panel = screen.root.create_window(
        0, 0, 8 * ICON_SIZE, ICON_SIZE, 0, screen.root_depth,
        background_pixel=screen.white_pixel, event_mask=X.SubstructureNotifyMask)
    panel.map()

    selection = screen_display.intern_atom(f"_NET_SYSTEM_TRAY_S{screen_display.get_default_screen()}")
    panel.set_selection_owner(selection, X.CurrentTime)
    announce = event.ClientMessage(
        window=screen.root, client_type=screen_display.intern_atom("MANAGER"),
        data=(32, [X.CurrentTime, selection, panel.id, 0, 0]))
    screen.root.send_event(announce, event_mask=X.StructureNotifyMask)
    screen_display.flush()
    print("ready", flush=True)

    opcode = screen_display.intern_atom("_NET_SYSTEM_TRAY_OPCODE")
    docked = 0
    while True:
        received = screen_display.next_event()
        if received.type != X.ClientMessage or received.client_type != opcode:
            continue
        _format, data = received.data
        if data[1] != REQUEST_DOCK:
            continue
        icon = screen_display.create_resource_object("window", data[2])
        icon.reparent(panel, docked * ICON_SIZE, 0)
        icon.configure(width=ICON_SIZE, height=ICON_SIZE)
        icon.map()
        screen_display.flush()
        docked += 1
        print(f"docked {data[2]}", flush=True)


if __name__ == "__main__":
    main()
