#!/usr/bin/env bash
# Runs one program of the unpacked Windows archive under Wine, with its arguments, from an
# empty working directory, and passes on its output and exit status.
#
# Usage: wine_run.sh PREFIX FOLDER PROGRAM [ARGUMENTS...]   (FOLDER: the archive's top folder)
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"
wine_environment "$1"
folder=$2
program=$3
shift 3

wine_require
[ -f "$folder/$program" ] ||
    wine_unavailable "$folder/$program is not there (the Windows build and its archive are missing)"
work=$(mktemp -d /tmp/vantrek-wine-run.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" && wine "$folder/$program" "$@" </dev/null
