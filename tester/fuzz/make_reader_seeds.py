#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_reader_bytes: one reader of each controller
family answering the drive scan, the reader checks and the refreshes as a
working reader would, plus a few failing ones. The layout of an input is
described at the top of fuzz_reader_bytes.cpp."""
import os
import random

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "fuzz_reader_bytes")


def good(data):
    data = bytes(data)[:255]
    return bytes([0, len(data)]) + data


def inquiry(tag, variant=b"0"):
    body = bytearray(48)
    body[0] = 0x00
    body[8:16] = b"VENDOR  "
    body[36:44] = (tag + b"        ")[:8]
    if variant is not None:
        body[43] = variant[0]
    return good(body)


def config_block(rng):
    block = bytearray(255)
    block[4:8] = bytes([0x05, 0xE3, 0x07, 0x41])
    for i in range(7):
        block[16 + i] = i if i < 5 else 7
    block[104] = 0x80
    return good(block)


def reader(rng, tag, variant, extended=False, extra=False):
    out = b"\x00" + inquiry(tag, variant)  # open, INQUIRY
    if extended:
        out += good([0x52]) + good([0x03])        # LUN range, this LUN
        out += good([0x3A, 0x05, 0x71, 0x02])     # IDs
        out += good([0x00, 0x01]) + good([0x01, 0x00])  # LUNs, status
    else:
        out += good([0x02])                       # LUN number
        out += good([0x00])                       # test mode accepted
        if variant == b"1" and not extra:
            out += good([0xE3, 0x05, 0x41, 0x07]) + good([0x00, 0x01])
            out += good([0x12]) + good([0x01]) + good(bytes(8) + b"\x01\x00")
        else:
            out += config_block(rng)
            if extra:
                out += good(bytes([0xE3, 0x05, 0x41, 0x07]) + bytes(4) + b"\x09")
                out += good(range(31))
            out += good(bytes(8) + bytes([1, 0, 1, 0, 0, 0, 1]))
    # checks, refreshes and the last parse: opens and plain answers
    for _ in range(12):
        out += b"\x00" + good([rng.randrange(256) for _ in range(rng.choice([1, 2, 4, 15]))])
    return out


def settings(rng):
    return bytes([rng.randrange(4), rng.randrange(6), rng.randrange(8), rng.randrange(2)]) + \
        b"05e3" + b"0741" + bytes([1, rng.randrange(100)])


def main():
    os.makedirs(OUT, exist_ok=True)
    rng = random.Random(17)
    families = [
        ("multislot", b"QVXK5100", b"0", False, False),
        ("twoslot", b"QVXK5101", b"1", False, False),
        ("multislot_hg", b"QVXK5106", b"6", False, False),
        ("extra", b"QVXK5120", None, False, True),
        ("extra_hg", b"QVXK5122", None, False, True),
        ("extended", b"Q7M2000 ", None, True, False),
        ("unknown_variant", b"QVXK5109", b"9", False, False),
        ("not_a_reader", b"DISK0001", None, False, False),
    ]
    for name, tag, variant, extended, extra in families:
        data = bytes([1]) + settings(rng) + reader(rng, tag, variant, extended, extra)
        open(os.path.join(OUT, name), "wb").write(data)
    # two readers behind one scan, the second drive missing
    data = bytes([3]) + settings(rng) + reader(rng, b"QVXK5100", b"0") + b"\xf0" + \
        reader(rng, b"QVXK5101", b"1")
    open(os.path.join(OUT, "three_drives"), "wb").write(data)
    # answers that fail: transport errors and CHECK CONDITION after the INQUIRY
    data = bytes([1]) + settings(rng) + b"\x00" + inquiry(b"QVXK5100", b"0") + \
        b"\x03\x02\x05" * 8 + b"\x00\x01\x30" * 4
    open(os.path.join(OUT, "failing_answers"), "wb").write(data)


if __name__ == "__main__":
    main()
