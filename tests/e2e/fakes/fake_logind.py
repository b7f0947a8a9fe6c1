#!/usr/bin/python3
"""A stand-in for systemd-logind on the system bus.

    fake_logind.py [--session ID]... [--pid-session ID] [--display-session ID]

Owns org.freedesktop.login1. The Manager (/org/freedesktop/login1) answers
GetSession(id) for the given sessions, GetSessionByPID(pid) with the
--pid-session for any pid, and emits PrepareForSleep. The user object
/org/freedesktop/login1/user/self has the Display property: the
--display-session, or ("", "/"). Each session (/org/freedesktop/login1/session/ID)
has the properties LockedHint and Active.

Control (interface org.lumio.Test on /org/freedesktop/login1):
    EmitPrepareForSleep(b sleeping)
    SetLockedHint(s session, b locked)   sets it and emits PropertiesChanged
    SetActive(s session, b active)       likewise, for a property other than LockedHint
"""

import argparse

import dbus
import dbus.service

import fakebus

NAME = "org.freedesktop.login1"
PATH = "/org/freedesktop/login1"
MANAGER = "org.freedesktop.login1.Manager"
SESSION = "org.freedesktop.login1.Session"
USER = "org.freedesktop.login1.User"


def session_path(session_id):
    return dbus.ObjectPath(f"{PATH}/session/{session_id}")


class Session(dbus.service.Object):
    def __init__(self, bus, session_id):
        super().__init__(bus, session_path(session_id))
        self.properties = {
            "Id": dbus.String(session_id),
            "LockedHint": dbus.Boolean(False),
            "Active": dbus.Boolean(True),
        }

    def set(self, name, value):
        self.properties[name] = dbus.Boolean(value)
        self.PropertiesChanged(SESSION, {name: self.properties[name]}, [])

    @dbus.service.method(fakebus.PROPERTIES_INTERFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties[name]

    @dbus.service.method(fakebus.PROPERTIES_INTERFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties

    @dbus.service.signal(fakebus.PROPERTIES_INTERFACE, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


class User(dbus.service.Object):
    def __init__(self, bus, display_session):
        super().__init__(bus, f"{PATH}/user/self")
        if display_session:
            self.display = (display_session, session_path(display_session))
        else:
            self.display = ("", dbus.ObjectPath("/"))

    @dbus.service.method(fakebus.PROPERTIES_INTERFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface != USER or name != "Display":
            raise dbus.exceptions.DBusException(
                f"no property {interface}.{name}",
                name="org.freedesktop.DBus.Error.UnknownProperty")
        return dbus.Struct(self.display, signature="so")


class Manager(dbus.service.Object):
    def __init__(self, bus, sessions, pid_session):
        super().__init__(bus, PATH)
        self.sessions = sessions
        self.pid_session = pid_session

    @dbus.service.method(MANAGER, in_signature="s", out_signature="o")
    def GetSession(self, session_id):
        if session_id not in self.sessions:
            raise dbus.exceptions.DBusException(
                f"No session '{session_id}' known", name="org.freedesktop.login1.NoSuchSession")
        return session_path(session_id)

    @dbus.service.method(MANAGER, in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        if not self.pid_session:
            raise dbus.exceptions.DBusException(
                f"PID {pid} does not belong to any known session",
                name="org.freedesktop.login1.NoSessionForPID")
        return session_path(self.pid_session)

    @dbus.service.signal(MANAGER, signature="b")
    def PrepareForSleep(self, sleeping):
        pass

    @dbus.service.method(fakebus.TEST_INTERFACE, in_signature="b")
    def EmitPrepareForSleep(self, sleeping):
        self.PrepareForSleep(sleeping)

    @dbus.service.method(fakebus.TEST_INTERFACE, in_signature="sb")
    def SetLockedHint(self, session_id, locked):
        self.sessions[session_id].set("LockedHint", locked)

    @dbus.service.method(fakebus.TEST_INTERFACE, in_signature="sb")
    def SetActive(self, session_id, active):
        self.sessions[session_id].set("Active", active)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--session", action="append", default=[])
    parser.add_argument("--pid-session")
    parser.add_argument("--display-session")
    args = parser.parse_args()
    ids = set(args.session) | {s for s in (args.pid_session, args.display_session) if s}

    bus = fakebus.connect(system=True)
    sessions = {session_id: Session(bus, session_id) for session_id in ids}
    objects = [Manager(bus, sessions, args.pid_session), User(bus, args.display_session)]
    fakebus.serve(bus, [NAME])


if __name__ == "__main__":
    main()
