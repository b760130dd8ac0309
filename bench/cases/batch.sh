# Batches: 200 WAV files of 5 to 20 seconds converted by deraz-convert -j 1 against the reference
# encoder run once per file, one after another, and -j 2 against -j 1 (target: at most 0.55, that is
# at least 1.8 times faster); then the peak memory of converting one 60-minute WAV file into each
# format (target: under 64 MiB).
BATCH_DIR=$BENCH_DIR/batch
BATCH_FILES=${BATCH_FILES:-200}
mkdir -p "$BATCH_DIR/in"
if [ "$(find "$BATCH_DIR/in" -name '*.wav' | wc -l)" -ne "$BATCH_FILES" ]; then
    rm -f "$BATCH_DIR"/in/*.wav
    # Slices of the shared music, 5 to 20 seconds long, from varying offsets.
    for ((i = 0; i < BATCH_FILES; i++)); do
        sox "$MUSIC_WAV" "$BATCH_DIR/in/$(printf 'track%03d' "$i").wav" trim $((i * 7 % 150)) $((5 + i * 13 % 16))
    done
fi

# batch_case NAME EXT LEVEL REFERENCE: REFERENCE encodes "$in" into "$out" for one file.
batch_case() {
    local name=$1 ext=$2 level=$3 reference=$4
    mkdir -p "$BATCH_DIR/ours-$ext" "$BATCH_DIR/ref-$ext"
    bench_ratio "batch $name: -j 1 vs reference" \
        "$CONVERT -q -j 1 -f $ext -l $level -o $BATCH_DIR/ours-$ext $BATCH_DIR/in/*.wav" \
        "for in in $BATCH_DIR/in/*.wav; do out=$BATCH_DIR/ref-$ext/\$(basename \${in%.wav}).$ext; $reference; done"
    bench_ratio "batch $name: -j 2 vs -j 1" \
        "$CONVERT -q -j 2 -f $ext -l $level -o $BATCH_DIR/ours-$ext $BATCH_DIR/in/*.wav" \
        "$CONVERT -q -j 1 -f $ext -l $level -o $BATCH_DIR/ours-$ext $BATCH_DIR/in/*.wav"
}

batch_case "flac" flac 0 'flac -s -f -b 4608 -l 0 -r 0 -m -o $out $in'
batch_case "mp3 128 kbit/s" mp3 11 'lame --quiet -b 128 $in $out'
# Quality entry 5 is Vorbis quality 0.5, oggenc -q 5.
batch_case "ogg quality 0.5" ogg 5 'oggenc -Q -q 5 -o $out $in'

# Peak memory of one hour of music into each format.
LONG_WAV=$BATCH_DIR/hour.wav
if [ ! -f "$LONG_WAV" ]; then
    sox "$MUSIC_WAV" "$LONG_WAV" repeat 19
fi
mkdir -p "$BATCH_DIR/hour"
for ext in ogg mp3 flac ape wav; do
    if peak=$(/usr/bin/time -f %M "$CONVERT" -q -f $ext -o "$BATCH_DIR/hour" "$LONG_WAV" 2>&1 >/dev/null | tail -1) &&
        [[ $peak =~ ^[0-9]+$ ]]; then
        printf '%-44s %7.1f MiB   target 64 MiB\n' "peak memory: 60 min wav -> $ext" "$(echo "$peak / 1024" | bc -l)"
    else
        printf '%-44s failed\n' "peak memory: 60 min wav -> $ext"
    fi
done
