"""A system signal reaches the core: logind's lock and sleep, on the system bus."""

import time

import pytest

from support.desktop import wait_until
from support.tray import TrayMenu

INTERVAL = 20 * 60


@pytest.mark.parametrize("event", ["lock", "sleep"])
def test_unlocking_or_waking_counts_a_full_interval_again(desktop, event):
    run = desktop.launch()
    menu = TrayMenu(desktop)
    menu.open()
    wait_until(lambda: menu.seconds_to_break() <= INTERVAL - 3, 6, "the countdown to run")
    signal = getattr(desktop.logind, event)
    before = menu.seconds_to_break()
    signal(True)
    time.sleep(2)
    # Locked or asleep, the countdown goes on as before.
    assert menu.seconds_to_break() < before
    signal(False)
    wait_until(lambda: menu.seconds_to_break() >= INTERVAL - 1, 2, "a full interval")
    assert run.stop() == 0
