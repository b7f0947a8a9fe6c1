"""Lumio on real Wayland desktops (tests/support/compositor.py), over the seams a
user meets there: the tray, where the break card shows, the input around a
break, and being away. Each test runs once per desktop."""

import time
from types import SimpleNamespace

import pytest
from gi.repository import GLib

from support.compositor import OUTPUT, Gnome, box, brightness
from support.desktop import PANEL, wait_until
from support.page import show_break
from support.tray import TrayMenu

CENTRE = "(r => [Math.round(r.x + r.width / 2), Math.round(r.y + r.height / 2)])" \
         "(document.querySelector('[data-action={}]').getBoundingClientRect())"
MARK = "document.body.insertAdjacentHTML('beforeend', '<div id=\"test-mark\" style=\"" \
       "position:fixed;inset:0;z-index:2147483647;background:#f0f\"></div>')"


def break_on_screen(desktop):
    """A break from --break-now, its page and where its card is on the layout,
    found by painting the page magenta for one screenshot."""
    page = show_break(desktop)
    time.sleep(1)  # past the fade
    shot = desktop.screenshot("break")
    page.evaluate(MARK)
    time.sleep(0.5)
    card = box(desktop.screenshot("card-marked"), "-fuzz", "10%", "-fill", "black", "+opaque",
               "#ff00ff")
    page.evaluate("document.getElementById('test-mark').remove()")
    return SimpleNamespace(run=page.run, page=page, card=card, shot=shot)


def in_corner(card, output):
    """Whether the card lies inside the output, in its bottom-right corner (above
    a panel or bar there)."""
    x, y, width, height = card
    left, top, output_width, output_height = output
    right, bottom = left + output_width, top + output_height
    return (left <= x and top <= y and x + width <= right and y + height <= bottom
            and right - (x + width) <= 48 and bottom - (y + height) <= 80)


@pytest.fixture
def shown(wayland):
    """A break over a terminal that had the keyboard focus."""
    log = wayland.probe("probe")
    before = wayland.screenshot("before")
    shown = break_on_screen(wayland)
    shown.log, shown.before, shown.window = log, before, wayland.windows()["probe"][1]
    yield shown
    shown.page.close()


def test_the_status_item_registers_with_the_desktops_own_tray(wayland):
    run = wayland.launch()
    ((service, _path),) = wait_until(lambda: wayland.tray.items, 15, "the status item")
    owner = wayland.bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                             "org.freedesktop.DBus", "GetConnectionUnixProcessID",
                             GLib.Variant("(s)", (service,)), "(u)")[0]
    assert owner == run.process.pid
    wayland.screenshot("tray")
    assert run.stop() == 0


def test_the_card_shows_bottom_right_and_the_terminal_keeps_the_keyboard(wayland, shown):
    output = wayland.outputs()[0]
    assert shown.card and shown.card[2:] == PANEL and in_corner(shown.card, output), \
        f"the card at {shown.card}, the output at {output}"
    wayland.type("lumio")
    wait_until(lambda: b"lumio" in shown.log.read_bytes(), 5, "the keys in the terminal")


def test_a_click_on_the_dimming_reaches_the_window_beneath(wayland, shown):
    x, y, width, height = shown.window
    spot = (x + 8, y + 8, 100, 50)
    # GNOME under Wayland would keep the clicks of a dimmed screen: it is not dimmed there.
    dimmed = brightness(shown.shot, *spot) < 0.8 * brightness(shown.before, *spot)
    assert dimmed != isinstance(wayland, Gnome)
    clicks = shown.log.read_bytes().count(b"\x1b[M")
    wayland.click(x + width // 4, y + height // 2)
    wait_until(lambda: shown.log.read_bytes().count(b"\x1b[M") > clicks, 5,
               "the click in the terminal")


def test_a_click_on_skip_counts_the_break_as_skipped(wayland, shown):
    x, y = shown.page.evaluate(CENTRE.format("skip"))
    wayland.click(shown.card[0] + x, shown.card[1] + y)
    wait_until(lambda: wayland.settings().get("stat.skipped") == 1, 10, "stat.skipped")
    assert shown.run.stop() == 0


def test_without_input_lumio_is_away_and_input_brings_a_fresh_countdown(wayland):
    # Ten seconds without input make the user away; a break would be due in twenty.
    wayland.write_settings(intervalMin=10)
    wayland.env["LUMIO_TIME_SCALE"] = "30"
    started = time.monotonic()
    run = wayland.launch()
    menu = TrayMenu(wayland)
    menu.open()
    wait_until(lambda: menu.find("away"), 20, "the away line")
    time.sleep(max(0.0, started + 25 - time.monotonic()))
    assert menu.find("away") and not wayland.settings().get("stat.shown")
    wayland.move(400, 300)
    wayland.move(420, 320)
    wait_until(lambda: menu.find("next-break"), 10, "the countdown back")
    assert menu.seconds_to_break() >= 8 * 60
    assert run.stop() == 0


def test_the_card_shows_on_the_output_under_the_pointer(wayland2):
    first, second = wayland2.outputs()
    wayland2.native("there", second)
    wayland2.probe("here", first)
    # Over the terminal with the keyboard on the first output, then over the window
    # on the second: the card follows the pointer, not the keyboard nor the place
    # XWayland saw the pointer last.
    x, y, width, height = wayland2.windows()["here"][1]
    wayland2.move(x + width // 2, y + height // 2)
    wayland2.move(second[0] + second[2] // 2, second[1] + second[3] // 2)
    shown = break_on_screen(wayland2)
    # No interface of GNOME's tells where the pointer is: the card goes to the monitor
    # of the focused window there.
    expected = first if isinstance(wayland2, Gnome) else second
    assert shown.card and in_corner(shown.card, expected), \
        f"the card at {shown.card}, the output expected at {expected}"
    shown.page.close()


@pytest.mark.parametrize("wayland", ["sway"], indirect=True)
def test_a_click_on_the_icon_opens_the_menu_at_the_icon(wayland):
    run = wayland.launch()
    wait_until(lambda: wayland.tray.items, 15, "the status item")
    time.sleep(1)  # the bar draws the new icon
    x, y, width, height = icon = wayland.tray_icon()
    wayland.move(x + width // 2, y + height // 2)
    before = wayland.screenshot("icon")
    wayland.click(x + width // 2, y + height // 2)
    time.sleep(1)
    # What changed above the bar, where the menu of an icon in a bottom bar opens.
    menu = box(wayland.screenshot("menu"), str(before), "-compose", "difference", "-composite",
               "-crop", f"{OUTPUT[0]}x{y}+0+0", "+repage", "-threshold", "5%")
    assert menu and menu[2] >= 100 and menu[3] >= 60, f"no menu: {menu}"
    gap_x = max(menu[0] - (x + width), x - (menu[0] + menu[2]), 0)
    assert gap_x <= 32 and y - (menu[1] + menu[3]) <= 32, f"the menu {menu} is far from {icon}"
    assert run.stop() == 0
