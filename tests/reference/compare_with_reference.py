#!/usr/bin/env python3
"""Plays the scenario through the C++ engine (engine_dump) and through the
Python reference model, and compares every output sample bit for bit.

64-bit runs must match the model's doubles exactly; 32-bit runs (same input,
all samples exact floats) must match the model's doubles rounded to float.

Usage: compare_with_reference.py --dump ENGINE_DUMP --scenario FILE --work-dir DIR
"""

import argparse
import array
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "reference"))

from reverb_reference import ReverbReference  # noqa: E402


class Run:
    def __init__(self, sample_rate, frames, block_size):
        self.sample_rate = sample_rate
        self.frames = frames
        self.block_size = block_size
        self.initial = {}  # id -> value, given through setState before activation
        self.inputs = []   # ("click", frame, left, right) or ("noise", first, count, seed, shift)
        self.changes = []  # (frame, id, value), in file order


def exact_float(value, where):
    if struct.unpack("<f", struct.pack("<f", value))[0] != value:
        raise SystemExit(f"{where}: {value!r} is not exact as a 32-bit float")
    return value


def read_scenario(path):
    runs = []
    with open(path) as file:
        for number, line in enumerate(file, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            where = f"{path}:{number}"
            kind, args = words[0], words[1:]
            if kind == "run":
                runs.append(Run(float(args[0]), int(args[1]), int(args[2])))
                continue
            if not runs:
                raise SystemExit(f"{where}: '{kind}' before the first 'run'")
            run = runs[-1]
            if kind == "initial":
                run.initial[int(args[0])] = float(args[1])
            elif kind == "click":
                run.inputs.append(("click", int(args[0]), exact_float(float(args[1]), where),
                                   exact_float(float(args[2]), where)))
            elif kind == "noise":
                run.inputs.append(("noise", int(args[0]), int(args[1]), int(args[2]), int(args[3])))
            elif kind == "change":
                run.changes.append((int(args[0]), int(args[1]), float(args[2])))
            else:
                raise SystemExit(f"{where}: unknown line '{kind}'")
    return runs


def render_input(run):
    left = [0.0] * run.frames
    right = [0.0] * run.frames
    for event in run.inputs:
        if event[0] == "click":
            _, frame, l, r = event
            left[frame] = l
            right[frame] = r
        else:
            _, first, count, seed, shift = event
            state = seed & 0xFFFFFFFF
            scale = 2.0 ** -(23 + shift)
            for frame in range(first, first + count):
                state = (state * 1664525 + 1013904223) & 0xFFFFFFFF
                left[frame] = ((state >> 8) - 2**23) * scale
                state = (state * 1664525 + 1013904223) & 0xFFFFFFFF
                right[frame] = ((state >> 8) - 2**23) * scale
    return left, right


def block_queues(run, start):
    """The block's queues as (id, last point's value), as the SDK's queues
    hold them: sorted by offset, a later point at the same offset replacing
    the earlier one."""
    queues = {}
    for frame, param_id, value in run.changes:
        if start <= frame < start + run.block_size:
            queues.setdefault(param_id, {})[frame - start] = value
    return [(param_id, points[max(points)]) for param_id, points in queues.items()]


class ObservedReference(ReverbReference):
    """The model, noting the frames at which a rebuild runs."""

    def __init__(self):
        super().__init__()
        self.frame = 0
        self.rebuild_frames = []

    def crossfade_step(self, shared_length):
        pending = self.rebuildPending
        super().crossfade_step(shared_length)
        if pending and not self.rebuildPending:
            self.rebuild_frames.append(self.frame)
        self.frame += 1


def run_model(run, left, right):
    model = ObservedReference()
    model.setup_processing(run.sample_rate)
    if run.initial:
        values = list(model.values)
        for param_id, value in run.initial.items():
            if 1 <= param_id <= 6:
                values[param_id - 1] = value
        model.set_state(run.initial.get(0, 0.0) > 0.5, values)
    model.set_active()
    out_left, out_right = [], []
    for start in range(0, run.frames, run.block_size):
        end = min(start + run.block_size, run.frames)
        block_left, block_right = model.process(block_queues(run, start), left[start:end], right[start:end])
        out_left += block_left
        out_right += block_right
        if model.bypass:
            model.frame += end - start
    return out_left, out_right, model.rebuild_frames


def interleave(left, right):
    frames = array.array("d")
    for l, r in zip(left, right):
        frames.append(l)
        frames.append(r)
    return frames


def bits(value, typecode):
    return struct.unpack("<Q" if typecode == "d" else "<I", struct.pack("<" + typecode, value))[0]


def compare(label, engine, reference, typecode):
    width = 16 if typecode == "d" else 8
    if len(engine) != len(reference):
        print(f"{label}: engine wrote {len(engine)} samples, expected {len(reference)}")
        return False
    for index, (e, r) in enumerate(zip(engine, reference)):
        if bits(e, typecode) != bits(r, typecode):
            frame, channel = divmod(index, 2)
            print(f"{label}: first mismatch at frame {frame}, channel {channel}: "
                  f"engine 0x{bits(e, typecode):0{width}x} ({e!r}), "
                  f"reference 0x{bits(r, typecode):0{width}x} ({r!r})")
            return False
    print(f"{label}: all {len(engine) // 2} frames match bit for bit")
    return True


def read_samples(path, typecode):
    samples = array.array(typecode)
    with open(path, "rb") as file:
        samples.frombytes(file.read())
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", required=True)
    parser.add_argument("--scenario", required=True)
    parser.add_argument("--work-dir", required=True)
    options = parser.parse_args()
    os.makedirs(options.work_dir, exist_ok=True)
    runs = read_scenario(options.scenario)

    # The engine renders in the background while the model computes.
    dumps = []
    for index in range(len(runs)):
        for bits_per_sample in (64, 32):
            out = os.path.join(options.work_dir, f"run{index}-out{bits_per_sample}.raw")
            inp = os.path.join(options.work_dir, f"run{index}-in{bits_per_sample}.raw")
            process = subprocess.Popen([options.dump, options.scenario, str(index), str(bits_per_sample), out, inp])
            dumps.append((index, bits_per_sample, process, out, inp))

    references = []
    for index, run in enumerate(runs):
        left, right = render_input(run)
        out_left, out_right, rebuilds = run_model(run, left, right)
        references.append((interleave(left, right), interleave(out_left, out_right)))
        print(f"run {index}: {run.sample_rate:g} Hz, {run.frames} frames in blocks of {run.block_size}, "
              f"rebuilds at frames {rebuilds}")
        if len(rebuilds) < 2:
            print(f"run {index}: the scenario must reach a rebuild after the activation cycle")
            return 1

    ok = True
    for index, bits_per_sample, process, out, inp in dumps:
        label = f"run {index} ({runs[index].sample_rate:g} Hz, {bits_per_sample}-bit)"
        if process.wait() != 0:
            print(f"{label}: engine_dump failed with {process.returncode}")
            ok = False
            continue
        typecode = "d" if bits_per_sample == 64 else "f"
        expected_input, expected_output = references[index]
        if typecode == "f":
            expected_input = array.array("f", expected_input)
            expected_output = array.array("f", expected_output)
        if not compare(label + " input", read_samples(inp, typecode), expected_input, typecode):
            ok = False
            continue
        if not compare(label, read_samples(out, typecode), expected_output, typecode):
            ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
