#!/usr/bin/env bash
# Plays the matches that place vantrek-uci's strength levels (UCI_LimitStrength with UCI_Elo) on
# a rating scale, through cutechess-cli, and prints each match's score and Elo difference.
#
#   tools/uci/calibrate-levels.sh ladder OUTPUT_DIR [GAMES]
#       Each level against the next one up (800-1100, 1100-1400, ..., 2000-2400). A level is
#       limited by nodes, so these games need no clock and do not depend on the machine's load
#       (cutechess's node limit is set far above every level's own budget).
#   tools/uci/calibrate-levels.sh anchors OUTPUT_DIR [GAMES] [TC]
#       Each level against Fairy-Max and HoiChess at the time control TC (default 40/60, forty
#       moves in a minute). Timed: run it on a quiet machine, nothing else running.
#
# GAMES per match (default 100), openings from pgn-extract's eco.pgn, each played twice with the
# colours reversed. Needs cutechess-cli (CUTECHESS names it; default ../shared/tools/cutechess.sh) and, for the
# anchors, fairymax and hoichess (apt-get install -y fairymax hoichess).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
mode=${1:?usage: calibrate-levels.sh ladder|anchors OUTPUT_DIR [GAMES] [TC]}
out=${2:?usage: calibrate-levels.sh ladder|anchors OUTPUT_DIR [GAMES] [TC]}
games=${3:-100}
tc=${4:-40/60}
cutechess=${CUTECHESS:-$root/../shared/tools/cutechess.sh}
levels=(800 1100 1400 1700 2000 2400)
mkdir -p "$out"
out=$(cd "$out" && pwd)

# 1. The engine as shipped, in a directory of its own (a rebuild cannot change it mid-run).
cmake --preset release >/dev/null
cmake --build --preset release --target vantrek-uci -j2 >/dev/null
mkdir -p "$out/engine"
cp "$root/build/release/vantrek-uci" "$root/kelmora.ini" "$root/Vantrek.book" "$out/engine/"

level() { # name=L<elo> and the options of that level
    echo "name=L$1 cmd=$out/engine/vantrek-uci dir=$out/engine proto=uci" \
        "option.UCI_LimitStrength=true option.UCI_Elo=$1"
}

match() { # name, then the cutechess arguments of both engines and the limits
    local name=$1
    shift
    "$cutechess" "$@" -games 2 -rounds $((games / 2)) -repeat -recover \
        -openings file=/usr/share/pgn-extract/eco.pgn format=pgn order=random plies=8 \
        -concurrency 1 -pgnout "$out/$name.pgn" >"$out/$name.log" 2>&1
    echo "$name: $(grep -E '^(Score of|Elo difference)' "$out/$name.log" | tail -2 | tr '\n' ' ')"
}

# 2. The matches.
case $mode in
ladder)
    for ((i = 0; i + 1 < ${#levels[@]}; ++i)); do
        low=${levels[i]}
        high=${levels[i + 1]}
        # shellcheck disable=SC2046
        match "L$high-vs-L$low" -engine $(level "$high") -engine $(level "$low") \
            -each tc=inf nodes=100000000
    done
    ;;
anchors)
    for elo in "${levels[@]}"; do
        for anchor in fairymax hoichess; do
            # shellcheck disable=SC2046
            match "L$elo-vs-$anchor" -engine $(level "$elo") \
                -engine name=$anchor cmd=/usr/games/$anchor proto=xboard \
                -each tc="$tc" timemargin=200
        done
    done
    ;;
*)
    echo "calibrate-levels.sh: the mode is ladder or anchors, not '$mode'" >&2
    exit 2
    ;;
esac
