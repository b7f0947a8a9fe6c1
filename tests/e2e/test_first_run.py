"""The first launch greets the user; --break-now goes straight to a break."""

import time

from conftest import wait_until


def welcome_dialogs(session):
    return [w for w in session.windows_titled("Lumio")
            if "_NET_WM_WINDOW_TYPE_DIALOG" in session.window_type(w)]


def test_first_run_greets_once_and_remembers_it(session, shots):
    run = session.launch()
    wait_until(lambda: session.settings().get("welcomed") is True, what='"welcomed": true')
    dialog = wait_until(lambda: welcome_dialogs(session), timeout=10, what="the welcome dialog")[0]
    time.sleep(0.3)
    session.screenshot(shots("welcome"))

    # Enter picks the first button, "Mở cùng máy tính".
    session.x("xdotool", "windowfocus", "--sync", str(dialog), "key", "Return")
    entry = session.config / "autostart" / "lumio.desktop"
    wait_until(entry.exists, what="the autostart entry")
    wait_until(lambda: not welcome_dialogs(session), what="the dialog to close")
    menu = session.tray_menu()
    menu.open()
    assert menu.find("Mở cùng máy tính").checked
    assert run.stop() == 0
    assert run.stderr == ""

    again = session.launch()
    session.tray_menu()
    time.sleep(1.5)
    assert not welcome_dialogs(session)
    assert again.stop() == 0


def test_dismissing_the_welcome_changes_nothing(session):
    run = session.launch()
    dialog = wait_until(lambda: welcome_dialogs(session), timeout=10, what="the welcome dialog")[0]
    session.x("xdotool", "windowfocus", "--sync", str(dialog), "key", "Escape")
    wait_until(lambda: not welcome_dialogs(session), what="the dialog to close")
    assert not (session.config / "autostart").exists()
    menu = session.tray_menu()
    menu.open()
    assert not menu.find("Mở cùng máy tính").checked
    assert run.stop() == 0


def test_quitting_while_the_welcome_is_open_is_clean(session):
    run = session.launch()
    wait_until(lambda: welcome_dialogs(session), timeout=10, what="the welcome dialog")
    assert run.stop() == 0
    assert run.stderr == ""


def test_break_now_skips_the_welcome_and_counts_a_break(session):
    run = session.launch("--break-now")
    settings = wait_until(lambda: session.settings().get("stat.shown") == 1 and session.settings(),
                          timeout=3, what='"stat.shown": 1')
    assert "welcomed" not in settings
    time.sleep(1)
    assert not welcome_dialogs(session)
    assert "welcomed" not in session.settings()

    menu = session.tray_menu()
    menu.open()
    assert menu.entries()[1].label == "Hôm nay đã nghỉ mắt 0/1 lần"
    assert run.stop() == 0


def test_a_chime_without_a_sound_server_is_silent(session):
    session.write_settings(welcomed=True, sound=True)
    run = session.launch("--break-now")
    wait_until(lambda: session.settings().get("stat.shown") == 1, timeout=3,
               what='"stat.shown": 1')
    time.sleep(0.5)
    assert run.stop() == 0
    # Only the program's own notices, never a library's complaint.
    assert all(line.startswith("lumio: ") for line in run.stderr.splitlines()), run.stderr
