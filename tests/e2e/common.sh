# What the end-to-end runs share: reporting checks, polling, and reading the picture off a screenshot
# (ImageMagick). Sourced by tests/e2e/desktop/run and tests/e2e/wine/run.

failures=0
report() {  # status name [detail]
    if [ "$1" -eq 0 ]; then
        printf 'PASS  %s\n' "$2"
    else
        printf 'FAIL  %s%s\n' "$2" "${3:+: $3}"
        failures=$((failures + 1))
    fi
}

# Polls a command every 0.2 s until it succeeds or `seconds` pass; returns 1 when time ran out.
poll() {  # seconds command...
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

# Bounding box (WxH+X+Y) of the pixels of one exact colour in a screenshot, empty when there are none.
colour_box() {  # png colour
    local box
    box=$(convert "$1" -alpha off -fill black +opaque "$2" -format '%@' info: 2>/dev/null)
    case "$box" in 0x0* | '') ;; *) echo "$box" ;; esac
}

# Where the picture belongs for a client area of w x h: the largest 4:3 rectangle, centred.
letterbox() {  # w h origin_x origin_y
    local w=$1 h=$2 width height x y
    if ((3 * w > 4 * h)); then
        width=$((256 * h / 192)) height=$h x=$(((w - 256 * h / 192) / 2)) y=0
    else
        width=$w height=$((192 * w / 256)) x=0 y=$(((h - 192 * w / 256) / 2))
    fi
    echo "${width}x${height}+$((x + $3))+$((y + $4))"
}

# The blue box once it has stopped: two screenshots 0.2 s apart show it at the same place.
steady_box() {  # png
    local previous='' now _
    for _ in $(seq 25); do
        import -window root "$1"
        now=$(colour_box "$1" '#0000FF')
        if [ -n "$now" ] && [ "$now" = "$previous" ]; then
            echo "$now"
            return 0
        fi
        previous=$now
        sleep 0.2
    done
    return 1
}

# The colour shown for picture pixel (px, py) (row 0 at the bottom) in a screenshot, as #RRGGBB: the
# middle of the pixel once the picture is scaled into its letterbox.
picture_colour() {  # png px py
    local width height x y
    IFS='x+' read -r width height x y <<<"$(letterbox "$WIDTH" "$HEIGHT" "$X" "$Y")"
    convert "$1" -alpha off -format "#%[hex:p{$((x + (2 * $2 + 1) * width / 512)),$((y + (2 * (191 - $3) + 1) * height / 384))}]" info:
}
