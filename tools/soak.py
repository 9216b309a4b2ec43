#!/usr/bin/env python3
"""Soak test: many fast games through cutechess-cli, then a report of everything that went wrong.

Plays the xboard engine and the UCI engine against each other and each against Debian's engines
(fairymax, sjeng, phalanx -l- -b-, hoichess), at a fast clock (2 s + 0.02 s a game by default),
every pairing the same number of games with colours alternating over random 8-ply openings
(pgn-extract's eco.pgn when installed). Each Vantrek engine plays from a directory of its own
holding the shipped weight file and book. cutechess-cli restarts an engine that died (-recover),
so a crash costs one game, not the run.

Afterwards the PGN files and cutechess's output are read, and the games that did not end on the
board are reported per engine: losses on time, illegal moves, false result claims, stalled
connections, crashes (an engine that disconnected) and unfinished games. The exit status is 1
when a Vantrek engine had any of them, or when fewer games were played than asked for.

The default, 112 games for each of the nine pairings (1008 games), takes about an hour on one
core and half an hour with --concurrency 2 on two; timed games mean something only on a
machine that is otherwise quiet.

    tools/soak.py                              # the full soak, output in build/soak
    tools/soak.py --games 2 --opponents fairymax --out /tmp/smoke   # a smoke test
    tools/soak.py --report-only build/soak     # the report of an earlier run again
"""
import argparse
import collections
import os
import re
import shutil
import subprocess
import sys
import time

REPOSITORY = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
VANTREK_ENGINES = ("vantrek", "vantrek-uci")
DEBIAN_ENGINES = {
    "fairymax": ["cmd=/usr/games/fairymax", "proto=xboard"],
    "sjeng": ["cmd=/usr/games/sjeng", "proto=xboard"],
    "phalanx": ["cmd=/usr/games/phalanx", "arg=-l-", "arg=-b-", "proto=xboard"],
    "hoichess": ["cmd=/usr/games/hoichess", "proto=xboard"],
}
OPENINGS = "/usr/share/pgn-extract/eco.pgn"

# How cutechess-cli describes a game that did not end on the board, in the result comment that
# closes the game's moves ("White loses on time", "Black makes an illegal move: e2e5", ...).
PROBLEMS = [
    ("time", "loss on time", re.compile(r"loses on time|forfeits on time", re.I)),
    ("illegal", "illegal move", re.compile(r"illegal move", re.I)),
    ("claim", "false claim", re.compile(r"claim", re.I)),
    ("stall", "stalled connection", re.compile(r"stalls", re.I)),
    ("crash", "crash or disconnection", re.compile(r"disconnects|crash", re.I)),
]
PROBLEM_NAMES = [key for key, _, _ in PROBLEMS] + ["unfinished"]


def find_cutechess(given):
    candidates = [given, os.environ.get("CUTECHESS"),
                  os.path.join(REPOSITORY, "..", "shared", "tools", "cutechess.sh"),
                  shutil.which("cutechess-cli")]
    for candidate in candidates:
        if candidate and os.access(candidate, os.X_OK):
            return os.path.abspath(candidate)
    sys.exit("soak: no cutechess-cli; give --cutechess PATH (e.g. ../shared/tools/cutechess.sh)")


def engine_options(name, build, out):
    """cutechess-cli -engine options for one engine."""
    if name in VANTREK_ENGINES:
        directory = os.path.join(out, "engines", name)
        os.makedirs(directory, exist_ok=True)
        for data_file in ("kelmora.ini", "Vantrek.book"):
            shutil.copy(os.path.join(REPOSITORY, data_file), directory)
        program = os.path.join(build, name)
        if not os.access(program, os.X_OK):
            sys.exit(f"soak: no {program}; build first (cmake --workflow --preset release)")
        protocol = "uci" if name == "vantrek-uci" else "xboard"
        return [f"name={name}", f"cmd={program}", f"dir={directory}", f"proto={protocol}"]
    directory = os.path.join(out, "engines", name)
    os.makedirs(directory, exist_ok=True)
    return [f"name={name}", f"dir={directory}"] + DEBIAN_ENGINES[name]


