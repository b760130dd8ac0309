# WavPack and the FLAC presets: WAV into WavPack ("Normal", with its MD5 sum) against wavpack -m,
# WavPack into WAV (the sum checked) against wvunpack -m, and WAV into FLAC at "Level 5" against
# flac -5.
LOSSLESS_BENCH=$BENCH_DIR/lossless
mkdir -p "$LOSSLESS_BENCH/wv" "$LOSSLESS_BENCH/wav" "$LOSSLESS_BENCH/flac"
wavpack -q -y -m "$MUSIC_WAV" -o "$LOSSLESS_BENCH/music.wv"

bench_ratio "wavpack: wav -> wv (normal)" \
    "$CONVERT -q -f wv -l normal -o $LOSSLESS_BENCH/wv $MUSIC_WAV" \
    "wavpack -q -y -m $MUSIC_WAV -o $LOSSLESS_BENCH/reference.wv"
bench_ratio "wavpack: wv -> wav" \
    "$CONVERT -q -f wav -o $LOSSLESS_BENCH/wav $LOSSLESS_BENCH/music.wv" \
    "wvunpack -q -y -m $LOSSLESS_BENCH/music.wv -o $LOSSLESS_BENCH/reference.wav"
bench_ratio "flac: wav -> flac (level 5)" \
    "$CONVERT -q -f flac -l 'level 5' -o $LOSSLESS_BENCH/flac $MUSIC_WAV" \
    "flac -s -f -5 -o $LOSSLESS_BENCH/reference.flac $MUSIC_WAV"
