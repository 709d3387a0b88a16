#!/usr/bin/env python3
"""Prints the peak sample of a WAV file and fails if the file is silent.

A render that wrote only zeros (or nothing) looks like a success from its exit
code alone; this tells the two apart. Reads PCM (8 to 32 bits) and IEEE float
(32 or 64 bits) WAV files, plain or WAVE_FORMAT_EXTENSIBLE, with the standard
library only.

Usage: tools/wavpeak.py FILE
Exit status: 0 when some sample is not zero, 1 when every sample is zero or
some sample is not finite, 2 when the file cannot be read.
"""

import array
import math
import struct
import sys

FORMAT_PCM = 1
FORMAT_FLOAT = 3
FORMAT_EXTENSIBLE = 0xFFFE


class WavError(Exception):
    pass


def read_chunks(data):
    if len(data) < 12 or data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise WavError("not a RIFF WAVE file")
    chunks = {}
    offset = 12
    while offset + 8 <= len(data):
        chunk_id, size = struct.unpack_from("<4sI", data, offset)
        chunks.setdefault(chunk_id, data[offset + 8 : offset + 8 + size])
        offset += 8 + size + (size & 1)
    return chunks


def sample_format(fmt):
    if len(fmt) < 16:
        raise WavError("the fmt chunk is too short")
    tag, _channels, _rate, _byte_rate, _block_align, bits = struct.unpack_from("<HHIIHH", fmt)
    if tag == FORMAT_EXTENSIBLE:
        if len(fmt) < 26:
            raise WavError("the extensible fmt chunk is too short")
        tag = struct.unpack_from("<H", fmt, 24)[0]
    if tag not in (FORMAT_PCM, FORMAT_FLOAT):
        raise WavError(f"unsupported sample format {tag}")
    return tag, bits


def peak_of(data):
    chunks = read_chunks(data)
    if b"fmt " not in chunks or b"data" not in chunks:
        raise WavError("no fmt or data chunk")
    tag, bits = sample_format(chunks[b"fmt "])
    samples = chunks[b"data"]
    if tag == FORMAT_FLOAT:
        typecodes = {32: "f", 64: "d"}
        if bits not in typecodes:
            raise WavError(f"unsupported float width {bits}")
        values = array.array(typecodes[bits])
        values.frombytes(samples[: len(samples) - len(samples) % values.itemsize])
        if sys.byteorder == "big":
            values.byteswap()
        return max((abs(v) if math.isfinite(v) else math.inf for v in values), default=0.0)
    width = bits // 8
    if bits % 8 or not 1 <= width <= 4:
        raise WavError(f"unsupported PCM width {bits}")
    full_scale = float(1 << (bits - 1))
    peak = 0
    for start in range(0, len(samples) - width + 1, width):
        raw = samples[start : start + width]
        value = raw[0] - 128 if width == 1 else int.from_bytes(raw, "little", signed=True)
        peak = max(peak, abs(value))
    return peak / full_scale


def main(argv):
    if len(argv) != 2:
        print("usage: wavpeak.py FILE", file=sys.stderr)
        return 2
    path = argv[1]
    try:
        with open(path, "rb") as file:
            peak = peak_of(file.read())
    except (OSError, WavError) as error:
        print(f"wavpeak: cannot read {path}: {error}", file=sys.stderr)
        return 2
    if not math.isfinite(peak):
        print(f"wavpeak: {path} holds samples that are not finite", file=sys.stderr)
        return 1
    if not peak > 0.0:
        print(f"wavpeak: {path} is silent (every sample is zero)", file=sys.stderr)
        return 1
    print(f"peak {peak:.6g}, {20.0 * math.log10(peak):.1f} dBFS")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
