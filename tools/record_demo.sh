#!/usr/bin/env bash
# tools/record_demo.sh [BUILD_DIR]: records demos/walk.demo again on the desktop build (BUILD_DIR, build/dev
# unless given), played by hand as a user would: the program in a tmux pane (its console) on a private
# Xvfb display, its arrow keys held with xdotool and its commands typed into the pane. About twenty
# seconds: a walk, a slide up along box 1's face, a teleport, `spawn 2000 7` (the picture fills up
# first), walks that slide along the spawned boxes, five boxes removed, and a teleport back. Then checks
# the new demo with `novra --verify`. Record it again, and say why in the commit, whenever a change
# alters what a pass draws: ./dev test verifies the demo on every build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/dev}")
program=$build/novra
[ -x "$program" ] || { echo "missing $program: build the dev preset first" >&2; exit 2; }
for tool in Xvfb tmux xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (./dev installs it for the desktop end-to-end test)" >&2; exit 2; }
done

work=$(mktemp -d)
unset TMUX
pane() { timeout 10 tmux -S "$work/tmux" -f /dev/null "$@"; }
xvfb_pid=
finish() {
    pane kill-server 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.2; done
export DISPLAY=":$(cat "$work/display")"

pane new-session -d -x 100 -y 30 "cd '$work' && env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '$program'; sleep 1"
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^NOVRA$' | head -n 1)
timeout 10 xdotool windowfocus --sync "$window"

type_line() { pane send-keys -l "$1" && pane send-keys Enter && sleep 0.5; }
hold() {  # seconds keys...
    local seconds=$1
    shift
    timeout 10 xdotool keydown "$@"
    sleep "$seconds"
    timeout 10 xdotool keyup "$@"
    sleep 0.3
}

type_line "record walk.demo"
hold 1 Right
type_line "tp 100 40"
hold 1.5 Left Up          # meets box 1's right face, slides up it, then on over its top
type_line "tp 200 150"    # no spawned box is placed where the player stands
type_line "spawn 2000 7"
hold 1.5 Left
hold 1.5 Down
hold 1 Right Down
for number in 2 3 4 5 6; do type_line "rm $number"; done
hold 1.5 Up
hold 1 Left Up
type_line "tp 200 150"
hold 1 Down
sleep 1
type_line "stop"
for _ in $(seq 50); do [ -s "$work/walk.demo" ] && break; sleep 0.2; done
pane capture-pane -p | grep -E '^(recorded|spawned)' || true

cp "$work/walk.demo" "$root/demos/walk.demo"
"$program" --verify "$root/demos/walk.demo"
