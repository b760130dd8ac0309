# Ogg Vorbis: WAV into Ogg Vorbis at list entry 5 (quality 0.5) against oggenc -q 5, and Ogg
# Vorbis into WAV against oggdec.
VORBIS_BENCH=$BENCH_DIR/vorbis
mkdir -p "$VORBIS_BENCH/ours" "$VORBIS_BENCH/wav"
oggenc -Q -q 6 -o "$VORBIS_BENCH/q6.ogg" "$MUSIC_WAV"

bench_ratio "vorbis: wav -> ogg (quality 0.5)" \
    "$CONVERT -q -f ogg -l 5 -o $VORBIS_BENCH/ours $MUSIC_WAV" \
    "oggenc -Q -q 5 -o $VORBIS_BENCH/reference.ogg $MUSIC_WAV"
bench_ratio "vorbis: ogg -> wav" \
    "$CONVERT -q -f wav -o $VORBIS_BENCH/wav $VORBIS_BENCH/q6.ogg" \
    "oggdec -Q -o $VORBIS_BENCH/reference.wav $VORBIS_BENCH/q6.ogg"
