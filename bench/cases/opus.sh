# Opus: WAV into Opus at 128 kbit/s against opusenc --bitrate 128, and Opus into WAV against
# opusdec (at 48 kHz, as our source delivers it); then the peak memory of a 60-minute file each
# way.
OPUS_BENCH=$BENCH_DIR/opus
mkdir -p "$OPUS_BENCH/ours" "$OPUS_BENCH/wav" "$OPUS_BENCH/hour"
opusenc --quiet --bitrate 128 "$MUSIC_WAV" "$OPUS_BENCH/music.opus"

bench_ratio "opus: wav -> opus (128 kbit/s)" \
    "$CONVERT -q -f opus -l 128 -o $OPUS_BENCH/ours $MUSIC_WAV" \
    "opusenc --quiet --bitrate 128 $MUSIC_WAV $OPUS_BENCH/reference.opus"
bench_ratio "opus: opus -> wav" \
    "$CONVERT -q -f wav -o $OPUS_BENCH/wav $OPUS_BENCH/music.opus" \
    "opusdec --quiet --rate 48000 $OPUS_BENCH/music.opus $OPUS_BENCH/reference.wav"

# An hour of the music, as WAV and as Opus.
if [ ! -f "$OPUS_BENCH/hour.opus" ]; then
    sox $(printf "$MUSIC_WAV %.0s" $(seq 20)) "$OPUS_BENCH/hour.wav"
    opusenc --quiet --bitrate 128 "$OPUS_BENCH/hour.wav" "$OPUS_BENCH/hour.opus"
fi
for job in "opus $OPUS_BENCH/hour.wav" "wav $OPUS_BENCH/hour.opus"; do
    set -- $job
    if peak=$(/usr/bin/time -f %M "$CONVERT" -q -f "$1" -o "$OPUS_BENCH/hour" "$2" 2>&1 >/dev/null | tail -1) &&
        [[ $peak =~ ^[0-9]+$ ]]; then
        printf '%-44s %7.1f MiB   target 64 MiB\n' "peak memory: 60 min ${2##*.} -> $1" "$(echo "$peak / 1024" | bc -l)"
    else
        printf '%-44s failed\n' "peak memory: 60 min ${2##*.} -> $1"
    fi
done
