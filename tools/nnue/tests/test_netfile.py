"""The network file and the engine's integer evaluation: the bytes as laid out, damaged files
refused, and every division truncated toward zero as C++ does."""
import contextlib
import io
import os
import random
import struct
import tempfile
import unittest
from fractions import Fraction

import support
from support import FENS
import numpy as np

import netfile
import records as rec
import reference

QA, QB, SCALE = 255, 64, 400


def random_net(seed, hidden=64):
    """A network whose accumulators go both ways across the clamp and whose sums go negative."""
    rng = np.random.default_rng(seed)
    return netfile.QuantisedNet(rng.integers(-120, 121, (768, hidden)),
                                rng.integers(-100, 200, hidden),
                                rng.integers(-127, 128, 2 * hidden), int(rng.integers(-90000, 90000)))


def slow_evaluation(net, fen):
    """The integer evaluation written out one step at a time, with exact fractions."""
    pieces, white_to_move, _, _ = rec.parse_fen(fen)
    n = net.hidden

    def accumulator(perspective_is_white):
        acc = [int(b) for b in net.l1_bias]
        for square, code in pieces:
            colour, kind = divmod(code, 6)
            if perspective_is_white:
                feature = (colour * 6 + kind) * 64 + square
            else:
                feature = ((1 - colour) * 6 + kind) * 64 + (square ^ 56)
            for i in range(n):
                acc[i] += int(net.l1_weights[feature][i])
        return [min(max(a, 0), QA) for a in acc]

    us, them = accumulator(white_to_move), accumulator(not white_to_move)
    w = [int(x) for x in net.out_weights]
    s = sum(us[i] * us[i] * w[i] + them[i] * them[i] * w[n + i] for i in range(n))
    x = int(Fraction(s, QA))  # int() of a fraction truncates toward zero
    y = x + net.out_bias
    return int(Fraction(y * SCALE, QA * QB))


class Arithmetic(unittest.TestCase):
    def test_fnv1a_known_values(self):
        self.assertEqual(netfile.fnv1a32(b""), 0x811C9DC5)
        self.assertEqual(netfile.fnv1a32(b"a"), 0xE40C292C)
        self.assertEqual(netfile.fnv1a32(b"foobar"), 0xBF9CF968)

    def test_division_truncates_toward_zero(self):
        numerators = [-2 ** 40 - 7, -16321, -16320, -16319, -256, -255, -254, -1, 0, 1, 254, 255,
                      256, 16319, 16320, 16321, 2 ** 40 + 7]
        for denominator in (QA, QA * QB, 7):
            got = netfile.truncating_divide(np.array(numerators), denominator)
            self.assertEqual(got.tolist(), [int(Fraction(n, denominator)) for n in numerators])
        self.assertEqual(int(netfile.truncating_divide(-7, 2)), -3)

    def test_rounding_halves_away_from_zero(self):
        values = [0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49, -0.51, 3.0]
        self.assertEqual(netfile.round_half_away(values).tolist(),
                         [1, -1, 2, -2, 3, -3, 0, -1, 3])

    def test_output_weights_are_balanced_without_moving_any_beyond_a_step(self):
        # Every weight 0.3 of a step above an integer: rounded alone each loses 0.3, 64 of them
        # 19.2 steps in all; balanced, the half's errors sum to less than one step.
        rng = np.random.default_rng(5)
        hidden = 64
        l1_weights = rng.uniform(-0.1, 0.1, size=(768, hidden))
        l1_bias = np.zeros(hidden)
        out_weights = np.concatenate([(np.arange(hidden) % 7 - 3 + 0.3) / QB,
                                      (np.arange(hidden) % 5 - 2 - 0.45) / QB])
        net = netfile.quantise(l1_weights, l1_bias, out_weights, 0.0)
        exact = out_weights * QB
        errors = net.out_weights - exact
        self.assertTrue(np.all(np.abs(errors) < 1.0))
        for half in (slice(0, hidden), slice(hidden, 2 * hidden)):
            self.assertLess(abs(errors[half].sum()), 1.0)
            # Rounded alone, the errors would have added up to many steps.
            alone = netfile.round_half_away(exact[half])
            self.assertGreater(abs((alone - exact[half]).sum()), 10.0)
        # Weights that round exactly are left as they are.
        whole = np.concatenate([np.arange(hidden) % 9 - 4, np.arange(hidden) % 3 - 1]) / QB
        net = netfile.quantise(l1_weights, l1_bias, whole, 0.0)
        self.assertEqual(net.out_weights.tolist(), (whole * QB).astype(int).tolist())


