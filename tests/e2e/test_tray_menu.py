"""The tray menu as a desktop's tray reads and drives it over D-Bus."""

import re
import time

import pytest

from conftest import Gio, GLib, wait_until

ANIMALS = ["Mèo Cam", "Cún Shiba", "Thỏ Bông", "Gấu Trúc", "Ếch Xanh", "Cánh Cụt"]
INTERVALS = ["10 phút", "15 phút", "20 phút", "25 phút", "30 phút", "45 phút", "60 phút"]
BREAKS = ["20 giây", "30 giây", "45 giây", "1 phút"]
COUNTDOWN = re.compile(r"Lần nghỉ mắt tới: (\d+):(\d\d)")
PAUSED = re.compile(r"Tạm dừng đến \d\d:\d\d \(còn (60:00|59:5\d)\)")


@pytest.fixture
def running(session):
    run = session.launch()
    menu = session.tray_menu()
    menu.open()
    yield session, run, menu
    if run.running():
        assert run.stop() == 0
    assert run.stderr == ""


def checked_labels(entries):
    return [e.label for e in entries if e.checked]


def test_menu_lists_every_line_in_order(running):
    _, _, menu = running
    entries = menu.entries()
    assert len(entries) == 16

    assert COUNTDOWN.fullmatch(entries[0].label), entries[0]
    assert entries[1].label == "Hôm nay chưa có lần nhắc nào"
    assert not entries[0].enabled and not entries[1].enabled
    assert all(e.enabled for e in entries[2:])

    separators = [i for i, e in enumerate(entries) if e.separator]
    assert separators == [2, 6, 13]
    labels = [e.label for e in entries]
    assert labels[3:6] == ["Nghỉ mắt ngay", "Tạm dừng 1 giờ", "Bật nhắc nhở"]
    assert labels[7:13] == ["Nhắc mỗi", "Thời gian nghỉ", "Làm mờ nền khi nhắc", "Âm báo nhẹ",
                            "Rời máy ≥5 phút thì đếm lại", "Các bạn thú"]
    assert labels[14:] == ["Mở cùng máy tính", "Thoát Lumio"]

    assert checked_labels(entries) == ["Bật nhắc nhở", "Làm mờ nền khi nhắc",
                                       "Rời máy ≥5 phút thì đếm lại"]
    assert [i for i, e in enumerate(entries) if e.submenu] == [7, 8, 12]

    interval, pause, animals = entries[7].children, entries[8].children, entries[12].children
    assert [e.label for e in interval] == INTERVALS
    assert checked_labels(interval) == ["20 phút"]
    assert [e.label for e in pause] == BREAKS
    assert checked_labels(pause) == ["20 giây"]
    assert [e.label for e in animals] == ANIMALS
    assert checked_labels(animals) == ANIMALS

    assert entries[15].props.get("shortcut") == [["Control", "Q"]]

    # Switches are switches whether on or off ("Âm báo nhẹ" is off); choices are radio items.
    switches = [entries[i] for i in (5, 9, 10, 11, 14)] + animals
    assert [(e.toggle, e.props.get("toggle-state")) for e in switches] == [
        ("checkmark", 1), ("checkmark", 1), ("checkmark", 0), ("checkmark", 1), ("checkmark", 0),
    ] + [("checkmark", 1)] * len(ANIMALS)
    assert {e.toggle for e in interval + pause} == {"radio"}
    assert [e.props.get("toggle-state") for e in pause] == [1, 0, 0, 0]
    others = [e for e in entries if e not in switches]
    assert {e.toggle for e in others} == {""}


def test_choosing_an_interval_stores_it(running):
    session, _, menu = running
    menu.click("Nhắc mỗi", "30 phút")
    wait_until(lambda: session.settings().get("intervalMin") == 30, what="intervalMin 30")
    assert checked_labels(menu.find("Nhắc mỗi").children) == ["30 phút"]
    minutes = int(COUNTDOWN.fullmatch(menu.entries()[0].label).group(1))
    assert minutes in (29, 30)


def test_unticking_dim_stores_it_and_clears_the_mark(running):
    session, _, menu = running
    menu.click("Làm mờ nền khi nhắc")
    wait_until(lambda: session.settings().get("dim") is False, what="dim false")
    dim = menu.find("Làm mờ nền khi nhắc")
    assert (dim.toggle, dim.props.get("toggle-state")) == ("checkmark", 0)


