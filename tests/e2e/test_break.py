"""The break on screen: its card and dimming panel on X11, the page inside and
what it may not reach, and the helper process that shows it."""

import json
import os
import select
import signal
import socket
import time
from pathlib import Path

import pytest
from Xlib import X

from support.desktop import PANEL, SCREEN, wait_until
from support.page import pages
from support.tray import TrayMenu


def shown(desktop):
    """The card's panel over the dimming panel, once both are on screen."""
    found = desktop.panels()
    return found if [window[3:] for window in found] == [PANEL, SCREEN] else None


@pytest.fixture
def focused(desktop):
    """A window of another program, with the keyboard focus."""
    window = desktop.x.screen().root.create_window(100, 100, 400, 200, 0, X.CopyFromParent)
    window.map()
    window.set_input_focus(X.RevertToParent, X.CurrentTime)
    desktop.x.sync()
    return window.id


def focus(desktop):
    return getattr(desktop.x.get_input_focus().focus, "id", None)


def at_rest(page, script):
    """What script answers once the card's entrance is over: twice the same, 0.3 s apart."""
    def settled():
        first = page.evaluate(script)
        time.sleep(0.3)
        return first if page.evaluate(script) == first else None
    return wait_until(settled, what="the card to come to rest")


def test_a_break_shows_over_a_dimmed_screen_and_counts_one_answer(desktop, focused, page):
    (card, x, y, *_), (dim, *dimmed) = wait_until(lambda: shown(desktop), what="the break")
    assert (x + PANEL[0], y + PANEL[1]) == SCREEN and dimmed == [0, 0, *SCREEN]
    stacking = [window.id for window in desktop.top_level()]
    assert stacking.index(card) < stacking.index(dim) < stacking.index(focused)
    assert focus(desktop) == focused
    # The pointer goes through the dimming panel but not through the card.
    assert desktop.pointer(300, 200) == focused
    done = at_rest(page, "(r => [r.x + r.width / 2, r.y + r.height / 2])("
                         "document.querySelector('[data-action=done]').getBoundingClientRect())")
    done = (x + int(done[0]), y + int(done[1]))
    assert desktop.pointer(*done) == card
    # The very first click on a card that never had the focus reaches the page.
    desktop.pointer(*done, click=True)
    wait_until(lambda: not desktop.panels(), what="the break to close")
    time.sleep(0.5)
    answers = {key: desktop.settings().get(f"stat.{key}", 0)
               for key in ("shown", "done", "skipped", "snoozed")}
    assert answers == {"shown": 1, "done": 1, "skipped": 0, "snoozed": 0}
    assert focus(desktop) == focused
    assert page.run.stop() == 0


LOADS = {
    "fetch": "fetch(U).then(r => r.text()).then(() => true, () => false)",
    "img": "new Promise(done => Object.assign(new Image(),"
           " {onload: () => done(true), onerror: () => done(false), src: U}))",
    "iframe": "new Promise(done => { const f = document.createElement('iframe');"
              " f.onload = () => { let ok; try { ok = f.contentDocument.URL ==="
              " new URL(U, location.href).href; } catch (e) { ok = false; }"
              " f.remove(); done(ok); }; f.src = U; document.body.append(f); })",
}


def test_the_page_stays_on_its_own_document_and_folder(page, tmp_path):
    outside = tmp_path / "outside.txt"
    outside.write_text("not for the page")
    home = page.evaluate("location.href")
    assert home.startswith("file:///") and home.endswith("/overlay.html")
    neighbour = next(p for p in sorted(Path(home[7:]).parents[1].iterdir()) if p.is_file())

    def loads(kind, url):
        # Whatever neither loads nor fails within a second and a half did not load.
        return page.evaluate(f"(U => Promise.race([{LOADS[kind]}, new Promise(done =>"
                             f" setTimeout(() => done(false), 1500))]))({json.dumps(url)})", True)

    # What the page itself uses loads, so the refusals below mean something.
    assert loads("fetch", "overlay.css") and loads("img", "AppIcon.svg")
    for url in (outside.as_uri(), "file:///etc/passwd", f"../{neighbour.name}",
                "https://example.com/", "http://127.0.0.1:1/"):
        assert [kind for kind in LOADS if loads(kind, url)] == [], url
        page.evaluate(f"location.href = {json.dumps(url)}")
        time.sleep(0.5)
        assert page.evaluate("location.href") == home
    page.evaluate(f"window.open({json.dumps(outside.as_uri())})")
    time.sleep(0.5)
    assert [target["url"] for target in pages(page.port)] == [home]
    assert page.run.stop() == 0


def test_the_page_reaches_no_one_over_webrtc(page):
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    tcp = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    with udp, tcp:
        udp.bind(("127.0.0.1", 0))
        tcp.bind(("127.0.0.1", 0))
        tcp.listen()
        # STUN and TURN servers of the test's own, over both transports; candidates
        # for them are gathered as soon as there is a local description.
        udp_port, tcp_port = udp.getsockname()[1], tcp.getsockname()[1]
        servers = [{"urls": f"stun:127.0.0.1:{udp_port}"}] + [
            {"urls": url, "username": "u", "credential": "p"}
            for url in (f"turn:127.0.0.1:{udp_port}?transport=udp",
                        f"turn:127.0.0.1:{tcp_port}?transport=tcp")]
        answer = page.evaluate(f"""(async () => {{
            try {{
                const peer = new RTCPeerConnection({{iceServers: {json.dumps(servers)}}});
                peer.createDataChannel('out');
                await peer.setLocalDescription(await peer.createOffer());
                window.keepPeer = peer;
                return 'gathering';
            }} catch (error) {{
                return String(error);
            }}
        }})()""", True)
        time.sleep(4)
        ready, _, _ = select.select([udp, tcp], [], [], 0)
        assert ready == [], f"the page reached {ready} ({answer})"
    # The engine lives in the helper: a peer connection cannot take lumio down at quit.
    assert page.run.stop() == 0


@pytest.mark.parametrize("how", [signal.SIGKILL, signal.SIGSTOP], ids=["killed", "stopped"])
def test_a_helper_lost_during_a_break_leaves_nothing_on_screen(desktop, how):
    run = desktop.launch("--break-now")
    wait_until(lambda: shown(desktop), 15, "the break")
    os.kill(wait_until(run.helpers, what="the break helper")[0], how)
    wait_until(lambda: not desktop.panels(), 10, "the break to go")
    assert run.running()
    TrayMenu(desktop).click("break-now")
    wait_until(lambda: shown(desktop), 15, "the next break, from a new helper")
    assert desktop.settings()["stat.shown"] == 2
    assert run.stop() == 0
