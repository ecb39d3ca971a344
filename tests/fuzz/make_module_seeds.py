#!/usr/bin/env python3
"""Writes the module fuzzers' seed corpus: one small module of each format the
bundled libxmp reads, made here byte by byte (a few notes on a short looped
sample, a speed and a volume effect, a second pattern), so the fuzzers start
inside every loader and inside the player rather than at the format tests.

    tests/fuzz/make_module_seeds.py [FOLDER]   default: tests/fuzz/corpus/module

Formats whose layout is involved get a header-shaped file: it passes the
format's test and gives the fuzzer a foothold in that loader.
"""
import os
import struct
import sys

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "module")

# One short cycle of a square-ish wave, signed 8-bit.
WAVE = bytes((40 if i < 8 else 0xD8) for i in range(16)) * 2


def pad(data, size, fill=b"\0"):
    data = data[:size]
    return data + fill * (size - len(data))


def u8(v): return struct.pack("<B", v & 0xFF)
def le16(v): return struct.pack("<H", v & 0xFFFF)
def le32(v): return struct.pack("<I", v & 0xFFFFFFFF)
def be16(v): return struct.pack(">H", v & 0xFFFF)
def be32(v): return struct.pack(">I", v & 0xFFFFFFFF)


seeds = {}

# ---------------------------------------------------------------- ProTracker
PERIODS = [856, 762, 678, 640, 570, 508, 453, 428]


