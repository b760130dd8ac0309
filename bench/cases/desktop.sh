# Desktop: 1000 files of every format added to the media bin (target under 1 s, the window never
# frozen meanwhile), and 200 files converted through the progress dialog with 2 at once against
# `deraz-convert -j 2` over the same files (target ratio at most 1.05).
DESKTOP=$PWD/build/bin/desktop_bench
DESKTOP_DIR=$BENCH_DIR/desktop
if [ ! -d "$DESKTOP_DIR/mixed" ]; then
    mkdir -p "$DESKTOP_DIR/one" "$DESKTOP_DIR/mixed.tmp" "$DESKTOP_DIR/wav"
    sox "$MUSIC_WAV" "$DESKTOP_DIR/one/a.wav" trim 0 5
    lame --quiet -b 128 "$DESKTOP_DIR/one/a.wav" "$DESKTOP_DIR/one/a.mp3"
    oggenc -Q -q 5 "$DESKTOP_DIR/one/a.wav" -o "$DESKTOP_DIR/one/a.ogg"
    flac -s "$DESKTOP_DIR/one/a.wav" -o "$DESKTOP_DIR/one/a.flac"
    "$CONVERT" -q -f ape -o "$DESKTOP_DIR/one" "$DESKTOP_DIR/one/a.wav"
    for ((i = 0; i < 200; i++)); do
        for ext in wav mp3 ogg flac ape; do
            cp "$DESKTOP_DIR/one/a.$ext" "$DESKTOP_DIR/mixed.tmp/f$i.$ext"
        done
        cp "$DESKTOP_DIR/one/a.wav" "$DESKTOP_DIR/wav/w$i.wav"
    done
    mv "$DESKTOP_DIR/mixed.tmp" "$DESKTOP_DIR/mixed"
fi
# The program times the adding itself, from the call to the last entry listed.
add_time=$("$DESKTOP" add "$DESKTOP_DIR/mixed")
printf '%-44s ours %7.3f s   target 1 s\n' "desktop: 1000 files into the media bin" "$add_time"
bench_ratio "desktop: 200 files, 2 at once vs -j 2" \
    "rm -rf $DESKTOP_DIR/out && mkdir $DESKTOP_DIR/out && $DESKTOP convert $DESKTOP_DIR/wav $DESKTOP_DIR/out 2" \
    "rm -rf $DESKTOP_DIR/cli && $CONVERT -q -j 2 -f flac -o $DESKTOP_DIR/cli $DESKTOP_DIR/wav/*.wav"
