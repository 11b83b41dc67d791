#!/usr/bin/env bash
# What the command loads: a PNG export of a linear symbol loads neither Qt nor the window program,
# nor the JPEG, TIFF and GIF libraries, nor the encoder library of the symbologies beyond the
# program's own engine, nor fontconfig once the font cache knows the font, nor FreeType once the
# glyph store holds the text's characters (nor for a vector picture once its outlines are kept);
# new characters load FreeType, a TIFF export and a QR
# Code, a PDF417 and a DataBar load their library when they need it, a linear symbol of the
# program's own engine (EAN 13) never loads the encoder, and each writes what was asked.
#   lean_start_test.sh QUILLMARK
set -uo pipefail
quillmark=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

# The libraries the dynamic linker initialises while the command runs.
loaded() { # output file, further options
    LD_DEBUG=files "$quillmark" --export "$1" --data LEAN-1 "${@:2}" 2>&1 >/dev/null |
        sed -n 's/.*calling init: \(.*\)/\1/p'
}
status=0
"$quillmark" --export "$work/warm.png" --data LEAN-1 || exit 1
png=$(loaded "$work/lean.png")
[[ -s $work/lean.png ]] || { echo "FAIL: no PNG written"; status=1; }
# The sanitizer build links the JPEG library (its leak checker cannot scan a late-loaded one).
linked=$(ldd "$quillmark")
unloaded=(libQt6 libtiff libgif libzint libfontconfig libfreetype)
grep -q libasan <<<"$linked" || unloaded+=(libjpeg)
for library in "${unloaded[@]}"; do
    if grep -q "$library" <<<"$png"; then
        echo "FAIL: a PNG export loads $library"
        status=1
    fi
done
fresh=$(loaded "$work/fresh.png" --data "QUIZ-9")
grep -q libfreetype <<<"$fresh" ||
    { echo "FAIL: characters not drawn before did not load FreeType"; status=1; }
[[ -s $work/fresh.png ]] || { echo "FAIL: no PNG written with new characters"; status=1; }
tiff=$(loaded "$work/lean.tif")
grep -q libtiff <<<"$tiff" || { echo "FAIL: a TIFF export did not load the TIFF library"; status=1; }
[[ $(head -c 2 "$work/lean.tif") == II ]] || { echo "FAIL: no TIFF image written"; status=1; }
ean=$(LD_DEBUG=files "$quillmark" --export "$work/ean.png" --symbology "EAN 13" \
    --data 590123412345 2>&1 >/dev/null | sed -n 's/.*calling init: \(.*\)/\1/p')
grep -q libzint <<<"$ean" && { echo "FAIL: an EAN 13 export loads the encoder library"; status=1; }
[[ -s $work/ean.png ]] || { echo "FAIL: no EAN 13 written"; status=1; }
for symbology in "QR Code" "PDF417" "Data Matrix"; do
    made=$(loaded "$work/$symbology.png" --symbology "$symbology")
    grep -q libzint <<<"$made" ||
        { echo "FAIL: a $symbology export did not load its encoder"; status=1; }
    [[ -s "$work/$symbology.png" ]] || { echo "FAIL: no $symbology written"; status=1; }
done
databar=$(LD_DEBUG=files "$quillmark" --export "$work/databar.png" \
    --symbology "GS1 DataBar Omnidirectional" --data 0950110153000 2>&1 >/dev/null |
    sed -n 's/.*calling init: \(.*\)/\1/p')
grep -q libzint <<<"$databar" || { echo "FAIL: a DataBar export did not load its encoder"; status=1; }
# A vector picture draws its text as glyph outlines: learned through FreeType the first time,
# then kept, so the next picture of those characters loads neither FreeType nor fontconfig and
# is the same file.
"$quillmark" --export "$work/first.svg" --data LEAN-1 || exit 1
svg=$(loaded "$work/again.svg")
for library in libQt6 libfreetype libfontconfig; do
    grep -q "$library" <<<"$svg" && { echo "FAIL: an SVG of known text loads $library"; status=1; }
done
cmp -s "$work/first.svg" "$work/again.svg" ||
    { echo "FAIL: the SVG drawn from the kept outlines differs from the first"; status=1; }
grep -q '<path fill="#000000"' "$work/again.svg" || { echo "FAIL: no SVG written"; status=1; }
((status == 0)) && echo "ok: $(wc -l <<<"$png") libraries for a PNG export, FreeType only for new" \
    "characters, the TIFF library only for TIFF, the encoder only for its symbologies"
exit $status
