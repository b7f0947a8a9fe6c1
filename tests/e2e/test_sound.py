"""The chime reaches the sound server (a private PulseAudio with a null sink)."""

import shutil
import subprocess

import pytest

from conftest import wait_until

pytestmark = pytest.mark.skipif(not (shutil.which("pulseaudio") and shutil.which("pactl")),
                                reason="pulseaudio and pulseaudio-utils are not installed")


@pytest.fixture
def sound_server(session):
    socket = session.root / "pulse-native"
    env = dict(session.env)
    server = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
         "--use-pid-file=no", "-L", "module-null-sink sink_name=silence",
         "-L", f"module-native-protocol-unix socket={socket} auth-anonymous=1"],
        env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.env["PULSE_SERVER"] = f"unix:{socket}"
    try:
        wait_until(lambda: pactl(session, "info"), what="the sound server")
        yield session
    finally:
        server.terminate()
        server.wait(5)


def pactl(session, *command):
    result = subprocess.run(["pactl", *command], env=session.env, capture_output=True, text=True,
                            timeout=5)
    return result.returncode == 0 and (result.stdout or "ok")


def streams(session):
    return [line for line in (pactl(session, "list", "short", "sink-inputs") or "").splitlines()
            if line.strip() and line != "ok"]


def test_a_break_with_sound_on_plays_the_chime(sound_server):
    session = sound_server
    session.write_settings(welcomed=True, sound=True)
    run = session.launch("--break-now")
    playing = wait_until(lambda: streams(session), timeout=5, what="a stream on the sound server")
    assert "s16le 1ch 44100Hz" in playing[0]
    assert run.stop() == 0


def test_ticking_the_sound_plays_a_sample_and_it_restarts(sound_server):
    session = sound_server
    session.write_settings(welcomed=True)
    run = session.launch()
    menu = session.tray_menu()
    menu.open()
    assert not streams(session)
    menu.click("Âm báo nhẹ")
    wait_until(lambda: streams(session), what="the sample playing")
    menu.click("Âm báo nhẹ")
    menu.click("Âm báo nhẹ")
    # Played again from the start, never a second stream on top of the first.
    assert len(streams(session)) <= 1
    assert run.stop() == 0
