"""The private desktop itself, which the other tests build on."""

import os
import stat

from conftest import Bus, GLib


def test_the_system_bus_lets_a_test_stand_in_for_logind(session):
    system = Bus(session.system_bus_address)
    try:
        (reply,) = system.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "RequestName",
                               GLib.Variant("(su)", ("org.freedesktop.login1", 4)), "(u)")
        assert reply == 1
        assert system.has_owner("org.freedesktop.login1")
        assert not session.bus.has_owner("org.freedesktop.login1")
    finally:
        system.close()


def test_each_session_is_its_own_world(session, bare_session):
    assert session.display != bare_session.display
    assert session.session_bus_address != bare_session.session_bus_address
    assert session.bus.has_owner("org.kde.StatusNotifierWatcher")
    assert not bare_session.bus.has_owner("org.kde.StatusNotifierWatcher")
    mode = stat.S_IMODE(os.stat(session.runtime).st_mode)
    assert mode == 0o700
    assert session.env["HOME"] != os.environ.get("HOME")
