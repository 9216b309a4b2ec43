"""Data files: the packer and the reader agree byte for byte, bad files are refused by name, and
the features see a position and its colour-flipped twin alike from the side to move."""
import os
import tempfile
import unittest

import random

import support
from support import FENS, START, mirror_fen
import numpy as np

import records as rec


class RecordLayout(unittest.TestCase):
    def test_initial_position_bytes(self):
        data = rec.pack_record(START, score=-35, result=rec.RESULT_WHITE_WIN, noisy=True,
                               game_start=True).tobytes()
        self.assertEqual(len(data), 32)
        self.assertEqual(int.from_bytes(data[0:8], "little"), 0xFFFF00000000FFFF)
        # a1..h1 R N B Q K B N R, eight white pawns, eight black pawns, a8..h8 r n b q k b n r.
        self.assertEqual(data[8:24].hex(), "134225310000000066666666" "79a88b97")
        self.assertEqual(int.from_bytes(data[24:26], "little", signed=True), -35)
        self.assertEqual(data[26], 2)
        self.assertEqual(data[27], 0b10101)  # white to move, noisy, first of its game
        self.assertEqual(int.from_bytes(data[28:30], "little"), 0)
        self.assertEqual(data[30:32], b"\0\0")

    def test_sparse_board_black_to_move(self):
        record = rec.pack_record("4k3/8/8/8/8/8/8/R3K3 b - - 7 31", score=32000,
                                 result=rec.RESULT_BLACK_WIN, in_check=True, mate=True)
        data = record.tobytes()
        self.assertEqual(int.from_bytes(data[0:8], "little"), (1 << 0) | (1 << 4) | (1 << 60))
        # rook a1 (3), king e1 (5), king e8 (11); the rest of the nibbles empty.
        self.assertEqual(data[8:24], bytes([0x53, 0x0B]) + bytes(14))
        self.assertEqual(int.from_bytes(data[24:26], "little", signed=True), 32000)
        self.assertEqual(data[27], 0b01010)  # black to move, in check, mate score
        self.assertEqual(int.from_bytes(data[28:30], "little"), 61)  # ply from move 31, black
        self.assertEqual(data[30], 7)

    def test_halfmove_clock_capped(self):
        self.assertEqual(int(rec.pack_record("7k/8/8/8/8/8/8/K7 w - - 300 200")["halfmove"]), 255)


class ReadWhatWasWritten(unittest.TestCase):
    def test_round_trip_of_positions_and_fields(self):
        records = np.zeros(len(FENS), dtype=rec.RECORD_DTYPE)
        for i, fen in enumerate(FENS):
            records[i] = rec.pack_record(fen, score=100 * i - 250, result=i % 3,
                                         noisy=bool(i % 2), ply=1000 + i)
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "data.bin")
            rec.write_records(path, records)
            self.assertEqual(os.path.getsize(path), 32 * len(FENS))
            read = rec.read_data_files([path, path])
        self.assertEqual(len(read), 2 * len(FENS))
        self.assertEqual(read[:len(FENS)].tobytes(), records.tobytes())
        squares, codes = rec.decode_pieces(read[:len(FENS)])
        for i, fen in enumerate(FENS):
            with self.subTest(fen=fen):
                pieces, white, _, _ = rec.parse_fen(fen)
                count = len(pieces)
                self.assertEqual(list(zip(squares[i, :count].tolist(), codes[i, :count].tolist())),
                                 pieces)
                self.assertTrue((codes[i, count:] == -1).all())
                self.assertEqual(bool(read[i]["flags"] & rec.FLAG_WHITE_TO_MOVE), white)
                self.assertEqual(int(read[i]["score"]), 100 * i - 250)
                self.assertEqual(int(read[i]["result"]), i % 3)
                self.assertEqual(int(read[i]["ply"]), 1000 + i)
        self.assertEqual(int((codes[0] >= 0).sum()), 32)  # the full board

    def test_labels_from_the_side_to_move(self):
        records = np.zeros(2, dtype=rec.RECORD_DTYPE)
        records[0] = rec.pack_record(FENS[0], score=120, result=rec.RESULT_WHITE_WIN)
        records[1] = rec.pack_record(FENS[1], score=120, result=rec.RESULT_WHITE_WIN)
        score, result = rec.side_to_move_labels(records)
        self.assertEqual(score.tolist(), [120, -120])
        self.assertEqual(result.tolist(), [1.0, 0.0])


