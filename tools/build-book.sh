#!/usr/bin/env bash
# Rebuilds Vantrek.book at the repository root from the named openings that come with
# pgn-extract (Debian package pgn-extract): about 2000 lines, each a named opening or variation.
#
#   tools/build-book.sh [ECO_PGN]
#
# Every line counts once for each position it reaches, so positions that many lines share, or
# that several lines reach by transposition, weigh more. Lines are read to the end (the longest
# has 36 half-moves, below --plies 40) and every position is kept (--min-count 1).
#
# Two kinds of line are left out, because they record one side's losing moves, which would
# then be book moves for the engine: lines that end in mate, and lines named as traps.
set -euo pipefail
cd "$(dirname "$0")/.."

eco=${1:-/usr/share/pgn-extract/eco.pgn}
pgn_extract=$(command -v pgn-extract || echo /usr/games/pgn-extract)
if [ ! -x "$pgn_extract" ]; then
    echo "build-book.sh: pgn-extract not found (apt-get install -y pgn-extract)" >&2
    exit 1
fi
if [ ! -r "$eco" ]; then
    echo "build-book.sh: cannot read $eco" >&2
    exit 1
fi

cmake --preset release >/dev/null
cmake --build --preset release --target vantrek-book -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# pgn-extract reports progress and result-tag warnings on standard error; keep them for a
# failure only.
if ! "$pgn_extract" -s -M -o /dev/null -n "$work/no-mates.pgn" "$eco" 2>"$work/log" ||
    ! "$pgn_extract" -s -Wuci "$work/no-mates.pgn" >"$work/games.uci" 2>>"$work/log"; then
    cat "$work/log" >&2
    exit 1
fi

# -Wuci writes each game's tags, then its moves on one line. Drop the moves of games whose
# Opening or Variation tag names a trap or a mate; vantrek-book passes over the tags.
awk '/^\[(Opening|Variation) ".*([Tt]rap|[Mm]ate)"\]/ { trap = 1; next }
     /^\[/ || /^[[:space:]]*$/ { next }
     { if (!trap) print; trap = 0 }' "$work/games.uci" >"$work/openings.uci"

build/release/tools/vantrek-book --plies 40 --min-count 1 --output Vantrek.book \
    "$work/openings.uci"
