#!/usr/bin/env python3
"""Writes the seed corpus of the cutter fuzz target: real requests and replies
of every mode, whole and in chunks, some behind garbage (layout: fuzz_cutters.cpp)."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def lrc(data):
    return (-sum(data)) & 0xFF


def frame(mode, sn, pdu):
    if mode == 0:
        c = crc16(pdu)
        return bytes(pdu) + bytes([c & 0xFF, c >> 8])
    if mode == 1:
        return b":" + (bytes(pdu) + bytes([lrc(pdu)])).hex().upper().encode() + b"\r\n"
    return bytes([sn >> 8, sn & 0xFF, 0, 0, (len(pdu)) >> 8, len(pdu) & 0xFF]) + bytes(pdu)


def chunked(data, size):
    out = b""
    for i in range(0, len(data), size):
        part = data[i:i + size]
        out += bytes([len(part)]) + part
    return out


REQUESTS = [
    (0x03, bytes.fromhex("0000000A"), bytes.fromhex("14") + bytes(range(20))),
    (0x01, bytes.fromhex("00130025"), bytes.fromhex("05CD6BB20E1B")),
    (0x10, bytes.fromhex("000100020400 0A0102".replace(" ", "")), bytes.fromhex("00010002")),
    (0x0F, bytes.fromhex("0013000A02CD01"), bytes.fromhex("0013000A")),
    (0x06, bytes.fromhex("00010003"), bytes.fromhex("00010003")),
]


def main():
    os.makedirs(OUT, exist_ok=True)
    n = 0
    for mode in range(4):
        for func, rqst, rsp in REQUESTS:
            sn = 0x0102
            head_rqst = rqst[:3] + rqst[3:4]
            for cutter in range(4):
                if cutter == 3:
                    data = frame(mode, sn, [0x11, func] + list(rqst))
                elif cutter == 1:
                    data = frame(0, sn, [0x11, func] + list(rsp))
                elif cutter == 2:
                    data = frame(2, sn, [0x11, func] + list(rsp))
                else:
                    data = frame(mode, sn, [0x11, func] + list(rsp))
                exc = frame(mode if cutter in (0, 3) else (0 if cutter == 1 else 2), sn, [0x11, func | 0x80, 0x02])
                header = bytes([cutter | (mode << 2), 0x11, func, sn >> 8, sn & 0xFF]) + head_rqst
                for name, body in (("whole", chunked(data, 255)),
                                   ("bytes", chunked(data, 1)),
                                   ("junk", chunked(b"\xAA\x55" + data + exc, 5))):
                    path = os.path.join(OUT, "m%d_c%d_f%02x_%s" % (mode, cutter, func, name))
                    with open(path, "wb") as f:
                        f.write(header + body)
                    n += 1
    print("seeds:", n)


if __name__ == "__main__":
    main()
