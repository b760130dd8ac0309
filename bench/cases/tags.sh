# Tags: a tagged FLAC with a cover picture into MP3 with --copy-tags against the same conversion
# with --no-copy-tags (target: a ratio of at most 1.02).
TAGS_BENCH=$BENCH_DIR/tags
mkdir -p "$TAGS_BENCH/with" "$TAGS_BENCH/without"
TAGS_INPUT=$TAGS_BENCH/tagged.flac
flac -s -f -o "$TAGS_INPUT" "$MUSIC_WAV"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=500x500 -frames:v 1 "$TAGS_BENCH/cover.jpg"
metaflac --set-tag="TITLE=Bench title" --set-tag="ARTIST=Bench artist" --set-tag="ALBUM=Bench album" \
    --set-tag=TRACKNUMBER=1 --set-tag=TRACKTOTAL=9 --set-tag=DATE=2026 --set-tag=GENRE=Rock \
    --import-picture-from="3|image/jpeg|front||$TAGS_BENCH/cover.jpg" "$TAGS_INPUT"

bench_ratio "tags: flac -> mp3 with tags vs without" \
    "$CONVERT -q --copy-tags -f mp3 -l 11 -o $TAGS_BENCH/with $TAGS_INPUT" \
    "$CONVERT -q --no-copy-tags -f mp3 -l 11 -o $TAGS_BENCH/without $TAGS_INPUT"
