#!/usr/bin/env python3
"""The unit's screen on a VNC viewer.

Starts the program twice on fresh unit roots with the same script: once
offscreen, which saves a screenshot and ends, and once with Qt's VNC plugin on
a free loopback port, where it stays on the screen the script left. A small
RFB client of our own (version 3.3 or 3.8, security type None, 32-bit true colour, raw
encoding) reads one whole frame, which must be 640 x 480 and match the
screenshot pixel for pixel but for a few (the clock may turn between runs).

    vnc_frame.py CORRELATOR
Exit status 0 when the frame matches, 1 when not, 77 without the VNC plugin.
"""

import os
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zlib

WIDTH, HEIGHT = 640, 480
CHANNEL_TOLERANCE = 8        # per colour channel, 0-255
MAX_DIFFERING = 0.01         # fraction of the pixels
START_TIMEOUT_S = 90

SCRIPT = """wait 500
if-screen 140 press "English"
wait 500
screenshot {shot}
"""


def fail(message):
    print(f"vnc_frame: {message}", file=sys.stderr)
    sys.exit(1)


def read_exact(sock, n):
    data = bytearray()
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise ConnectionError(f"server closed after {len(data)} of {n} bytes")
        data += chunk
    return bytes(data)


# --- RFB client ------------------------------------------------------------

def rfb_frame(port):
    """(width, height, pixels) of one full frame; pixels are (r, g, b) rows."""
    with socket.create_connection(("127.0.0.1", port), timeout=20) as s:
        version = read_exact(s, 12)
        if version == b"RFB 003.003\n":
            handshake_33(s)
        elif version.startswith(b"RFB 003."):
            handshake_38(s)
        else:
            fail(f"not an RFB server: {version!r}")
        s.sendall(b"\x01")  # ClientInit: shared
        width, height = struct.unpack(">HH", read_exact(s, 4))
        read_exact(s, 16)   # the server's pixel format: ours replaces it
        (name_length,) = struct.unpack(">I", read_exact(s, 4))
        read_exact(s, name_length)
        # SetPixelFormat: 32 bits, depth 24, little-endian, true colour,
        # red at bit 16, green at 8, blue at 0.
        s.sendall(struct.pack(">B3xBBBBHHHBBB3x", 0, 32, 24, 0, 1, 255, 255, 255, 16, 8, 0))
        s.sendall(struct.pack(">BxHi", 2, 1, 0))  # SetEncodings: raw only
        s.sendall(struct.pack(">BBHHHH", 3, 0, 0, 0, width, height))
        return width, height, read_update(s, width, height)


def handshake_33(s):
    """Version 3.3: the server chooses the security type."""
    s.sendall(b"RFB 003.003\n")
    (kind,) = struct.unpack(">I", read_exact(s, 4))
    if kind == 0:
        (length,) = struct.unpack(">I", read_exact(s, 4))
        fail(f"server refused: {read_exact(s, length)!r}")
    if kind != 1:
        fail(f"security type {kind}, not None")


def handshake_38(s):
    """Version 3.8: the client chooses None from the server's list."""
    s.sendall(b"RFB 003.008\n")
    (count,) = struct.unpack("B", read_exact(s, 1))
    if count == 0:
        (length,) = struct.unpack(">I", read_exact(s, 4))
        fail(f"server refused: {read_exact(s, length)!r}")
    types = read_exact(s, count)
    if 1 not in types:
        fail(f"no security type None among {list(types)}")
    s.sendall(b"\x01")
    (result,) = struct.unpack(">I", read_exact(s, 4))
    if result != 0:
        fail(f"security handshake failed ({result})")


