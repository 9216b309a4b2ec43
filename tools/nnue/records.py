"""The training positions as the data generator writes them, and the network's input features.

A data file is a run of 32-byte records, little endian, no header:

    offset  type       field
    0       uint64     occupancy: bit i set when square i (0 = a1, 7 = h1, 56 = a8) holds a piece
    8       uint8[16]  the pieces of the occupied squares in increasing square order, two a byte:
                       piece k in byte k/2, the low nibble for even k, the high one for odd k;
                       codes 0..5 white pawn, knight, bishop, rook, queen, king, 6..11 black;
                       unused nibbles 0, at most 32 pieces
    24      int16      search score in centipawns from white's view (mates clamped to +-32000)
    26      uint8      result from white's view: 0 black won, 1 draw, 2 white won
    27      uint8      flags (the FLAG_* constants below)
    28      uint16     ply: half-moves played in the game before this position
    30      uint8      half-move clock, capped at 255
    31      uint8      reserved: 0, but on a game's first record the number of the generator's
                       job that played the game

This module needs numpy only: the reader, the checks of a file, the packer that the tests use to
write records from FENs, and the features of a position for either side.
"""
import os

import numpy as np

RECORD_SIZE = 32
MAX_PIECES = 32

RECORD_DTYPE = np.dtype([
    ("occupancy", "<u8"),
    ("pieces", "u1", (16,)),
    ("score", "<i2"),
    ("result", "u1"),
    ("flags", "u1"),
    ("ply", "<u2"),
    ("halfmove", "u1"),
    ("reserved", "u1"),
])
assert RECORD_DTYPE.itemsize == RECORD_SIZE

FLAG_WHITE_TO_MOVE = 1 << 0
FLAG_IN_CHECK = 1 << 1
FLAG_NOISY = 1 << 2
FLAG_MATE = 1 << 3
FLAG_GAME_START = 1 << 4
KNOWN_FLAGS = FLAG_WHITE_TO_MOVE | FLAG_IN_CHECK | FLAG_NOISY | FLAG_MATE | FLAG_GAME_START

RESULT_BLACK_WIN, RESULT_DRAW, RESULT_WHITE_WIN = 0, 1, 2
MATE_SCORE = 32000

NUM_FEATURES = 768
# The index of an empty slot in the feature arrays: one past the last feature, so that an
# embedding with a padding row at this index sums only the real ones.
PAD_FEATURE = NUM_FEATURES

PIECE_LETTERS = "PNBRQKpnbrqk"  # the letter of each piece code
WHITE_KING, BLACK_KING = 5, 11


class DataError(Exception):
    """A data file that cannot be read or does not hold valid records."""


class FenError(ValueError):
    """A FEN that does not describe a position the network can evaluate."""


# ----------------------------------------------------------------------------------------------
# Reading and checking


def read_records(path):
    """Returns the records of one data file as a structured array, checked (see check_records)."""
    try:
        size = os.path.getsize(path)
        if size % RECORD_SIZE:
            raise DataError(
                f"{path}: {size} bytes is not a whole number of {RECORD_SIZE}-byte positions "
                f"({size // RECORD_SIZE} positions and {size % RECORD_SIZE} bytes over); "
                "the file is truncated or not a data file")
        if size == 0:
            raise DataError(f"{path}: the file is empty")
        records = np.fromfile(path, dtype=RECORD_DTYPE)
    except OSError as error:
        raise DataError(f"cannot read data file {path}: {error.strerror or error}") from error
    if len(records) * RECORD_SIZE != size:
        raise DataError(f"{path}: read {len(records) * RECORD_SIZE} of its {size} bytes")
    check_records(records, path)
    return records


def read_data_files(paths):
    """Reads and checks every file, and returns all their records in one array, in order."""
    if not paths:
        raise DataError("no data file given")
    parts = [read_records(path) for path in paths]
    return parts[0] if len(parts) == 1 else np.concatenate(parts)


def popcount64(values):
    """The number of set bits of each uint64."""
    bits = np.unpackbits(np.ascontiguousarray(values, dtype="<u8").view(np.uint8).reshape(-1, 8),
                         axis=1)
    return bits.sum(axis=1, dtype=np.int64)


def _nibbles(pieces):
    """[n, 16] bytes -> [n, 32] piece codes, piece k in column k."""
    nibbles = np.empty((pieces.shape[0], 32), dtype=np.uint8)
    nibbles[:, 0::2] = pieces & 0x0F
    nibbles[:, 1::2] = pieces >> 4
    return nibbles


