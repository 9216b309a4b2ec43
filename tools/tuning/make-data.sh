#!/usr/bin/env bash
# Makes the labelled positions vantrek-tune reads: Vantrek's own self-play games at a fixed node
# count per move, plus the games between Debian's engines in ../shared/data, every position from
# the ninth half-move on labelled by Debian's stockfish (see label.py).
#
#   tools/tuning/make-data.sh OUTPUT_DIR [GAMES] [NODES_PER_MOVE] [LABEL_NODES]
#
# Defaults: 3200 self-play games at 3000 nodes a move, labels from 2000 stockfish nodes. Needs
# cutechess-cli (../shared/tools/cutechess.sh), pgn-extract, stockfish and python3. Everything
# runs under nice -n 19 on both cores. SHARED names the shared folder when it is not beside the
# repository; WEIGHTS names the weight file the self-play games use (default: the shipped
# kelmora.ini). OUTPUT_DIR/labelled.txt is the tuner's input; the script ends by printing its
# counts and checksum.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?usage: make-data.sh OUTPUT_DIR [GAMES] [NODES_PER_MOVE] [LABEL_NODES]}
games=${2:-3200}
nodes=${3:-3000}
label_nodes=${4:-2000}
weights=$(realpath -e "${WEIGHTS:-$root/kelmora.ini}")
shared=${SHARED:-$root/../shared} # the project's shared folder beside the repository
cutechess=$shared/tools/cutechess.sh
peer_games=$shared/data/peer-games.pgn
eco=/usr/share/pgn-extract/eco.pgn
pgn_extract=$(command -v pgn-extract || echo /usr/games/pgn-extract)
mkdir -p "$out"
out=$(cd "$out" && pwd)

# 1. The engine as shipped (or with WEIGHTS) and its book in a directory of its own.
cmake --preset release >/dev/null
cmake --build --preset release --target vantrek-uci -j2 >/dev/null
mkdir -p "$out/engine"
cp "$root/build/release/vantrek-uci" "$root/Vantrek.book" "$out/engine/"
cp "$weights" "$out/engine/kelmora.ini"

# 2. Self-play: random 8-ply lines from eco.pgn, then the book and a fixed node count a move.
# Each opening is played once (replayed with colours reversed, the same engine would mostly
# repeat the game). Won and drawn games are cut short: their last moves teach little.
start=$(date +%s)
nice -n 19 "$cutechess" \
    -engine name=vantrek-a cmd="$out/engine/vantrek-uci" dir="$out/engine" proto=uci \
    -engine name=vantrek-b cmd="$out/engine/vantrek-uci" dir="$out/engine" proto=uci \
    -each tc=inf nodes="$nodes" -games "$games" -srand 20261207 \
    -openings file="$eco" format=pgn order=random plies=8 \
    -draw movenumber=40 movecount=8 score=10 -resign movecount=4 score=1500 -maxmoves 200 \
    -concurrency 2 -recover -pgnout "$out/selfplay.pgn" >"$out/selfplay.log" 2>&1
echo "self-play: $games games in $(($(date +%s) - start)) s"

# 3. Coordinate moves, one game a line.
"$pgn_extract" -s -Wuci --notags "$out/selfplay.pgn" 2>/dev/null | grep . >"$out/games.uci"
"$pgn_extract" -s -Wuci --notags "$peer_games" 2>/dev/null | grep . >>"$out/games.uci"

# 4. Labels.
start=$(date +%s)
nice -n 19 python3 "$root/tools/tuning/label.py" --nodes "$label_nodes" --min-ply 8 \
    --workers 2 "$out/games.uci" >"$out/labelled.txt" 2>"$out/label.log"
echo "labels: $(($(date +%s) - start)) s"
echo "games $(grep -c '^game ' "$out/labelled.txt")" \
    "positions $(grep -vc '^game ' "$out/labelled.txt")"
sha256sum "$out/labelled.txt"
