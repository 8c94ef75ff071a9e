#!/usr/bin/env python3
"""Generates jet/format/sort_order_tables.inc from the recorded index codes of
Access's "General" sort orders.

The input is the per-code-unit code listing kept in
../shared/reference/sort-orders (relative to the repository root): one line
per UTF-16 code unit, a letter naming how the character takes part in a text
key, then comma-separated hex byte codes. The output is a compact byte stream
per sort order that jet/format/sort_order.cpp expands once at first use.

Stream format (all produced and consumed by this project only):

  literal  0x0T <fields>    one code unit of kind T (see KINDS below);
                            fields: Simple/Significant/Unprintable: n, n bytes;
                            International: n, n bytes, m, m bytes;
                            UnprintableExt: 1 modifier byte;
                            InternationalExt: n, n bytes, m, m bytes, crazy;
                            Ignored and the surrogate kinds: nothing.
  repeat   0x10 <count>     count more code units equal to the previous one.
  steps    0x20 <count> d*  count more code units like the previous one, each
                            with inline bytes (a big-endian number) + d.
  ascend   0x30 <count>     as steps with every d equal to 1.

Counts are unsigned LEB128. The stream for General 2010 and General legacy
covers all 65536 code units, the one for General 97 the first 256; the
General 97 characters above 0xFF that have an equivalent are listed as
(code unit, equivalent) pairs.

Run from the repository root or anywhere: paths are relative to this file.
Standard library only.
"""

import os
import sys

KINDS = {
    "X": 0,  # ignored: contributes nothing
    "S": 1,  # simple: inline bytes only
    "I": 2,  # international: inline bytes and extra bytes
    "U": 3,  # unprintable: only the unprintable-suffix bytes
    "P": 4,  # unprintable extension: modifies the previous extra byte
    "Z": 5,  # international extension: inline, optional extra, crazy flag
    "G": 6,  # significant (General 97): inline bytes, counts for extras
}
HIGH_SURROGATE = 7
LOW_SURROGATE = 8

OP_LITERAL = 0x00
OP_REPEAT = 0x10
OP_STEPS = 0x20
OP_ASCEND = 0x30

CRAZY_CODE_1 = 0x02
CRAZY_CODE_2 = 0x03


def hex_bytes(text, required):
    if not text:
        if required:
            raise ValueError("empty code bytes")
        return b""
    if len(text) % 2:
        text = "0" + text  # the listing drops a leading zero
    return bytes.fromhex(text)


def parse_line(line, where):
    """Returns (kind, inline, extra, crazy_or_modifier) for one listing line."""
    letter, rest = line[:1], line[1:]
    fields = rest.split(",")
    if letter not in KINDS:
        raise ValueError(f"{where}: unknown code letter {letter!r}")
    kind = KINDS[letter]

    def expect(count):
        if len(fields) != count:
            raise ValueError(f"{where}: expected {count} fields in {line!r}")

    if letter == "X":
        return (kind, b"", b"", 0)
    if letter in "SGU":
        expect(1)
        return (kind, hex_bytes(fields[0], True), b"", 0)
    if letter == "I":
        expect(2)
        return (kind, hex_bytes(fields[0], True), hex_bytes(fields[1], True), 0)
    if letter == "P":
        expect(1)
        modifier = hex_bytes(fields[0], True)
        if len(modifier) != 1:
            raise ValueError(f"{where}: modifier must be one byte")
        return (kind, b"", b"", modifier[0])
    # "Z"
    expect(3)
    crazy = CRAZY_CODE_1 if fields[2] == "1" else CRAZY_CODE_2
    return (kind, hex_bytes(fields[0], True), hex_bytes(fields[1], False), crazy)


def read_listing(path, count, where_base):
    with open(path, encoding="ascii") as f:
        lines = f.read().splitlines()
    if len(lines) != count:
        raise ValueError(f"{path}: expected {count} lines, found {len(lines)}")
    return [parse_line(line, f"{where_base}:{i + 1}") for i, line in enumerate(lines)]


def read_full_order(ref_dir, base_name, ext_name):
    """All 65536 code units: 0x00-0xFF, then 0x100-0xFFFF without surrogates."""
    codes = read_listing(os.path.join(ref_dir, base_name), 256, base_name)
    ext = read_listing(os.path.join(ref_dir, ext_name), 0x10000 - 0x100 - 0x800, ext_name)
    codes += ext[: 0xD800 - 0x100]
    codes += [(HIGH_SURROGATE, b"", b"", 0)] * 0x400
    codes += [(LOW_SURROGATE, b"", b"", 0)] * 0x400
    codes += ext[0xD800 - 0x100 :]
    assert len(codes) == 0x10000
    return codes


