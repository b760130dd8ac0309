# MP3: WAV into MP3 at 128 kbit/s against lame -b 128, MP3 into WAV against mpg123 -w, and an
# MP3 into MP3 re-encode against mpg123 piped into lame.
MP3_BENCH=$BENCH_DIR/mp3
mkdir -p "$MP3_BENCH/ours" "$MP3_BENCH/wav" "$MP3_BENCH/again"
MP3_INPUT=$MP3_BENCH/music.mp3
lame --quiet -b 128 "$MUSIC_WAV" "$MP3_INPUT"

bench_ratio "mp3: wav -> mp3 (128 kbit/s)" \
    "$CONVERT -q -f mp3 -l 11 -o $MP3_BENCH/ours $MUSIC_WAV" \
    "lame --quiet -b 128 $MUSIC_WAV $MP3_BENCH/reference.mp3"
bench_ratio "mp3: mp3 -> wav" \
    "$CONVERT -q -f wav -o $MP3_BENCH/wav $MP3_INPUT" \
    "mpg123 -q -w $MP3_BENCH/reference.wav $MP3_INPUT"
bench_ratio "mp3: mp3 -> mp3 (128 kbit/s)" \
    "$CONVERT -q -f mp3 -l 11 -o $MP3_BENCH/again $MP3_INPUT" \
    "mpg123 -q -s $MP3_INPUT | lame --quiet -r -s 44.1 -b 128 - $MP3_BENCH/reference-again.mp3"
