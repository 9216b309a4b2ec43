#!/usr/bin/env bash
# Plays the games the win/draw/loss model of UCI_ShowWDL is fitted to: vantrek-uci (the strong
# search, shipped weights and book) against itself at a fixed node count per move, so that the
# games do not depend on the machine's load, every move's score kept in the PGN. Then fits the
# model (fit-wdl.py) and prints its two numbers.
#
#   tools/uci/wdl-games.sh OUTPUT_DIR [GAMES] [NODES_PER_MOVE]
#
# Defaults: 200 games at 20000 nodes a move (about 10 minutes on one core). Needs cutechess-cli
# (CUTECHESS names it; default ../shared/tools/cutechess.sh) and python3.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?usage: wdl-games.sh OUTPUT_DIR [GAMES] [NODES_PER_MOVE]}
games=${2:-200}
nodes=${3:-20000}
cutechess=${CUTECHESS:-$root/../shared/tools/cutechess.sh}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# 1. The engine as shipped, in a directory of its own (a rebuild cannot change it mid-run).
cmake --preset release >/dev/null
cmake --build --preset release --target vantrek-uci -j2 >/dev/null
mkdir -p "$out/engine"
cp "$root/build/release/vantrek-uci" "$root/kelmora.ini" "$root/Vantrek.book" "$out/engine/"

# 2. Self-play from random 8-ply lines of eco.pgn, each opening once. No adjudication: every
# result is the board's (or the draw rules'), which is what the model predicts.
nice -n 19 "$cutechess" \
    -engine name=a cmd="$out/engine/vantrek-uci" dir="$out/engine" proto=uci \
    -engine name=b cmd="$out/engine/vantrek-uci" dir="$out/engine" proto=uci \
    -each tc=inf nodes="$nodes" -games "$games" -srand 20261208 \
    -openings file=/usr/share/pgn-extract/eco.pgn format=pgn order=random plies=8 \
    -maxmoves 300 -concurrency 1 -recover -pgnout "$out/games.pgn" >"$out/games.log" 2>&1

# 3. The fit.
python3 "$root/tools/uci/fit-wdl.py" "$out/games.pgn"
