#!/usr/bin/env bash
# Plays two weight files against each other at a fixed node count per move, so that the result
# does not depend on the machine's load: the same vantrek-uci and book, random 8-ply lines from
# eco.pgn, each opening twice with colours reversed, one game at a time.
#
#   tools/tuning/match.sh NEW.ini OLD.ini [GAMES] [NODES] [PGN_OUT]
#
# Defaults: 400 games at 20000 nodes a move. Prints cutechess-cli's closing lines (score and Elo
# difference with its error margin), NEW first. SHARED names the project's shared folder when it
# is not beside the repository.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
new=$(realpath "${1:?usage: match.sh NEW.ini OLD.ini [GAMES] [NODES] [PGN_OUT]}")
old=$(realpath "${2:?usage: match.sh NEW.ini OLD.ini [GAMES] [NODES] [PGN_OUT]}")
games=${3:-400}
nodes=${4:-20000}
pgn=${5:-/dev/null}
shared=${SHARED:-$root/../shared}

cmake --preset release >/dev/null
cmake --build --preset release --target vantrek-uci -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/build/release/vantrek-uci" "$root/Vantrek.book" "$work/"

"$shared/tools/cutechess.sh" \
    -engine name=new cmd="$work/vantrek-uci" dir="$work" proto=uci option.ParameterFile="$new" \
    -engine name=old cmd="$work/vantrek-uci" dir="$work" proto=uci option.ParameterFile="$old" \
    -each tc=inf nodes="$nodes" -games 2 -rounds $((games / 2)) -repeat -recover \
    -openings file=/usr/share/pgn-extract/eco.pgn format=pgn order=random plies=8 \
    -concurrency 1 -pgnout "$pgn" 2>&1 | grep -E '^(Score of|Elo difference|Finished)' | tail -3
