"""The break on screen: the animal panel and the dimming panel on X11, the page
inside, and what the page may and may not do.

The page is driven through the web engine's remote debugging port, the way
a person's clicks would reach it; the program's answers are read from its
settings file and from the X server.
"""

import json
import re
import select
import shutil
import socket
import subprocess
import time
from pathlib import Path

import pytest
from Xlib import X, Xatom, display
from Xlib.ext import randr
from Xlib.protocol import rq

import cdp
import conftest
from conftest import wait_until

SCREEN = (1280, 800)
PANEL = (340, 430)
ANSWERS = {"done": "stat.done", "skip": "stat.skipped", "snooze": "stat.snoozed"}
LOAD_FAILURE = "không mở được trang lời nhắc"
NO_COMPOSITOR = "không có trình tổng hợp cửa sổ"
DESKTOP = "3366CC"  # the root window's colour where a test sets one


def windows(session):
    """Top-level windows, topmost first, as dicts of id, geometry and state."""
    tree = session.x("xwininfo", "-root", "-children")
    found = []
    for window in re.findall(r"^\s+(0x[0-9a-f]+) ", tree, re.M):
        info = session.x("xwininfo", "-id", window)
        numbers = {key: int(value) for key, value in re.findall(
            r"^\s+(Absolute upper-left X|Absolute upper-left Y|Width|Height):\s+(-?\d+)", info,
            re.M)}
        if len(numbers) < 4:
            continue  # gone meanwhile
        found.append({
            "id": int(window, 16),
            "x": numbers["Absolute upper-left X"],
            "y": numbers["Absolute upper-left Y"],
            "size": (numbers["Width"], numbers["Height"]),
            "viewable": "Map State: IsViewable" in info,
            "override_redirect": "Override Redirect State: yes" in info,
        })
    return found


def shown(session, size):
    return [w for w in windows(session) if w["viewable"] and w["size"] == size]


def animal_panel(session):
    found = shown(session, PANEL)
    return found[0] if found else None


def dim_panel(session):
    found = [w for w in shown(session, SCREEN) if w["override_redirect"]]
    return found[0] if found else None


def focused_window(session):
    return int(session.x("xdotool", "getwindowfocus").strip())


def window_under(session, x, y):
    """The top-level window that gets the pointer at x, y."""
    location = session.x("xdotool", "mousemove", "--sync", str(x), str(y), "getmouselocation",
                         "--shell")
    window = int(re.search(r"^WINDOW=(\d+)", location, re.M).group(1))
    while True:
        tree = session.x("xwininfo", "-id", str(window), "-tree")
        parent = re.search(r"Parent window id: (0x[0-9a-f]+)( \(the root window\))?", tree)
        if parent.group(2):
            return window
        window = int(parent.group(1), 16)


def counters(session):
    settings = session.settings()
    return {key: settings.get(key, 0) for key in ANSWERS.values()}


def break_page(port, timeout=20.0):
    """A debugging session with the break page once its card is on show."""
    target = cdp.wait_for_page(port, "/overlay.html", timeout)
    page = cdp.Session(target["webSocketDebuggerUrl"])
    wait_until(lambda: page.evaluate(
        "!!document.querySelector('[data-action=done]')"
        " && document.querySelector('[data-action=done]').getClientRects().length > 0"),
        timeout, what="the break card")
    return page


@pytest.fixture
def debug_port(session):
    port = conftest.free_port()
    session.env["QTWEBENGINE_REMOTE_DEBUGGING"] = f"127.0.0.1:{port}"
    return port


