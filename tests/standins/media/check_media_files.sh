#!/usr/bin/env bash
# JPEG and ASF files written by media_writer.exe (under Wine), checked with ffprobe and ffmpeg.
# check_media_files.sh <wine-exec> <media_writer.exe> <work folder>
set -uo pipefail
WINE_EXEC="$1"
WRITER="$2"
DIR="$3"
rm -rf "$DIR"
mkdir -p "$DIR"
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

writer() {
    "$WINE_EXEC" "$WRITER" "$@" </dev/null
}

probe() {  # probe <file> <entries> [stream selector]: key=value lines
    ffprobe -v error ${3:+-select_streams "$3"} -show_entries "$2" -of default=noprint_wrappers=1 "$1" </dev/null
}

value() {  # value <key> <probe output>
    sed -n "s/^$1=//p" <<<"$2" | head -1
}

near() {  # near <actual> <expected> <tolerance>
    python3 -c "import sys; a, e, t = map(float, sys.argv[1:]); sys.exit(0 if abs(a - e) <= t else 1)" "$1" "$2" "$3" 2>/dev/null
}

# Mean grey level of frame n of a file.
frame_mean() {
    ffmpeg -nostdin -v quiet -i "$1" -vf "select=eq(n\,$2),format=gray" -frames:v 1 -f rawvideo - |
        python3 -c "import sys; d = sys.stdin.buffer.read(); print(round(sum(d) / len(d), 1) if d else -1)"
}

frame_count() {  # the frame cut off in a truncated file may complain: not counted
    value nb_read_frames "$(ffprobe -v quiet -count_frames -select_streams v -show_entries stream=nb_read_frames -of default=noprint_wrappers=1 "$1" </dev/null)"
}

# --- JPEG: decodes to the picture within a tolerance --------------------------------------
# width height bytesPerPixel quality minimum-luma-PSNR
while read -r w h bpp q min; do
    name="$DIR/p_${w}x${h}_${bpp}_q$q"
    if ! writer jpeg "Z:$name.jpg" "Z:$name.rgb" "$w" "$h" "$bpp" "$q"; then
        fail "jpeg ${w}x$h: writer failed"
        continue
    fi
    info="$(probe "$name.jpg" stream=codec_name,width,height,pix_fmt)"
    [ "$(value codec_name "$info")" = mjpeg ] || fail "jpeg ${w}x$h: not a JPEG ($info)"
    [ "$(value width "$info")x$(value height "$info")" = "${w}x$h" ] || fail "jpeg ${w}x$h: size $info"
    [ "$(value pix_fmt "$info")" = yuvj420p ] || fail "jpeg ${w}x$h: not 4:2:0 ($info)"
    # Luma must be close; chroma loses its fine detail to 4:2:0 by design (sharp red on green).
    psnr="$(ffmpeg -nostdin -v info -f rawvideo -pix_fmt rgb24 -s "${w}x$h" -i "$name.rgb" -i "$name.jpg" \
        -lavfi "[0:v]format=yuv444p[s];[1:v]format=yuv444p[d];[s][d]psnr" -f null - 2>&1 |
        sed -n 's/.*PSNR y:\([0-9.inf]*\) u:\([0-9.inf]*\) v:\([0-9.inf]*\).*/\1 \2 \3/p' | tail -1)"
    echo "jpeg ${w}x$h ${bpp}B q$q: $(stat -c %s "$name.jpg") bytes, PSNR y u v: $psnr dB"
    if ! python3 -c "import sys; y, u, v = map(float, sys.argv[1:4]); sys.exit(0 if y >= $min and min(u, v) >= 24 else 1)" $psnr; then
        fail "jpeg ${w}x$h q$q: PSNR '$psnr' below $min (luma) or 24 (chroma)"
    fi
done <<'EOF'
1 1 3 75 40
16 16 4 75 34
333 201 3 75 45
333 201 4 30 40
101 77 4 95 47
1920 1080 4 75 46
EOF

# --- ASF, video only: 3 s at 15 frames/s ---------------------------------------------------
v="$DIR/video.wmv"
writer asf "Z:$v" 320 240 45 15 -key 5 || fail "video.wmv: writer failed"
info="$(probe "$v" format=format_name,duration:stream=codec_name,width,height)"
[ "$(value format_name "$info")" = asf ] || fail "video.wmv: container ($info)"
[ "$(value codec_name "$info")" = mjpeg ] || fail "video.wmv: codec ($info)"
[ "$(value width "$info")x$(value height "$info")" = 320x240 ] || fail "video.wmv: size ($info)"
near "$(value duration "$info")" 3.0 0.05 || fail "video.wmv: duration ($info)"
[ "$(frame_count "$v")" = 45 ] || fail "video.wmv: $(frame_count "$v") frames, not 45"
pts="$(ffprobe -v error -select_streams v -show_entries packet=pts_time -of csv=p=0 "$v" </dev/null | tr '\n' ' ')"
set -- $pts
[ "$1 $2 $3 ${8}" = "0.000000 0.067000 0.133000 0.467000" ] || fail "video.wmv: frame times $pts"
[ "${45}" = 2.933000 ] || fail "video.wmv: last frame time ${45}"
for n in 0 7 44; do
    expect=$((40 + (n * 10) % 180))
    mean="$(frame_mean "$v" $n)"
    near "$mean" "$expect" 2 || fail "video.wmv: frame $n mean $mean, expected $expect"