def test_unticking_an_animal_drops_it(running):
    session, _, menu = running
    menu.click("Các bạn thú", "Mèo Cam")
    animals = wait_until(lambda: session.settings().get("animals"), what="animals stored")
    assert animals == ["dog", "bunny", "panda", "frog", "penguin"]
    assert checked_labels(menu.find("Các bạn thú").children) == ANIMALS[1:]


def test_pausing_shows_the_pause_and_offers_to_resume(running):
    _, _, menu = running
    menu.click("Tạm dừng 1 giờ")
    entries = menu.entries()
    assert PAUSED.fullmatch(entries[0].label), entries[0]
    assert entries[4].label == "Tiếp tục nhắc"

    menu.click("Tiếp tục nhắc")
    entries = menu.entries()
    assert COUNTDOWN.fullmatch(entries[0].label), entries[0]
    assert entries[4].label == "Tạm dừng 1 giờ"


def test_turning_reminders_off(running):
    session, _, menu = running
    menu.click("Bật nhắc nhở")
    wait_until(lambda: session.settings().get("enabled") is False, what="enabled false")
    entries = menu.entries()
    assert entries[0].label == "Đang tắt nhắc nhở"
    assert not entries[5].checked
    assert not entries[4].enabled


def test_quit_item_ends_the_program(running):
    _, run, menu = running
    menu.click("Thoát Lumio")
    assert run.wait(5) == 0


def countdown_seconds(menu):
    match = COUNTDOWN.fullmatch(menu.entries()[0].label)
    assert match, menu.entries()[0]
    return int(match.group(1)) * 60 + int(match.group(2))


def test_countdown_runs_while_the_menu_is_open(running):
    _, _, menu = running
    before = countdown_seconds(menu)
    time.sleep(2.2)
    after = countdown_seconds(menu)
    assert 1 <= before - after <= 3

    menu.close()
    frozen = countdown_seconds(menu)
    time.sleep(2.2)
    assert countdown_seconds(menu) == frozen


def pop_up_own_menu(session):
    """Clicks the icon as a tray that leaves the menu to the program does; Lumio
    then draws its menu itself."""
    menu = session.tray_menu()
    session.bus.call(menu.item_service, menu.item_path, "org.kde.StatusNotifierItem", "Activate",
                     GLib.Variant("(ii)", (600, 10)))
    wait_until(session.popup_menus, what="the menu on screen")
    return menu


def test_a_plain_click_on_the_icon_opens_the_menu(session):
    session.write_settings(welcomed=True)
    run = session.launch()
    menu = pop_up_own_menu(session)
    before = countdown_seconds(menu)
    time.sleep(1.2)
    assert countdown_seconds(menu) < before

    session.x("xdotool", "key", "Escape")
    wait_until(lambda: not session.popup_menus(), what="the menu to close")
    assert run.stop() == 0
    assert run.stderr == ""


def test_an_edit_to_the_settings_file_shows_within_two_seconds(running):
    session, _, menu = running
    menu.close()
    session.write_settings(intervalMin=45, sound=True)

    wait_until(lambda: checked_labels(menu.find("Nhắc mỗi").children) == ["45 phút"],
               timeout=2.5, what="the new interval in the menu")
    assert menu.find("Âm báo nhẹ").checked


def test_ctrl_q_in_lumios_own_menu_quits(session):
    session.write_settings(welcomed=True)
    run = session.launch()
    pop_up_own_menu(session)
    session.x("xdotool", "key", "ctrl+q")
    assert run.wait(5) == 0
    assert run.stderr == ""


def test_a_tray_that_never_says_closed_stops_the_updates(session):
    session.write_settings(welcomed=True)
    run = session.launch()
    menu = session.tray_menu()
    updates = []
    for signal in ("LayoutUpdated", "ItemsPropertiesUpdated"):
        session.bus.connection.signal_subscribe(
            None, menu.INTERFACE, signal, menu.menu_path, None, Gio.DBusSignalFlags.NONE,
            lambda *_: updates.append(time.monotonic() - opened))
    opened = time.monotonic()
    menu.open()  # and never "closed", as some trays do

    context = GLib.MainContext.default()
    while time.monotonic() - opened < 10:
        context.iteration(False)
        time.sleep(0.02)
    assert len(updates) <= 5, updates
    assert all(at < 5 for at in updates), updates
    assert run.stop() == 0
