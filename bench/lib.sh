# Shared by bench/run and the files in bench/cases.
# BENCH_DIR holds the generated audio and every output; CONVERT is our converter.

CONVERT=$PWD/build/bin/deraz-convert
BENCH_DIR=$PWD/bench/out
BENCH_RUNS=${BENCH_RUNS:-3}

# Generates the shared inputs once: MUSIC_WAV, a few minutes of music-like stereo at 44.1 kHz.
bench_setup() {
    mkdir -p "$BENCH_DIR"
    MUSIC_WAV=$BENCH_DIR/music.wav
    if [ ! -f "$MUSIC_WAV" ]; then
        # Chords of detuned voices with vibrato, a tremolo and pink noise: close enough to music
        # that the encoders do real work.
        sox -n -r 44100 -b 16 -c 2 "$BENCH_DIR/voices.wav" synth 180 \
            sine 110-112 sine 164.8 sine 220 sine 277.2 sine 330 tremolo 0.5 40 remix 1,3,5 2,4,5 gain -n -6
        sox -n -r 44100 -b 16 -c 2 "$BENCH_DIR/noise.wav" synth 180 pinknoise tremolo 2 90 gain -n -18
        sox -m "$BENCH_DIR/voices.wav" "$BENCH_DIR/noise.wav" "$MUSIC_WAV" gain -n -1
        rm -f "$BENCH_DIR/voices.wav" "$BENCH_DIR/noise.wav"
    fi
    export MUSIC_WAV
}

# Seconds (wall clock) of the median of BENCH_RUNS runs of a shell command.
bench_time() {
    local times=() i start end
    for ((i = 0; i < BENCH_RUNS; i++)); do
        start=$(date +%s.%N)
        bash -c "$1" >/dev/null 2>&1 || { echo "failed: $1" >&2; echo "nan"; return; }
        end=$(date +%s.%N)
        times+=("$(echo "$end - $start" | bc -l)")
    done
    printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((BENCH_RUNS + 1) / 2))p"
}

# bench_ratio NAME OURS REFERENCE: times both commands in this run and prints ours/reference.
bench_ratio() {
    local name=$1 ours reference
    ours=$(bench_time "$2")
    reference=$(bench_time "$3")
    if [ "$ours" = nan ] || [ "$reference" = nan ]; then
        printf '%-44s failed\n' "$name"
        return
    fi
    printf '%-44s ours %7.3f s   reference %7.3f s   ratio %5.2f\n' "$name" "$ours" "$reference" \
        "$(echo "$ours / $reference" | bc -l)"
}

# bench_hires_flac FILE: one minute of the music at 96 kHz/24 bits as FLAC, made once. Resampling
# fills the low bits, so the encoders and filters see real 24-bit samples.
bench_hires_flac() {
    [ -f "$1" ] && return
    sox "$MUSIC_WAV" -b 24 -r 96000 "$1.wav" trim 0 60 rate -v
    flac -s -f -5 -o "$1" "$1.wav"
    rm -f "$1.wav"
}
