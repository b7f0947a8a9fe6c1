"""A tiny Chrome DevTools Protocol client over WebSocket, standard library only.

Enough to find a page through a remote debugging port and evaluate
JavaScript in it: text frames, client masking, ping/pong and close.
"""

import base64
import itertools
import json
import os
import socket
import struct
import time
import urllib.parse
import urllib.request


class CdpError(Exception):
    pass


def pages(port, host="127.0.0.1", timeout=2.0):
    """The debuggable pages behind a remote debugging port (the /json list)."""
    with urllib.request.urlopen(f"http://{host}:{port}/json", timeout=timeout) as response:
        return [t for t in json.load(response) if t.get("type") == "page"]


def wait_for_page(port, url_suffix, timeout=20.0):
    """The first page whose URL ends with url_suffix, waiting for it to appear."""
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        try:
            for target in pages(port):
                if target.get("url", "").endswith(url_suffix):
                    return target
        except OSError as error:
            last = error
        time.sleep(0.2)
    raise CdpError(f"no page ending with {url_suffix!r} on port {port} ({last})")


class Session:
    """One WebSocket connection to a page's webSocketDebuggerUrl."""

    def __init__(self, ws_url, timeout=10.0):
        parts = urllib.parse.urlsplit(ws_url)
        if parts.scheme != "ws":
            raise CdpError(f"unsupported URL {ws_url}")
        self._sock = socket.create_connection((parts.hostname, parts.port or 80), timeout=timeout)
        self._ids = itertools.count(1)
        self._buffer = b""
        self.events = []
        self._handshake(parts)

    def close(self):
        try:
            self._send_frame(0x8, b"")
        except OSError:
            pass
        self._sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def call(self, method, **params):
        """Sends one command and returns its result; events met meanwhile are kept."""
        ident = next(self._ids)
        self._send_frame(0x1, json.dumps({"id": ident, "method": method, "params": params}).encode())
        while True:
            message = json.loads(self._receive_message())
            if message.get("id") == ident:
                if "error" in message:
                    raise CdpError(f"{method}: {message['error']}")
                return message.get("result", {})
            self.events.append(message)

    def evaluate(self, expression, await_promise=False):
        """The value of a JavaScript expression in the page; raises on a JS exception."""
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=await_promise)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            raise CdpError(f"{expression!r} threw: {text}")
        return result["result"].get("value")

    def _handshake(self, parts):
        key = base64.b64encode(os.urandom(16)).decode()
        path = parts.path + (f"?{parts.query}" if parts.query else "")
        request = (f"GET {path} HTTP/1.1\r\nHost: {parts.netloc}\r\nUpgrade: websocket\r\n"
                   f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                   "Sec-WebSocket-Version: 13\r\n\r\n")
        self._sock.sendall(request.encode())
        while b"\r\n\r\n" not in self._buffer:
            chunk = self._sock.recv(4096)
            if not chunk:
                raise CdpError("connection closed during the WebSocket handshake")
            self._buffer += chunk
        head, self._buffer = self._buffer.split(b"\r\n\r\n", 1)
        if not head.startswith(b"HTTP/1.1 101"):
            raise CdpError(f"WebSocket handshake refused: {head.decode(errors='replace')}")

    def _send_frame(self, opcode, payload):
        header = bytes([0x80 | opcode])
        length = len(payload)
        if length < 126:
            header += bytes([0x80 | length])
        elif length < 1 << 16:
            header += bytes([0x80 | 126]) + struct.pack("!H", length)
        else:
            header += bytes([0x80 | 127]) + struct.pack("!Q", length)
        mask = os.urandom(4)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self._sock.sendall(header + mask + masked)

    def _read(self, count):
        while len(self._buffer) < count:
            chunk = self._sock.recv(65536)
            if not chunk:
                raise CdpError("connection closed")
            self._buffer += chunk
        data, self._buffer = self._buffer[:count], self._buffer[count:]
        return data

    def _receive_message(self):
        parts = []
        while True:
            first, second = self._read(2)
            opcode = first & 0x0F
            length = second & 0x7F
            if length == 126:
                (length,) = struct.unpack("!H", self._read(2))
            elif length == 127:
                (length,) = struct.unpack("!Q", self._read(8))
            mask = self._read(4) if second & 0x80 else None
            payload = self._read(length)
            if mask:
                payload = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
            if opcode == 0x8:
                raise CdpError("the page closed the connection")
            if opcode == 0x9:
                self._send_frame(0xA, payload)
                continue
            if opcode == 0xA:
                continue
            parts.append(payload)
            if first & 0x80:
                return b"".join(parts).decode()
