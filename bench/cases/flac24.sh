# 24-bit FLAC into FLAC against flac -d followed by flac with the sink's defaults (block 4608,
# fixed predictors, no residual partitions, mid-side stereo) on the same file.
FLAC24_BENCH=$BENCH_DIR/flac24
mkdir -p "$FLAC24_BENCH/ours"
bench_hires_flac "$FLAC24_BENCH/hires.flac"

bench_ratio "flac: 24-bit flac -> flac" \
    "$CONVERT -q -f flac -o $FLAC24_BENCH/ours $FLAC24_BENCH/hires.flac" \
    "flac -s -f -d -o $FLAC24_BENCH/decoded.wav $FLAC24_BENCH/hires.flac &&
     flac -s -f -b 4608 -l 0 -r 0 -m -o $FLAC24_BENCH/reference.flac $FLAC24_BENCH/decoded.wav"
