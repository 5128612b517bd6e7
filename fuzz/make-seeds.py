#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/<fuzzer>/: small synthetic snapshots, decoder inputs,
state files and settings files, hostile ones among them. Deterministic, so rerunning it gives
the same files."""

import random
import struct
import zlib
from pathlib import Path

CORPUS = Path(__file__).resolve().parent / "corpus"
REAL_SAVES = Path(__file__).resolve().parent.parent / "tests" / "data" / "realsnap"


def chunk(tag, data, length=None):
    """A snapshot chunk: tag, big-endian length counting the 12-byte header, flags, data and
    padding up to the next tag at (length + 4) with its two low bits cleared. A forced length
    gets no padding."""
    natural = 12 + len(data)
    body = tag + struct.pack(">II", natural if length is None else length, 0) + data
    if length is not None:
        return body
    return body + bytes(((natural + 4) & ~3) - natural)


def copper_moves(first_register, colours):
    return b"".join(struct.pack(">HH", 0x0180 + 2 * (first_register + i), c)
                    for i, c in enumerate(colours))


COPPER_END = struct.pack(">HH", 0xFFFF, 0xFFFE)


def chip_ram(rng, size):
    ram = bytearray(rng.randbytes(size))
    simple = copper_moves(0, [0x111 * (i % 16) for i in range(32)]) + COPPER_END
    ram[100:100 + len(simple)] = simple
    # Four leading moves, a wait, a repeated register, a move past COLOR15.
    advanced = (copper_moves(0, [0xF00, 0x0F0, 0x00F, 0xFFF]) + struct.pack(">HH", 0x2C01, 0xFFFE)
                + copper_moves(1, [0x123]) + copper_moves(16, [0xABC]) + COPPER_END)
    ram[501:501 + len(advanced)] = advanced
    return bytes(ram)


def snapshot(rng, ram_size=800, with_aga=True):
    chip = bytearray(360)
    chip[240:240 + 64] = b"".join(struct.pack(">H", 0x0123 * i & 0x0FFF) for i in range(32))
    parts = [chunk(b"ASF ", bytes(8)), chunk(b"CPU ", bytes(16)), chunk(b"CHIP", bytes(chip))]
    if with_aga:
        parts.append(chunk(b"AGAC", bytes(range(256)) * 4))
    parts.append(chunk(b"CRAM", chip_ram(rng, ram_size)))
    parts.append(b"END " + struct.pack(">I", 8))
    return b"".join(parts)


def snapshot_seeds(rng):
    whole = snapshot(rng)
    return {
        "standard.uss": whole,
        "ecs-only.uss": snapshot(rng, 300, with_aga=False),
        "cut-in-agac.uss": whole[:whole.index(b"AGAC") + 40],
        "stalled-length.uss": chunk(b"ASF ", bytes(8), length=0xFFFFFFFC) + chunk(b"CHIP", bytes(300)),
        "huge-length.uss": chunk(b"ASF ", bytes(8), length=0x7FFFFFF0) + b"CHIP",
        "copper-only.bin": chip_ram(rng, 700),
    }


def compressed_chunk(tag, data, flags=1, unpacked=None):
    """A compressed chunk: flags bit 0 set, the uncompressed size (or a forced one) at +12 and a
    zlib stream at +16, padded after the stream."""
    stream = zlib.compress(data, 6)
    size = len(data) if unpacked is None else unpacked
    natural = 16 + len(stream)
    body = tag + struct.pack(">III", natural, flags | 1, size) + stream
    return body + bytes(((natural + 4) & ~3) - natural)


def compressed_snapshot(rng, fast_size=700):
    """CRAM and FRAM compressed, a stored chunk with bit 0 clear between them, CONF and LOG
    compressed after the first END, as the emulator writes them."""
    end = b"END " + struct.pack(">I", 8)
    return b"".join([
        chunk(b"ASF ", bytes(4) + b"UAE\0" + b"6.1.0\0\0"),
        chunk(b"CHIP", bytes(4) + bytes(356)),
        compressed_chunk(b"CRAM", chip_ram(rng, 1024)),
        chunk(b"CIAA", bytes(37)),
        compressed_chunk(b"FRAM", bytes(fast_size - 3) + b"abc", flags=0x30),
        end,
        compressed_chunk(b"CONF", b"cpu_model=68020\nchipset=aga\n"),
        compressed_chunk(b"LOG ", b""),
        end,
    ])


def compressed_seeds(rng):
    whole = compressed_snapshot(rng)
    cram = whole.index(b"CRAM")
    stream = cram + 16
    damaged = bytearray(whole)
    damaged[stream + 10] ^= 0x55
    return {
        "compressed.uss": whole,
        "compressed-cut-in-stream.uss": whole[:stream + 30],
        "compressed-corrupt.uss": bytes(damaged),
        "compressed-short-u.uss": whole[:cram + 12] + struct.pack(">I", 1000) + whole[cram + 16:],
        "compressed-huge-u.uss": whole[:cram + 12] + struct.pack(">I", 0xFFFFFFF0) + whole[cram + 16:],
        "compressed-no-end.uss": whole[:whole.index(b"END ")],
        "compressed-trailing.uss": whole + b"trailing bytes",
    }


def real_seeds():
    """The emulator's own compressed saves: real chunk chains, registers and Copper lists."""
    return {f"real-{path.name}": path.read_bytes()
            for path in sorted(REAL_SAVES.glob("*-compressed.uss"))}


