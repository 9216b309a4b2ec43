"""Training: the same seed gives the same network bytes, a resumed run the same as one run
through, weights stay clipped, and the exported file evaluates as the float network does within
the quantisation's tolerance."""
import contextlib
import io
import os
import random
import shutil
import tempfile
import unittest

import support
from support import FENS
import numpy as np

import netfile
import records as rec

if support.HAVE_TORCH:
    import torch
    import export
    import model
    import reference
    import train

# The engine's integer evaluation against the trained float network: the output weights'
# quantisation (steps of 1/64) dominates; over 2000 self-play positions a trained net of 128
# hidden units differed by 6 cp on average and 28 cp at most.
FLOAT_TOLERANCE_CP = 32


def run_quietly(main, argv):
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        try:
            status = main(argv)
        except SystemExit as exit_:
            status = exit_.code
    return status, out.getvalue(), err.getvalue()


@unittest.skipUnless(support.HAVE_TORCH, "PyTorch is not installed")
class Training(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.data = os.path.join(cls.folder, "data.bin")
        rec.write_records(cls.data, support.random_records(1600, seed=3))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def train(self, name, *options, data=None):
        out_dir = os.path.join(self.folder, name)
        argv = ["--out-dir", out_dir, "--hidden", "64", "--batch-size", "128", "--epochs", "2",
                "--threads", "1", *options, data or self.data]
        status, out, err = run_quietly(train.main, argv)
        self.assertEqual(status, 0, err)
        return out_dir, out

    def net_bytes(self, out_dir):
        with open(os.path.join(out_dir, "net.vtnn"), "rb") as stream:
            return stream.read()

    def test_same_seed_same_net_and_resumed_runs_agree(self):
        first, out = self.train("first")
        second, _ = self.train("second")
        other_seed, _ = self.train("other-seed", "--seed", "2")
        self.assertEqual(self.net_bytes(first), self.net_bytes(second))
        self.assertNotEqual(self.net_bytes(first), self.net_bytes(other_seed))
        for words in ("epoch 2/2", "training loss", "validation loss", "positions/s",
                      "epoch-002.pt"):
            self.assertIn(words, out)

        # One epoch, then resumed for the second: the same bytes as two epochs at once.
        resumed, _ = self.train("resumed", "--epochs", "1")
        _, out = self.train("resumed", "--resume", os.path.join(resumed, "epoch-001.pt"))
        self.assertIn("resuming after epoch 1", out)
        self.assertEqual(self.net_bytes(resumed), self.net_bytes(first))

        checkpoint = os.path.join(first, "epoch-001.pt")
        status, _, err = run_quietly(train.main, ["--out-dir", resumed, "--resume", checkpoint,
                                                  "--hidden", "96", self.data])
        self.assertEqual(status, 1)
        self.assertIn("--hidden 64, not 96", err)
        other_data = os.path.join(self.folder, "other.bin")
        rec.write_records(other_data, support.random_records(200, seed=4))
        status, _, err = run_quietly(train.main, ["--out-dir", resumed, "--resume", checkpoint,
                                                  other_data])
        self.assertEqual(status, 1)
        self.assertIn("data differs", err)

    def test_weights_stay_clipped(self):
        out_dir, _ = self.train("clipped", "--lr", "0.5", "--epochs", "1")
        state = model.load_checkpoint(os.path.join(out_dir, "epoch-001.pt"))
        network = model.network_from_checkpoint(state)
        weights = (network.l1.weight.detach(), network.out.weight.detach())
        self.assertAlmostEqual(float(max(w.abs().max() for w in weights)), netfile.WEIGHT_CLIP,
                               places=5)
        net = netfile.read_net(os.path.join(out_dir, "net.vtnn"))
        self.assertEqual(int(np.abs(net.l1_weights).max()), 505)  # 1.98 * 255 rounded

    def test_export_and_reference_agree_with_the_float_network(self):
        out_dir, _ = self.train("export", "--epochs", "3", "--lr", "0.01")
        checkpoint = os.path.join(out_dir, "epoch-003.pt")
        net_path = os.path.join(self.folder, "exported.vtnn")
        status, _, err = run_quietly(export.main, [checkpoint, net_path])
        self.assertEqual(status, 0, err)
        with open(net_path, "rb") as stream:
            self.assertEqual(self.net_bytes(out_dir), stream.read())

        rng = random.Random(11)
        fens = FENS + [support.random_fen(rng) for _ in range(200)]
        fens += [support.mirror_fen(fen) for fen in fens[:20]]
        fens_path = os.path.join(self.folder, "fens.txt")
        with open(fens_path, "w") as stream:
            stream.write("\n".join(fens) + "\n")
        network = model.network_from_checkpoint(model.load_checkpoint(checkpoint))
        float_cp = model.evaluate(network, *rec.fen_features(fens))
        self.assertGreater(np.abs(float_cp).max(), 50)  # a net that evaluates, not a flat one

        for extra in (["--checkpoint", checkpoint], []):
            status, out, err = run_quietly(reference.main, [net_path, fens_path, *extra])
            self.assertEqual(status, 0, err)
            rows = [line.split("|") for line in out.splitlines()]
            self.assertEqual([row[0].strip() for row in rows], fens)
            int_column = np.array([int(row[1]) for row in rows])
            float_column = np.array([float(row[2]) for row in rows])
            if extra:
                np.testing.assert_allclose(float_column, float_cp, atol=0.006)
                gap = np.abs(int_column - float_cp)
                self.assertLessEqual(gap.max(), FLOAT_TOLERANCE_CP)
                self.assertGreater(gap.max(), 0)
            else:
                self.assertLess(np.abs(int_column - float_column).max(), 1.03)
        # The colour-flipped twins of the first 20 positions evaluate alike.
        self.assertEqual(int_column[-20:].tolist(), int_column[:20].tolist())

        status, out, err = run_quietly(reference.main, [
            net_path, fens_path, "--checkpoint", os.path.join(self.folder, "first", "missing.pt")])
        self.assertEqual((status, out), (1, ""))
        self.assertIn("cannot read checkpoint", err)


@unittest.skipUnless(support.HAVE_TORCH, "PyTorch is not installed")
class DataPreparation(unittest.TestCase):
    def test_filters(self):
        fen = FENS[2]
        records = np.zeros(6, dtype=rec.RECORD_DTYPE)
        records[0] = rec.pack_record(fen, ply=20)
        records[1] = rec.pack_record(fen, in_check=True, ply=20)
        records[2] = rec.pack_record(fen, noisy=True, ply=20)
        records[3] = rec.pack_record(fen, mate=True, score=32000, ply=20)
        records[4] = rec.pack_record(fen, ply=7)
        records[5] = rec.pack_record(fen, ply=8)
        options = dict(train.TRAINING_OPTIONS)
        keep, removed = train.keep_mask(records, options)
        self.assertEqual(keep.tolist(), [True, False, False, False, False, True])
        self.assertEqual(removed, {"in check": 1, "noisy": 1, "mate score": 1, "ply < 8": 1})
        options.update(keep_check=True, keep_noisy=True, keep_mate=True, min_ply=0)
        self.assertTrue(train.keep_mask(records, options)[0].all())

    def test_validation_holds_out_whole_games_fixed_by_the_seed(self):
        records = support.random_records(2000, seed=8, game_length=25)
        game = np.arange(2000) // 25
        masks = [train.validation_mask(records, np.array([0]), 0.2, seed) for seed in (1, 1, 2)]
        np.testing.assert_array_equal(masks[0], masks[1])
        self.assertFalse((masks[0] == masks[2]).all())
        for mask in masks:
            held_games = set(game[mask])
            self.assertTrue(all(mask[game == g].all() for g in held_games))
            self.assertTrue(0 < len(held_games) < 80)

    def test_bad_data_reported(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "bad.bin")
            with open(path, "wb") as stream:
                stream.write(b"\0" * 100)
            status, _, err = run_quietly(train.main, ["--out-dir", folder, path])
            self.assertEqual(status, 1)
            self.assertIn("not a whole number", err)
            status, _, err = run_quietly(train.main, ["--out-dir", folder,
                                                      os.path.join(folder, "absent.bin")])
            self.assertEqual(status, 1)
            self.assertIn("cannot read data file", err)
            self.assertFalse(os.path.exists(os.path.join(folder, "net.vtnn")))

    def test_torch_network_matches_the_file_arithmetic(self):
        torch.manual_seed(0)
        network = model.Network(64)
        us, them = rec.fen_features(FENS)
        np.testing.assert_allclose(model.evaluate(network, us, them),
                                   netfile.evaluate_float(*network.float_parameters(), us, them),
                                   atol=1e-3)


if __name__ == "__main__":
    unittest.main()
