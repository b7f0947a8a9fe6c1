"""The chime reaches the sound server (a private PulseAudio with a null sink)."""

import shutil
import subprocess

import pytest

from support.desktop import stop, wait_until


@pytest.mark.skipif(not shutil.which("pulseaudio"), reason="pulseaudio is not installed")
def test_a_break_with_sound_on_plays_the_chime(desktop):
    socket = desktop.root / "pulse-native"
    desktop.env["PULSE_SERVER"] = f"unix:{socket}"
    server = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
         "-L", "module-null-sink sink_name=silence",
         "-L", f"module-native-protocol-unix socket={socket} auth-anonymous=1"],
        env=desktop.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL)

    def streams():
        found = subprocess.run(["pactl", "list", "short", "sink-inputs"], env=desktop.env,
                               capture_output=True, text=True, timeout=5)
        return found.returncode == 0 and found.stdout.splitlines()

    try:
        wait_until(lambda: streams() is not False, what="the sound server")
        desktop.write_settings(sound=True)
        run = desktop.launch("--break-now")
        playing = wait_until(streams, what="a stream on the sound server")
        assert "s16le 1ch 44100Hz" in playing[0]
        assert run.stop() == 0
    finally:
        stop(server)
