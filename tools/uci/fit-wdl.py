#!/usr/bin/env python3
"""Fits the win/draw/loss model of UCI_ShowWDL to games with scores in their move comments.

    tools/uci/fit-wdl.py GAMES.pgn...

Every move the engine searched carries its score in the comment cutechess-cli writes
("{+0.35/12 0.015s}", pawns from the side to move's view; book moves and mate scores are left
out). With s that score in centipawns and the game's result from the same side's view, the
model says

    win  = 1 / (1 + exp((CENTRE - s) / SCALE))
    loss = 1 / (1 + exp((CENTRE + s) / SCALE))
    draw = 1 - win - loss

and the fit chooses CENTRE and SCALE to make the results most likely (maximum likelihood, by a
shrinking search over the two numbers). It prints them, and for bands of scores the results
seen beside the model's expectation.
"""
import math
import re
import sys

COMMENT = re.compile(r"\{([^}]*)\}")
SCORE = re.compile(r"^([+-]?\d+\.\d+)/\d+")
RESULTS = {"1-0": 1.0, "0-1": 0.0, "1/2-1/2": 0.5}


def samples(paths):
    """(centipawns, outcome for the side to move: 1, 0.5 or 0) for every scored move."""
    for path in paths:
        text = open(path, encoding="utf-8", errors="replace").read()
        for game in re.split(r"\n(?=\[Event )", text):
            result = re.search(r'\[Result "([^"]+)"\]', game)
            if not result or result.group(1) not in RESULTS or "[FEN " in game:
                continue
            white_score = RESULTS[result.group(1)]
            body = game[game.rfind("]") + 1:]
            # Each comment follows the move it belongs to; moves alternate from white.
            ply = 0
            for token in re.findall(r"\{[^}]*\}|[^\s{}]+", body):
                if token.startswith("{"):
                    match = SCORE.match(token[1:-1].strip())
                    if match:
                        cp = float(match.group(1)) * 100
                        mover_white = ply % 2 == 1
                        yield cp, white_score if mover_white else 1 - white_score
                elif re.match(r"^\d+\.+$", token) or token in RESULTS or token == "*":
                    continue
                else:
                    ply += 1


def chances(cp, centre, scale):
    win = 1 / (1 + math.exp(min((centre - cp) / scale, 700)))
    loss = 1 / (1 + math.exp(min((centre + cp) / scale, 700)))
    return win, max(1 - win - loss, 1e-12), loss


def log_likelihood(data, centre, scale):
    total = 0.0
    for cp, outcome in data:
        win, draw, loss = chances(cp, centre, scale)
        total += math.log(max(win if outcome == 1 else loss if outcome == 0 else draw, 1e-12))
    return total


def fit(data):
    centre, scale, step = 200.0, 100.0, 64.0
    best = log_likelihood(data, centre, scale)
    while step >= 0.25:
        moved = False
        for dc, ds in ((step, 0), (-step, 0), (0, step), (0, -step)):
            c, s = centre + dc, scale + ds
            if c <= 0 or s <= 1:
                continue
            value = log_likelihood(data, c, s)
            if value > best:
                best, centre, scale, moved = value, c, s, True
        if not moved:
            step /= 2
    return centre, scale, best


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    data = list(samples(sys.argv[1:]))
    if not data:
        sys.exit("fit-wdl.py: no scored moves in the games")
    centre, scale, best = fit(data)
    print(f"positions {len(data)}, log-likelihood per position {best / len(data):.4f}")
    print(f"CENTRE = {centre:.1f}")
    print(f"SCALE = {scale:.1f}")
    print("score (cp)       positions   win/draw/loss seen   model")
    edges = [-100000, -600, -300, -150, -50, 50, 150, 300, 600, 100000]
    for low, high in zip(edges, edges[1:]):
        band = [(cp, o) for cp, o in data if low <= cp < high]
        if not band:
            continue
        seen = [sum(1 for _, o in band if o == v) / len(band) for v in (1, 0.5, 0)]
        model = [sum(chances(cp, centre, scale)[k] for cp, _ in band) / len(band) for k in range(3)]
        print(f"{max(low, -9999):6d} ..{min(high, 9999):5d}   {len(band):9d}   "
              + " ".join(f"{x:.2f}" for x in seen) + "       " + " ".join(f"{x:.2f}" for x in model))

if __name__ == "__main__":
    main()
