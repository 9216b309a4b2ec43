#!/usr/bin/env bash
# A short timed match through cutechess-cli: vantrek-uci.exe from the unpacked Windows archive,
# under Wine and started in an empty working directory (it finds its weight file and book
# beside itself), against the Linux vantrek-uci with the same files in its working directory.
# Every game must end by the rules of chess: no loss on time, illegal move, false claim,
# stalled connection, crash or unfinished game for either engine. Both engines play from
# their books, which draw their moves at random, so the games differ without an opening file.
#
# Usage: wine_match_test.sh PREFIX FOLDER LINUX_UCI GAMES TIME_CONTROL
#   FOLDER: the archive's top folder; TIME_CONTROL as cutechess-cli takes it (2+0.02).
# cutechess-cli is found through CUTECHESS (default ../shared/tools/cutechess.sh beside the
# repository); without it the match is skipped (77), with a message that says so.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repository=$(cd "$here/../.." && pwd)
. "$here/wine_env.sh"
wine_environment "$1"
folder=$2
linux_uci=$(realpath "$3")
games=$4
time_control=$5

cutechess=${CUTECHESS:-$repository/../shared/tools/cutechess.sh}
if [ ! -x "$cutechess" ]; then
    echo "skipped: cutechess-cli not found at $cutechess (set CUTECHESS to cutechess-cli or"
    echo "cutechess.sh): the match of vantrek-uci.exe under Wine was not played. The other"
    echo "tests under Wine (label wine), among them a game of vantrek.exe against the Linux"
    echo "engine through the tests' own relay, do not need it."
    exit 77
fi
wine_require
[ -f "$folder/vantrek-uci.exe" ] ||
    wine_unavailable "$folder/vantrek-uci.exe is not there (the Windows build and its archive are missing)"
[ -x "$linux_uci" ] || { echo "FAIL: no Linux engine at $linux_uci" >&2; exit 1; }

work=$(mktemp -d /tmp/vantrek-wine-match.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/windows" "$work/linux"
cp "$folder/kelmora.ini" "$folder/Vantrek.book" "$work/linux/"

# One game at a time: on two cores a second game would starve the engines of time, and a
# loss on time would then say nothing about the engine.
started=$(date +%s)
"$cutechess" \
    -engine name=windows cmd=wine arg="$folder/vantrek-uci.exe" dir="$work/windows" proto=uci \
    -engine name=linux cmd="$linux_uci" dir="$work/linux" proto=uci \
    -each tc="$time_control" -games 2 -rounds $(((games + 1) / 2)) -concurrency 1 \
    -pgnout "$work/games.pgn" >"$work/cutechess.log" 2>&1
status=$?
elapsed=$(($(date +%s) - started))
grep -E "^(Started|Finished) game|^Score of|^Elo difference|rror|arning" "$work/cutechess.log"
echo "cutechess-cli exited with $status after $elapsed s"

# Every game in the PGN: its result, and how it ended (cutechess-cli's Termination tag, which
# it leaves out for a game that ended by the rules).
failed=0
[ $status -eq 0 ] || failed=1
summary=$(awk '
    /^\[Event / { if (n++) print result, termination; result = "*"; termination = "normal" }
    /^\[Result /      { result = $2; gsub(/"|\]/, "", result) }
    /^\[Termination / { termination = substr($0, 14); gsub(/"|\]/, "", termination) }
    END { if (n) print result, termination }' "$work/games.pgn" 2>/dev/null)
played=$(printf '%s\n' "$summary" | grep -c .)
bad=$(printf '%s\n' "$summary" | grep -v -E '^(1-0|0-1|1/2-1/2) (normal|adjudication)$' | grep -c .)
echo "games played: $played of $games; ended otherwise than by the rules: $bad"
if [ "$played" -ne "$games" ] || [ "$bad" -ne 0 ]; then
    failed=1
    printf '%s\n' "$summary" | grep -v -E '^(1-0|0-1|1/2-1/2) (normal|adjudication)$'
fi
score=$(grep "^Score of windows vs linux" "$work/cutechess.log" | tail -1)
echo "${score:-no score line}"
if [ $failed -ne 0 ]; then
    echo "FAIL: the match under Wine did not end cleanly; cutechess-cli's log:" >&2
    cat "$work/cutechess.log" >&2
    exit 1
fi
