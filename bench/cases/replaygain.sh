# ReplayGain: a batch of 20 WAV files (one album, 20 to 40 seconds each) into FLAC with
# --replaygain album against the same batch without it (target: a ratio of at most 1.05).
GAIN_BENCH=$BENCH_DIR/replaygain
mkdir -p "$GAIN_BENCH/in" "$GAIN_BENCH/with" "$GAIN_BENCH/without"
if [ "$(find "$GAIN_BENCH/in" -name '*.wav' | wc -l)" -ne 20 ]; then
    rm -f "$GAIN_BENCH"/in/*.wav
    for ((i = 0; i < 20; i++)); do
        sox "$MUSIC_WAV" "$GAIN_BENCH/in/$(printf 'track%02d' "$i").wav" trim $((i * 7 % 140)) $((20 + i % 21))
    done
fi

bench_ratio "replaygain: 20 wav -> flac, album vs off" \
    "$CONVERT -q -f flac -o $GAIN_BENCH/with --replaygain album $GAIN_BENCH/in/*.wav" \
    "$CONVERT -q -f flac -o $GAIN_BENCH/without $GAIN_BENCH/in/*.wav"
