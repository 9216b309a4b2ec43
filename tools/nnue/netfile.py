"""The engine's quantised network file, and the engine's integer evaluation of it.

The file, little endian: a 40-byte header

    magic "VTNN", uint32 version 1, uint32 inputs 768, uint32 hidden N, uint32 activation 1
    (SCReLU), int32 QA 255, int32 QB 64, int32 SCALE 400, uint32 payload bytes, uint32 FNV-1a
    (32-bit) checksum of the payload

then the payload: int16 l1_weights[768][N] (the N weights of feature 0 first), int16 l1_bias[N],
int16 out_weights[2N] (the side to move's half first), int32 out_bias.

Quantisation rounds half away from zero: l1 weights and bias times QA, output weights times QB,
output bias times QA * QB. The output weights are then balanced: in each half, the weights
rounded furthest up (or down) move one step back until the half's rounding errors sum to less
than one step. Each is still within a step of its exact value, and the errors no longer pile up
into an offset of the whole evaluation (a few hundred weights of 64ths, each multiplied by an
activation that is mostly positive, can otherwise drift a dozen centipawns in one direction).

The integer evaluation, which the engine computes and evaluate_int reproduces: each side's
accumulator is l1_bias plus the l1 weights of its active features; v = clamp(acc, 0, QA);
s = sum of v_us^2 * w[i] + v_them^2 * w[N + i]; x = s / QA; y = x + out_bias;
cp = y * SCALE / (QA * QB), both divisions truncated toward zero as in C++. cp is from the side
to move's view.

This module needs numpy only.
"""
import os
import struct

import numpy as np

from records import NUM_FEATURES, PAD_FEATURE

MAGIC = b"VTNN"
VERSION = 1
ACTIVATION_SCRELU = 1
QA = 255
QB = 64
SCALE = 400
HEADER = struct.Struct("<4sIIIIiiiII")
assert HEADER.size == 40
# The engine reads sixteen accumulator values at a time: N is a multiple of 16.
MIN_HIDDEN, MAX_HIDDEN, HIDDEN_STEP = 16, 512, 16
# Trained weights are kept inside this range so that their quantised values stay small: with
# it, an accumulator of 32 features and a bias cannot leave int16.
WEIGHT_CLIP = 1.98

FNV_OFFSET_BASIS = 2166136261
FNV_PRIME = 16777619


class NetFileError(Exception):
    """A network file that cannot be read or is not a valid network."""


def fnv1a32(data):
    """The 32-bit FNV-1a hash of bytes."""
    value = FNV_OFFSET_BASIS
    for byte in data:
        value = ((value ^ byte) * FNV_PRIME) & 0xFFFFFFFF
    return value


def payload_size(hidden):
    return (NUM_FEATURES * hidden + hidden + 2 * hidden) * 2 + 4


def truncating_divide(numerator, denominator):
    """numerator / denominator truncated toward zero, as C++ integer division does, for int64
    arrays or Python ints (the denominator positive)."""
    numerator = np.asarray(numerator, dtype=np.int64)
    quotient = np.abs(numerator) // denominator
    return np.where(numerator < 0, -quotient, quotient)


def round_half_away(values):
    """Rounds to the nearest integer, halves away from zero, in float64."""
    values = np.asarray(values, dtype=np.float64)
    return np.sign(values) * np.floor(np.abs(values) + 0.5)


def balance_rounding(exact, rounded):
    """rounded (int64) with the entries rounded furthest up, or down, moved one step back until
    the errors against exact (float64) sum to less than a step in magnitude; ties go to the
    earlier entry."""
    rounded = np.array(rounded, dtype=np.int64)
    errors = rounded - np.asarray(exact, dtype=np.float64)
    excess = int(np.trunc(errors.sum()))
    if excess > 0:
        rounded[np.argsort(-errors, kind="stable")[:excess]] -= 1
    elif excess < 0:
        rounded[np.argsort(errors, kind="stable")[:-excess]] += 1
    return rounded


class QuantisedNet:
    """The integer parameters of a network file."""

    def __init__(self, l1_weights, l1_bias, out_weights, out_bias):
        self.l1_weights = np.asarray(l1_weights, dtype=np.int16)  # [768, N]
        self.l1_bias = np.asarray(l1_bias, dtype=np.int16)  # [N]
        self.out_weights = np.asarray(out_weights, dtype=np.int16)  # [2N]
        self.out_bias = int(out_bias)
        self.hidden = self.l1_bias.shape[0]
        if (self.l1_weights.shape != (NUM_FEATURES, self.hidden)
                or self.out_weights.shape != (2 * self.hidden,)):
            raise ValueError("layer shapes do not agree")

    def payload(self):
        return (self.l1_weights.astype("<i2").tobytes() + self.l1_bias.astype("<i2").tobytes()
                + self.out_weights.astype("<i2").tobytes() + struct.pack("<i", self.out_bias))

    def to_bytes(self):
        payload = self.payload()
        header = HEADER.pack(MAGIC, VERSION, NUM_FEATURES, self.hidden, ACTIVATION_SCRELU, QA, QB,
                             SCALE, len(payload), fnv1a32(payload))
        return header + payload


