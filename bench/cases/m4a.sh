# MPEG-4 audio: WAV into AAC (192 kbit/s) and Apple Lossless against ffmpeg with the same encoders,
# each back into WAV against ffmpeg, then the peak memory of a 60-minute file each way.
M4A_BENCH=$BENCH_DIR/m4a
mkdir -p "$M4A_BENCH/aac" "$M4A_BENCH/alac" "$M4A_BENCH/wav"
FFMPEG="ffmpeg -nostdin -v error -y"
stem=$(basename "${MUSIC_WAV%.*}")

bench_ratio "m4a: wav -> aac 192k" \
    "$CONVERT -q -f m4a -l 192 -o $M4A_BENCH/aac $MUSIC_WAV" \
    "$FFMPEG -i $MUSIC_WAV -c:a aac -b:a 192k $M4A_BENCH/reference-aac.m4a"
bench_ratio "m4a: wav -> alac" \
    "$CONVERT -q -f alac -o $M4A_BENCH/alac $MUSIC_WAV" \
    "$FFMPEG -i $MUSIC_WAV -c:a alac $M4A_BENCH/reference-alac.m4a"
bench_ratio "m4a: aac -> wav" \
    "$CONVERT -q -f wav -o $M4A_BENCH/wav $M4A_BENCH/aac/$stem.m4a" \
    "$FFMPEG -i $M4A_BENCH/aac/$stem.m4a -c:a pcm_s24le $M4A_BENCH/reference-aac.wav"
bench_ratio "m4a: alac -> wav" \
    "$CONVERT -q -f wav -o $M4A_BENCH/wav $M4A_BENCH/alac/$stem.m4a" \
    "$FFMPEG -i $M4A_BENCH/alac/$stem.m4a $M4A_BENCH/reference-alac.wav"

HOUR_WAV=$M4A_BENCH/hour.wav
[ -f "$HOUR_WAV" ] || sox "$MUSIC_WAV" "$HOUR_WAV" repeat 19
m4a_peak() { # m4a_peak NAME ARGUMENTS...: the converter's peak resident memory
    local name=$1 peak
    shift
    if peak=$(/usr/bin/time -f %M "$CONVERT" -q "$@" 2>&1 >/dev/null | tail -1) && [[ $peak =~ ^[0-9]+$ ]]; then
        printf '%-44s %7.1f MiB   target 64 MiB\n' "peak memory: $name" "$(echo "$peak / 1024" | bc -l)"
    else
        printf '%-44s failed\n' "peak memory: $name"
    fi
}
m4a_peak "60 min wav -> aac" -f m4a -o "$M4A_BENCH/hour-aac" "$HOUR_WAV"
m4a_peak "60 min wav -> alac" -f alac -o "$M4A_BENCH/hour-alac" "$HOUR_WAV"
m4a_peak "60 min aac -> wav" -f wav -o "$M4A_BENCH/hour-back" "$M4A_BENCH/hour-aac/hour.m4a"