def check_records(records, name="data", chunk=1 << 20):
    """Raises a DataError naming the first malformed record, and how many records share its
    fault: more than 32 pieces, a piece code above 11, a piece in an unused nibble, not exactly
    one king of each colour, a result other than 0, 1 or 2, an unknown flag or a reserved byte
    that is not 0."""
    faults = {}  # kind of fault -> [first record, its description, records in all]

    def note(kind, mask, describe, offset):
        bad = np.flatnonzero(mask)
        if len(bad) == 0:
            return
        if kind not in faults:
            faults[kind] = [offset + int(bad[0]), describe(int(bad[0])), 0]
        faults[kind][2] += len(bad)

    for start in range(0, len(records), chunk):
        part = records[start:start + chunk]
        count = popcount64(part["occupancy"])
        note("count", count > MAX_PIECES,
             lambda i: f"{count[i]} pieces, at most {MAX_PIECES} can be stored", start)
        nibbles = _nibbles(part["pieces"])
        used = np.arange(32)[None, :] < count[:, None]
        bad_code = used & (nibbles > 11)
        note("code", bad_code.any(axis=1),
             lambda i: f"piece code {nibbles[i][bad_code[i]][0]} (codes go 0 to 11)", start)
        stray = ~used & (nibbles != 0)
        note("stray", stray.any(axis=1),
             lambda i: f"a piece code after its {count[i]} pieces (unused nibbles are 0)", start)
        for king, colour in ((WHITE_KING, "white"), (BLACK_KING, "black")):
            kings = (used & (nibbles == king)).sum(axis=1)
            note(colour + " kings", (kings != 1) & (count <= MAX_PIECES),
                 lambda i: f"{kings[i]} {colour} kings", start)
        result = part["result"]
        note("result", result > RESULT_WHITE_WIN,
             lambda i: f"result {result[i]} (0 black won, 1 draw, 2 white won)", start)
        flags = part["flags"]
        note("flags", (flags & ~KNOWN_FLAGS & 0xFF) != 0,
             lambda i: f"unknown flag bits {flags[i]:#04x}", start)
        reserved = part["reserved"]
        note("reserved", (reserved != 0) & ((flags & FLAG_GAME_START) == 0),
             lambda i: f"reserved byte {reserved[i]} (must be 0 but on a game's first record)",
             start)
    if faults:
        first, description, total = min(faults.values(), key=lambda fault: fault[0])
        more = f" ({total} records in all have this fault)" if total > 1 else ""
        raise DataError(f"{name}: record {first} (byte offset {first * RECORD_SIZE}): "
                        f"{description}{more}")


# ----------------------------------------------------------------------------------------------
# Features


def decode_pieces(records):
    """The pieces of each record: (squares, codes), both [n, 32] int16 in increasing square
    order, empty slots -1."""
    n = len(records)
    squares = np.full((n, MAX_PIECES), -1, dtype=np.int16)
    codes = np.full((n, MAX_PIECES), -1, dtype=np.int16)
    if n == 0:
        return squares, codes
    occupancy = np.ascontiguousarray(records["occupancy"], dtype="<u8")
    board = np.unpackbits(occupancy.view(np.uint8).reshape(-1, 8), axis=1, bitorder="little")
    rows, cols = np.nonzero(board)  # row-major: each record's squares in increasing order
    starts = np.concatenate(([0], np.cumsum(board.sum(axis=1, dtype=np.int64))[:-1]))
    slot = np.arange(len(rows)) - starts[rows]
    nibbles = _nibbles(records["pieces"])
    squares[rows, slot] = cols
    codes[rows, slot] = nibbles[rows, slot]
    return squares, codes


def features_from_pieces(squares, codes):
    """The active features of each side's perspective, [n, 32] int16 each, padded with
    PAD_FEATURE: white's index (colour * 6 + type) * 64 + square, black's the same with the
    colours swapped and the board flipped top to bottom (square XOR 56)."""
    present = codes >= 0
    code = codes.astype(np.int32)
    square = squares.astype(np.int32)
    white = np.where(present, code * 64 + square, PAD_FEATURE)
    swapped = np.where(code < 6, code + 6, code - 6)
    black = np.where(present, swapped * 64 + (square ^ 56), PAD_FEATURE)
    return white.astype(np.int16), black.astype(np.int16)


def side_features(records, chunk=1 << 20):
    """The features of the side to move and of the other side, [n, 32] int16 each."""
    n = len(records)
    us = np.empty((n, MAX_PIECES), dtype=np.int16)
    them = np.empty((n, MAX_PIECES), dtype=np.int16)
    for start in range(0, n, chunk):
        part = records[start:start + chunk]
        white, black = features_from_pieces(*decode_pieces(part))
        white_moves = (part["flags"] & FLAG_WHITE_TO_MOVE).astype(bool)[:, None]
        us[start:start + chunk] = np.where(white_moves, white, black)
        them[start:start + chunk] = np.where(white_moves, black, white)
    return us, them