def _quantise(values, factor, low, high, what):
    scaled = round_half_away(np.asarray(values, dtype=np.float64) * factor)
    if scaled.size and (scaled.min() < low or scaled.max() > high):
        worst = float(np.abs(np.asarray(values, dtype=np.float64)).max())
        raise ValueError(f"{what}: a value of magnitude {worst:.4f} does not fit the file once "
                         f"multiplied by {factor} (range {low}..{high})")
    return scaled.astype(np.int64)


def quantise(l1_weights, l1_bias, out_weights, out_bias):
    """The integer network of float parameters: l1_weights [768, N], l1_bias [N],
    out_weights [2N] (side to move's half first), out_bias a number. Raises ValueError when a
    value does not fit its integer type or an accumulator could leave int16."""
    l1_weights = np.asarray(l1_weights, dtype=np.float64)
    hidden = l1_weights.shape[1] if l1_weights.ndim == 2 else 0
    if (l1_weights.shape != (NUM_FEATURES, hidden) or not MIN_HIDDEN <= hidden <= MAX_HIDDEN
            or hidden % HIDDEN_STEP != 0):
        raise ValueError(f"the first layer is {l1_weights.shape}, not [{NUM_FEATURES}, N] with "
                         f"N a multiple of {HIDDEN_STEP} from {MIN_HIDDEN} to {MAX_HIDDEN}")
    for name, values in (("l1 weights", l1_weights), ("l1 bias", l1_bias),
                         ("output weights", out_weights), ("output bias", out_bias)):
        if not np.all(np.isfinite(np.asarray(values, dtype=np.float64))):
            raise ValueError(f"{name}: not every value is a finite number")
    w1 = _quantise(l1_weights, QA, -32768, 32767, "l1 weights")
    b1 = _quantise(l1_bias, QA, -32768, 32767, "l1 bias")
    w2 = _quantise(out_weights, QB, -32768, 32767, "output weights").reshape(-1)
    exact = np.asarray(out_weights, dtype=np.float64).reshape(-1) * QB
    for half in (slice(0, hidden), slice(hidden, 2 * hidden)):
        w2[half] = balance_rounding(exact[half], w2[half])
    # A weight moved back a step may now lie beyond the file's range.
    if w2.size and (w2.min() < -32768 or w2.max() > 32767):
        raise ValueError("output weights: a value does not fit the file once balanced")
    b2 = _quantise(out_bias, QA * QB, -2**31, 2**31 - 1, "output bias")
    # The largest accumulator either way: the bias and the 32 largest weights of one sign.
    top = np.sort(w1, axis=0)
    highest = b1 + np.clip(top[-32:], 0, None).sum(axis=0)
    lowest = b1 + np.clip(top[:32], None, 0).sum(axis=0)
    if highest.max() > 32767 or lowest.min() < -32768:
        raise ValueError("an accumulator of 32 features could overflow int16: the first layer's "
                         "weights are too large")
    return QuantisedNet(w1, b1, w2, int(np.asarray(b2).reshape(())))


def write_net(path, net):
    """Writes the file whole or not at all (through a temporary file beside it)."""
    data = net.to_bytes()
    temporary = f"{path}.tmp{os.getpid()}"
    try:
        with open(temporary, "wb") as stream:
            stream.write(data)
        os.replace(temporary, path)
    except BaseException as error:
        if os.path.exists(temporary):
            os.remove(temporary)
        if isinstance(error, OSError):
            raise NetFileError(f"cannot write {path}: {error.strerror or error}") from error
        raise


