#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Drives a headless Chromium through its DevTools protocol (on 127.0.0.1) as a person uses a
gallery page: it waits until every thumbnail has loaded, clicks one, waits for the full picture,
presses the copy button and prints the command shown, for the test to run.

usage: gallery_check.py DEVTOOLS_PORT PAGE_URL EXPECTED_TILES CLICK_INDEX [SCREENSHOT.png]
"""
import base64
import json
import os
import socket
import struct
import sys
import time
import urllib.request


class DevTools:
    """A minimal WebSocket client: text frames out (masked), text frames in."""

    def __init__(self, url):
        host, _, path = url[len("ws://"):].partition("/")
        name, _, port = host.partition(":")
        self.sock = socket.create_connection((name, int(port)), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /{path} HTTP/1.1\r\nHost: {host}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        reply = b""
        while b"\r\n\r\n" not in reply:
            reply += self.sock.recv(4096)
        if b" 101 " not in reply.split(b"\r\n")[0]:
            sys.exit(f"no WebSocket: {reply[:80]!r}")
        self.buffer = reply.split(b"\r\n\r\n", 1)[1]
        self.next_id = 0

    def _read(self, n):
        while len(self.buffer) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                sys.exit("DevTools closed the connection")
            self.buffer += chunk
        data, self.buffer = self.buffer[:n], self.buffer[n:]
        return data

    def _receive(self):
        first, second = self._read(2)
        length = second & 0x7F
        if length == 126:
            length = struct.unpack(">H", self._read(2))[0]
        elif length == 127:
            length = struct.unpack(">Q", self._read(8))[0]
        payload = self._read(length)
        return payload if first & 0x0F == 1 else None

    def call(self, method, **params):
        self.next_id += 1
        data = json.dumps({"id": self.next_id, "method": method, "params": params}).encode()
        mask = os.urandom(4)
        header = bytes([0x81])
        if len(data) < 126:
            header += bytes([0x80 | len(data)])
        else:
            header += bytes([0x80 | 126]) + struct.pack(">H", len(data))
        self.sock.sendall(header + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))
        while True:
            text = self._receive()
            if text is None:
                continue
            message = json.loads(text)
            if message.get("id") == self.next_id:
                if "error" in message:
                    sys.exit(f"{method}: {message['error']}")
                return message["result"]

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, awaitPromise=True,
                           returnByValue=True)
        if "exceptionDetails" in result:
            sys.exit(f"page error: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, what, seconds=30):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if self.evaluate(expression):
                return
            time.sleep(0.1)
        sys.exit(f"timed out waiting for {what}")


def main():
    port, url, tiles, click = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    pages = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10))
    page = DevTools(next(p for p in pages if p["type"] == "page")["webSocketDebuggerUrl"])
    page.call("Page.navigate", url=url)
    page.wait_for("document.readyState === 'complete' && location.href.startsWith('file:')",
                  "the page")
    loaded = page.evaluate("Array.from(document.querySelectorAll('.tile img'))"
                           ".filter(i => i.complete && i.naturalWidth > 0).length")
    if loaded != tiles:
        sys.exit(f"{loaded} of {tiles} thumbnails loaded")
    page.evaluate(f"document.querySelectorAll('.tile a')[{click}].click()")
    page.wait_for("!document.getElementById('viewer').hidden && "
                  "document.getElementById('full').complete && "
                  "document.getElementById('full').naturalWidth > 0", "the full picture")
    shown = page.evaluate("document.getElementById('full').getAttribute('src')")
    wanted = page.evaluate(f"document.querySelectorAll('.tile a')[{click}].getAttribute('href')")
    if shown != wanted:
        sys.exit(f"the click showed {shown}, not {wanted}")
    page.evaluate("document.getElementById('copy').click()")
    page.wait_for("document.getElementById('copied').textContent === 'copied'", "the copy")
    # Markup in a value must have stayed text: no element the page did not write itself.
    if page.evaluate("document.querySelectorAll('script').length") != 1 or \
            page.evaluate("document.title").startswith("owned"):
        sys.exit("a value in the page became markup")
    # Filtering offers each varied key's values in order, and one value keeps its row or column.
    page.evaluate("document.getElementById('close').click()")
    keys = page.evaluate("Array.from(document.getElementById('filter-key').options)"
                         ".slice(1).map(o => o.value)")
    for key in keys:
        page.evaluate(f"{{ const k = document.getElementById('filter-key'); k.value = {json.dumps(key)};"
                      "k.dispatchEvent(new Event('change')); }")
        values = page.evaluate("Array.from(document.getElementById('filter-value').options)"
                               ".slice(1).map(o => o.value)")
        if [float(v) for v in values] != sorted(float(v) for v in values):
            sys.exit(f"the values of {key} are offered out of order: {values}")
        page.evaluate("{ const v = document.getElementById('filter-value');"
                      "v.value = v.options[2].value; v.dispatchEvent(new Event('change')); }")
        kept = page.evaluate("document.querySelectorAll('.tile:not(.out)').length")
        if kept * len(values) != tiles:
            sys.exit(f"one of {len(values)} values of {key} kept {kept} of {tiles} pictures")
    if len(sys.argv) > 5:
        with open(sys.argv[5], "wb") as out:
            out.write(base64.b64decode(page.call("Page.captureScreenshot")["data"]))
    print(page.evaluate("document.getElementById('command').textContent"))


if __name__ == "__main__":
    main()
