# == Monkey's Audio through deraz-convert (the pipeline components)
# Monkey's Audio through deraz-convert: encoding at each level against JMAC, decoding against
# ffmpeg decoding the same file.
ape_dir=$BENCH_DIR/ape
mkdir -p "$ape_dir"/level{0,1,2,3} "$ape_dir/decoded"
# Level index N of deraz-convert is level (N + 1) x 1000; JMAC's cX is the same level.
for ape_index in 0 1 2 3; do
    mkdir -p "$ape_dir/level$ape_index"  # deraz-convert writes into existing folders only
    bench_ratio "ape encode level $((ape_index + 1))000 vs jmac" \
        "$CONVERT -q -f ape -l $ape_index -o $ape_dir/level$ape_index $MUSIC_WAV" \
        "rm -f $ape_dir/jmac$ape_index.ape; jmac c$((ape_index + 1)) $MUSIC_WAV $ape_dir/jmac$ape_index.ape"
done
ape_file=$ape_dir/level1/$(basename "${MUSIC_WAV%.*}").ape
if [ -f "$ape_file" ]; then
    mkdir -p "$ape_dir/decoded"
    bench_ratio "ape decode vs ffmpeg" \
        "$CONVERT -q -f wav -o $ape_dir/decoded $ape_file" \
        "ffmpeg -nostdin -v error -y -i $ape_file -f wav $ape_dir/ffmpeg.wav"
else
    printf '%-44s failed (no encoded file)\n' "ape decode vs ffmpeg"
fi

# == Monkey's Audio library alone
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
