#!/usr/bin/env python3
"""Writes the inputs of the speed benchmarks, the same ones on every run.

    gen_inputs.py FOLDER          the number lists, one number per line
    gen_inputs.py --stream BYTES  BYTES of 64-bit decimals to standard output
                                  (for the memory measurement; needs no disk)
"""

import os
import random
import sys

SEED = 20211231

# The lists of the per-entry comparison with GMP and a hand-tuned word loop:
# name: (count, kind)
WORD_LISTS = {
    "dec64x4m.txt": 4_000_000,  # 64-bit decimals, uniform over all 64-bit values
    "dec20.txt": 1_000_000,  # decimals of exactly 20 digits (most above 2^64)
    "zeros30k.txt": 10_000,  # 30,000 characters: leading zeros, then a 64-bit decimal
}

# name: (count, bits, base of the text)
LISTS = {
    "dec64.txt": (1_000_000, 64, 10),
    "dec1000.txt": (100_000, 1000, 10),
    "hex256.txt": (300_000, 256, 16),
    "bin128.txt": (300_000, 128, 2),
}


def text_of(value, base):
    if base == 10:
        return str(value)
    if base == 16:
        return format(value, "X")
    if base == 2:
        return format(value, "b")
    raise ValueError(base)


def numbers(rng, count, bits, base, full_width):
    for _ in range(count):
        value = rng.getrandbits(bits)
        if full_width:
            value |= 1 << (bits - 1)
        yield text_of(value, base)


def write_lists(folder):
    os.makedirs(folder, exist_ok=True)
    for name, (count, bits, base) in LISTS.items():
        # A seed of its own per list, so each list stays the same when
        # another one changes.
        rng = random.Random(f"{SEED}-{name}")
        # The wide numbers have their top bit set: "N-bit" numbers of full
        # width. The 64-bit decimals are uniform over all 64-bit values.
        full_width = bits > 64
        with open(os.path.join(folder, name), "w", newline="\n") as f:
            f.write("\n".join(numbers(rng, count, bits, base, full_width)))
            f.write("\n")


def word_list(rng, name, count):
    if name == "dec64x4m.txt":
        return (str(rng.getrandbits(64)) for _ in range(count))
    if name == "dec20.txt":
        return (str(rng.randrange(10**19, 10**20)) for _ in range(count))
    return (str(rng.getrandbits(64)).rjust(30_000, "0") for _ in range(count))


def write_word_lists(folder):
    for name, count in WORD_LISTS.items():
        rng = random.Random(f"{SEED}-{name}")
        with open(os.path.join(folder, name), "w", newline="\n") as f:
            for line in word_list(rng, name, count):
                f.write(line)
                f.write("\n")


def stream(total):
    rng = random.Random(SEED)
    block = ("\n".join(numbers(rng, 60_000, 64, 10, False)) + "\n").encode()
    out = sys.stdout.buffer
    try:
        while total > 0:
            piece = block[:total]
            out.write(piece)
            total -= len(piece)
        out.flush()
    except BrokenPipeError:
        pass


def main(argv):
    if len(argv) == 3 and argv[1] == "--stream":
        stream(int(argv[2]))
    elif len(argv) == 2:
        write_lists(argv[1])
        write_word_lists(argv[1])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
