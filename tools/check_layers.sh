#!/bin/sh
# Checks that the include graph runs one way, so that each layer can be read, tested and replaced
# without the ones above it:
#   - each product folder includes only its own files and those of the layers below it: core/; then
#     render/, collision/ and ecs/, each on core/ alone; then game/; then console/ and host/. So the
#     portable folders (core/ ecs/ collision/ render/ game/) include nothing from platform/, and game/
#     nothing from host/; game/ takes from ecs/ only ecs.h, the store's whole contract;
#   - host/ and console/ include only platform/win32.h from platform/, the one surface they are written
#     against (host/entry.cpp, the program's entry, also picks the driver it runs on);
#   - the simulation (platform/sim/) includes no driver (platform/scripted/, desktop/, web/), and its own
#     state (platform/sim/internal.h) is included by its files alone: drivers see platform/sim/driver.h;
#   - fuzz/ takes from tests/ only what tests/shared/ holds for both, and that includes no suite's files;
#   - no files include each other in a loop, and no two units do (a unit is a header with its source:
#     a.cpp including b.h while b.cpp or b.h includes a.h is a loop of units).
# Quoted includes are resolved against the including file's folder, then the repository root; the rest
# (system and library headers) are not ours and are skipped. Prints each broken rule; exits 1 if any.
set -eu
cd "$(dirname "$0")/.."

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

find core ecs collision render game host console platform tools tests fuzz bench \
    -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) 2>/dev/null | sort |
    while read -r file; do
        folder=${file%/*}
        sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
            while read -r included; do
                if [ -f "$folder/$included" ]; then
                    target=$folder/$included
                    case $included in *..*) target=$(realpath --relative-to=. "$target") ;; esac
                elif [ -f "$included" ]; then
                    target=$included
                else
                    continue
                fi
                echo "$file $target"
            done
    done >"$edges"

status=0
broken() {
    # $1: the rule; $2: an extended regular expression over the "from to" lines that break it; $3: one
    # that exempts some of them.
    found=$(grep -E "$2" "$edges" | grep -Ev "${3:-^$}" || true)
    if [ -n "$found" ]; then
        echo "check_layers: $1:"
        echo "$found" | awk '{ print "  " $1 " includes " $2 }'
        status=1
    fi
}
for folder in core render collision ecs; do
    broken "$folder/ includes a higher layer" "^$folder/[^ ]* " " (core|$folder)/"
done
broken "game/ includes a higher layer" '^game/[^ ]* ' ' (core|render|collision|ecs|game)/'
broken "game/ includes an ecs/ header other than ecs.h, the store's contract" '^game/[^ ]* ecs/' ' ecs/ecs\.h$'
broken "console/ includes host/" '^console/[^ ]* host/'
broken "host/ or console/ includes platform/ other than win32.h" '^(host|console)/[^ ]* platform/' \
    '( platform/win32\.h|^host/entry\.cpp .*)$'
broken "the simulation includes a driver" '^platform/sim/[^ ]* platform/(scripted|desktop|web)/'
broken "a file outside the simulation includes its internal header" ' platform/sim/internal\.h$' '^platform/sim/'
broken "a fuzz target includes a test suite's files" '^(fuzz|tests/shared)/[^ ]* tests/' ' tests/shared/'

if [ "$(wc -l <"$edges")" -eq 0 ]; then
    echo "check_layers: found no includes at all; run from the repository" >&2
    exit 1
fi
if ! tsort "$edges" >/dev/null 2>"$edges.loops"; then
    echo "check_layers: files include each other in a loop:"
    sed 's/^/  /' "$edges.loops"
    status=1
fi
# The same graph between units: each file stands for its name without the extension, and a unit's
# include of itself (a source including its header) is no edge.
sed 's/\.[a-z]*\( \|$\)/\1/g' "$edges" | awk '$1 != $2' | sort -u >"$edges.units"
if ! tsort "$edges.units" >/dev/null 2>"$edges.loops"; then
    echo "check_layers: units (a header and its source) include each other in a loop:"
    sed 's/^/  /' "$edges.loops"
    status=1
fi
rm -f "$edges.loops" "$edges.units"
exit $status