def focus_probe(session):
    """A window of another program that has the keyboard focus."""
    process = subprocess.Popen(["xmessage", "-geometry", "400x200+100+100", "-name", "probe",
                                "focus probe"], env=session.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    probe = wait_until(lambda: [int(w) for w in session.x(
        "xdotool", "search", "--onlyvisible", "--classname", "^probe$").split()],
        what="the focus probe")[0]
    session.x("xdotool", "windowfocus", "--sync", str(probe))
    wait_until(lambda: focused_window(session) == probe, what="the probe to have the focus")
    return process, probe


def test_break_sits_in_the_corner_over_a_dimmed_screen_and_leaves_the_focus_alone(
        composited, debug_port, shots):
    session = composited
    probe_process, probe = focus_probe(session)
    run = session.launch("--break-now")

    panel = wait_until(lambda: animal_panel(session), timeout=15, what="the animal panel")
    dim = wait_until(lambda: dim_panel(session), what="the dimming panel")
    assert (panel["x"] + PANEL[0], panel["y"] + PANEL[1]) == SCREEN
    assert (dim["x"], dim["y"]) == (0, 0)
    # Above everything and out of the window manager's hands.
    order = [w["id"] for w in windows(session)]
    assert order.index(panel["id"]) < order.index(dim["id"]) < order.index(probe)
    assert panel["override_redirect"] and dim["override_redirect"]
    for window in (panel, dim):
        assert "_NET_WM_WINDOW_TYPE_NOTIFICATION" in session.window_type(window["id"])
    assert focused_window(session) == probe

    # The pointer goes through the dimming panel but not through the animal panel.
    assert window_under(session, 300, 200) == probe
    assert window_under(session, panel["x"] + 170, panel["y"] + 100) == panel["id"]

    with break_page(debug_port) as page:
        time.sleep(0.5)  # the dimming fade
        session.screenshot(shots("break"))
        box = page.evaluate(
            "JSON.stringify(document.querySelector('[data-action=done]').getBoundingClientRect())")
    box = json.loads(box)
    x = panel["x"] + int(box["x"] + box["width"] / 2)
    y = panel["y"] + int(box["y"] + box["height"] / 2)
    # The very first click on a panel that never had the focus reaches the page.
    session.x("xdotool", "mousemove", "--sync", str(x), str(y), "click", "1")
    wait_until(lambda: counters(session)["stat.done"] == 1, what='"stat.done": 1')
    wait_until(lambda: not animal_panel(session) and not dim_panel(session),
               what="both panels to go")
    assert counters(session) == {"stat.done": 1, "stat.skipped": 0, "stat.snoozed": 0}
    assert focused_window(session) == probe
    assert run.running()
    assert run.stop() == 0
    assert run.complaints() == []
    probe_process.kill()
    probe_process.wait()


@pytest.mark.parametrize("action", sorted(ANSWERS))
def test_each_answer_is_counted_once_and_closes_the_break(composited, debug_port, action):
    session = composited
    run = session.launch("--break-now")
    with break_page(debug_port) as page:
        assert animal_panel(session) and dim_panel(session)
        page.evaluate(f"document.querySelector('[data-action={action}]').click()")
        wait_until(lambda: counters(session)[ANSWERS[action]] == 1, what=ANSWERS[action])
        wait_until(lambda: not animal_panel(session) and not dim_panel(session),
                   what="both panels to go")
    expected = {key: 0 for key in ANSWERS.values()}
    expected[ANSWERS[action]] = 1
    time.sleep(0.5)
    assert counters(session) == expected
    assert session.settings()["stat.shown"] == 1
    assert run.stop() == 0
    assert run.complaints() == []


def test_only_string_messages_reach_the_program(composited, debug_port):
    session = composited
    run = session.launch("--break-now")
    post = "window.webkit.messageHandlers.lumio.postMessage"
    with break_page(debug_port) as page:
        # A message posted as the document starts, before the bridge to the
        # program is up, is kept and delivered.
        page.call("Page.enable")
        page.call("Page.addScriptToEvaluateOnNewDocument", source=f"""
            (function post() {{
                if (window.webkit) {post}('skip'); else setTimeout(post, 0);
            }})();""")
        page.call("Page.reload")
        wait_until(lambda: counters(session)["stat.skipped"] == 1, what='"stat.skipped": 1')

        for body in ("42", "{outcome: 'done'}", "['done']", "null", "undefined", "true",
                     "(() => { const o = {}; o.self = o; return o; })()", "new String('done')"):
            page.evaluate(f"{post}({body})")
        # Delivered after all of the above, so they had their chance to count.
        page.evaluate(f"{post}('closed')")
        wait_until(lambda: not animal_panel(session), what="the panel to go on 'closed'")
    assert counters(session) == {"stat.done": 0, "stat.skipped": 1, "stat.snoozed": 0}
    assert run.running()
    assert run.stop() == 0


def test_the_page_stays_on_its_own_document_and_folder(composited, debug_port, tmp_path):
    session = composited
    outside = tmp_path / "outside.txt"
    outside.write_text("not for the page")
    run = session.launch("--break-now")
    with break_page(debug_port) as page:
        home = page.evaluate("location.href")
        assert home.startswith("file:///") and home.endswith("/overlay.html")
        folder = Path(home[len("file://"):]).parent
        neighbour = next(p for p in sorted(folder.parent.iterdir()) if p.is_file())

        def loads(kind, url):
            probes = {
                "fetch": "fetch(U).then(r => r.text()).then(() => true, () => false)",
                "xhr": "new Promise(done => { const x = new XMLHttpRequest();"
                       " x.onload = () => done(x.status === 0 || x.status === 200);"
                       " x.onerror = () => done(false); x.open('GET', U); x.send(); })",
                "img": "new Promise(done => { const i = new Image();"
                       " i.onload = () => done(true); i.onerror = () => done(false);"
                       " i.src = U; })",
                "iframe": "new Promise(done => { const f = document.createElement('iframe');"
                          " f.onload = () => { let ok; try { ok = f.contentDocument !== null"
                          " && f.contentDocument.URL === U; } catch (e) { ok = false; }"
                          " f.remove(); done(ok); }; f.src = U;"
                          " document.body.appendChild(f); })",
            }
            # Whatever neither loads nor fails within a second and a half did not load.
            return page.evaluate(
                f"(U => Promise.race([{probes[kind]},"
                f" new Promise(done => setTimeout(() => done(false), 1500))]))"
                f"({json.dumps(url)})", await_promise=True)

        # What the page itself uses loads, so the refusals below mean something.
        assert loads("fetch", "overlay.css")
        assert loads("xhr", "overlay.js")
        assert loads("img", "AppIcon.svg")
        for url in (outside.as_uri(), "file:///etc/passwd", f"../{neighbour.name}",
                    "https://example.com/", "http://127.0.0.1:1/"):
            for kind in ("fetch", "xhr", "img", "iframe"):
                assert not loads(kind, url), f"{kind} of {url} loaded"
        # Content the page makes itself reveals nothing, but it is no document to go to.
        assert not loads("iframe", "data:text/html,<p>elsewhere</p>")

        for target in ("https://example.com/", outside.as_uri(), "file:///etc/passwd",
                       f"../{neighbour.name}", "AppIcon.svg", "data:text/html,<p>elsewhere</p>"):
            page.evaluate(f"location.href = {json.dumps(target)}")
            time.sleep(0.5)
            assert page.evaluate("location.href") == home
        page.evaluate(f"window.open({json.dumps(outside.as_uri())})")
        time.sleep(0.5)
        assert [t["url"] for t in cdp.pages(debug_port)] == [home]

        # The page still works after all that.
        page.evaluate("document.querySelector('[data-action=skip]').click()")
        wait_until(lambda: counters(session)["stat.skipped"] == 1, what='"stat.skipped": 1')
    assert run.stop() == 0


def test_the_page_reaches_no_one_over_webrtc(session, debug_port):
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    tcp = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    with udp, tcp:
        udp.bind(("127.0.0.1", 0))
        tcp.bind(("127.0.0.1", 0))
        tcp.listen()
        udp_port, tcp_port = udp.getsockname()[1], tcp.getsockname()[1]
        run = session.launch("--break-now")
        with break_page(debug_port) as page:
            # STUN and TURN servers of the test's own, over both transports; candidates
            # for them are gathered as soon as there is a local description.
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
            }})()""", await_promise=True)
            time.sleep(4)
            ready, _, _ = select.select([udp, tcp], [], [], 0)
        assert ready == [], f"the page reached {ready} ({answer})"
    # The engine lives in the helper: a peer connection cannot take lumio down at quit.
    assert run.stop() == 0, run.stderr


def program_with_resources(tmp_path, change):
    """A copy of the program and its helper next to a copy of its resources, changed by
    change(folder)."""
    original = Path(conftest.LUMIO_BIN).resolve()
    folder = tmp_path / "bin"
    folder.mkdir()
    program = folder / original.name
    shutil.copy2(original, program)
    shutil.copy2(original.parent / "lumio-break", folder / "lumio-break")
    resources = folder / "resources"
    shutil.copytree(original.parent / "resources", resources)
    change(resources)
    return program


def page_elsewhere(resources):
    elsewhere = resources.parent.parent / "elsewhere"
    elsewhere.mkdir()
    shutil.move(resources / "overlay.html", elsewhere / "overlay.html")
    (resources / "overlay.html").symlink_to(elsewhere / "overlay.html")


@pytest.mark.parametrize("change", [
    pytest.param(lambda resources: (resources / "overlay.html").unlink(), id="missing"),
    pytest.param(page_elsewhere, id="outside-the-folder"),
])
def test_a_page_that_cannot_load_leaves_the_screen_alone(composited, tmp_path, monkeypatch,
                                                        change):
    session = composited
    monkeypatch.setattr(conftest, "LUMIO_BIN", str(program_with_resources(tmp_path, change)))
    run = session.launch("--break-now")
    wait_until(lambda: session.settings().get("stat.shown") == 1, timeout=15,
               what="the break to be counted")
    time.sleep(2)
    assert animal_panel(session) is None
    assert dim_panel(session) is None
    assert run.running()
    assert run.stop() == 0
    (said,) = run.complaints()
    assert LOAD_FAILURE in said
    assert "vẫn tính giờ nghỉ mắt nhưng sẽ không hiện lời nhắc" in said


def test_without_a_compositor_the_screen_is_not_dimmed(session, debug_port):
    session.write_settings(intervalMin=0, breakSec=1)
    run = session.launch("--break-now")
    with break_page(debug_port):
        assert animal_panel(session)
        assert dim_panel(session) is None
    # The next break says nothing more about it.
    wait_until(lambda: counters(session)["stat.done"] == 1, what="the first break to end")
    wait_until(lambda: session.settings().get("stat.shown") == 2, timeout=40,
               what="the second break")
    assert run.stop() == 0
    (said,) = run.complaints()
    assert NO_COMPOSITOR in said


def test_the_page_has_a_process_only_around_breaks(composited):
    session = composited
    # Breaks of one second, every 30 s (the shortest cycle the program allows).
    session.write_settings(intervalMin=0, breakSec=1)
    run = session.launch("--break-now")
    wait_until(lambda: animal_panel(session), timeout=15, what="the first break")
    assert run.children(), "the break page runs in a helper"
    wait_until(lambda: counters(session)["stat.done"] == 1, what="the first break to end")
    wait_until(lambda: not animal_panel(session), what="the panel to go")
    wait_until(lambda: not run.children(), timeout=6, what="the helper to end after the break")

    # Started again ahead of the next break, which shows as usual.
    wait_until(lambda: run.children(), timeout=40, interval=0.02, what="a helper for the next")
    assert animal_panel(session) is None, "started before the break was due"
    wait_until(lambda: animal_panel(session), timeout=10, what="the second break")
    wait_until(lambda: counters(session)["stat.done"] == 2, what="the second break to end")
    assert run.stop() == 0
    assert run.complaints() == []


class SetMonitor(rq.Request):
    """RandR 1.5's SetMonitor, which python-xlib cannot encode itself."""
    _request = rq.Struct(
        rq.Card8("opcode"), rq.Opcode(43), rq.RequestLength(), rq.Window("window"),
        rq.Card32("name"), rq.Bool("primary"), rq.Bool("automatic"), rq.LengthOf("outputs", 2),
        rq.Int16("x"), rq.Int16("y"), rq.Card16("width"), rq.Card16("height"),
        rq.Card32("mm_width"), rq.Card32("mm_height"), rq.List("outputs", rq.Card32Obj))


