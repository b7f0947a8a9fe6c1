"""End-to-end tests: the real lumio ($LUMIO_BIN) on a private desktop per test
(tests/support), under Debian's interpreter (python3-gi, python3-xlib, pytest):
  LUMIO_BIN=... /usr/bin/python3 -B -m pytest -q -p no:cacheprovider tests/e2e
The Wayland desktops other than sway run only when named:
  LUMIO_TEST_DESKTOPS=gnome,kde ..."""

import os
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from support.compositor import DESKTOPS, SHOTS  # noqa: E402
from support.desktop import Desktop, wait_until  # noqa: E402
from support.page import Page, free_port  # noqa: E402


@pytest.fixture
def desktop(tmp_path):
    desktop = Desktop(tmp_path)
    yield desktop
    desktop.close()


@pytest.fixture
def page(desktop):
    """A break from --break-now, with its page reached over remote debugging."""
    port = free_port()
    desktop.env["QTWEBENGINE_REMOTE_DEBUGGING"] = f"127.0.0.1:{port}"
    run = desktop.launch("--break-now")
    page = Page(port)
    wait_until(lambda: page.evaluate(
        "document.querySelector('[data-action=done]')?.getClientRects().length > 0"),
        15, "the break card")
    page.port, page.run = port, run
    yield page
    page.close()


def wayland_desktop(request, outputs):
    name = request.param
    if name != "sway" and name not in os.environ.get("LUMIO_TEST_DESKTOPS", "").split(","):
        pytest.skip(f"{name} runs only when asked: LUMIO_TEST_DESKTOPS={name} bash scripts/test.sh")
    session = DESKTOPS[name](SHOTS / request.node.name, outputs)
    yield session
    session.close()


@pytest.fixture(params=list(DESKTOPS))
def wayland(request):
    """A Wayland desktop with one output, the test's run for each desktop."""
    yield from wayland_desktop(request, 1)


@pytest.fixture(params=list(DESKTOPS))
def wayland2(request):
    """The same with two outputs side by side."""
    yield from wayland_desktop(request, 2)
