"""The Debian package ($LUMIO_DEB, built by scripts/test.sh): lintian finds no
error, and Lumio unpacked from it into a scratch root runs from there, finding
its page by itself."""

import os
import subprocess

import pytest

from conftest import wait_until

DEB = os.environ.get("LUMIO_DEB")
# Set, even empty (the build failed), the tests run and fail loudly.
pytestmark = pytest.mark.skipif(DEB is None, reason="LUMIO_DEB not set")


def test_lintian_reports_no_error():
    result = subprocess.run(["lintian", "--fail-on", "error", DEB], capture_output=True,
                            text=True, timeout=300)
    assert result.returncode == 0, result.stdout + result.stderr


def test_the_unpacked_package_runs_a_break(session, tmp_path):
    root = tmp_path / "root"
    subprocess.run(["dpkg-deb", "-x", DEB, str(root)], check=True)
    files = subprocess.run(["dpkg-deb", "-c", DEB], capture_output=True, text=True).stdout
    for installed in ("./usr/bin/lumio", "./usr/libexec/lumio/lumio-break",
                      "./usr/share/lumio/overlay.html",
                      "./usr/share/applications/io.github.lumio.Lumio.desktop",
                      "./usr/share/dbus-1/services/io.github.lumio.Lumio.service",
                      "./usr/share/metainfo/io.github.lumio.Lumio.metainfo.xml",
                      "./usr/share/man/man1/lumio.1.gz"):
        assert installed in files
    for check in (["desktop-file-validate",
                   root / "usr/share/applications/io.github.lumio.Lumio.desktop"],
                  ["appstreamcli", "validate", "--no-net",
                   root / "usr/share/metainfo/io.github.lumio.Lumio.metainfo.xml"]):
        result = subprocess.run(check, capture_output=True, text=True)
        assert result.returncode == 0, result.stdout + result.stderr

    lumio = root / "usr/bin/lumio"
    version = subprocess.run([lumio, "--version"], capture_output=True, text=True)
    assert version.stdout.startswith("lumio ")
    run = subprocess.Popen([lumio, "--break-now"], env=session.env, cwd=session.home,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, text=True)
    try:
        wait_until(lambda: session.settings().get("stat.shown") == 1, timeout=15,
                   what="a break from the installed copy")
        wait_until(lambda: session.x("xdotool", "search", "--onlyvisible", "--class", "lumio"),
                   timeout=15, what="its break on screen")
    finally:
        run.terminate()
        assert run.wait(10) == 0, run.stderr.read()