@pytest.fixture
def x_client(session):
    """A connection to the session's display; its windows last as long as it does."""
    connection = display.Display(session.display)
    yield connection
    connection.close()


def split_screen(connection, widths):
    """Cuts the screen into monitors of these widths, left to right, the first primary."""
    root = connection.screen().root
    opcode = connection.display.get_extension_major(randr.extname)
    outputs = root.xrandr_get_screen_resources().outputs
    x = 0
    for index, width in enumerate(widths):
        # The first takes the screen's one output, which hides the monitor the
        # server made for it.
        SetMonitor(display=connection.display, opcode=opcode, window=root,
                   name=connection.intern_atom(f"MONITOR-{index}"), primary=index == 0,
                   automatic=False, x=x, y=0, width=width, height=SCREEN[1], mm_width=width // 4,
                   mm_height=SCREEN[1] // 4, outputs=outputs if index == 0 else [])
        x += width
    connection.sync()


def bottom_dock(connection, x, width, height, partial=True):
    """A panel along the bottom of the screen from x on, keeping its strip with a
    strut (or the older kind, which keeps the whole edge), and listed as a
    client the way a window manager lists it."""
    root = connection.screen().root
    dock = root.create_window(x, SCREEN[1] - height, width, height, 0, X.CopyFromParent,
                              background_pixel=0x202020)
    atom = connection.intern_atom
    dock.change_property(atom("_NET_WM_WINDOW_TYPE"), Xatom.ATOM, 32,
                         [atom("_NET_WM_WINDOW_TYPE_DOCK")])
    # left, right, top, bottom, then the first and last pixel of each along its edge
    if partial:
        dock.change_property(atom("_NET_WM_STRUT_PARTIAL"), Xatom.CARDINAL, 32,
                             [0, 0, 0, height, 0, 0, 0, 0, 0, 0, x, x + width - 1])
    else:
        dock.change_property(atom("_NET_WM_STRUT"), Xatom.CARDINAL, 32, [0, 0, 0, height])
    dock.map()
    # A window manager's list may still name a window that is gone.
    gone = root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    gone.destroy()
    root.change_property(atom("_NET_CLIENT_LIST"), Xatom.WINDOW, 32, [gone.id, dock.id])
    connection.sync()


@pytest.mark.parametrize("partial", [True, False], ids=["strut-partial", "strut"])
def test_on_a_second_monitor_the_card_sits_on_its_panel(composited, x_client, shots, partial):
    session = composited
    split_screen(x_client, [640, 640])
    bottom_dock(x_client, 640, 640, 36, partial)
    session.x("xdotool", "mousemove", "900", "300")
    run = session.launch("--break-now")
    panel = wait_until(lambda: animal_panel(session), timeout=15, what="the animal panel")
    # Only the second monitor is dimmed: the program sees two.
    (dim,) = wait_until(lambda: shown(session, (640, SCREEN[1])), what="the dimming panel")
    time.sleep(1)
    session.screenshot(shots("second-monitor"))
    assert (dim["x"], dim["y"]) == (640, 0)
    assert (panel["x"] + PANEL[0], panel["y"] + PANEL[1]) == (SCREEN[0], SCREEN[1] - 36)
    assert run.stop() == 0
    assert run.complaints() == []


def pixel(picture, x, y):
    return subprocess.run(["convert", str(picture), "-format", f"%[hex:p{{{x},{y}}}]", "info:-"],
                          capture_output=True, text=True, check=True).stdout.strip()


def test_without_a_compositor_the_desktop_shows_around_the_card(session, x_client, debug_port,
                                                                 shots):
    root = x_client.screen().root
    root.change_attributes(background_pixel=int(DESKTOP, 16))
    root.clear_area()
    x_client.sync()
    run = session.launch("--break-now")
    with break_page(debug_port):
        panel = animal_panel(session)
        time.sleep(1)  # the card's entrance
        shot = session.screenshot(shots("corners"))
    x, y = panel["x"], panel["y"]
    # The panel's corners, its margin, and the card's rounded corners.
    for dx, dy in ((1, 1), (PANEL[0] - 2, PANEL[1] - 2), (3, PANEL[1] // 2), (11, 11),
                   (PANEL[0] - 12, PANEL[1] - 12)):
        assert pixel(shot, x + dx, y + dy) == DESKTOP, (dx, dy)
    assert pixel(shot, x + 40, y + 40) not in (DESKTOP, "000000")
    assert run.stop() == 0
