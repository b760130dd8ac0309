# Desktop: 1000 files of every format added to the media bin (target under 1 s, the window never
# frozen meanwhile), and WAV files converted to FLAC through the progress dialog with 2 at once
# against `deraz-convert -j 2` over the same files, 200 short ones and 20 of 60 s (target ratio at
# most 1.05 each).
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
if [ ! -d "$DESKTOP_DIR/long" ]; then
    mkdir -p "$DESKTOP_DIR/long.tmp"
    sox "$MUSIC_WAV" "$DESKTOP_DIR/long.tmp/l0.wav" trim 0 60
    for ((i = 1; i < 20; i++)); do cp "$DESKTOP_DIR/long.tmp/l0.wav" "$DESKTOP_DIR/long.tmp/l$i.wav"; done
    mv "$DESKTOP_DIR/long.tmp" "$DESKTOP_DIR/long"
fi
# The program times the adding itself, from the call to the last entry listed.
add_time=$("$DESKTOP" add "$DESKTOP_DIR/mixed")
printf '%-44s ours %7.3f s   target 1 s\n' "desktop: 1000 files into the media bin" "$add_time"
# desktop_ratio NAME FOLDER: the WAV files of FOLDER through the progress dialog against the whole
# command-line process. The dialog's side is the batch as the program times it, from "Start
# conversion." to the end of the batch, since the desktop program's own start (Qt, fonts, the
# windows) is no part of converting; the command line keeps its start in its time.
desktop_ratio() {
    local times=() i ours reference
    for ((i = 0; i < BENCH_RUNS; i++)); do
        rm -rf "$DESKTOP_DIR/out" && mkdir "$DESKTOP_DIR/out"
        times+=("$("$DESKTOP" convert "$2" "$DESKTOP_DIR/out" 2)")
    done
    ours=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((BENCH_RUNS + 1) / 2))p")
    reference=$(bench_time "rm -rf $DESKTOP_DIR/cli && $CONVERT -q -j 2 -f flac -o $DESKTOP_DIR/cli $2/*.wav")
    printf '%-44s ours %7.3f s   reference %7.3f s   ratio %5.2f   target 1.05\n' "$1" "$ours" "$reference" \
        "$(echo "$ours / $reference" | bc -l)"
}
desktop_ratio "desktop: 200 files, 2 at once vs -j 2" "$DESKTOP_DIR/wav"
desktop_ratio "desktop: 20 files of 60 s, 2 at once vs -j 2" "$DESKTOP_DIR/long"