done
# Seeking through the index: 2 s is frame 30, a key frame (every fifth one is).
seek="$(ffprobe -v error -select_streams v -read_intervals 2%+0.1 -show_entries packet=pts_time -of csv=p=0 "$v" </dev/null | head -1)"
[ "$seek" = 2.000000 ] || fail "video.wmv: seeking to 2 s lands at '$seek'"
errors="$(ffmpeg -nostdin -v error -i "$v" -f null - 2>&1)"
[ -z "$errors" ] || fail "video.wmv: decode errors: $errors"
echo "video.wmv: $(stat -c %s "$v") bytes, ok so far"

# --- ASF, video and audio ------------------------------------------------------------------
va="$DIR/video_audio.wmv"
writer asf "Z:$va" 642 362 72 24 -audio 48000 1 || fail "video_audio.wmv: writer failed"
vinfo="$(probe "$va" stream=codec_name,width,height,duration v)"
ainfo="$(probe "$va" stream=codec_name,sample_rate,channels,duration a)"
[ "$(value codec_name "$vinfo")" = mjpeg ] || fail "video_audio.wmv: video ($vinfo)"
[ "$(value width "$vinfo")x$(value height "$vinfo")" = 642x362 ] || fail "video_audio.wmv: size ($vinfo)"
[ "$(value codec_name "$ainfo")" = pcm_s16le ] || fail "video_audio.wmv: audio ($ainfo)"
[ "$(value sample_rate "$ainfo")" = 48000 ] || fail "video_audio.wmv: rate ($ainfo)"
[ "$(value channels "$ainfo")" = 1 ] || fail "video_audio.wmv: channels ($ainfo)"
near "$(value duration "$vinfo")" 3.0 0.05 || fail "video_audio.wmv: video duration ($vinfo)"
[ "$(frame_count "$va")" = 72 ] || fail "video_audio.wmv: $(frame_count "$va") frames, not 72"
# 30 blocks of 100 ms were written (the last one at 2.9 s): as long as the video.
samples="$(ffprobe -v error -select_streams a -show_entries packet=duration_time -of csv=p=0 "$va" </dev/null |
    python3 -c "import sys; print(round(sum(float(x) for x in sys.stdin if x.strip()), 3))")"
near "$samples" 3.0 0.001 || fail "video_audio.wmv: audio lasts $samples s, not 3.0"
errors="$(ffmpeg -nostdin -v error -i "$va" -f null - 2>&1)"
[ -z "$errors" ] || fail "video_audio.wmv: decode errors: $errors"
echo "video_audio.wmv: $(stat -c %s "$va") bytes, audio $samples s"

# --- Killed before Close: plays up to its last complete packet -----------------------------
k="$DIR/killed.wmv"
writer asf "Z:$k" 640 480 30 15 -audio 44100 2 -kill
rc=$?
[ "$rc" = 3 ] || fail "killed.wmv: writer exit code $rc, expected 3 (terminated)"
count="$(frame_count "$k")"
[ -n "$count" ] && [ "$count" -ge 29 ] || fail "killed.wmv: $count frames decoded of 30"
last="$(ffprobe -v error -select_streams v -show_entries packet=pts_time -of csv=p=0 "$k" </dev/null | tail -1)"
near "$last" "$(python3 -c "print(($count - 1) / 15)")" 0.001 || fail "killed.wmv: last frame at $last"
mean="$(frame_mean "$k" 20)"
near "$mean" 60 2 || fail "killed.wmv: frame 20 mean $mean"
errors="$(ffmpeg -nostdin -v error -i "$k" -f null - 2>&1)"
[ -z "$errors" ] || fail "killed.wmv: decode errors: $errors"
# The stricter second demuxer of ffmpeg reads it as well.
count_o="$(value nb_read_frames "$(ffprobe -v quiet -f asf_o -count_frames -select_streams v -show_entries stream=nb_read_frames -of default=noprint_wrappers=1 "$k" </dev/null)")"
[ "$count_o" = "$count" ] || fail "killed.wmv: asf_o reads $count_o frames, asf $count"
echo "killed.wmv: $count of 30 frames"

# --- Cut off in the middle of a packet -----------------------------------------------------
t="$DIR/truncated.wmv"
cp "$v" "$t"
# Header object size, then the 50-byte data object header, then 20 packets of 8192 bytes and
# half of the next one.
header="$(python3 -c "import struct; f = open('$t', 'rb'); f.seek(16); print(struct.unpack('<Q', f.read(8))[0])")"
truncate -s $((header + 50 + 20 * 8192 + 4096)) "$t"
count="$(frame_count "$t")"
[ -n "$count" ] && [ "$count" -ge 10 ] && [ "$count" -lt 45 ] || fail "truncated.wmv: $count frames"
mean="$(frame_mean "$t" 5)"
near "$mean" 90 2 || fail "truncated.wmv: frame 5 mean $mean"
echo "truncated.wmv: $count frames"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all media file checks passed"