def parse_net(data, name="network"):
    """The QuantisedNet of a file's bytes; raises NetFileError for anything that is not a valid
    file of this version."""
    if len(data) < HEADER.size:
        raise NetFileError(f"{name}: {len(data)} bytes, shorter than the {HEADER.size}-byte header")
    (magic, version, inputs, hidden, activation, qa, qb, scale, size,
     checksum) = HEADER.unpack_from(data)
    if magic != MAGIC:
        raise NetFileError(f"{name}: not a network file (magic {magic!r}, expected {MAGIC!r})")
    if version != VERSION:
        raise NetFileError(f"{name}: version {version}, this tool reads version {VERSION}")
    expected = ((NUM_FEATURES, inputs, "inputs"), (ACTIVATION_SCRELU, activation, "activation"),
                (QA, qa, "QA"), (QB, qb, "QB"), (SCALE, scale, "SCALE"))
    for want, have, what in expected:
        if want != have:
            raise NetFileError(f"{name}: {what} is {have}, version {VERSION} has {want}")
    if not MIN_HIDDEN <= hidden <= MAX_HIDDEN or hidden % HIDDEN_STEP != 0:
        raise NetFileError(f"{name}: hidden size {hidden}, not a multiple of {HIDDEN_STEP} in "
                           f"{MIN_HIDDEN}..{MAX_HIDDEN}")
    if size != payload_size(hidden):
        raise NetFileError(f"{name}: the header gives a payload of {size} bytes; a hidden size "
                           f"of {hidden} needs {payload_size(hidden)}")
    if len(data) != HEADER.size + size:
        raise NetFileError(f"{name}: {len(data)} bytes, expected {HEADER.size + size} "
                           f"(the file is truncated or has bytes after its end)")
    payload = data[HEADER.size:]
    actual = fnv1a32(payload)
    if actual != checksum:
        raise NetFileError(f"{name}: checksum {actual:#010x} of the payload does not match "
                           f"{checksum:#010x} in the header: the file is corrupted")
    offset = 0

    def take(dtype, count):
        nonlocal offset
        values = np.frombuffer(payload, dtype=dtype, count=count, offset=offset)
        offset += values.nbytes
        return values

    l1_weights = take("<i2", NUM_FEATURES * hidden).reshape(NUM_FEATURES, hidden)
    l1_bias = take("<i2", hidden)
    out_weights = take("<i2", 2 * hidden)
    out_bias = int(take("<i4", 1)[0])
    return QuantisedNet(l1_weights, l1_bias, out_weights, out_bias)


def read_net(path):
    try:
        with open(path, "rb") as stream:
            data = stream.read()
    except OSError as error:
        raise NetFileError(f"cannot read network file {path}: {error.strerror or error}") from error
    return parse_net(data, path)


def _accumulate(weights, bias, features):
    """bias + the sum of the rows of weights at each row's features (PAD_FEATURE skipped), in the
    weights' type widened to int64 or float64: [n, N]."""
    padded = np.concatenate([weights, np.zeros((1, weights.shape[1]), dtype=weights.dtype)])
    assert padded.shape[0] == PAD_FEATURE + 1
    return bias[None, :] + padded[features.astype(np.int64)].sum(axis=1)


CHUNK = 4096


def evaluate_int(net, us, them):
    """The engine's evaluation in centipawns from the side to move's view, int64 [n], for the
    feature arrays of the side to move and of the other side (see records.side_features)."""
    return np.concatenate([np.zeros(0, dtype=np.int64)] + [
        _evaluate_int(net, us[i:i + CHUNK], them[i:i + CHUNK]) for i in range(0, len(us), CHUNK)])


def _evaluate_int(net, us, them):
    weights = net.l1_weights.astype(np.int64)
    bias = net.l1_bias.astype(np.int64)
    acc_us = _accumulate(weights, bias, us)
    acc_them = _accumulate(weights, bias, them)
    # Every accumulator the engine sums in int16 must fit there for it to agree.
    for acc in (acc_us, acc_them):
        if acc.size and (acc.min() < -32768 or acc.max() > 32767):
            raise OverflowError("an accumulator leaves int16")
    v_us = np.clip(acc_us, 0, QA)
    v_them = np.clip(acc_them, 0, QA)
    w = net.out_weights.astype(np.int64)
    n = net.hidden
    s = (v_us * v_us * w[None, :n]).sum(axis=1) + (v_them * v_them * w[None, n:]).sum(axis=1)
    x = truncating_divide(s, QA)
    y = x + net.out_bias
    return truncating_divide(y * SCALE, QA * QB)


def dequantise(net):
    """The float parameters the integer ones stand for: (l1_weights, l1_bias, out_weights,
    out_bias) in float64."""
    return (net.l1_weights / QA, net.l1_bias / QA, net.out_weights / QB,
            net.out_bias / (QA * QB))


def evaluate_float(l1_weights, l1_bias, out_weights, out_bias, us, them):
    """The float network's evaluation in centipawns from the side to move's view, float64 [n]:
    SCALE times the output, with SCReLU (clamp to [0, 1], squared) on each accumulator."""
    return np.concatenate([np.zeros(0)] + [
        _evaluate_float(l1_weights, l1_bias, out_weights, out_bias, us[i:i + CHUNK],
                        them[i:i + CHUNK]) for i in range(0, len(us), CHUNK)])


def _evaluate_float(l1_weights, l1_bias, out_weights, out_bias, us, them):
    l1_weights = np.asarray(l1_weights, dtype=np.float64)
    l1_bias = np.asarray(l1_bias, dtype=np.float64)
    out_weights = np.asarray(out_weights, dtype=np.float64)
    n = l1_weights.shape[1]
    a_us = np.clip(_accumulate(l1_weights, l1_bias, us), 0, 1) ** 2
    a_them = np.clip(_accumulate(l1_weights, l1_bias, them), 0, 1) ** 2
    out = a_us @ out_weights[:n] + a_them @ out_weights[n:] + float(out_bias)
    return SCALE * out
