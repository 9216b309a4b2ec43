#!/usr/bin/env bash
# Renders each manual page given with every groff warning switched on, and through man as a
# reader would see it; any warning fails. Skipped (77) when groff or man is missing.
set -u
for tool in groff man; do
    if ! command -v "$tool" >/dev/null; then
        echo "missing $tool (apt-get install -y groff-base man-db)" >&2
        exit 77
    fi
done
failures=0
for page in "$@"; do
    warnings=$( { groff -ww -man -z "$page"; LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >/dev/null; } 2>&1)
    if [ -n "$warnings" ] || ! LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null | grep -q '^NAME'; then
        echo "FAIL: $page" >&2
        echo "$warnings" >&2
        failures=1
    fi
done
exit $failures
