#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/.

Run it again after changing an input layout of a target; files it does not
write (inputs found by fuzzing, kept as regression cases) are left alone.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data):
    crc = 0
    for b in data:
        c = ((crc >> 8) | (crc << 8)) & 0xFFFF
        c ^= b
        c ^= (c & 0xFF) >> 4
        c ^= (c << 12) & 0xFFFF
        c ^= ((c & 0xFF) << 5) & 0xFFFF
        crc = c
    return crc


def frame(cmd, s1, s2, data=b""):
    body = bytes(6) + cmd.encode() + bytes([s1, s2]) + data.ljust(64, b"\0")[:64]
    return body + struct.pack(">H", crc16(body))


def device_info(model, layout_b, memory=4096, users=50, slots=250):
    data = bytearray(64)
    built = b"Mar 12 2017 07:30:05 r107"
    if layout_b:
        data[0:10] = model.ljust(10, b"\0")[:10]
        data[10:35] = built
        data[35:39] = b"1.07"
        data[39:43] = b"2.01"
    else:
        data[0:17] = model.ljust(17, b"\0")[:17]
        data[17:42] = built
        data[42:46] = b"1.07"
        data[46:50] = b"2.01"
    data[50] = 1
    data[51:54] = memory.to_bytes(3, "big")
    data[54:58] = bytes(4)
    data[58:60] = users.to_bytes(2, "big")
    data[60:64] = slots.to_bytes(4, "big")
    return frame("GE", ord("O"), ord("K"), bytes(data))


def write(target, name, content):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(content)


# --- fuzz_device_reply: state, set-up, memory size, then datagrams ---------
def reply_input(state, begin_read, memory, datagrams):
    out = bytes([state, 1 if begin_read else 0]) + struct.pack(">I", memory)
    for d in datagrams:
        seal, repeats, payload = d
        flags = (1 if seal else 0) | (2 if repeats != 1 else 0)
        out += bytes([flags])
        if repeats != 1:
            out += struct.pack(">H", repeats)
        out += struct.pack(">H", len(payload)) + payload
    return out


def block(n):
    return frame("GB", ord("O"), ord("K"), bytes((n * 64 + i) & 0xFF for i in range(64)))


def reply_seeds():
    t = "fuzz_device_reply"
    write(t, "info-layout-a", reply_input(1, False, 0, [(True, 1, device_info(b"Koldar KD-100", False))]))
    write(t, "info-layout-b", reply_input(1, False, 0, [(True, 1, device_info(b"Tarmisoni", True, 512000, 1000, 20000))]))
    write(t, "info-no-model", reply_input(1, False, 0, [(True, 1, device_info(b"Other", False))]))
    write(t, "relay-mode-ack", reply_input(8, False, 0, [(True, 1, frame("SD", ord("O"), ord("K")))]))
    write(t, "clock-ack", reply_input(11, False, 0, [(True, 1, frame("ST", ord("O"), ord("K")))]))
    write(t, "user-record-ok", reply_input(12, False, 0, [(True, 1, frame("SE", ord("O"), ord("K")))]))
    write(t, "user-record-no", reply_input(12, False, 0, [(True, 1, frame("SE", ord("N"), ord("O")))]))
    write(t, "user-record-unclear", reply_input(12, False, 0, [(True, 2, frame("SE", ord("?"), ord("?")))]))
    write(t, "relay-delays", reply_input(15, False, 0, [(True, 1, frame("GD", ord("O"), ord("K"), bytes([3, 5])))]))
    write(t, "idle-stray", reply_input(20, False, 0, [(True, 1, block(0)), (False, 1, bytes(80))]))
    write(t, "start-value", reply_input(0, False, 0, [(True, 1, frame("GE", 0, 0)), (False, 1, bytes(10))]))
    write(t, "unknown-state", reply_input(99, False, 0, [(True, 1, frame("GE", 0, 0))]))
    # the image reader: two agreeing device information replies, then the blocks
    def read(memory, users, slots, mark, blocks):
        info = device_info(b"Koldar", False, memory, users, slots)
        return reply_input(20, True, mark, [(True, 2, info)] + blocks)
    write(t, "memory-16-blocks", read(1024, 4, 50, 0, [(True, 1, block(n)) for n in range(16)]))
    bad = bytearray(block(3))
    bad[-1] ^= 0xFF
    write(t, "memory-bad-checksums", read(1024, 4, 50, 0, [(True, 1, block(0)), (False, 7, bytes(bad))]))
    write(t, "memory-tiny", read(63, 0, 0, 0, [(True, 3, block(0))]))
    write(t, "memory-none", read(0, 0, 0, 0, [(True, 3, block(0))]))
    # a whole image's blocks, in runs of as many repeats as the target takes
    def repeated(count, payload):
        return [(True, min(256, count - i), payload) for i in range(0, count, 256)]
    write(t, "memory-full-image", read(512000, 200, 33846, 0, repeated(8001, block(7))))
    write(t, "memory-larger-than-image", read(0xFFFFFF, 0, 1000, 7, repeated(8100, block(9))))
    write(t, "memory-without-info", reply_input(21, True, 640, [(True, 12, block(1))]))
    write(t, "memory-long-datagram", read(256, 0, 8, 0, [(True, 5, block(2) + bytes(1400))]))


