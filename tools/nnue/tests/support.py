"""What the trainer's tests share: the tools' folder on the path, positions, small data sets."""
import os
import random
import sys

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
if TOOLS not in sys.path:
    sys.path.insert(0, TOOLS)

import numpy as np  # noqa: E402

import records as rec  # noqa: E402

try:
    import torch
    torch.set_num_threads(1)  # the machine is shared: the tests use one core
    HAVE_TORCH = True
except ImportError:
    HAVE_TORCH = False

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
# Both sides to move, full and sparse boards, pawns about to promote.
FENS = [
    START,
    "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 10",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 b - - 3 40",
    "4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 60",
    "7k/8/8/8/8/8/8/K7 b - - 99 120",
]


def mirror_fen(fen):
    """The same position with the colours swapped and the board turned top to bottom."""
    fields = fen.split()
    fields[0] = "/".join(reversed(fields[0].split("/"))).swapcase()
    fields[1] = "b" if fields[1] == "w" else "w"
    if len(fields) > 2 and fields[2] != "-":
        fields[2] = "".join(sorted(fields[2].swapcase()))
    if len(fields) > 3 and fields[3] != "-":
        fields[3] = fields[3][0] + ("6" if fields[3][1] == "3" else "3")
    return " ".join(fields)


def random_fen(rng):
    """A position of two kings and up to 20 other pieces on random squares (not always a legal
    one: the network does not care)."""
    squares = rng.sample(range(64), 2 + rng.randint(0, 20))
    board = [None] * 64
    board[squares[0]], board[squares[1]] = "K", "k"
    for square in squares[2:]:
        board[square] = rng.choice("PNBRQpnbrq")
    ranks = []
    for rank in range(7, -1, -1):
        text, empty = "", 0
        for file in range(8):
            piece = board[rank * 8 + file]
            if piece is None:
                empty += 1
                continue
            text += (str(empty) if empty else "") + piece
            empty = 0
        ranks.append(text + (str(empty) if empty else ""))
    return f"{'/'.join(ranks)} {rng.choice('wb')} - - 0 {rng.randint(1, 80)}"


def random_records(count, seed, game_length=40):
    """count records of random positions, scores and results, in games of game_length."""
    rng = random.Random(seed)
    records = np.zeros(count, dtype=rec.RECORD_DTYPE)
    for i in range(count):
        ply = 8 + i % game_length
        records[i] = rec.pack_record(random_fen(rng), score=rng.randint(-900, 900),
                                     result=rng.randint(0, 2), game_start=(i % game_length == 0),
                                     ply=ply)
    return records
