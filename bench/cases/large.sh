# A sparse 3 GiB WAV file into FLAC and WAV, every sample checked (the large-file test), timed once:
# too long for ./dev test.
large_start=$(date +%s.%N)
if ctest --test-dir build -L large --output-on-failure >"$BENCH_DIR/large.log" 2>&1; then
    large_status=passed
else
    large_status="FAILED (see $BENCH_DIR/large.log)"
fi
printf '%-44s %s in %.1f s\n' "large: 3 GiB wav -> flac, wav" "$large_status" \
    "$(echo "$(date +%s.%N) - $large_start" | bc -l)"
