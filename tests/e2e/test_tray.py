"""The tray over D-Bus: the status item's menu, its settings and its switches."""

from pathlib import Path

from support.desktop import LUMIO_BIN, wait_until
from support.tray import TITLES, TrayMenu


def test_the_menu_lists_its_lines_stores_a_chosen_interval_and_quits(desktop):
    run = desktop.launch()
    menu = TrayMenu(desktop)
    menu.open()
    missing = [item for item in TITLES if not menu.find(item)]
    assert missing == ["away", "paused", "resume"]
    menu.click("interval-30")
    wait_until(lambda: desktop.settings().get("intervalMin") == 30, what="intervalMin 30")
    assert menu.find("interval-30").checked and not menu.find("interval-20").checked
    assert 29 * 60 <= menu.seconds_to_break() <= 30 * 60
    menu.click("quit")
    assert run.wait(5) == 0


def test_launch_at_login_writes_and_removes_the_autostart_entry(desktop):
    run = desktop.launch()
    menu = TrayMenu(desktop)
    entry = desktop.config / "autostart/lumio.desktop"
    menu.click("launch-at-login")
    wait_until(entry.exists, what="the autostart entry")
    keys = dict(line.split("=", 1) for line in entry.read_text().splitlines() if "=" in line)
    assert keys["Type"] == "Application"
    assert Path(keys["Exec"]).resolve() == Path(LUMIO_BIN).resolve()
    wait_until(lambda: menu.find("launch-at-login").checked, what="the switch on")
    menu.click("launch-at-login")
    wait_until(lambda: not entry.exists(), what="the entry to go")
    assert run.stop() == 0