class IntegerEvaluation(unittest.TestCase):
    def test_negative_sums_truncate_toward_zero(self):
        # Only hidden unit 0 is active: bias 100 gives v = 100, s = 100^2 * -1 = -10000.
        bias = np.zeros(64, dtype=np.int64)
        bias[0] = 100
        out = np.zeros(128, dtype=np.int64)
        out[0] = -1
        us, them = rec.fen_features(["7k/8/8/8/8/8/8/K7 w - - 0 1"])
        # x = -10000 / 255 = -39 (flooring would give -40); then cp = (x + out bias) * 400 / 16320.
        cases = [
            (0, 0),  # -39 * 400 / 16320 = -0.96
            (-32740, -803),  # -32779 * 400 / 16320 = -803.41
            (-16281, -400),  # -16320 * 400 / 16320, exact
            (40838, 999),  # 40799 * 400 / 16320 = 999.98
        ]
        for out_bias, cp in cases:
            net = netfile.QuantisedNet(np.zeros((768, 64)), bias, out, out_bias)
            with self.subTest(out_bias=out_bias):
                self.assertEqual(netfile.evaluate_int(net, us, them).tolist(), [cp])

    def test_matches_the_slow_evaluation(self):
        rng = random.Random(5)
        fens = FENS + [support.random_fen(rng) for _ in range(40)]
        us, them = rec.fen_features(fens)
        for seed in range(3):
            net = random_net(seed)
            fast = netfile.evaluate_int(net, us, them).tolist()
            self.assertEqual(fast, [slow_evaluation(net, fen) for fen in fens])
            self.assertTrue(any(cp < 0 for cp in fast) and any(cp > 0 for cp in fast))

    def test_float_evaluation_of_the_same_net_within_a_centipawn(self):
        # Without quantisation error, only the truncations part the two: under 1.03 cp.
        rng = random.Random(6)
        fens = [support.random_fen(rng) for _ in range(200)]
        us, them = rec.fen_features(fens)
        net = random_net(9)
        gap = np.abs(netfile.evaluate_int(net, us, them)
                     - netfile.evaluate_float(*netfile.dequantise(net), us, them))
        self.assertLess(gap.max(), 1.03)


