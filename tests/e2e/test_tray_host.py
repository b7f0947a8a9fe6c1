"""A desktop whose tray starts after the program (or never does)."""

from conftest import wait_until


def test_waits_for_a_tray_that_starts_later(bare_session):
    run = bare_session.launch()
    wait_until(lambda: run.stderr, what="the no-tray notice")
    assert len(run.stderr.splitlines()) == 1
    assert run.running()

    bare_session.start_tray()
    menu = bare_session.tray_menu(timeout=8)
    assert len(menu.entries()) == 16
    assert len(run.stderr.splitlines()) == 1
    assert run.stop() == 0


def test_comes_back_when_the_tray_restarts(session):
    run = session.launch()
    session.tray_menu()
    session.tray_process.terminate()
    session.tray_process.wait(5)

    session.start_tray()
    menu = session.tray_menu(timeout=8)
    assert len(menu.entries()) == 16
    assert run.running()
    assert run.stderr == ""
    assert run.stop() == 0


def test_docks_in_an_x11_tray(bare_session):
    session = bare_session
    session.write_settings(welcomed=True)
    tray = session.start_xembed_tray()
    run = session.launch()
    icon = session.docked_icon(tray)

    session.x("xdotool", "mousemove", "--window", str(icon), "12", "12", "click", "1")
    wait_until(session.popup_menus, what="the menu on screen after a click")
    session.x("xdotool", "key", "Escape")
    wait_until(lambda: not session.popup_menus(), what="the menu to close")
    assert run.stop() == 0
    assert run.stderr == ""


def test_docks_in_an_x11_tray_that_starts_later(bare_session):
    run = bare_session.launch()
    wait_until(lambda: run.stderr, what="the no-tray notice")
    tray = bare_session.start_xembed_tray()
    bare_session.docked_icon(tray)
    assert len(run.stderr.splitlines()) == 1
    assert run.stop() == 0
