#!/usr/bin/env bash
# tools/desktop_cost.sh PROGRAM [WxH ...]: the share of one core the desktop program takes with nothing
# moving, at each client size, on a private Xvfb display (no window manager, so xdotool sizes the window
# directly), over 10 s per size after 2 s to settle, from the process's user and system time. Not a test:
# it reports figures for docs/performance.md. The console goes to a file (plain lines), stdin is empty.
set -euo pipefail
program=$(realpath "$1")
shift
[ $# -gt 0 ] && sizes=("$@") || sizes=(800x600 1280x960 1920x1080)
display=:$((200 + RANDOM % 500))
Xvfb "$display" -screen 0 4096x2304x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
log=$(mktemp)
trap 'kill "$xvfb" 2>/dev/null || true; kill "${novra:-}" 2>/dev/null || true; rm -f "$log"' EXIT
sleep 1
DISPLAY=$display "$program" </dev/null >"$log" 2>&1 &
novra=$!
window=
for _ in $(seq 50); do
    window=$(DISPLAY=$display xdotool search --name '^NOVRA$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the window did not open" >&2; exit 1; }
ticks=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$novra/stat"; }
for size in "${sizes[@]}"; do
    DISPLAY=$display xdotool windowsize "$window" "${size%x*}" "${size#*x}"
    sleep 2
    start=$(cpu)
    sleep 10
    end=$(cpu)
    echo "$size: $(awk -v d=$((end - start)) -v t="$ticks" 'BEGIN { printf "%.1f", 100 * d / t / 10 }') % of one core"
done
