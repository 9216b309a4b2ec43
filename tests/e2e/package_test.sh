#!/usr/bin/env bash
# The Debian package from end to end: `cpack -G DEB` builds it, dpkg installs it, the real
# xboard plays one game with the engine command read from the installed plugin file (started
# in an unrelated directory, without -fd, as xboard's own engine list starts it), xboard
# lists the engine by itself, and dpkg removes it again without leaving anything behind.
#
# Usage: package_test.sh BUILD_DIRECTORY VERSION MATCH_SCRIPT
# It changes the machine, so it runs only as root and when VANTREK_REQUIRE_PACKAGE=1 allows it
# (CI sets it); otherwise it is skipped (77).
set -u

build=$1
version=$2
match=$3
# xboard, fairymax and the installed engine live in /usr/games, which root's path lacks.
export PATH="$PATH:/usr/games"

if [ "${VANTREK_REQUIRE_PACKAGE:-0}" != 1 ] || [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installs and removes a package; needs root and VANTREK_REQUIRE_PACKAGE=1"
    exit 77
fi
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
installed_state() { dpkg-query -W -f='${db:Status-Status}' vantrek 2>/dev/null; }
case "$(installed_state)" in
"" | not-installed) ;;
*) fail "a vantrek package is on this machine already ($(installed_state)); remove it first" ;;
esac

work=$(mktemp -d /tmp/vantrek-package.XXXXXX)
installed=0
cleanup() {
    [ $installed = 1 ] && dpkg -r vantrek >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# 1. Build the package.
if ! (cd "$build" && cpack -G DEB -B "$work/package") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack -G DEB"
fi
deb="$work/package/vantrek_${version}_amd64.deb"
[ -f "$deb" ] || fail "no vantrek_${version}_amd64.deb in: $(ls "$work/package")"
dpkg-deb --info "$deb"

# 2. Its control fields: section games, the project's version, a description, and no
# dependency beyond the C and C++ runtime.
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = vantrek ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
[ "$(field Description | wc -l)" -ge 3 ] || fail "no long description: $(field Description)"
for dependency in $(field Depends | tr ',' '\n' | awk '{ print $1 }'); do
    case $dependency in
    libc6 | libstdc++6 | libgcc-s1) ;;
    *) fail "unexpected dependency $dependency in: $(field Depends)" ;;
    esac
done

# Debian's own package checker finds no error in it (warnings, such as the tools without a
# manual page, are allowed).
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" ||
        fail "lintian reports errors"
fi

# 3. Install it, remembering which of its paths were there before.
paths=$(dpkg-deb --contents "$deb" | awk '{ print substr($6, 2) }' | sed 's|/$||' | grep .)
new_paths=()
for path in $paths; do
    [ -e "$path" ] || new_paths+=("$path")
done
dpkg -i "$deb" || fail "dpkg -i"
installed=1
for file in /usr/games/vantrek /usr/games/vantrek-xboard /usr/games/vantrek-uci \
    /usr/share/games/vantrek/kelmora.ini /usr/share/games/vantrek/Vantrek.book \
    /usr/share/games/plugins/xboard/vantrek.eng /usr/share/man/man6/vantrek.6.gz \
    /usr/share/doc/vantrek/copyright; do
    [ -e "$file" ] || fail "$file was not installed"
done

# 4. One game in the real xboard, with the command the plugin gives xboard. Without -fd the
# engine starts in xboard's own, empty, working directory; the plugin cannot set the protocol
# version, so xboard speaks its default, 2, to it.
plugin_command=$(sed -n 2p /usr/share/games/plugins/xboard/vantrek.eng)
"$match" --installed "$plugin_command" 1 0:10 0.1 2 || fail "the game in xboard"

# 5. xboard lists the installed engine by itself: on its first start for a user it reads the
# plugin directory and adds the plugin's command to its engine list. A short game between two
# fairymax ends the run, and the settings saved at its end hold the list.
mkdir -p "$work/home" "$work/fairymax"
(cd "$work" && HOME="$work/home" timeout -k 10 120 xvfb-run -a -s "-screen 0 1024x768x24" \
    xboard -fcp fairymax -fd "$work/fairymax" -scp fairymax -sd "$work/fairymax" \
    -matchGames 1 -tc 0:01 -inc 0 -noGUI -popupExitMessage false -matchPause 100 \
    -soundProgram "" -saveSettingsFile "$work/home/settings" -saveSettingsOnExit true) \
    >"$work/xboard.log" 2>&1
sed -n '/^-firstChessProgramNames {/,/^}/p' "$work/home/settings" | grep -qx "$plugin_command" ||
    fail "xboard did not add \"$plugin_command\" to its engine list: $(cat "$work/home/settings")"

# 6. Remove it: nothing of it may be left.
dpkg -r vantrek || fail "dpkg -r"
installed=0
case "$(installed_state)" in
"" | not-installed) ;;
*) fail "dpkg still knows the package after removal: $(installed_state)" ;;
esac
for path in "${new_paths[@]}"; do
    [ -e "$path" ] && fail "$path is left behind"
done
echo "package built, installed, played one game in xboard, listed by xboard, removed cleanly"
exit 0
