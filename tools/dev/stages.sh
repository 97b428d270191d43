# ./dev test's stages. Each is one line, `stage NAME COMMAND [ARGS...]`: the command runs in a subshell
# under `set -e` and its exit status makes the stage PASSED or FAILED, unless it calls `skip REASON`. `note
# TEXT` adds a remark to its line of the summary. After a stage has FAILED the later ones are not run. A
# stage whose tools may not be installable on every machine starts with
#     ensure_packages_or_skip NOVRA_REQUIRE_THING package...
# and is SKIPPED with apt's reason when they cannot be installed, or FAILED when NOVRA_REQUIRE_THING=1.
stage_dir=
stage_lines=()
stage_failed=0

stage() {  # name command...
    local name=$1 result
    shift
    if [ -z "$stage_dir" ]; then
        stage_dir=$(mktemp -d)
        trap 'rm -rf "$stage_dir"' EXIT
    fi
    if [ $stage_failed -eq 1 ]; then
        stage_lines+=("$(printf '%-24s %8s  %s' "$name" - "not run (an earlier stage failed)")")
        return 0
    fi
    say "$name"
    rm -f "$stage_dir"/*
    local start=$SECONDS status
    set +e
    (
        set -e
        "$@"
    )
    status=$?
    set -e
    if [ $status -ne 0 ]; then
        result=FAILED
        stage_failed=1
    elif [ -f "$stage_dir/skipped" ]; then
        result=SKIPPED
    else
        result=PASSED
    fi
    [ ! -s "$stage_dir/note" ] || result+=" ($(cat "$stage_dir/note"))"
    local took=$((SECONDS - start))
    stage_lines+=("$(printf '%-24s %5d:%02d  %s' "$name" $((took / 60)) $((took % 60)) "$result")")
}

note() {  # text: the running stage's remark in the summary (a later note replaces it)
    [ -z "$stage_dir" ] || printf '%s' "$*" >"$stage_dir/note"
}

# Ends the running stage as SKIPPED for the reason given: for a stage whose tools cannot be installed on this
# machine today. When the variable named is 1 (NOVRA_REQUIRE_WINDOWS, say), the stage FAILS instead.
skip() {  # reason [variable]
    if [ -n "${2:-}" ] && [ "${!2:-0}" = 1 ]; then
        note "$1; $2=1 asks for this stage"
        echo "$1, and $2=1 asks for this stage" >&2
        exit 1
    fi
    note "$1"
    : >"$stage_dir/skipped"
    echo "skipped: $1"
    exit 0
}

summary() {
    say "summary"
    printf '%-24s %8s  %s\n' stage time result
    printf '%s\n' "${stage_lines[@]}"
    local line passed=0 failed=0 skipped=0
    for line in "${stage_lines[@]}"; do
        case $line in
            *' PASSED'*) passed=$((passed + 1)) ;;
            *' SKIPPED'*) skipped=$((skipped + 1)) ;;
            *) failed=$((failed + 1)) ;;  # FAILED, or not run after a failure
        esac
    done
    echo "stages: $passed passed, $failed failed, $skipped skipped"
    return $stage_failed
}
