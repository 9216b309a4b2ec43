#!/usr/bin/env bash
# Plays a short match in the real xboard, headless under Xvfb, between Vantrek and Debian's
# fairymax, and fails on an unfinished game, a time forfeit, an illegal move or a false claim.
#
# Usage: xboard_match_test.sh [--installed] ENGINE_COMMAND [GAMES] [TIME_CONTROL] [INCREMENT]
#                              [PROTOCOL] [FILE...]
#   --installed     the engine is installed and finds its own files: xboard gets no -fd and
#                   starts it in xboard's own working directory, an empty one
#   ENGINE_COMMAND  the command xboard starts for Vantrek: the absolute path of vantrek, or
#                   "polyglot -noini -ec /path/to/vantrek-uci" for the UCI front end
#   PROTOCOL        xboard protocol version to speak to it (1 for vantrek, 2 for polyglot)
#   FILE...         files copied into Vantrek's working directory (its weight file and book);
#                   without them it starts in an empty one
# Exits 77 (skipped) when xboard, xvfb-run or fairymax is missing, unless
# VANTREK_REQUIRE_XBOARD=1 says they must be there.
set -u

installed=0
if [ "${1:-}" = --installed ]; then
    installed=1
    shift
fi
engine=$1
games=${2:-2}
time_control=${3:-0:10}
increment=${4:-0.1}
protocol=${5:-1}
shift $(( $# < 5 ? $# : 5 ))
export PATH="$PATH:/usr/games"

tools="xboard xvfb-run fairymax"
case "$engine" in polyglot*) tools="$tools polyglot" ;; esac
for tool in $tools; do
    if ! command -v "$tool" >/dev/null; then
        echo "missing $tool (apt-get install -y xboard xvfb fairymax polyglot)" >&2
        [ "${VANTREK_REQUIRE_XBOARD:-0}" = 1 ] && exit 1
        exit 77
    fi
done

work=$(mktemp -d /tmp/vantrek-xboard.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/vantrek" "$work/fairymax" "$work/home"
for file in "$@"; do
    cp "$file" "$work/vantrek/" || exit 1
done
pgn="$work/games.pgn"
engine_directory=(-fd "$work/vantrek")
[ $installed = 1 ] && engine_directory=()
# xboard runs in a directory of its own, unrelated to the engine's files.
cd "$work" || exit 1

# Whole-match limit: both clocks, 200 moves of increment each, and slack for start-up.
limit=$(awk -v g="$games" -v t="$time_control" -v i="$increment" 'BEGIN {
    n = split(t, a, ":"); s = (n == 1) ? a[1] * 60 : a[1] * 60 + a[2];
    printf "%d", g * (2 * s + 400 * i + 20) + 60 }')

# Fairy-Max itself sometimes dies of a segmentation fault, even between games. It runs through a
# wrapper that notes how it ended, and a match it spoilt that way is played again.
cat >"$work/fairymax-run" <<WRAPPER
#!/bin/sh
fairymax "\$@"
echo \$? >>"$work/fairymax.exits"
WRAPPER
chmod +x "$work/fairymax-run"
opponent_crashed() {
    grep -q -x -E '13[2-9]' "$work/fairymax.exits" 2>/dev/null
}

for attempt in 1 2 3 4 5 6; do
    rm -f "$pgn" "$work/fairymax.exits"
    HOME="$work/home" timeout -k 10 "$limit" xvfb-run -a -s "-screen 0 1024x768x24" \
        xboard -fcp "$engine" "${engine_directory[@]}" -firstProtocolVersion "$protocol" \
        -scp "$work/fairymax-run" -sd "$work/fairymax" \
        -matchGames "$games" -tc "$time_control" -inc "$increment" \
        -saveGameFile "$pgn" -testClaims true -autoCallFlag true \
        -popupExitMessage false -saveSettingsOnExit false -matchPause 500 -xponder \
        -noGUI -soundProgram "" -debug -nameOfDebugFile "$work/debug.log" >"$work/xboard.log" 2>&1
    status=$?
    opponent_crashed || break
    echo "attempt $attempt: Fairy-Max crashed (exit status $(tr '\n' ' ' <"$work/fairymax.exits")), playing the match again" >&2
done
if opponent_crashed; then
    echo "Fairy-Max crashed in every attempt: no match could be played" >&2
    exit 77
fi
if [ ! -s "$pgn" ]; then
    echo "no games were saved (xboard exit status $status)" >&2
    cat "$work/xboard.log" >&2
    exit 1
fi
cat "$pgn"

failures=0
results=$(grep -c '^\[Result ' "$pgn")
if [ "$results" -ne "$games" ]; then
    echo "FAIL: $results of $games games were saved" >&2
    failures=1
fi
if grep -E '^\[Result "\*"\]' "$pgn" >/dev/null; then
    echo "FAIL: an unfinished game" >&2
    failures=1
fi
# xboard's own comments on the way a game ended.
if grep -i -E 'on time|time forfeit|illegal|false|forfeit|disconnect|crash|exited' "$pgn" >&2; then
    echo "FAIL: a game ended by a forfeit, an illegal move or a false claim" >&2
    failures=1
fi
if [ $failures -ne 0 ]; then
    # What the engines and xboard said to each other near the end, to see why.
    echo "--- last lines of xboard's engine log ---" >&2
    tail -n 80 "$work/debug.log" >&2
fi
exit $failures
