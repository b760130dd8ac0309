# Library: an --update re-run over 10,000 already converted files (100 albums of 100 tracks, empty
# placeholder audio, each output newer than its input) must read only file times: target under
# 2 seconds for the whole run.
LIBRARY_DIR=$BENCH_DIR/library
LIBRARY_ALBUMS=${LIBRARY_ALBUMS:-100}
LIBRARY_TRACKS=${LIBRARY_TRACKS:-100}
if [ "$(find "$LIBRARY_DIR/out" -name '*.mp3' 2>/dev/null | wc -l)" -ne $((LIBRARY_ALBUMS * LIBRARY_TRACKS)) ]; then
    rm -rf "$LIBRARY_DIR"
    for ((a = 0; a < LIBRARY_ALBUMS; a++)); do
        album=Artist$((a % 10))/Album$a
        mkdir -p "$LIBRARY_DIR/in/$album" "$LIBRARY_DIR/out/$album"
        touch "$LIBRARY_DIR/in/$album/cover.jpg"
        (cd "$LIBRARY_DIR/in/$album" && touch -d '1 hour ago' $(seq -f 'track%03g.flac' 1 "$LIBRARY_TRACKS"))
        (cd "$LIBRARY_DIR/out/$album" && touch cover.jpg $(seq -f 'track%03g.mp3' 1 "$LIBRARY_TRACKS"))
    done
fi
library_time=$(bench_time "$CONVERT -q --update -f mp3 -o $LIBRARY_DIR/out $LIBRARY_DIR/in")
printf '%-44s ours %7.3f s   target 2 s\n' "library: --update over $((LIBRARY_ALBUMS * LIBRARY_TRACKS)) converted files" \
    "$library_time"
