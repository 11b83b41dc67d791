#!/usr/bin/env bash
# The Debian package of this build, as a user gets it: built, installed with dpkg, used from the
# PATH and the desktop, removed, and nothing of it left behind. Skipped (77) where dpkg cannot
# install: without root, or where a quillmark package is installed already (not ours to replace).
# A package removed but not purged (what "apt-get remove" leaves) is purged first, so that the
# test starts from a machine without any of it.
#   package_test.sh BUILD
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$1

skip() { echo "SKIPPED: $*"; exit 77; }
[[ $(id -u) -eq 0 ]] || skip "installing a package with dpkg needs root"
command -v dpkg >/dev/null || skip "no dpkg on this machine"
status=$(dpkg-query -W -f='${Status}' quillmark 2>/dev/null || true)
if [[ $status == *" ok installed" ]]; then
    skip "a quillmark package is installed already; this test installs and removes its own"
fi
if [[ -n $status && $status != *" not-installed" ]]; then
    echo "A quillmark package was removed but not purged ($status): purging it first."
    dpkg -P quillmark >/dev/null || { echo "FAILED: dpkg -P of the removed package"; exit 1; }
fi

work=$(mktemp -d)
installed=false
cleanup() {
    if $installed && dpkg-query -W quillmark >/dev/null 2>&1; then dpkg -P quillmark >/dev/null; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }
# What of the program's names lies on the system, to compare after the removal.
traces() { find /usr /etc /var/lib/dpkg/info -name '*quillmark*' 2>/dev/null | sort; }

deb=$("$root/scripts/package.sh" "$build" "$work/out" | tail -n 1)
[[ -f $deb ]] || fail "no package was made"
before=$(traces)

export DEBIAN_FRONTEND=noninteractive
installed=true
if ! dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    # Dependencies the machine lacks come from the archive; apt removes the package instead
    # when they cannot be had.
    apt-get install -f -y -qq >>"$work/dpkg.log" 2>&1 || true
fi
dpkg-query -W -f='${Status}' quillmark 2>/dev/null | grep -q 'ok installed' || {
    cat "$work/dpkg.log"
    fail "dpkg could not install $deb"
}

# A user's session of their own. The test build may carry the sanitizers: Qt's caches kept
# until the end are no leak of the program's.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
export XDG_CACHE_HOME=$work/home/cache ASAN_OPTIONS=detect_leaks=0
unset XDG_DATA_DIRS XDG_CURRENT_DESKTOP DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"
cd "$work"

[[ $(command -v quillmark) == /usr/bin/quillmark ]] || fail "quillmark is not /usr/bin/quillmark"
grep -q -- '--export OUTPUT' <<<"$(quillmark --help)" || fail "quillmark --help"
quillmark --export label.png --symbology "EAN 13" --data 590123412345 --dpi 300 ||
    fail "the image export"
[[ $(head -c 8 label.png | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] ||
    fail "label.png is no PNG"
# A vector picture is the window program's, which quillmark finds in libexec.
quillmark --export label.svg --data HALVERN || fail "the SVG export"
grep -q '<svg' label.svg || fail "label.svg is no SVG"
# The print form starts the installed window program in full; it writes no desktop files of
# its own (the package's are there), whatever becomes of the print.
PRINTER=quillmark-test-no-such-queue quillmark -p label.qmx >/dev/null 2>&1 || true
[[ ! -e $XDG_DATA_HOME/applications/quillmark.desktop ]] ||
    fail "the installed program registered itself"

desktop-file-validate /usr/share/applications/quillmark.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/*.Quillmark.metainfo.xml >"$work/as.log" ||
    { cat "$work/as.log"; fail "appstreamcli validate"; }
default=$(xdg-mime query default application/x-quillmark-document)
[[ $default == quillmark.desktop ]] || fail "the default for .qmx documents is \"$default\""
[[ $(man -w quillmark) == /usr/share/man/man1/quillmark.1.gz ]] || fail "man -w quillmark"

dpkg -L quillmark >"$work/files"
dpkg -P quillmark >>"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -P"; }
installed=false
while IFS= read -r path; do
    # Shared folders (/usr/share/applications, ...) stay; the package's own go.
    if [[ -f $path || -L $path ]] || [[ -d $path && $path == *quillmark* ]]; then
        fail "$path is left after the removal"
    fi
done <"$work/files"
after=$(traces)
if [[ $after != "$before" ]]; then
    left=$(comm -13 <(echo "$before") <(echo "$after") | tr '\n' ' ')
    gone=$(comm -23 <(echo "$before") <(echo "$after") | tr '\n' ' ')
    fail "the removal did not leave the machine as it was: left behind: ${left:-nothing};" \
        "there before and gone now: ${gone:-nothing}"
fi
if grep -qs quillmark /usr/share/applications/mimeinfo.cache; then
    fail "the desktop's cache still names quillmark"
fi
echo "The package installs, works from the PATH and the desktop, and leaves nothing behind."
