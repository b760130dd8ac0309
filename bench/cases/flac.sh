# FLAC: WAV into FLAC against flac with the sink's defaults (block 4608, fixed predictors,
# no residual partitions, mid-side stereo), FLAC into WAV against flac -d, and the size of our
# output against flac -5.
FLAC_BENCH=$BENCH_DIR/flac
mkdir -p "$FLAC_BENCH/ours" "$FLAC_BENCH/wav"
flac -s -f -5 -o "$FLAC_BENCH/level5.flac" "$MUSIC_WAV"

bench_ratio "flac: wav -> flac (4608, fixed, mid-side)" \
    "$CONVERT -q -f flac -o $FLAC_BENCH/ours $MUSIC_WAV" \
    "flac -s -f -b 4608 -l 0 -r 0 -m -o $FLAC_BENCH/reference.flac $MUSIC_WAV"
bench_ratio "flac: flac -> wav" \
    "$CONVERT -q -f wav -o $FLAC_BENCH/wav $FLAC_BENCH/level5.flac" \
    "flac -s -f -d -o $FLAC_BENCH/reference.wav $FLAC_BENCH/level5.flac"

flac_size() { stat -c %s "$1" 2>/dev/null || echo 0; }
ours_size=$(flac_size "$FLAC_BENCH/ours/$(basename "${MUSIC_WAV%.*}").flac")
level5_size=$(flac_size "$FLAC_BENCH/level5.flac")
if [ "$ours_size" -gt 0 ] && [ "$level5_size" -gt 0 ]; then
    printf '%-44s ours %10d B   flac -5 %10d B   ratio %5.3f\n' "flac: output size" "$ours_size" \
        "$level5_size" "$(echo "$ours_size / $level5_size" | bc -l)"
else
    printf '%-44s failed\n' "flac: output size"
fi
