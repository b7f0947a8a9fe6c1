"""The break page over the web engine's remote debugging port (Chrome DevTools
Protocol), with a minimal WebSocket client of the standard library."""

import base64
import itertools
import json
import os
import socket
import struct
import urllib.parse
import urllib.request

from support.desktop import wait_until


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def pages(port):
    """The URLs and debugging addresses of the pages behind the port."""
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json", timeout=2) as response:
            return [t for t in json.load(response) if t.get("type") == "page"]
    except OSError:
        return []


class Page:
    def __init__(self, port, name="/overlay.html", timeout=20):
        target = wait_until(lambda: [t for t in pages(port) if t["url"].endswith(name)],
                            timeout, f"the page {name}")[0]
        url = urllib.parse.urlsplit(target["webSocketDebuggerUrl"])
        self.socket = socket.create_connection((url.hostname, url.port), timeout=10)
        key = base64.b64encode(os.urandom(16)).decode()
        self.socket.sendall(
            f"GET {url.path} HTTP/1.1\r\nHost: {url.netloc}\r\nUpgrade: websocket\r\n"
            f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
            "Sec-WebSocket-Version: 13\r\n\r\n".encode())
        self.stream = self.socket.makefile("rb")
        while self.stream.readline() not in (b"\r\n", b""):
            pass
        self.ids = itertools.count(1)

    def close(self):
        self.stream.close()
        self.socket.close()

    def call(self, method, **params):
        """Sends one command and returns its result, passing over the events met."""
        ident = next(self.ids)
        payload = json.dumps({"id": ident, "method": method, "params": params}).encode()
        size = len(payload)
        # A text frame, masked as a client's must be.
        head = (struct.pack("!BB", 0x81, 0x80 | size) if size < 126
                else struct.pack("!BBH", 0x81, 0xFE, size))
        mask = os.urandom(4)
        self.socket.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))
        while True:
            _flags, size = self.stream.read(2)
            size &= 0x7F
            if size >= 126:
                (size,) = struct.unpack("!H" if size == 126 else "!Q",
                                        self.stream.read(2 if size == 126 else 8))
            message = json.loads(self.stream.read(size))
            if message.get("id") == ident:
                assert "error" not in message, message
                return message["result"]

    def evaluate(self, expression, await_promise=False):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=await_promise)
        assert "exceptionDetails" not in result, result
        return result["result"].get("value")


def show_break(session):
    """A break from --break-now, its page reached over remote debugging (page.run, page.port)."""
    port = free_port()
    session.env["QTWEBENGINE_REMOTE_DEBUGGING"] = f"127.0.0.1:{port}"
    run = session.launch("--break-now")
    page = Page(port)
    wait_until(lambda: page.evaluate(
        "document.querySelector('[data-action=done]')?.getClientRects().length > 0"),
        15, "the break card")
    page.port, page.run = port, run
    return page