def read_update(s, width, height):
    frame = [[None] * width for _ in range(height)]
    covered = 0
    deadline = time.monotonic() + 20
    while covered < width * height:
        if time.monotonic() > deadline:
            fail(f"the update covered {covered} of {width * height} pixels")
        kind = read_exact(s, 1)[0]
        if kind == 2:      # Bell
            continue
        if kind == 3:      # ServerCutText
            read_exact(s, 3)
            (length,) = struct.unpack(">I", read_exact(s, 4))
            read_exact(s, length)
            continue
        if kind != 0:
            fail(f"unexpected server message {kind}")
        (rects,) = struct.unpack(">xH", read_exact(s, 3))
        for _ in range(rects):
            x, y, w, h, encoding = struct.unpack(">HHHHi", read_exact(s, 12))
            if encoding != 0:
                fail(f"encoding {encoding} though only raw was asked for")
            data = read_exact(s, w * h * 4)
            for row in range(h):
                for col in range(w):
                    b, g, r = data[(row * w + col) * 4:(row * w + col) * 4 + 3]
                    if frame[y + row][x + col] is None:
                        covered += 1
                    frame[y + row][x + col] = (r, g, b)
    return frame


# --- PNG reader (8-bit RGB or RGBA, as the program writes) -------------------

def png_pixels(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(f"{path} is no PNG")
    pos, idat, header = 8, bytearray(), None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        fail(f"{path}: PNG depth {depth}, colour type {colour}, interlace {interlace} not read here")
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(bytes(idat))
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b = previous[i]
            c = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * step:x * step + 3]) for x in range(width)])
        previous = line
    return width, height, rows


# --- the two runs ------------------------------------------------------------

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write_script(folder, shot):
    path = os.path.join(folder, "screen.txt")
    with open(path, "w") as f:
        f.write(SCRIPT.format(shot=shot))
    return path


def offscreen_shot(correlator, work):
    shot = os.path.join(work, "offscreen.png")
    run = subprocess.run([correlator, "-platform", "offscreen", "--root", os.path.join(work, "unit-offscreen"),
                          "--script", write_script(work, shot)], capture_output=True, text=True, timeout=120)
    if run.returncode != 0 or not os.path.exists(shot):
        fail(f"offscreen run ended with {run.returncode}: {run.stderr}")
    return shot


def vnc_frame(correlator, work, env):
    port = free_port()
    shot = os.path.join(work, "vnc.png")
    program = subprocess.Popen([correlator, "-platform", f"vnc:port={port}:size={WIDTH}x{HEIGHT}",
                                "--root", os.path.join(work, "unit-vnc"), "--script", write_script(work, shot)],
                               env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        deadline = time.monotonic() + START_TIMEOUT_S
        while not os.path.exists(shot):   # the script has reached the screen
            if program.poll() is not None:
                err = program.stderr.read()
                if "vnc" in err and "plugin" in err:
                    print(f"vnc_frame: no VNC plugin: {err}", file=sys.stderr)
                    sys.exit(77)
                fail(f"the VNC run ended with {program.returncode}: {err}")
            if time.monotonic() > deadline:
                fail("the VNC run did not reach the screen")
            time.sleep(0.2)
        return rfb_frame(port)
    finally:
        program.terminate()
        try:
            program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            program.kill()


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    correlator = sys.argv[1]
    env = dict(os.environ, QT_QPA_FB_HIDECURSOR="1")
    env.pop("QT_QPA_PLATFORM", None)
    with tempfile.TemporaryDirectory() as work:
        os.environ["XDG_RUNTIME_DIR"] = env["XDG_RUNTIME_DIR"] = work
        expected_w, expected_h, expected = png_pixels(offscreen_shot(correlator, work))
        width, height, frame = vnc_frame(correlator, work, env)
    if (width, height) != (WIDTH, HEIGHT):
        fail(f"frame is {width} x {height}, not {WIDTH} x {HEIGHT}")
    if (expected_w, expected_h) != (WIDTH, HEIGHT):
        fail(f"screenshot is {expected_w} x {expected_h}")
    differing = sum(1 for y in range(HEIGHT) for x in range(WIDTH)
                    if max(abs(p - q) for p, q in zip(frame[y][x], expected[y][x])) > CHANNEL_TOLERANCE)
    print(f"vnc_frame: {width} x {height}, {differing} pixels differ from the offscreen screenshot")
    if differing > MAX_DIFFERING * WIDTH * HEIGHT:
        fail(f"{differing} of {WIDTH * HEIGHT} pixels differ")


if __name__ == "__main__":
    main()
