#!/usr/bin/env python3
"""Labels the positions of games with a strong engine's expected result, for vantrek-tune.

    label.py [--engine PATH] [--nodes N] [--min-ply N] [--workers N] [--label wdl|score]
             GAMES.uci > LABELLED.txt

GAMES.uci holds one game a line in coordinate moves from the initial position, as
`pgn-extract -Wuci --notags` writes them (a result such as 1-0 at the end is ignored). For every
position of a game from --min-ply half-moves on, the engine (Debian's stockfish, a UCI engine)
searches --nodes nodes with UCI_ShowWDL on. The label is an expected result for white, from the
last score the engine reports, turned to white's point of view:
  wdl    (wins + draws / 2) / 1000 from its `wdl`: its own win-draw-loss model, which also
         weighs the move number (many draws early in a game)
  score  1 / (1 + 10^(-cp / 400)) from its `score cp` (a mate is 1 or 0): one logistic for
         every phase of the game

Output, the tuner's game records:
    game e2e4 e7e5 ...      the moves of one game
    <ply> <label>           the position after the first <ply> moves of that game

Each worker keeps one engine for all its games and starts every game with ucinewgame, so the
positions of one game share the engine's table. Games are written in input order.
"""
import argparse
import multiprocessing
import subprocess
import sys

engine = None
options = None


class Engine:
    def __init__(self, path):
        self.process = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True, bufsize=1)
        self.send("uci")
        self.wait_for("uciok")
        self.send("setoption name Threads value 1")
        self.send("setoption name Hash value 16")
        self.send("setoption name UCI_ShowWDL value true")
        self.send("isready")
        self.wait_for("readyok")

    def send(self, line):
        self.process.stdin.write(line + "\n")

    def wait_for(self, word):
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("the labelling engine stopped")
            if line.split()[:1] == [word]:
                return line

    def expected_result(self, moves, nodes, kind):
        """The expected result for the side to move, or None without a score."""
        self.send("position startpos moves " + " ".join(moves) if moves else
                  "position startpos")
        self.send(f"go nodes {nodes}")
        result = None
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("the labelling engine stopped")
            words = line.split()
            if words[:1] == ["bestmove"]:
                return result
            if kind == "wdl" and "wdl" in words:
                at = words.index("wdl")
                wins, draws = int(words[at + 1]), int(words[at + 2])
                result = (wins + draws / 2) / 1000
            elif kind == "score" and "score" in words:
                at = words.index("score")
                value = int(words[at + 2])
                if words[at + 1] == "mate":
                    result = 1.0 if value > 0 else 0.0
                else:
                    result = 1 / (1 + 10 ** (-value / 400))


def start_worker(engine_path, parsed_options):
    global engine, options
    engine = Engine(engine_path)
    options = parsed_options


def label_game(line):
    moves = [word.lower() for word in line.split() if word[0].isalpha()]
    if not moves:
        return ""
    engine.send("ucinewgame")
    out = ["game " + " ".join(moves)]
    for ply in range(options.min_ply, len(moves) + 1):
        result = engine.expected_result(moves[:ply], options.nodes, options.label)
        if result is None:
            continue  # no search (mate or stalemate on the board)
        white = result if ply % 2 == 0 else 1 - result
        out.append(f"{ply} {white:.3f}")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("games")
    parser.add_argument("--engine", default="/usr/games/stockfish")
    parser.add_argument("--nodes", type=int, default=2000)
    parser.add_argument("--min-ply", type=int, default=8)
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--label", choices=["wdl", "score"], default="wdl")
    args = parser.parse_args()
    with open(args.games) as source:
        games = [line for line in source if line.strip()]
    with multiprocessing.Pool(args.workers, start_worker, (args.engine, args)) as pool:
        for done, record in enumerate(pool.imap(label_game, games, chunksize=4), 1):
            sys.stdout.write(record)
            if done % 200 == 0:
                print(f"label.py: {done} of {len(games)} games", file=sys.stderr, flush=True)


if __name__ == "__main__":
    main()