def decode_seeds(rng):
    # The parameters come from the end of the input, the picture bytes from the front.
    return {f"random-{n}.bin": rng.randbytes(n) for n in (24, 96, 400, 1500, 3000)}


def state_file(**values):
    lines = ["[General]"] + [f"{key}={value}" for key, value in values.items()]
    return ("\n".join(lines) + "\n").encode()


def statefile_seeds(rng):
    saved = dict(bitplaneorder="0, 1, 2, 3, 4, 5, 6, 7", offset=1234, blXSize=40, blYSize=200,
                 skip=0, bits=4, mode=0, skipmode=0, reverse="false", palsearchmode=2,
                 palfound=264, filesize=3512)
    return {
        "saved.plv": state_file(**saved),
        "simple-search.plv": state_file(**{**saved, "palsearchmode": 0, "palfound": 1753}),
        "advanced-search.plv": state_file(**{**saved, "palsearchmode": 1, "palfound": 2553,
                                             "reverse": "true", "skipmode": 1, "mode": 4}),
        "limits.plv": state_file(offset=2147483647, blXSize=-2147483648, blYSize=99999999999,
                                 skip=-1, bits=12, mode=7, skipmode=-3, palsearchmode=9,
                                 palfound=-5, bitplaneorder="9, -1, x, 3, 4, 5, 6, 7, 8, 9",
                                 reverse="maybe"),
        "variants.plv": (b"[General]\nblXSize=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x10)\n"
                         b"offset=\"12\"\nbits=0x8\nmode=@Invalid()\n"
                         b"bitplaneorder=@ByteArray(7)\n[other]\nbits=3\n"),
        "binary.plv": rng.randbytes(200),
    }


def settings_file(**values):
    lines = ["[General]"] + [f"{key}={value}" for key, value in values.items()]
    return ("\n".join(lines) + "\n").encode()


def settings_seeds(rng):
    ten = ", ".join(f"/snapshots/game{i}.uss" for i in range(10))
    return {
        "usual.ini": settings_file(windowx=100, windowy=50, recentFileList=ten,
                                   defaultussdir="/snapshots", defaultimagedir="/images"),
        "one-entry.ini": settings_file(recentFileList="/snapshots/loaded game.uss"),
        "quoted.ini": settings_file(recentFileList='"a, b.uss", "c\\"d.uss", @Invalid()',
                                    windowx="@Variant(\\0\\0\\0\\x2\\xff\\xff\\xff\\xff)",
                                    windowy="99999999999"),
        "odd-sections.ini": (b"[%General]\nrecentFileList=x\n[General]\nwindowx=2147483647\n"
                             b"windowy=-2147483648\nrecentFileList=@ByteArray(\\0)\n"
                             b"defaultussdir=\\xe9\\x20\n[General\nwindowx\n=\n"),
        "binary.ini": rng.randbytes(160),
    }


def main():
    rng = random.Random(20240607)
    sets = {
        # Compressed seeds draw from their own generator, so the other seeds stay as they were.
        "fuzz_snapshot": {**snapshot_seeds(rng), **compressed_seeds(random.Random(20261207)),
                          **real_seeds()},
        "fuzz_decode": decode_seeds(rng),
        "fuzz_statefile": statefile_seeds(rng),
        "fuzz_settings": settings_seeds(rng),
    }
    for fuzzer, files in sets.items():
        folder = CORPUS / fuzzer
        folder.mkdir(parents=True, exist_ok=True)
        for name, data in files.items():
            (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
