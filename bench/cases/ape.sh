# Monkey's Audio, our library alone (through deraz-ape, whole files through the C interface):
# decoding against ffmpeg and JMAC, encoding against JMAC, at every level.
APE_BENCH=$BENCH_DIR/ape
APE_TOOL=$PWD/build/bin/deraz-ape
mkdir -p "$APE_BENCH"

for level in 1000 2000 3000 4000 5000; do
    ape=$APE_BENCH/music-$level.ape
    "$APE_TOOL" c "$level" "$MUSIC_WAV" "$ape"
    bench_ratio "ape: decode $level vs ffmpeg" \
        "$APE_TOOL d $ape $APE_BENCH/ours.wav" \
        "ffmpeg -nostdin -v error -y -i $ape $APE_BENCH/ffmpeg.wav"
    if command -v jmac >/dev/null; then
        # jmac keeps an existing output, so each run removes it first.
        bench_ratio "ape: decode $level vs jmac" \
            "$APE_TOOL d $ape $APE_BENCH/ours.wav" \
            "rm -f $APE_BENCH/jmac.wav; jmac d $ape $APE_BENCH/jmac.wav"
        bench_ratio "ape: encode $level vs jmac" \
            "$APE_TOOL c $level $MUSIC_WAV $APE_BENCH/ours.ape" \
            "rm -f $APE_BENCH/jmac.ape; jmac c$((level / 1000)) $MUSIC_WAV $APE_BENCH/jmac.ape"
    fi
done

# deraz-convert's Monkey's Audio rows (the pipeline components) follow here.