def side_to_move_labels(records):
    """(score, result) from the side to move's view: centipawns as float32, and the result as
    1 win, 0.5 draw, 0 loss."""
    white = (records["flags"] & FLAG_WHITE_TO_MOVE).astype(bool)
    score = records["score"].astype(np.float32)
    result = records["result"].astype(np.float32) / 2
    return np.where(white, score, -score), np.where(white, result, 1 - result)


# ----------------------------------------------------------------------------------------------
# FEN


def parse_fen(fen):
    """Reads a FEN into (pieces, white_to_move, halfmove_clock, fullmove_number), where pieces is
    a list of (square, code) in increasing square order. The counters may be left out (0 and 1
    then); castling and en passant fields are accepted unread."""
    fields = fen.split()
    if len(fields) < 2:
        raise FenError(f"'{fen}': a FEN needs at least the board and the side to move")
    ranks = fields[0].split("/")
    if len(ranks) != 8:
        raise FenError(f"'{fen}': the board has {len(ranks)} ranks, not 8")
    pieces = []
    for row, text in enumerate(ranks):
        rank = 7 - row
        file = 0
        for char in text:
            if char.isdigit():
                file += int(char)
            elif char in PIECE_LETTERS:
                if file < 8:
                    pieces.append((rank * 8 + file, PIECE_LETTERS.index(char)))
                file += 1
            else:
                raise FenError(f"'{fen}': '{char}' is not a piece")
            if file > 8:
                break
        if file != 8:
            raise FenError(f"'{fen}': rank {rank + 1} does not have 8 squares")
    if fields[1] not in ("w", "b"):
        raise FenError(f"'{fen}': the side to move is '{fields[1]}', not w or b")
    if len(pieces) > MAX_PIECES:
        raise FenError(f"'{fen}': {len(pieces)} pieces, more than {MAX_PIECES}")
    for king, colour in ((WHITE_KING, "white"), (BLACK_KING, "black")):
        kings = sum(1 for _, code in pieces if code == king)
        if kings != 1:
            raise FenError(f"'{fen}': {kings} {colour} kings")
    try:
        halfmove = int(fields[4]) if len(fields) > 4 else 0
        fullmove = int(fields[5]) if len(fields) > 5 else 1
    except ValueError:
        raise FenError(f"'{fen}': the move counters are not numbers") from None
    if halfmove < 0 or fullmove < 1:
        raise FenError(f"'{fen}': move counters out of range")
    pieces.sort()
    return pieces, fields[1] == "w", halfmove, fullmove


def fen_features(fens):
    """The features of the side to move and of the other side for each FEN, as side_features."""
    records = np.zeros(len(fens), dtype=RECORD_DTYPE)
    for i, fen in enumerate(fens):
        records[i] = pack_record(fen)
    return side_features(records)


def pack_record(fen, score=0, result=RESULT_DRAW, in_check=False, noisy=False, mate=False,
                game_start=False, ply=None):
    """One record (a 0-d array of RECORD_DTYPE) for a FEN, as the generator writes it. The ply
    defaults to the one the FEN's move number gives; the half-move clock comes from the FEN."""
    pieces, white_to_move, halfmove, fullmove = parse_fen(fen)
    if not -MATE_SCORE <= score <= MATE_SCORE:
        raise ValueError(f"score {score} outside +-{MATE_SCORE}")
    if result not in (RESULT_BLACK_WIN, RESULT_DRAW, RESULT_WHITE_WIN):
        raise ValueError(f"result {result} is not 0, 1 or 2")
    if ply is None:
        ply = 2 * (fullmove - 1) + (0 if white_to_move else 1)
    record = np.zeros((), dtype=RECORD_DTYPE)
    occupancy = 0
    packed = np.zeros(16, dtype=np.uint8)
    for k, (square, code) in enumerate(pieces):
        occupancy |= 1 << square
        packed[k // 2] |= code << (4 * (k % 2))
    record["occupancy"] = occupancy
    record["pieces"] = packed
    record["score"] = score
    record["result"] = result
    record["flags"] = ((FLAG_WHITE_TO_MOVE if white_to_move else 0)
                       | (FLAG_IN_CHECK if in_check else 0) | (FLAG_NOISY if noisy else 0)
                       | (FLAG_MATE if mate else 0) | (FLAG_GAME_START if game_start else 0))
    record["ply"] = min(ply, 0xFFFF)
    record["halfmove"] = min(halfmove, 255)
    return record


def write_records(path, records):
    """Writes records (an array of RECORD_DTYPE) as a data file."""
    np.asarray(records, dtype=RECORD_DTYPE).tofile(path)
