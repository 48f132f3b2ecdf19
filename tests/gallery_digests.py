#!/usr/bin/env python3
"""Every gallery picture against its approved digest.

    gallery_digests.py CORRELATOR LANG_DIR DIGESTS [--approve]

Renders the gallery (every screen in both colour schemes, and the saved run
pictures in each language) into a fresh unit root and compares a digest of
each picture's pixels with the approved list. Any change to what a screen
shows, a moved caption, a changed colour, a lost legend, fails here; when the
change is meant, look at the pictures and approve them:

    CORR_APPROVE=1 ctest -R gallery_digests

The digest covers the image header and the decompressed scanlines, not the
PNG file's compression, so a different zlib does not matter. Screens with
live readings or the time of day (listen, status, clock) are left out.
"""

import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path

LIVE = ("-listen-", "-status-", "-clock-")


def pixel_digest(path):
    data = path.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path.name}: not a PNG file")
    pos, header, idat = 8, b"", []
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat.append(body)
        pos += 12 + length
    return hashlib.sha256(header + zlib.decompress(b"".join(idat))).hexdigest()[:32]


def render(correlator, lang_dir, out):
    root = Path(tempfile.mkdtemp(prefix="corr-gallery-"))
    try:
        flash = root / "NandFlash"
        flash.mkdir()
        for pack in sorted(Path(lang_dir).glob("*.txt")):
            shutil.copy(pack, flash / f"TamrikDialogs{pack.stem}.dll")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        done = subprocess.run([correlator, "--root", str(root), "--gallery", str(out)], env=env,
                              capture_output=True, text=True, timeout=600)
        if done.returncode != 0:
            sys.exit(f"gallery failed ({done.returncode}):\n{done.stdout}{done.stderr}")
    finally:
        shutil.rmtree(root, ignore_errors=True)


def main(argv):
    correlator, lang_dir, digests_file = argv[1:4]
    approve = "--approve" in argv or os.environ.get("CORR_APPROVE") == "1"
    with tempfile.TemporaryDirectory(prefix="corr-gallery-out-") as out:
        out = Path(out)
        render(correlator, lang_dir, out)
        now = {p.name: pixel_digest(p) for p in sorted(out.glob("*.png"))
               if not any(live in p.name for live in LIVE)}
        digests = Path(digests_file)
        if approve:
            digests.write_text("".join(f"{d}  {name}\n" for name, d in now.items()))
            print(f"approved {len(now)} pictures in {digests}")
            return 0
        approved = {}
        for line in digests.read_text().splitlines():
            digest, name = line.split(None, 1)
            approved[name] = digest
        changed = sorted(n for n in now if n in approved and approved[n] != now[n])
        new = sorted(set(now) - set(approved))
        gone = sorted(set(approved) - set(now))
        if not (changed or new or gone):
            print(f"{len(now)} pictures as approved")
            return 0
        keep = Path(tempfile.mkdtemp(prefix="corr-gallery-changed-"))
        for name in changed + new:
            shutil.copy(out / name, keep / name)
        for title, names in (("changed", changed), ("new", new), ("missing", gone)):
            for name in names:
                print(f"{title}: {name}")
        print(f"the pictures are in {keep}; if the change is meant, look at them and run "
              "CORR_APPROVE=1 ctest -R gallery_digests")
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
