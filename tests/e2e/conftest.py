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
from support.desktop import Desktop  # noqa: E402
from support.page import show_break  # noqa: E402


@pytest.fixture
def desktop(tmp_path):
    desktop = Desktop(tmp_path)
    yield desktop
    desktop.close()


@pytest.fixture
def page(desktop):
    """A break from --break-now, with its page reached over remote debugging."""
    page = show_break(desktop)
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