# --- fuzz_device_info: one datagram ---------------------------------------
def info_seeds():
    t = "fuzz_device_info"
    write(t, "layout-a", device_info(b"Koldar KD-100", False))
    write(t, "layout-b", device_info(b"Tarmisoni", True, 512000, 1000, 20000))
    write(t, "both-models", device_info(b"Koldar", False)[:60] + b"Tarmisoni" + bytes(20))
    write(t, "model-after-frame", frame("GE", 0, 0) + b"Koldar")
    write(t, "short", b"Koldar" + bytes(40))
    write(t, "no-text-end", frame("GE", 0, 0, b"Koldar" + b"x" * 58))


# --- fuzz_log_decoder: received, memory, users, slots, mark, image ---------
def slot(index, card, etype, h, mi, s, d, mo, y):
    return struct.pack(">Ii", index, card) + bytes([etype, h, mi, s, d, mo, y])


def decoder_input(received, memory, users, slots, mark, image):
    return struct.pack(">IIHII", received, memory, users, slots, mark) + image


def decoder_seeds():
    t = "fuzz_log_decoder"
    users = 2
    header = bytes([0xEE]) * (128 + 21 * users)
    log = b"".join([
        slot(1, 100017, 1, 7, 58, 3, 4, 3, 24),
        slot(2, 100017, 2, 16, 2, 0, 4, 3, 24),
        slot(3, -5, 1, 0, 0, 0, 0, 0, 0),      # empty time
        slot(4, 100018, 1, 25, 61, 0, 31, 2, 24),  # impossible time
        slot(5, 100018, 1, 8, 0, 0, 29, 2, 24),    # leap day
        slot(6, 100019, 3, 23, 59, 59, 31, 12, 99),
    ])
    image = header + log + bytes(15 * 4)
    write(t, "records", decoder_input(len(image), len(image), users, 10, 0, image))
    write(t, "above-mark", decoder_input(len(image), len(image), users, 10, 3, image))
    write(t, "partly-received", decoder_input(len(header) + 40, 4096, users, 10, 0, image))
    write(t, "memory-smaller", decoder_input(len(image), len(header) + 30, users, 10, 0, image))
    write(t, "few-slots", decoder_input(len(image), len(image), users, 2, 0, image))
    write(t, "many-users", decoder_input(len(image), len(image), 65535, 1000, 0, image))
    write(t, "header-only", decoder_input(128, 128, 0, 5, 0, bytes(128)))


# --- fuzz_sql_text: statement, zero byte, condition -----------------------
def sql_seeds():
    t = "fuzz_sql_text"
    seeds = {
        "plain": ("SELECT * FROM employeeevent", "eventtime >= '2024-03-01'"),
        "where-order": ("SELECT * FROM `employeeevent` e WHERE e.x = 1 ORDER BY eventtime", "employeeid = 7"),
        "remove": ("SELECT * FROM employeeevent WHERE a = 1 GROUP BY b", ""),
        "subquery": ("SELECT (SELECT 1 FROM t WHERE z) AS q FROM u WHERE v LIMIT 5", "w = 2"),
        "quoted-keywords": ("SELECT 'FROM x WHERE' AS a, \"ORDER\" FROM t -- WHERE\n/* LIMIT */ ;", "k = 1"),
        "escapes": ("SELECT * FROM t WHERE s = 'it\\'s' AND `we``ird` = 1", "id = :Id"),
        "parameters": ("SELECT * FROM t WHERE a = :First AND b = :second_2 AND c = '::x' AND d::int", ""),
        "unclosed": ("SELECT * FROM t WHERE a = 'open", "b = 1"),
        "trailing-comment": ("SELECT * FROM t -- all of them", "b = 1"),
        "trailing-semicolon": ("SELECT * FROM t WHERE a = 1 ;", "b = 1"),
        "unicode": ("SELECT * FROM zaposleni WHERE ime = 'Đorđe' ORDER BY prezime", "šifra = 1"),
    }
    for name, (statement, condition) in seeds.items():
        write(t, name, statement.encode() + b"\0" + condition.encode())


def datetime_seeds():
    t = "fuzz_datetime"
    for name, text in {
        "full": "2024-03-31 17:30:00",
        "no-seconds": "2024-03-31 17:30",
        "date-only": "2024-02-29",
        "iso-t": " 2024-1-2T3:4:5 ",
        "not-leap": "2023-02-29",
        "hour-24": "2024-03-01 24:00:00",
        "garbage": "31.03.2024",
        "other-digits": "2024-03-01 \u0661\u0662:00",
        "other-digits-year": "\u0662\u0660\u0662\u0664-03-01",
    }.items():
        write(t, name, text.encode())


if __name__ == "__main__":
    reply_seeds()
    info_seeds()
    decoder_seeds()
    sql_seeds()
    datetime_seeds()