def play(cutechess, first, second, args):
    """Plays one pairing; returns the PGN file's path."""
    stem = os.path.join(args.out, f"{first}-{second}")
    command = [cutechess,
               "-engine", *engine_options(first, args.build, args.out),
               "-engine", *engine_options(second, args.build, args.out),
               "-each", f"tc={args.tc}", f"timemargin={args.timemargin}",
               "-games", "2", "-rounds", str((args.games + 1) // 2), "-repeat", "-recover",
               "-concurrency", str(args.concurrency), "-pgnout", stem + ".pgn"]
    if os.path.exists(OPENINGS):
        command += ["-openings", f"file={OPENINGS}", "format=pgn", "order=random", "plies=8"]
    print(f"soak: {first} - {second}, {args.games} games", flush=True)
    with open(stem + ".log", "w") as log:
        log.write(" ".join(command) + "\n")
        log.flush()
        subprocess.run(command, stdout=log, stderr=subprocess.STDOUT, check=False)
    return stem + ".pgn"


def games_of(pgn_text):
    """(tags, the result comment, the result) of every game in a PGN text."""
    games = []
    for chunk in re.split(r"\n(?=\[Event )", pgn_text):
        if not chunk.strip():
            continue
        tags = dict(re.findall(r'^\[(\w+) "([^"]*)"\]', chunk, re.M))
        moves = re.sub(r'^\[.*\]\s*$', "", chunk, flags=re.M).strip()
        ending = re.search(r"\{([^{}]*)\}\s*(1-0|0-1|1/2-1/2|\*)\s*$", moves)
        comment = ending.group(1) if ending else ""
        result = ending.group(2) if ending else tags.get("Result", "*")
        games.append((tags, comment, result))
    return games


def side_to_move_at_end(tags):
    """'w' or 'b': the side on move when the game ended, from the plies played and the side on
    move at the start (white, unless a FEN tag says otherwise)."""
    fen = tags.get("FEN", "")
    starts_black = len(fen.split()) > 1 and fen.split()[1] == "b"
    plies = int(tags.get("PlyCount", "0") or 0)
    return "b" if (plies % 2 == 1) != starts_black else "w"


def report(out, expected_games):
    """Prints the report of the games in `out`; returns the exit status."""
    counts = collections.defaultdict(collections.Counter)
    examples = []
    played = 0
    for name in sorted(os.listdir(out)):
        if not name.endswith(".pgn"):
            continue
        with open(os.path.join(out, name), errors="replace") as pgn:
            for number, (tags, comment, result) in enumerate(games_of(pgn.read()), 1):
                played += 1
                white, black = tags.get("White", "?"), tags.get("Black", "?")
                counts[white]["games"] += 1
                counts[black]["games"] += 1
                # The result's description ends the comment, after the move's own comment if
                # any ("+0.25/4 0.11s, Black loses on time"); its first word names the side.
                description = comment.rsplit(", ", 1)[-1]
                side = white if description.startswith("White") else black if \
                    description.startswith("Black") else None
                problem = None
                for key, _, pattern in PROBLEMS:
                    if pattern.search(description):
                        problem = key
                        break
                if problem is None and tags.get("Termination") == "time forfeit":
                    # "Draw by timeout": a flag fell while the other side could not mate. The
                    # side whose flag fell is the one to move after the last move.
                    problem = "time"
                    side = white if side_to_move_at_end(tags) == "w" else black
                if problem is None and (result == "*" or tags.get("Termination") == "unterminated"):
                    problem = "unfinished"
                if problem is None:
                    continue
                for player in ([side] if side else [white, black]):
                    counts[player][problem] += 1
                examples.append(f"{name} game {number}: {white} - {black} {result} "
                                f"{{{comment}}}")
    warnings = []
    for name in sorted(os.listdir(out)):
        if name.endswith(".log"):
            with open(os.path.join(out, name), errors="replace") as log:
                warnings += [f"{name}: {line.rstrip()}" for line in log
                             if re.search(r"warning|error|crash", line, re.I)]

    width = max([len(player) for player in counts] + [8])
    print()
    print(f"{'engine':<{width}} {'games':>6} " + " ".join(f"{n:>10}" for n in PROBLEM_NAMES))
    failed = False
    for player in sorted(counts):
        row = counts[player]
        print(f"{player:<{width}} {row['games']:>6} " +
              " ".join(f"{row[n]:>10}" for n in PROBLEM_NAMES))
        if player in VANTREK_ENGINES and any(row[n] for n in PROBLEM_NAMES):
            failed = True
    print(f"\n{played} games played" +
          (f" of {expected_games} asked for" if expected_games else ""))
    for line in examples[:50]:
        print("  " + line)
    if warnings:
        print(f"\ncutechess reported {len(warnings)} warnings or errors:")
        for line in warnings[:50]:
            print("  " + line)
    if expected_games and played < expected_games:
        failed = True
    print("\nsoak: " + ("PROBLEMS FOUND" if failed else "no problem for Vantrek's engines"))
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(REPOSITORY, "build", "release"),
                        help="directory of the built engines (default build/release)")
    parser.add_argument("--out", default=os.path.join(REPOSITORY, "build", "soak"),
                        help="directory for PGN files, logs and engine directories")
    parser.add_argument("--games", type=int, default=112,
                        help="games per pairing, rounded up to an even number (default 112)")
    parser.add_argument("--tc", default="2+0.02", help="time control (default 2+0.02)")
    parser.add_argument("--timemargin", type=int, default=0,
                        help="milliseconds an engine may overstep its time (default 0)")
    parser.add_argument("--concurrency", type=int, default=1,
                        help="games at a time (default 1; timed games need free cores)")
    parser.add_argument("--opponents", default=",".join(DEBIAN_ENGINES),
                        help="Debian engines to play, comma-separated (default all four)")
    parser.add_argument("--cutechess", help="cutechess-cli or ../shared/tools/cutechess.sh")
    parser.add_argument("--report-only", metavar="DIR",
                        help="only report on the games already in DIR")
    args = parser.parse_args()

    if args.report_only:
        return report(args.report_only, 0)
    opponents = [name for name in args.opponents.split(",") if name]
    for name in opponents:
        if name not in DEBIAN_ENGINES:
            sys.exit(f"soak: unknown opponent {name}; choose from {', '.join(DEBIAN_ENGINES)}")
    args.games += args.games % 2
    args.build = os.path.abspath(args.build)
    args.out = os.path.abspath(args.out)
    if os.path.exists(args.out):
        shutil.rmtree(args.out)
    os.makedirs(args.out)
    cutechess = find_cutechess(args.cutechess)

    pairings = [("vantrek", "vantrek-uci")]
    pairings += [(engine, opponent) for engine in VANTREK_ENGINES for opponent in opponents]
    started = time.time()
    for first, second in pairings:
        play(cutechess, first, second, args)
    print(f"soak: {len(pairings)} pairings in {time.time() - started:.0f} s")
    return report(args.out, args.games * len(pairings))


if __name__ == "__main__":
    sys.exit(main())
