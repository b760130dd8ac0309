# Inputs read through FFmpeg's libraries as the last resort: WMA, TTA and the FLAC sound track of
# a video, each into WAV against ffmpeg decoding the same file to WAV.
PROBED_BENCH=$BENCH_DIR/probed
mkdir -p "$PROBED_BENCH/wav"
FFMPEG="ffmpeg -nostdin -v error -y"
$FFMPEG -i "$MUSIC_WAV" -c:a wmav2 -b:a 192k "$PROBED_BENCH/music.wma"
$FFMPEG -i "$MUSIC_WAV" "$PROBED_BENCH/music.tta"
$FFMPEG -f lavfi -i testsrc=s=320x240:r=25 -i "$MUSIC_WAV" -map 0 -map 1 -shortest -c:v mpeg4 -c:a flac \
    "$PROBED_BENCH/music.mkv"

# A WMA decodes to float, which we write as 24-bit samples: ffmpeg writes the same.
for input in music.wma:pcm_s24le music.tta:pcm_s16le music.mkv:pcm_s16le; do
    file=${input%:*}
    bench_ratio "ffmpeg source: ${file#music.} -> wav" \
        "$CONVERT -q -f wav -o $PROBED_BENCH/wav $PROBED_BENCH/$file" \
        "$FFMPEG -i $PROBED_BENCH/$file -vn -c:a ${input#*:} $PROBED_BENCH/reference.wav"
done
