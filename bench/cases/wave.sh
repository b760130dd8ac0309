# WAV through deraz-convert against ffmpeg: IMA ADPCM encoding, and IMA and Microsoft ADPCM
# decoding to PCM (inputs made by sox, so that each case stands on its own).
wave_dir=$BENCH_DIR/wave
mkdir -p "$wave_dir"/{to_ima,from_ima,from_ms}
[ -f "$wave_dir/ima.wav" ] || sox "$MUSIC_WAV" -e ima-adpcm "$wave_dir/ima.wav"
[ -f "$wave_dir/ms.wav" ] || sox "$MUSIC_WAV" -e ms-adpcm "$wave_dir/ms.wav"
bench_ratio "wav pcm -> ima adpcm vs ffmpeg" \
    "$CONVERT -q -f wav --wav-type ima -o $wave_dir/to_ima $MUSIC_WAV" \
    "ffmpeg -nostdin -v error -y -i $MUSIC_WAV -c:a adpcm_ima_wav -block_size 512 $wave_dir/ffmpeg_ima.wav"
for wave_kind in ima ms; do
    bench_ratio "wav $wave_kind adpcm -> pcm vs ffmpeg" \
        "$CONVERT -q -f wav --wav-type pcm -o $wave_dir/from_$wave_kind $wave_dir/$wave_kind.wav" \
        "ffmpeg -nostdin -v error -y -i $wave_dir/$wave_kind.wav -c:a pcm_s16le $wave_dir/ffmpeg_$wave_kind.wav"
done