class MalformedData(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        # A sparse board, a sparse board, the full board.
        self.good = np.zeros(3, dtype=rec.RECORD_DTYPE)
        for i, fen in enumerate((FENS[3], FENS[4], START)):
            self.good[i] = rec.pack_record(fen)

    def tearDown(self):
        self.folder.cleanup()

    def write(self, data):
        path = os.path.join(self.folder.name, "data.bin")
        with open(path, "wb") as stream:
            stream.write(data)
        return path

    def assert_refused(self, data, *words):
        path = self.write(data)
        with self.assertRaises(rec.DataError) as caught:
            rec.read_records(path)
        for word in words:
            self.assertIn(word, str(caught.exception))

    def changed(self, index, field, value):
        records = self.good.copy()
        records[index][field] = value
        return records.tobytes()

    def test_missing_empty_and_cut_files(self):
        with self.assertRaisesRegex(rec.DataError, "cannot read data file .*No such file"):
            rec.read_records(os.path.join(self.folder.name, "absent.bin"))
        with self.assertRaisesRegex(rec.DataError, "no data file"):
            rec.read_data_files([])
        self.assert_refused(b"", "empty")
        self.assert_refused(self.good.tobytes()[:-5], "91 bytes", "not a whole number")

    def test_bad_records_named(self):
        cases = {
            "33 pieces": (self.changed(1, "occupancy", (1 << 33) - 1), ["record 1", "33 pieces"]),
            "code 12": (self.changed(2, "pieces", [0x13, 0x42, 0x25, 0x3C] + [0] * 12),
                        ["record 2", "piece code 12"]),
            "stray nibble": (self.changed(0, "pieces", list(self.good[0]["pieces"][:-1]) + [0x10]),
                             ["record 0", "unused nibbles"]),
            "two kings": (self.changed(0, "pieces", [0x55] + [0] * 15), ["2 white kings"]),
            "result": (self.changed(1, "result", 3), ["record 1", "result 3"]),
            "flags": (self.changed(1, "flags", 0x41), ["unknown flag"]),
            "reserved": (self.changed(2, "reserved", 9), ["record 2", "reserved"]),
        }
        for name, (data, words) in cases.items():
            with self.subTest(name):
                self.assert_refused(data, *words)
        # A game's first record carries the number of the generator's job that played it.
        started = self.good.copy()
        started[2]["flags"] |= rec.FLAG_GAME_START
        started[2]["reserved"] = 9
        self.assertEqual(len(rec.read_records(self.write(started.tobytes()))), 3)

    def test_bad_record_counted_across_chunks(self):
        records = np.concatenate([self.good] * 4)
        records["result"][[5, 10]] = 7
        with self.assertRaisesRegex(rec.DataError, r"record 5 \(byte offset 160\).*2 records in all"):
            rec.check_records(records, chunk=4)

    def test_bad_fens(self):
        for fen in ("", "8/8/8/8 w", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x",
                    "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w",
                    "rnbqkbnr/ppppXppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", "8/8/8/8/8/8/8/K7 w",
                    "rnbqkbnr/pppppppp/p7/8/8/8/PPPPPPPP/RNBQKBNR w",
                    "7k/8/8/8/8/8/8/K7 w - - x 1"):
            with self.subTest(fen=fen), self.assertRaises(rec.FenError):
                rec.parse_fen(fen)


class Features(unittest.TestCase):
    def test_indices_of_each_perspective(self):
        # White knight b1 (square 1), kings e1 (4) and e8 (60), black to move.
        us, them = rec.fen_features(["4k3/8/8/8/8/8/8/1N2K3 b - - 0 1"])
        white = {1 * 64 + 1, 5 * 64 + 4, 11 * 64 + 60}
        black = {7 * 64 + (1 ^ 56), 11 * 64 + (4 ^ 56), 5 * 64 + (60 ^ 56)}
        self.assertEqual(set(us[0].tolist()) - {rec.PAD_FEATURE}, black)
        self.assertEqual(set(them[0].tolist()) - {rec.PAD_FEATURE}, white)
        self.assertEqual(int((us[0] == rec.PAD_FEATURE).sum()), 29)

    def test_mirrored_position_looks_the_same_to_the_side_to_move(self):
        fens = FENS + [support.random_fen(random.Random(seed)) for seed in range(20)]
        us, them = rec.fen_features(fens)
        us_m, them_m = rec.fen_features([mirror_fen(fen) for fen in fens])
        for i, fen in enumerate(fens):
            with self.subTest(fen=fen):
                self.assertEqual(sorted(us[i].tolist()), sorted(us_m[i].tolist()))
                self.assertEqual(sorted(them[i].tolist()), sorted(them_m[i].tolist()))


if __name__ == "__main__":
    unittest.main()
