"""The tray over D-Bus: the status item's menu, its settings and its switches."""

from pathlib import Path

from gi.repository import GLib
from Xlib import X
from Xlib.protocol import event

from support.desktop import LUMIO_BIN, wait_until
from support.tray import TrayMenu


def test_a_click_over_dbus_stores_an_interval_and_the_autostart_entry_and_quits(desktop):
    run = desktop.launch()
    menu = TrayMenu(desktop)
    menu.open()
    menu.click("interval-30")
    wait_until(lambda: desktop.settings().get("intervalMin") == 30, what="intervalMin 30")
    assert menu.find("interval-30").checked and not menu.find("interval-20").checked
    assert 29 * 60 <= menu.seconds_to_break() <= 30 * 60
    entry = desktop.config / "autostart/lumio.desktop"
    menu.click("launch-at-login")
    wait_until(entry.exists, what="the autostart entry")
    keys = dict(line.split("=", 1) for line in entry.read_text().splitlines() if "=" in line)
    assert Path(keys["Exec"]).resolve() == Path(LUMIO_BIN).resolve()
    menu.click("quit")
    assert run.wait(5) == 0


def test_every_menu_call_answers(desktop):
    desktop.launch()
    menu = TrayMenu(desktop)
    quit_id, missing = menu.find("quit").id, 9999
    value = GLib.Variant("i", 0)
    rows = [  # method, arguments, the reply or the D-Bus error it gets
        ("GetProperty", "(is)", (quit_id, "label"), ("Thoát Lumio",)),
        ("GetProperty", "(is)", (quit_id, "shortcut"), "InvalidArgs"),
        ("GetProperty", "(is)", (missing, "label"), "InvalidArgs"),
        ("GetGroupProperties", "(aias)", ([quit_id, missing], ["label"]),
         ([(quit_id, {"label": "Thoát Lumio"})],)),
        ("GetLayout", "(iias)", (missing, -1, []), "InvalidArgs"),
        ("AboutToShow", "(i)", (missing,), "InvalidArgs"),
        ("AboutToShowGroup", "(ai)", ([0, missing],), ([], [missing])),
        ("Event", "(isvu)", (missing, "clicked", value, 0), "InvalidArgs"),
        ("EventGroup", "(a(isvu))", ([(0, "hovered", value, 0), (missing, "hovered", value, 0)],),
         ([missing],)),
    ]
    for method, signature, args, expected in rows:
        try:
            answer = menu.call(method, signature, *args)
        except GLib.Error as error:
            answer = error.message.split(":")[1].split(".")[-1]
        assert answer == expected, method

    def shortcuts(node):
        _id, props, children = node
        return ["shortcut" in props] + [found for child in children for found in shortcuts(child)]
    assert not any(shortcuts(menu.call("GetLayout", "(iias)", 0, -1, [])[1]))


def test_a_click_the_host_passes_on_opens_lumios_menu_where_it_was(desktop):
    desktop.launch()
    service, path = wait_until(lambda: desktop.tray.items, 15, "a tray item")[0]
    TrayMenu(desktop).lines()  # as hosts that read the menu ahead but pass left clicks on
    before = {window.id for window in desktop.top_level()}
    desktop.bus.call(service, path, "org.kde.StatusNotifierItem", "Activate",
                     GLib.Variant("(ii)", (700, 420)))
    popped = wait_until(lambda: [w for w in desktop.top_level() if w.id not in before], 5,
                        "Lumio's menu")[0]
    origin = popped.translate_coords(desktop.x.screen().root, 0, 0)
    assert (-origin.x, -origin.y) == (700, 420)
    desktop.bus.call(service, path, "org.kde.StatusNotifierItem", "ContextMenu",
                     GLib.Variant("(ii)", (700, 420)))
    wait_until(lambda: popped.id not in {window.id for window in desktop.top_level()}, 5,
               "a second click to close the menu")


def test_an_x11_tray_that_starts_later_is_told_and_gets_the_icon(desktop):
    desktop.bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                     "ReleaseName", GLib.Variant("(s)", ("org.kde.StatusNotifierWatcher",)), "(u)")
    run = desktop.launch()
    wait_until(lambda: "no system tray yet" in run.log.read_text(), 10, "no tray at the start")
    x, root = desktop.x, desktop.x.screen().root
    tray = root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    selection = x.intern_atom("_NET_SYSTEM_TRAY_S0")
    tray.set_selection_owner(selection, X.CurrentTime)
    root.send_event(event.ClientMessage(window=root, client_type=x.intern_atom("MANAGER"),
                                        data=(32, [X.CurrentTime, selection, tray.id, 0, 0])),
                    event_mask=X.StructureNotifyMask)
    x.flush()
    opcode = x.intern_atom("_NET_SYSTEM_TRAY_OPCODE")

    def docking():
        while x.pending_events():
            told = x.next_event()
            if told.type == X.ClientMessage and told.client_type == opcode:
                return told.data[1][1] == 0  # asks to dock
        return False
    wait_until(docking, 10, "the icon asking the X11 tray to dock it")
    assert run.stop() == 0
