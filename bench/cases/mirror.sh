# Mirror: a --mirror re-run over 10,000 converted files (100 albums of 100 short FLAC tracks
# converted to WAV once, with their manifest) with nothing changed (target: under 2 s), then with
# one album's tags edited, which retags its 100 outputs without converting them (under 3 s).
MIRROR_DIR=$BENCH_DIR/mirror
MIRROR_ALBUMS=${MIRROR_ALBUMS:-100}
MIRROR_TRACKS=${MIRROR_TRACKS:-100}
mirror_run="$CONVERT -q --copy-tags --mirror -f wav -o $MIRROR_DIR/out $MIRROR_DIR/in"
if [ "$(find "$MIRROR_DIR/out" -name '*.wav' 2>/dev/null | wc -l)" -ne $((MIRROR_ALBUMS * MIRROR_TRACKS)) ]; then
    rm -rf "$MIRROR_DIR"
    mkdir -p "$MIRROR_DIR"
    sox -n -r 8000 -c 1 -b 16 "$MIRROR_DIR/one.flac" synth 0.05 sine 440
    for ((a = 0; a < MIRROR_ALBUMS; a++)); do
        album=$MIRROR_DIR/in/Artist$((a % 10))/Album$a
        mkdir -p "$album"
        for ((t = 1; t <= MIRROR_TRACKS; t++)); do cp "$MIRROR_DIR/one.flac" "$album/track$t.flac"; done
    done
    $mirror_run >/dev/null
fi
mirror_time=$(bench_time "$mirror_run")
printf '%-44s ours %7.3f s   target 2 s\n' "mirror: nothing changed, $((MIRROR_ALBUMS * MIRROR_TRACKS)) files" \
    "$mirror_time"
# Each timed run edits the album's tags again first, so each one has 100 outputs to retag.
retag_album="metaflac --remove-tag=ALBUM --set-tag=ALBUM=\$RANDOM $MIRROR_DIR/in/Artist0/Album0/*.flac"
retag_time=$(bench_time "$retag_album && $mirror_run")
printf '%-44s ours %7.3f s   target 3 s\n' "mirror: one album of $MIRROR_TRACKS retagged" "$retag_time"