def mod_pattern(channels, rows=64, first=0):
    data = bytearray()
    for row in range(rows):
        for ch in range(channels):
            if row % 4 == 0 and ch < 2:
                period = PERIODS[(row // 4 + ch + first) % len(PERIODS)]
                ins = 1
                eff, par = (0xC, 0x30) if row == 0 else ((0xF, 6) if row == 8 else (0xA, 0x02))
                data += bytes([(ins & 0xF0) | (period >> 8), period & 0xFF, ((ins & 0xF) << 4) | eff, par])
            elif row == 60 and ch == 0:
                data += bytes([0, 0, 0x0E, 0x00])
            else:
                data += bytes(4)
    return bytes(data)


def mod(tag, channels, patterns=2):
    head = pad(b"seed " + tag, 20)
    samples = b""
    for i in range(31):
        if i == 0:
            samples += pad(b"square", 22) + be16(len(WAVE) // 2) + u8(0) + u8(64) + be16(0) + be16(len(WAVE) // 2)
        else:
            samples += pad(b"", 22) + be16(0) + u8(0) + u8(0) + be16(0) + be16(1)
    orders = bytes(range(patterns)) + bytes(128 - patterns)
    body = b"".join(mod_pattern(channels, first=p) for p in range(patterns))
    return head + samples + u8(patterns) + u8(127) + orders + tag + body + WAVE


seeds["mk.mod"] = mod(b"M.K.", 4)
seeds["flt4.mod"] = mod(b"FLT4", 4)
seeds["6chn.mod"] = mod(b"6CHN", 6)
seeds["8chn.mod"] = mod(b"8CHN", 8)
seeds["cd81.mod"] = mod(b"CD81", 8)
seeds["12ch.mod"] = mod(b"12CH", 12)


# 15-sample Soundtracker: no tag, 15 samples.
def st15():
    head = pad(b"seed st", 20)
    samples = b""
    for i in range(15):
        if i == 0:
            samples += pad(b"st-01:square", 22) + be16(len(WAVE) // 2) + u8(0) + u8(64) + be16(0) + be16(len(WAVE) // 2)
        else:
            samples += pad(b"", 22) + be16(0) + u8(0) + u8(0) + be16(0) + be16(1)
    orders = bytes([0, 1]) + bytes(126)
    return head + samples + u8(2) + u8(120) + orders + mod_pattern(4) + mod_pattern(4, first=3) + WAVE


seeds["st15.mod"] = st15()


# ---------------------------------------------------------------- Scream Tracker 3
def s3m():
    channels = 4
    rows = bytearray()
    for row in range(64):
        if row % 4 == 0:
            rows += bytes([0x20 | 0x40 | 0x80 | 0, 0x40 + (row // 4) % 12, 1, 48, 0x01 if row == 0 else 0x04, 6 if row == 0 else 0x22])
            rows += bytes([0x20 | 1, 0x30 + (row // 8) % 12, 1])
        if row == 63:
            rows += bytes([0x80 | 2, 3, 0])  # C: pattern break
        rows += b"\0"
    packed = le16(len(rows) + 2) + bytes(rows)
    ordnum, insnum, patnum = 4, 1, 2
    header = pad(b"seed s3m", 28) + u8(0x1A) + u8(16) + b"\0\0" + le16(ordnum) + le16(insnum) + le16(patnum)
    header += le16(0) + le16(0x1320) + le16(2) + b"SCRM" + u8(64) + u8(6) + u8(125) + u8(0xB0) + u8(0) + u8(0xFC)
    header += bytes(8) + le16(0)
    header += bytes([0, 8, 1, 9] + [255] * 28)
    assert len(header) == 96
    orders = bytes([0, 1, 0xFE, 0xFF])
    # Layout: header, orders, pointers, pans, instrument at 0x80-aligned, patterns, sample.
    pointers_at = 96 + ordnum
    pans_at = pointers_at + 2 * (insnum + patnum)
    ins_at = 256
    pat0_at = ins_at + 80
    pat1_at = pat0_at + len(packed)
    pat1_at = (pat1_at + 15) & ~15
    smp_at = pat1_at + len(packed)
    smp_at = (smp_at + 15) & ~15
    out = bytearray(header + orders + le16(ins_at >> 4) + le16(pat0_at >> 4) + le16(pat1_at >> 4))
    out += bytes([0x20 | 3, 0x20 | 12, 0x20 | 5, 0x20 | 10]) + bytes(28)
    out = pad(bytes(out), ins_at)
    unsigned = bytes((b + 128) & 0xFF for b in WAVE)
    ins = u8(1) + pad(b"square.smp", 12) + u8(smp_at >> 20) + le16((smp_at >> 4) & 0xFFFF)
    ins += le32(len(unsigned)) + le32(0) + le32(len(unsigned)) + u8(64) + u8(0) + u8(0) + u8(1)
    ins += le32(8363) + bytes(12) + pad(b"square", 28) + b"SCRS"
    assert len(ins) == 80
    out += ins
    out = pad(bytes(out), pat0_at) + packed
    out = pad(out, pat1_at) + packed
    out = pad(out, smp_at) + unsigned
    return out


seeds["small.s3m"] = s3m()


# ---------------------------------------------------------------- Impulse Tracker
def it_pattern(rows=32):
    data = bytearray()
    for row in range(rows):
        if row % 4 == 0:
            # channel 1, mask: note, instrument, volume, command
            data += bytes([0x81, 0x0F, 48 + (row // 4) % 12, 1, 64, 1 if row == 0 else 4, 5 if row == 0 else 0x23])
            data += bytes([0x82, 0x03, 60 + (row // 8) % 5, 1])
        if row == 12:
            data += bytes([0x81, 0x08, 8, 0x80])  # H: vibrato... (command only)
        data += b"\0"
    return le16(len(data)) + le16(rows) + bytes(4) + bytes(data)


def it_compressed_block(samples):
    """IT 2.14 8-bit compression, written in its simplest form: every delta
    as a 9-bit value (width change to 9 at the start)."""
    bits = []

    def put(value, width):
        for i in range(width):
            bits.append((value >> i) & 1)
    # Start width is 9 for 8-bit samples: a width-9 value below 256 is a delta.
    prev = 0
    for s in samples:
        delta = (s - prev) & 0xFF
        prev = s
        put(delta, 9)
    while len(bits) % 8:
        bits.append(0)
    data = bytes(sum(bits[i + j] << j for j in range(8)) for i in range(0, len(bits), 8))
    return le16(len(data)) + data


def it(instrument_mode, compressed):
    ordnum, insnum, smpnum, patnum = 3, 1 if instrument_mode else 0, 2, 2
    flags = 0x01 | 0x08 | (0x04 if instrument_mode else 0)
    header = b"IMPM" + pad(b"seed it", 26) + le16(0x0410) + le16(ordnum) + le16(insnum) + le16(smpnum) + le16(patnum)
    header += le16(0x0214) + le16(0x0214) + le16(flags) + le16(0) + u8(128) + u8(48) + u8(6) + u8(125) + u8(128) + u8(0)
    header += le16(0) + le32(0) + le32(0)
    header += bytes([32] * 4 + [0xA0] * 60) + bytes([64] * 64)
    assert len(header) == 192
    orders = bytes([0, 1, 0xFF])
    table_len = 4 * (insnum + smpnum + patnum)
    at = 192 + ordnum + table_len
    ins_at = []
    ins = b""
    if instrument_mode:
        ins_at.append(at)
        # name, NNA, DCT, DCA, fade-out, pitch-pan separation and centre,
        # global volume, default pan, random variations, version, samples
        ins = b"IMPI" + pad(b"square.iti", 12) + u8(0) + u8(0) + u8(0) + u8(0) + le16(256) + u8(0) + u8(60)
        ins += u8(128) + u8(32 | 0x80) + u8(0) + u8(0) + le16(0x0214) + u8(1) + u8(0) + pad(b"square", 26)
        ins += u8(0) + u8(0) + u8(0) + u8(0) + le16(0)
        ins += b"".join(bytes([n, 1]) for n in range(120))
        # Volume envelope: on, three points.
        env = u8(1) + u8(3) + u8(0) + u8(2) + u8(0) + u8(0)
        env += bytes([64, 0, 0, 32, 10, 0, 0, 40, 0]) + bytes(3 * 22)
        env = pad(env, 82)
        ins += env + pad(u8(0) + u8(0), 82) + pad(u8(0) + u8(0), 82)
        ins = pad(ins, 554)
        at += len(ins)
    smp_at = [at, at + 80]
    at += 160
    pats = [it_pattern(), it_pattern(16)]
    pat_at = [at, at + len(pats[0])]
    at += len(pats[0]) + len(pats[1])
    data_at = at
    samples_plain = WAVE
    smp = b""
    body = b""
    for i in range(smpnum):
        comp = compressed and i == 1
        payload = it_compressed_block(list(WAVE)) if comp else samples_plain
        flg = 0x01 | 0x10 | (0x08 if comp else 0)
        smp += b"IMPS" + pad(b"square.its", 12) + u8(0) + u8(64) + u8(flg) + u8(64) + pad(b"square", 26)
        smp += u8(0x01) + u8(32) + le32(len(WAVE)) + le32(0) + le32(len(WAVE)) + le32(8363 * (i + 1))
        smp += le32(0) + le32(0) + le32(data_at + len(body)) + u8(0) + u8(0) + u8(0) + u8(0)
        body += payload
    out = header + orders + b"".join(le32(a) for a in ins_at) + b"".join(le32(a) for a in smp_at)
    out += b"".join(le32(a) for a in pat_at) + ins + smp + pats[0] + pats[1] + body
    return out


seeds["samples.it"] = it(False, False)
seeds["instruments.it"] = it(True, False)
seeds["compressed.it"] = it(False, True)


# ---------------------------------------------------------------- MultiTracker
def mtm():
    tracks = 2
    track = bytearray()
    for row in range(64):
        if row % 8 == 0:
            note = 24 + (row // 8)
            track += bytes([note << 2, (1 << 4) | 0xC, 0x30])
        else:
            track += bytes(3)
    track2 = bytes(track[::-1])
    head = b"MTM\x10" + pad(b"seed mtm", 20) + le16(tracks) + u8(1) + u8(1) + le16(0) + u8(1) + u8(0) + u8(64) + u8(4)
    head += bytes([3, 12, 5, 10] + [7] * 28)
    smp = pad(b"square", 22) + le32(len(WAVE)) + le32(0) + le32(len(WAVE)) + u8(0) + u8(64) + u8(0)
    orders = bytes([0, 1]) + bytes(126)
    seq = b"".join(le16(t) for t in [1, 2, 0, 0] + [0] * 28) + b"".join(le16(t) for t in [2, 1, 1, 0] + [0] * 28)
    unsigned = bytes((b + 128) & 0xFF for b in WAVE)
    return head + smp + orders + bytes(track) + track2 + seq + unsigned


seeds["small.mtm"] = mtm()


# ---------------------------------------------------------------- Composer 669
def c669():
    head = b"if" + pad(b"seed 669", 108) + u8(1) + u8(2) + u8(0)
    orders = bytes([0, 1]) + b"\xff" * 126
    tempos = bytes([4] * 128)
    breaks = bytes([63] * 128)
    smp = pad(b"square", 13) + le32(len(WAVE)) + le32(0) + le32(len(WAVE))
    pat = bytearray()
    for p in range(2):
        for row in range(64):
            for ch in range(8):
                if ch < 2 and row % 4 == 0:
                    note, ins = 24 + (row // 4) % 12, 0
                    pat += bytes([(note << 2) | (ins >> 4), ((ins & 15) << 4) | 12, 0x00 if row else 0x53])
                else:
                    pat += bytes([0xFF, 0xFF, 0xFF])
    unsigned = bytes((b + 128) & 0xFF for b in WAVE)
    return head + orders + tempos + breaks + smp + bytes(pat) + unsigned


seeds["small.669"] = c669()


# ---------------------------------------------------------------- Scream Tracker 2
def stm():
    head = pad(b"seed stm", 20) + b"!Scream!" + u8(0x1A) + u8(2) + u8(2) + u8(21) + u8(0x60) + u8(2) + u8(64) + bytes(13)
    smp_data_at = None
    insts = b""
    for i in range(31):
        if i == 0:
            insts += pad(b"square", 12) + u8(0) + u8(0) + le16(0) + le16(len(WAVE)) + le16(0) + le16(len(WAVE)) + u8(64) + u8(0) + le16(8363) + bytes(6)
        else:
            insts += pad(b"", 12) + u8(0) + u8(0) + le16(0) + le16(0) + le16(0) + le16(0xFFFF) + u8(0) + u8(0) + le16(8363) + bytes(6)
    orders = bytes([0, 1]) + bytes([99] * 126)
    pats = bytearray()
    for p in range(2):
        for row in range(64):
            for ch in range(4):
                if ch == 0 and row % 4 == 0:
                    pats += bytes([0x40 + (row // 4) % 12, (1 << 3) | 0, (8 << 4) | 0x1 if row == 0 else 0x40, 0x40 if row == 0 else 0])
                else:
                    pats += bytes([0xFF, 0x01, 0x80, 0x00])
    out = bytearray(head + insts + orders + pats)
    smp_at = (len(out) + 15) & ~15
    out = pad(bytes(out), smp_at)
    # sample parapointer
    out = bytearray(out)
    off = 48 + 14
    out[off:off + 2] = le16(smp_at >> 4)
    return bytes(out) + WAVE


seeds["small.stm"] = stm()


# ---------------------------------------------------------------- Oktalyzer
def iff_chunk(cid, data):
    return cid + be32(len(data)) + data


def okt():
    cmod = be16(0) + be16(0) + be16(1) + be16(0)
    samp = b""
    for i in range(36):
        if i == 0:
            samp += pad(b"square", 20) + be32(len(WAVE)) + be16(0) + be16(len(WAVE) // 2) + be16(64) + be16(0)
        else:
            samp += bytes(32)
    patt = bytes([0, 1]) + bytes(126)
    pbod = []
    for p in range(2):
        rows = bytearray()
        for row in range(16):
            for ch in range(6):
                if ch == 0 and row % 2 == 0:
                    rows += bytes([13 + (row // 2) % 12, 0, 31 if row == 4 else 0, 0x40 if row == 4 else 0])
                else:
                    rows += bytes(4)
        pbod.append(iff_chunk(b"PBOD", be16(16) + bytes(rows)))
    body = iff_chunk(b"CMOD", cmod) + iff_chunk(b"SAMP", samp) + iff_chunk(b"SPEE", be16(6))
    body += iff_chunk(b"SLEN", be16(2)) + iff_chunk(b"PLEN", be16(2)) + iff_chunk(b"PATT", patt)
    body += pbod[0] + pbod[1] + iff_chunk(b"SBOD", WAVE)
    return b"OKTASONG" + body


seeds["small.okt"] = okt()

# ---------------------------------------------------------------- FastTracker 2
# tiny.xm already in the corpus was made by the project's own writer.

# ---------------------------------------------------------------- header-shaped seeds
# A valid start for loaders whose files are long to lay out by hand: the
# format's test passes, the rest is small and plain.
seeds["head.mdl"] = b"DMDL" + u8(0x11) + b"IN" + le32(70) + pad(b"seed mdl", 32) + pad(b"velnorix", 20) + le16(1) + u8(0) + u8(64) + u8(6) + u8(125) + bytes([0x80] * 32) + u8(0) + b"PA" + le32(1) + u8(0)
seeds["head.far"] = b"FAR\xfe" + pad(b"seed far", 40) + b"\r\n\x1a" + le16(98) + u8(0x10) + bytes(16) + bytes(78) + le16(0) + bytes(771) + u8(1) + u8(0) + u8(0) + u8(0) + bytes(256)
seeds["head.ult"] = b"MAS_UTrack_V004" + pad(b"seed ult", 32) + u8(0) + u8(1) + pad(b"square", 32) + pad(b"square.smp", 12) + le32(0) + le32(32) + le32(0) + le32(32) + u8(64) + u8(0) + u8(0) + le16(8363) + le16(0) + bytes([0, 1] + [0xFF] * 254) + u8(3) + u8(0) + bytes(4) + bytes(64 * 4) + WAVE
seeds["head.ptm"] = pad(b"seed ptm", 28) + u8(0x1A) + le16(0x203) + u8(0) + le16(1) + le16(1) + le16(1) + le16(4) + le16(0) + bytes(4) + b"PTMF" + bytes(16) + bytes([0] * 32) + bytes([0] * 256) + bytes(128 * 2)
seeds["head.imf"] = pad(b"seed imf", 32) + le16(1) + le16(1) + le16(0) + le16(0) + bytes(8) + u8(6) + u8(125) + u8(64) + u8(64) + bytes(8) + b"IM10" + b"".join(pad(b"ch", 12) + bytes([0, 0, 128, 0]) for _ in range(32)) + bytes([0] + [0xFF] * 255) + le16(0) + le16(64) + b"\0" * 64
seeds["head.amf"] = b"AMF\x0e" + pad(b"seed amf", 32) + u8(1) + u8(1) + u8(1) + le16(1) + u8(4) + bytes(32) + u8(125) + u8(6) + le16(64) + le16(1) * 4 + u8(1) + pad(b"square", 32) + pad(b"square", 13) + le32(0) + le32(32) + le16(8363) + u8(64) + le32(0) + le32(32) + bytes(64)
seeds["head.dbm"] = b"DBM0" + be16(0x0200) + be16(0) + bytes(8) + iff_chunk(b"NAME", pad(b"seed dbm", 44)) + iff_chunk(b"INFO", be16(1) + be16(1) + be16(1) + be16(1) + be16(4)) + iff_chunk(b"SONG", pad(b"song", 44) + be16(1) + be16(0))
seeds["head.mmd1"] = b"MMD1" + be32(0x200) + be32(0x34) + bytes(12) + be32(0) + bytes(4) + be32(0) + bytes(4) + be32(0) + bytes(256)
seeds["head.mmd0"] = b"MMD0" + be32(0x200) + be32(0x34) + bytes(12) + be32(0) + bytes(4) + be32(0) + bytes(4) + be32(0) + bytes(256)
seeds["head.gdm"] = b"GDM\xfe" + pad(b"seed gdm", 32) + pad(b"velnorix", 32) + b"\r\n\x1a" + b"GMFS" + bytes(200)
seeds["head.psm"] = b"PSM " + le32(64) + b"FILE" + b"SDFT" + le32(8) + b"MAINSONG" + bytes(64)
seeds["head.rtm"] = b"RTMM " + pad(b"seed rtm", 32) + u8(0x1A) + pad(b"velnorix", 20) + le16(0x112) + le16(42) + le16(1) + u8(4) + bytes(100)
seeds["head.med"] = b"MED\x03" + pad(b"seed", 32) + bytes(300)
seeds["head.umx"] = le32(0x9E2A83C1) + le16(61) + le16(0) + le32(0) + le32(1) + le32(64) + le32(0) + le32(64) + le32(0) + le32(64) + bytes(200)
seeds["head.dtm"] = b"D.T." + be32(14) + be16(0) + be16(0) + be16(6) + be16(125) + be32(0) + b"seed" + bytes(200)
seeds["head.stx"] = pad(b"seed stx", 20) + pad(b"!Scream!", 8) + le16(0) + le16(0) + le16(0) + le16(0) + le16(0) + le16(0) + u8(64) + u8(6) + le32(0) + b"SCRM" + bytes(200)
seeds["head.coco"] = u8(0x84) + pad(b"seed coco", 20) + u8(1) + u8(1) + u8(1) + u8(4) + bytes(200)
seeds["head.digi"] = b"DIGI Booster module\0" + b"V1.6" + u8(0x16) + bytes(3) + u8(4) + u8(0) + u8(0) + u8(0) + bytes(128) + bytes(31 * 4 * 4) + bytes(31) + bytes(31) + pad(b"seed digi", 32) + bytes(31 * 30) + bytes(200)
seeds["head.emod"] = b"FORM" + be32(200) + b"EMOD" + b"EMIC" + be32(0) + bytes(200)
seeds["head.sym"] = b"\x02\x01\x13\x13\x14\x12\x01\x0b" + u8(1) + bytes(200)
seeds["head.abk"] = b"AmBk" + be16(3) + be16(0) + be32(200) + b"Music   " + bytes(200)
seeds["head.fnk"] = b"Funk" + bytes(4) + b"F2" + b"0" + b"C" + bytes(2) + le32(300) + bytes(300)
seeds["head.liq"] = b"Liquid Module:" + pad(b"seed liq", 30) + u8(0x1A) + pad(b"velnorix", 20) + bytes(20) + le16(0x100) + bytes(200)
seeds["head.mfp.mfp"] = bytes(248) + be16(1) + be16(0) + bytes(200)
seeds["head.masi"] = b"PSM\xfe" + pad(b"seed masi", 59) + u8(0x1A) + bytes(200)
seeds["head.hmn"] = mod(b"FEST", 4, 1)
seeds["head.nt.mod"] = mod(b"N.T.", 4, 1)
seeds["head.m15.mod"] = st15()[:600] + bytes(2048)
seeds["head.ims"] = mod(b"\0\0\0\0", 4, 1)
seeds["head.chip"] = mod(b"KRIS", 4, 1)


# ---------------------------------------------------------------- regressions
# Inputs on which the bundled libxmp once went wrong (undefined behaviour),
# written to tests/fuzz/regressions/module/ when the folder is given as
# REGRESSIONS=folder. Each is one of the whole seeds above with the damage
# that set it off.
REGRESSIONS = os.environ.get("REGRESSIONS")
faults = {}
# A negative C5 speed: the note offset was the logarithm of a negative number.
base = bytearray(it(False, False))
at = base.index(b"IMPS") + 60
base[at:at + 4] = le32(0xFFFFF000)
faults["it-negative-c5-speed.it"] = bytes(base)
# IT-compressed samples whose bit width leaves 1 to 32 (a width of 0 from the
# value 511, of 45 from 300): shifts by -1 and by -13.
for width_value, name in ((511, "it-compressed-width-0.it"), (300, "it-compressed-width-45.it")):
    def bad_block(samples, first=width_value):
        bits = []
        def put(value, width):
            for i in range(width):
                bits.append((value >> i) & 1)
        put(first, 9)
        for sample in samples:
            put(sample & 0xFF, 9)
        while len(bits) % 8:
            bits.append(0)
        data = bytes(sum(bits[i + j] << j for j in range(8)) for i in range(0, len(bits), 8))
        return le16(len(data)) + data
    saved = it_compressed_block
    it_compressed_block = bad_block
    faults[name] = it(False, True)
    it_compressed_block = saved
# A FastTracker 2 sample whose data lies past the end of the file, with a
# ping-pong loop starting near 2^31 and a length that wraps its end below 0:
# the sample had no data but kept those points, and the mixer's loop
# arithmetic overflowed. Made from the corpus's tiny.xm (sample header at 644,
# data at 684).
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "module", "tiny.xm"), "rb") as f:
    base = bytearray(f.read())
base[648:656] = le32(0x7FFFFFF0) + le32(0x7FFFFFFF)
base[658] = 2
faults["xm-loop-beyond-int.xm"] = bytes(base[:684])
# IFF-chunked formats cut to their magic: the chunk list was walked with the
# null-pointer form of offsetof.
faults["okt-8-bytes.okt"] = b"OKTASONG"
faults["mdl-11-bytes.mdl"] = b"DMDL" + u8(0x11) + b"IN" + le32(0)

os.makedirs(OUT, exist_ok=True)
for name, data in sorted(seeds.items()):
    if name.startswith("head."):
        data = pad(data, max(len(data), 600))
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
print(f"{len(seeds)} seeds written to {OUT}")
if REGRESSIONS:
    os.makedirs(REGRESSIONS, exist_ok=True)
    for name, data in sorted(faults.items()):
        with open(os.path.join(REGRESSIONS, name), "wb") as f:
            f.write(data)
    print(f"{len(faults)} regression inputs written to {REGRESSIONS}")
