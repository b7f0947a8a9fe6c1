"""The Debian package ($LUMIO_DEB): lintian finds no error, its desktop entry
and metainfo are valid, and Lumio unpacked from it runs a break, finding its
helper and page by itself."""

import os
import subprocess

import pytest

from support.desktop import PANEL, wait_until

DEB = os.environ.get("LUMIO_DEB")


# Set, even empty (the build failed), the test runs and fails loudly.
@pytest.mark.skipif(DEB is None, reason="LUMIO_DEB not set")
def test_the_package_passes_lintian_and_runs_a_break_unpacked(desktop, tmp_path):
    lint = subprocess.run(["lintian", "--fail-on", "error", DEB], capture_output=True,
                          text=True, timeout=300)
    assert lint.returncode == 0, lint.stdout + lint.stderr
    subprocess.run(["dpkg-deb", "-x", DEB, tmp_path / "root"], check=True)
    share = tmp_path / "root/usr/share"
    for check in (["desktop-file-validate", share / "applications/io.github.lumio.Lumio.desktop"],
                  ["appstreamcli", "validate", "--no-net",
                   share / "metainfo/io.github.lumio.Lumio.metainfo.xml"]):
        result = subprocess.run(check, capture_output=True, text=True)
        assert result.returncode == 0, result.stdout + result.stderr
    run = desktop.launch("--break-now", program=tmp_path / "root/usr/bin/lumio")
    wait_until(lambda: [w for w in desktop.panels() if w[3:] == PANEL], 20, "the break")
    assert run.stop() == 0