class NetFile(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.net = random_net(1)
        self.data = self.net.to_bytes()

    def tearDown(self):
        self.folder.cleanup()

    def test_layout(self):
        data = self.data
        hidden = 64
        payload = (768 * hidden + hidden + 2 * hidden) * 2 + 4
        self.assertEqual(len(data), 40 + payload)
        self.assertEqual(struct.unpack_from("<4sIIIIiiiII", data),
                         (b"VTNN", 1, 768, hidden, 1, 255, 64, 400, payload,
                          netfile.fnv1a32(data[40:])))
        self.assertEqual(struct.unpack_from("<h", data, 40 + 2 * 1)[0], self.net.l1_weights[0, 1])
        self.assertEqual(struct.unpack_from("<h", data, 40 + 2 * hidden)[0],
                         self.net.l1_weights[1, 0])
        bias_at = 40 + 768 * hidden * 2
        self.assertEqual(struct.unpack_from("<h", data, bias_at + 2 * 3)[0], self.net.l1_bias[3])
        out_at = bias_at + 2 * hidden
        self.assertEqual(struct.unpack_from("<h", data, out_at + 2 * hidden)[0],
                         self.net.out_weights[hidden])
        self.assertEqual(struct.unpack_from("<i", data, len(data) - 4)[0], self.net.out_bias)

    def test_written_file_reads_back(self):
        path = os.path.join(self.folder.name, "net.vtnn")
        netfile.write_net(path, self.net)
        self.assertEqual(netfile.read_net(path).to_bytes(), self.data)
        self.assertEqual(os.listdir(self.folder.name), ["net.vtnn"])

    def test_damaged_files_refused(self):
        def patched(offset, fmt, value):
            data = bytearray(self.data)
            struct.pack_into(fmt, data, offset, value)
            return bytes(data)

        flipped = bytearray(self.data)
        flipped[5000] ^= 0x04
        cases = {
            "magic": (b"VTNX" + self.data[4:], "not a network file"),
            "version": (patched(4, "<I", 2), "version 2"),
            "inputs": (patched(8, "<I", 769), "inputs"),
            "activation": (patched(16, "<I", 0), "activation"),
            "QA": (patched(20, "<i", 256), "QA"),
            "hidden": (patched(12, "<I", 80), "needs"),
            "hidden step": (patched(12, "<I", 65), "not a multiple of 16"),
            "hidden range": (patched(12, "<I", 528), "not a multiple of 16 in 16..512"),
            "truncated": (self.data[:-1], "truncated"),
            "longer": (self.data + b"\0", "bytes after its end"),
            "header only": (self.data[:30], "shorter than"),
            "payload byte": (bytes(flipped), "checksum"),
            "checksum": (patched(36, "<I", netfile.fnv1a32(self.data[40:]) ^ 1), "checksum"),
        }
        for name, (data, words) in cases.items():
            with self.subTest(name):
                with self.assertRaisesRegex(netfile.NetFileError, words):
                    netfile.parse_net(data)
        with self.assertRaisesRegex(netfile.NetFileError, "cannot read network file"):
            netfile.read_net(os.path.join(self.folder.name, "absent.vtnn"))

    def test_quantisation(self):
        hidden = 64
        w1 = np.zeros((768, hidden))
        w1[0, :4] = [0.5 / QA, -0.5 / QA, 1.98, -1.98]
        b1 = np.full(hidden, 1.5 / QA)
        # A lone half step rounds away from zero (the balancing moves nothing under a step).
        w2 = np.full(2 * hidden, 2.0 / QB)
        w2[0] = -2.5 / QB
        net = netfile.quantise(w1, b1, w2, 0.5 / (QA * QB))
        self.assertEqual(net.l1_weights[0, :4].tolist(), [1, -1, 505, -505])
        self.assertEqual(net.l1_bias[0], 2)
        self.assertEqual(net.out_weights[0], -3)
        self.assertEqual(net.out_bias, 1)
        for name, args, words in (
                ("weight range", (np.full((768, hidden), 200.0), b1, w2, 0), "does not fit"),
                ("accumulator", (np.full((768, hidden), 30.0), b1, w2, 0), "overflow"),
                ("not a number", (w1, np.full(hidden, np.nan), w2, 0), "finite"),
                ("hidden size", (np.zeros((768, 8)), np.zeros(8), np.zeros(16), 0), "N a multiple"),
                ("hidden step", (np.zeros((768, 40)), np.zeros(40), np.zeros(80), 0),
                 "N a multiple")):
            with self.subTest(name), self.assertRaisesRegex(ValueError, words):
                netfile.quantise(*args)


class ReferenceTool(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.net_path = os.path.join(self.folder.name, "net.vtnn")
        self.net = random_net(2)
        netfile.write_net(self.net_path, self.net)

    def tearDown(self):
        self.folder.cleanup()

    def run_tool(self, fen_text, net_path=None):
        fens_path = os.path.join(self.folder.name, "fens.txt")
        with open(fens_path, "w") as stream:
            stream.write(fen_text)
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = reference.main([net_path or self.net_path, fens_path])
        return status, out.getvalue(), err.getvalue()

    def test_one_line_per_fen(self):
        text = "# a comment\n" + "\n".join(FENS[:3]) + "\n\n" + FENS[3] + " | 35 | 0.5\n"
        status, out, _ = self.run_tool(text)
        self.assertEqual(status, 0)
        lines = out.splitlines()
        self.assertEqual(len(lines), 4)
        for line, fen in zip(lines, FENS[:4]):
            shown_fen, int_cp, float_cp = (field.strip() for field in line.split("|"))
            self.assertEqual(shown_fen, fen)
            self.assertEqual(int(int_cp), slow_evaluation(self.net, fen))
            self.assertLess(abs(float(float_cp) - int(int_cp)), 1.03)

    def test_refusals(self):
        status, out, err = self.run_tool(FENS[0] + "\n8/8/8/8/8/8/8/8 w - - 0 1\n")
        self.assertEqual((status, out), (1, ""))
        self.assertIn("fens.txt:2", err)
        with open(self.net_path, "r+b") as stream:
            stream.seek(100)
            stream.write(b"\x7f")
        status, out, err = self.run_tool(FENS[0] + "\n")
        self.assertEqual((status, out), (1, ""))
        self.assertIn("checksum", err)
        # A file whose accumulators overflow int16 on the initial position.
        big = netfile.QuantisedNet(np.full((768, 64), 1100), np.zeros(64), np.zeros(128), 0)
        netfile.write_net(self.net_path, big)
        status, out, err = self.run_tool(FENS[0] + "\n")
        self.assertEqual((status, out), (1, ""))
        self.assertIn("leave int16", err)


if __name__ == "__main__":
    unittest.main()