def leb128(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        if value:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return bytes(out)


def literal(code):
    kind, inline, extra, flag = code
    out = bytearray([OP_LITERAL | kind])
    if kind in (1, 3, 6):
        out += bytes([len(inline)]) + inline
    elif kind == 2:
        out += bytes([len(inline)]) + inline + bytes([len(extra)]) + extra
    elif kind == 4:
        out.append(flag)
    elif kind == 5:
        out += bytes([len(inline)]) + inline + bytes([len(extra)]) + extra + bytes([flag])
    return bytes(out)


def step_of(prev, code):
    """The inline-byte step from prev to code, or None if not a small step."""
    if prev is None or prev[0] != code[0] or prev[2:] != code[2:]:
        return None
    if not code[1] or len(prev[1]) != len(code[1]):
        return None
    delta = int.from_bytes(code[1], "big") - int.from_bytes(prev[1], "big")
    return delta if 0 < delta < 256 else None


def encode(codes):
    """Encodes a list of codes as the byte stream described above."""
    ops = []  # ("lit", code) | ("rep",) | ("step", d)
    prev = None
    for code in codes:
        if prev == code:
            ops.append(("rep",))
        else:
            delta = step_of(prev, code)
            ops.append(("step", delta) if delta is not None else ("lit", code))
        prev = code

    out = bytearray()
    i = 0
    while i < len(ops):
        op = ops[i]
        if op[0] == "lit":
            out += literal(op[1])
            i += 1
            continue
        j = i
        while j < len(ops) and ops[j][0] == op[0]:
            j += 1
        if op[0] == "rep":
            out.append(OP_REPEAT)
            out += leb128(j - i)
        else:
            deltas = [o[1] for o in ops[i:j]]
            if all(d == 1 for d in deltas):
                out.append(OP_ASCEND)
                out += leb128(len(deltas))
            else:
                out.append(OP_STEPS)
                out += leb128(len(deltas))
                out += bytes(deltas)
        i = j
    return bytes(out)


def decode(stream):
    """Reads a stream back; used to prove the encoding is lossless."""
    codes = []
    pos = 0

    def take(n):
        nonlocal pos
        chunk = stream[pos : pos + n]
        if len(chunk) != n:
            raise ValueError("truncated stream")
        pos += n
        return chunk

    def count():
        value, shift = 0, 0
        while True:
            byte = take(1)[0]
            value |= (byte & 0x7F) << shift
            shift += 7
            if not byte & 0x80:
                return value

    def sized():
        return bytes(take(take(1)[0]))

    while pos < len(stream):
        op = take(1)[0]
        if op & 0xF0 == OP_LITERAL:
            kind = op & 0x0F
            inline, extra, flag = b"", b"", 0
            if kind in (1, 3, 6):
                inline = sized()
            elif kind == 2:
                inline, extra = sized(), sized()
            elif kind == 4:
                flag = take(1)[0]
            elif kind == 5:
                inline, extra = sized(), sized()
                flag = take(1)[0]
            codes.append((kind, inline, extra, flag))
        elif op == OP_REPEAT:
            codes += [codes[-1]] * count()
        elif op in (OP_STEPS, OP_ASCEND):
            n = count()
            deltas = [1] * n if op == OP_ASCEND else list(take(n))
            for d in deltas:
                kind, inline, extra, flag = codes[-1]
                value = int.from_bytes(inline, "big") + d
                codes.append((kind, value.to_bytes(len(inline), "big"), extra, flag))
        else:
            raise ValueError(f"bad op {op:#x}")
    return codes


def read_97_mappings(path):
    pairs = []
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.strip()
            if not line:
                continue
            source, target = (int(v) for v in line.split(","))
            if not (0x100 <= source <= 0xFFFF and 0 <= target <= 0xFF):
                raise ValueError(f"{path}: mapping out of range: {line}")
            pairs.append((source, target))
    pairs.sort()
    return pairs


def byte_array(name, data):
    lines = [f"inline constexpr unsigned char {name}[] = {{"]
    row = []
    width = 4
    for b in data:
        item = f"{b},"
        if width + len(item) > 100:
            lines.append("    " + "".join(row))
            row, width = [], 4
        row.append(item)
        width += len(item)
    if row:
        lines.append("    " + "".join(row))
    lines.append("};")
    return "\n".join(lines)


def main():
    script_dir = os.path.dirname(os.path.abspath(__file__))
    root = os.path.dirname(script_dir)
    ref_dir = os.path.normpath(os.path.join(root, "..", "shared", "reference", "sort-orders"))
    out_path = os.path.join(root, "jet", "format", "sort_order_tables.inc")

    orders = [
        ("kGeneral2010Codes", read_full_order(ref_dir, "index_codes_gen.txt",
                                              "index_codes_ext_gen.txt")),
        ("kGeneralLegacyCodes", read_full_order(ref_dir, "index_codes_genleg.txt",
                                                "index_codes_ext_genleg.txt")),
        ("kGeneral97Codes", read_listing(os.path.join(ref_dir, "index_codes_gen_97.txt"), 256,
                                         "index_codes_gen_97.txt")),
    ]
    mappings = read_97_mappings(os.path.join(ref_dir, "index_mappings_ext_gen_97.txt"))

    parts = [
        "// Generated by scripts/gen_sort_orders.py; do not edit by hand.",
        "// Text index codes of Access's General sort orders, per UTF-16 code unit, as",
        "// recorded by the Jackcess project (Apache License 2.0) from indexes written",
        "// by Access. The stream format is described in the generator.",
        "// clang-format off",
        "",
        "namespace jet::sort_order_data {",
        "",
    ]
    for name, codes in orders:
        stream = encode(codes)
        if decode(stream) != codes:
            raise SystemExit(f"internal error: {name} does not round-trip")
        parts.append(f"// {len(codes)} code units in {len(stream)} bytes.")
        parts.append(byte_array(name, stream))
        parts.append("")
    parts.append("// General 97: code units above 0xFF that sort as a character 0x00-0xFF.")
    parts.append("inline constexpr unsigned short kGeneral97Equivalents[][2] = {")
    row = "    "
    for source, target in mappings:
        item = f"{{{source},{target}}},"
        if len(row) + len(item) > 100:
            parts.append(row.rstrip())
            row = "    "
        row += item
    parts.append(row.rstrip())
    parts.append("};")
    parts.append("")
    parts.append("}  // namespace jet::sort_order_data")
    parts.append("// clang-format on")
    parts.append("")

    with open(out_path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(parts))
    print(f"wrote {out_path}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
