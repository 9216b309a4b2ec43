#!/usr/bin/env bash
# The Linux release archive: `cpack -G TGZ` writes vantrek-<version>-linux-x86_64.tar.gz, whose
# one top folder holds the installed layout; unpacked anywhere, its UCI engine finds its weight
# file and book from its own place, and the xboard launcher starts the engine in the data
# directory.
#
# Usage: linux_archive_test.sh BUILD_DIRECTORY VERSION
set -u
build=$1
version=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
work=$(mktemp -d /tmp/vantrek-archive.XXXXXX)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G TGZ >"$work/cpack.log" 2>&1) || fail "cpack -G TGZ failed: $(cat "$work/cpack.log")"
archive=$build/vantrek-$version-linux-x86_64.tar.gz
[ -f "$archive" ] || fail "cpack did not write $archive"

# 1. The files, under one top folder named for the version.
top=vantrek-$version-linux-x86_64
expected="$top/games/vantrek
$top/games/vantrek-bench
$top/games/vantrek-book
$top/games/vantrek-perft
$top/games/vantrek-uci
$top/games/vantrek-xboard
$top/share/doc/vantrek/LICENSE
$top/share/doc/vantrek/README.md
$top/share/doc/vantrek/changelog.gz
$top/share/doc/vantrek/copyright
$top/share/games/plugins/xboard/vantrek.eng
$top/share/games/vantrek/Vantrek.book
$top/share/games/vantrek/kelmora.ini
$top/share/man/man6/vantrek-bench.6.gz
$top/share/man/man6/vantrek-book.6.gz
$top/share/man/man6/vantrek-perft.6.gz
$top/share/man/man6/vantrek-uci.6.gz
$top/share/man/man6/vantrek-xboard.6.gz
$top/share/man/man6/vantrek.6.gz"
listed=$(tar tzf "$archive" | grep -v '/$' | sort)
[ "$listed" = "$expected" ] || fail "the archive holds:
$listed"
echo "$archive holds the $(echo "$expected" | wc -l) files expected"

# 2. Unpacked in a folder of its own, started from an empty working directory.
mkdir "$work/unpacked" "$work/empty"
tar xzf "$archive" -C "$work/unpacked" || fail "cannot unpack $archive"
cd "$work/empty" || fail "no working directory"
answer=$(printf 'uci\nposition startpos\ngo depth 2\nquit\n' |
    timeout 30 "$work/unpacked/$top/games/vantrek-uci")
echo "$answer" | grep -qx "info string Kelmora.ini loaded successfully!" ||
    fail "the unpacked vantrek-uci did not find its weight file: $answer"
echo "$answer" | grep -qx "info string book move" ||
    fail "the unpacked vantrek-uci did not find its book: $answer"
answer=$(printf 'quit\n' | timeout 30 "$work/unpacked/$top/games/vantrek-xboard")
echo "$answer" | grep -qx "Kelmora.ini loaded successfully!" ||
    fail "the unpacked vantrek-xboard did not start the engine with its weight file: $answer"
echo "unpacked, vantrek-uci and vantrek-xboard find their files"
