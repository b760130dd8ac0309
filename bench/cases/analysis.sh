# Analysis: reading the technical data and tags of a few hundred files of each format with
# deraz-convert --info (one process for all) against ffprobe run once per file (target: at most
# 0.1, that is at least 10 times faster per file).
INFO_DIR=$BENCH_DIR/analysis
INFO_FILES=${INFO_FILES:-200}
INFO_KINDS=${INFO_KINDS:-"mp3 ogg flac wav ape"}

# Ten distinct short pieces per format, each copied to INFO_FILES / 10 names.
info_setup() {
    local kind=$1 dir=$INFO_DIR/$1 i j piece
    mkdir -p "$dir"
    [ "$(find "$dir" -name "*.$kind" | wc -l)" -eq "$INFO_FILES" ] && return
    rm -f "$dir"/*
    for ((i = 0; i < 10; i++)); do
        piece=$dir/piece$i.wav
        sox "$MUSIC_WAV" "$piece" trim $((i * 11)) $((2 + i % 4))
        case $kind in
        mp3) lame --quiet -V $((i % 7)) --tt "Title $i" --ta Artist "$piece" "$dir/p$i.mp3" ;;
        ogg) oggenc -Q -q $((i % 9)) -t "Title $i" -a Artist -o "$dir/p$i.ogg" "$piece" ;;
        flac) flac -s -T "TITLE=Title $i" -o "$dir/p$i.flac" "$piece" ;;
        wav) cp "$piece" "$dir/p$i.wav" ;;
        ape) jmac c$((1 + i % 4)) "$piece" "$dir/p$i.ape" >/dev/null 2>&1 ;;
        esac
        rm -f "$piece"
        [ -f "$dir/p$i.$kind" ] || { echo "analysis: could not make a $kind file" >&2; return 1; }
        for ((j = 0; j < INFO_FILES / 10; j++)); do cp "$dir/p$i.$kind" "$dir/f${i}_$j.$kind"; done
        rm -f "$dir/p$i.$kind"
    done
}

for kind in $INFO_KINDS; do
    info_setup "$kind" || continue
    bench_ratio "info: $INFO_FILES $kind files vs ffprobe" \
        "$CONVERT --info $INFO_DIR/$kind/*.$kind" \
        "for f in $INFO_DIR/$kind/*.$kind; do ffprobe -v error -show_format -show_streams \$f; done"
done
