#!/usr/bin/env python3
"""A picture server on 127.0.0.1 for the demo and by-hand tries.

The first path segment after /p/ names what is answered, so a generated package can ask for
every outcome a shop's pictures meet in the wild:

  ok_jpg ok_png ok_gif ok_bmp ok_webp ok_tiff ok_ico ok_tga
              a picture of that type (200)
  e404        a "404 Not Found" page with status 404
  flaky_404   404 on the first request for that path, a JPEG afterwards
  html        an HTML page without "404" in it (200)
  empty       200 with an empty body
  placeholder the 49-byte 1x1 GIF some hosts send instead of a missing picture
  slow        a JPEG after two seconds
  reset       the connection is dropped without an answer

Usage: picture_server.py [--port 8000] [--quiet]
"""
import argparse
import base64
import hashlib
import http.server
import socket
import struct
import threading
import time
import zlib

JPEG = base64.b64decode("/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAoHBwgHBgoICAgLCgoLDhgQDg0NDh0VFhEYIx8lJCIfIiEmKzcvJik0KSEiMEExNDk7Pj4+JS5ESUM8SDc9Pjv/2wBDAQoLCw4NDhwQEBw7KCIoOzs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozs7Ozv/wAARCAAwADADASIAAhEBAxEB/8QAFgABAQEAAAAAAAAAAAAAAAAAAAMB/8QAFRABAQAAAAAAAAAAAAAAAAAAABL/xAAWAQEBAQAAAAAAAAAAAAAAAAAABQb/xAAWEQEBAQAAAAAAAAAAAAAAAAAAExT/2gAMAwEAAhEDEQA/AMopKiknO1N1aKSoozl1aKSoozl06KSopoc6HdWikqKM5dWikqKM5dOikqKaDOh3VopKijOXVopKijOXf//Z")
PLACEHOLDER = bytes.fromhex(
    "47494638396101000100910000000000ffffffffffff00000021f9040100000200"
    "2c00000000010001000002025401003b")


def png(seed):
    """A 32x32 PNG in a colour taken from the path, so pictures differ."""
    r, g, b = seed[0], seed[1], seed[2]
    row = b"\x00" + bytes([r, g, b]) * 32
    raw = row * 32

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 32, 32, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def gif(seed):
    return b"GIF89a" + b"\x02\x00\x02\x00\x80\x00\x00" + seed[:3] + b"\xff\xff\xff" +         b",\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x02\x44\x01\x00;"


def bmp(seed):
    pixels = (seed[:3] + b"\x00") * 4
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def webp(seed):
    payload = b"WEBPVP8L" + struct.pack("<I", 5) + b"\x2f\x00\x00\x00" + seed[:1] + b"\x00"
    return b"RIFF" + struct.pack("<I", len(payload)) + payload


def ico(seed):
    return b"\x00\x00\x01\x00\x01\x00\x20\x20" + seed[:8] + b"\x00" * 16


def tga(seed):
    return b"\x00\x00\x10\x00\x00" + seed[:8] + b"\x00" * 16


def tiff(seed):
    return b"II*\x00\x08\x00\x00\x00" + seed[:8] + b"\x00" * 16


PICTURES = {"ok_png": ("image/png", png), "ok_gif": ("image/gif", gif),
            "ok_bmp": ("image/bmp", bmp), "ok_webp": ("image/webp", webp),
            "ok_tiff": ("image/tiff", tiff), "ok_ico": ("image/x-icon", ico),
            "ok_tga": ("image/x-tga", tga)}

seen_lock = threading.Lock()
seen = set()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    quiet = False

    def log_message(self, fmt, *args):
        if not self.quiet:
            super().log_message(fmt, *args)

    def answer(self, status, kind, body):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)
        self.close_connection = True

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        parts = path.split("/")
        outcome = parts[2] if len(parts) > 2 and parts[1] == "p" else ""
        seed = hashlib.md5(path.encode("utf-8", "replace")).digest()
        if outcome == "ok_jpg":
            self.answer(200, "image/jpeg", JPEG)
        elif outcome in PICTURES:
            kind, make = PICTURES[outcome]
            self.answer(200, kind, make(seed))
        elif outcome == "flaky_404":
            with seen_lock:
                first = path not in seen
                seen.add(path)
            if first:
                self.answer(404, "text/html", b"<html><body>404 Not Found</body></html>")
            else:
                self.answer(200, "image/jpeg", JPEG)
        elif outcome == "html":
            self.answer(200, "text/html", b"<html><body>This item has moved.</body></html>")
        elif outcome == "empty":
            self.answer(200, "image/jpeg", b"")
        elif outcome == "placeholder":
            self.answer(200, "image/gif", PLACEHOLDER)
        elif outcome == "slow":
            time.sleep(2)
            self.answer(200, "image/jpeg", JPEG)
        elif outcome == "reset":
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.close_connection = True
        else:
            self.answer(404, "text/html", b"<html><body>404 Not Found</body></html>")

    do_HEAD = do_GET


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args()
    Handler.quiet = args.quiet
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    print(f"serving pictures on http://127.0.0.1:{args.port}/p/", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
