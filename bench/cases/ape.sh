# Monkey's Audio through deraz-convert: encoding at each level against JMAC, decoding against
# ffmpeg decoding the same file.
ape_dir=$BENCH_DIR/ape
mkdir -p "$ape_dir"
# Level index N of deraz-convert is level (N + 1) x 1000; JMAC's cX is the same level.
for ape_index in 0 1 2 3; do
    bench_ratio "ape encode level $((ape_index + 1))000 vs jmac" \
        "$CONVERT -q -f ape -l $ape_index -o $ape_dir/level$ape_index $MUSIC_WAV" \
        "jmac c$((ape_index + 1)) $MUSIC_WAV $ape_dir/jmac$ape_index.ape"
done
ape_file=$ape_dir/level1/$(basename "${MUSIC_WAV%.*}").ape
if [ -f "$ape_file" ]; then
    bench_ratio "ape decode vs ffmpeg" \
        "$CONVERT -q -f wav -o $ape_dir/decoded $ape_file" \
        "ffmpeg -nostdin -v error -y -i $ape_file -f wav $ape_dir/ffmpeg.wav"
else
    printf '%-44s failed (no encoded file)\n' "ape decode vs ffmpeg"
fi
