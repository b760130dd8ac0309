# 96 kHz/24-bit FLAC into 48 kHz/16-bit FLAC (libsoxr at very-high quality, TPDF dither) against
# sox doing the same with its own very-high-quality rate and dither on the same file.
DEVICE_BENCH=$BENCH_DIR/device
mkdir -p "$DEVICE_BENCH/ours"
bench_hires_flac "$DEVICE_BENCH/hires.flac"

bench_ratio "device: 96/24 flac -> 48/16 flac" \
    "$CONVERT -q --no-copy-tags -f flac --max-rate 48000 --max-bits 16 -o $DEVICE_BENCH/ours $DEVICE_BENCH/hires.flac" \
    "sox $DEVICE_BENCH/hires.flac -b 16 $DEVICE_BENCH/reference.flac rate -v 48000 dither"
