#!/usr/bin/env bash
# installed-programs.sh BUILD_DIR: installs the build into a scratch prefix, moves the prefix, and
# runs the installed programs from there. Checks the installed files, that the programs find our
# Monkey's Audio library in the installation itself, and where they take their settings from.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$scratch/staged" >/dev/null
# Moved after installing: nothing may depend on where it was installed or on the build folder.
mv "$scratch/staged" "$scratch/prefix"
prefix=$scratch/prefix

share=$prefix/share
installed=(bin/deraz-convert lib/*/deraz/libMACDll.so share/icons/hicolor/scalable/apps/deraz.svg
    share/man/man1/deraz.1.gz share/man/man1/deraz-convert.1.gz)
for size in 16 22 24 32 48 64 128 256; do
    installed+=("share/icons/hicolor/${size}x$size/apps/deraz.png")
done
# The desktop program with its menu entry and its description.
if [ -x "$build/bin/deraz" ]; then
    installed+=(bin/deraz share/applications/org.deraz.Converter.desktop
        share/metainfo/org.deraz.Converter.metainfo.xml)
fi
for file in "${installed[@]}"; do
    compgen -G "$prefix/$file" >/dev/null || fail "$file is not installed"
done
if [ -x "$build/bin/deraz" ]; then
    QT_QPA_PLATFORM=offscreen timeout 20 "$prefix/bin/deraz" --version | grep -q . || fail "deraz --version"
fi
if readelf -d "$prefix/bin/deraz-convert" | grep -Eq 'RUNPATH|RPATH'; then
    fail "the installed deraz-convert has a library search path"
fi

# One second of stereo sound; as Monkey's Audio and back it must come out the same.
work=$scratch/work
mkdir -m 777 "$work" "$work/out" "$work/back" "$work/config"
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 1 sine 440 sine 660 2>/dev/null
converter=$prefix/bin/deraz-convert
"$converter" -q -f ape -o "$work/out" "$work/tone.wav" || fail "WAV to Monkey's Audio"
"$converter" -q -f wav -o "$work/back" "$work/out/tone.ape" || fail "Monkey's Audio to WAV"
[ "$(sox "$work/tone.wav" -t raw - | md5sum)" = "$(sox "$work/back/tone.wav" -t raw - | md5sum)" ] ||
    fail "the Monkey's Audio round trip changed the sound"

# Without our library, Monkey's Audio is refused by name and the rest still converts.
private=$(echo "$prefix"/lib/*/deraz)
mv "$private" "$scratch/hidden"
status=0
"$converter" -q -f ape -o "$work/out" "$work/tone.wav" 2>"$work/errors" || status=$?
[ $status -eq 1 ] && grep -q "libMACDll.so library could not be loaded." "$work/errors" ||
    fail "a missing libMACDll.so was not reported (status $status): $(cat "$work/errors")"
"$converter" -q -f wav --wav-type ima -o "$work/out" "$work/tone.wav" || fail "WAV to IMA ADPCM without libMACDll.so"
mv "$scratch/hidden" "$private"

# settings FILE FORMAT: a settings file whose stored output format is FORMAT (an index).
settings() { printf '[Output]\nDestExt=%s\nBitrate=0\n' "$2" >"$1"; }
# The output written without -f names the settings file that was read.
output_without_format() {
    rm -f "$work/out"/*
    "$@" "$converter" -q -o "$work/out" "$work/tone.wav" || fail "conversion with stored format"
    ls "$work/out"
}

# A writable installation keeps its settings beside the program.
settings "$prefix/bin/Varidir.ini" 4
mkdir -p "$work/config/deraz"
settings "$work/config/deraz/Varidir.ini" 2
[ "$(output_without_format env XDG_CONFIG_HOME="$work/config")" = tone.ape ] ||
    fail "the settings beside a writable program were not used"

# A read-only installation takes them from $XDG_CONFIG_HOME/deraz. Root may write anywhere, so
# the program then runs as an unprivileged user.
chmod -R a-w "$prefix"
as_user=(env)
[ "$(id -u)" -ne 0 ] || as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups env)
chmod -R a+rwX "$work"
[ "$(output_without_format "${as_user[@]}" XDG_CONFIG_HOME="$work/config")" = tone.fla ] ||
    fail "the settings in \$XDG_CONFIG_HOME were not used by a read-only installation"
echo "installed programs work from $prefix"
