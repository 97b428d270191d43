#!/usr/bin/env bash
# ./dev's installing and stage logic against a fake apt. Each scenario puts fake apt-get, dpkg-query, dpkg, id
# and sudo first on PATH and runs ./dev with NOVRA_DEV_DRY=1, which only prints the builds and tests it would
# run: every package, retry, fallback and skip decision is ./dev's own. No real package is touched. Checked:
# the exit status, the apt-get calls in order, lines ./dev must print in that order, lines it must not print.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# The fakes keep their state in FAKE_STATE: installed (one package a line), arches (foreign architectures),
# apt (one line per apt-get call: the subcommand and its packages).
cat >"$work/bin/id" <<'EOF'
#!/usr/bin/env bash
[ "${1:-}" = -u ] && echo "${FAKE_UID:-0}"
EOF
# FAKE_SUDO=nopasswd runs the command as root; FAKE_SUDO=password refuses -n and otherwise waits for a
# password that never comes, as a prompt would with no one at the terminal.
cat >"$work/bin/sudo" <<'EOF'
#!/usr/bin/env bash
if [ "${1:-}" = -n ]; then
    shift
    [ "${FAKE_SUDO:-}" = nopasswd ] || { echo "sudo: a password is required" >&2; exit 1; }
fi
[ "${FAKE_SUDO:-}" = nopasswd ] || { echo "[sudo] password for novra:" >&2; sleep 60; exit 1; }
FAKE_UID=0 exec "$@"
EOF
# dpkg-query -W -f=FORMAT PACKAGE...: FORMAT for each installed one (${Package}, ${Architecture} and ${Status}
# filled in), an error for each other, as dpkg-query does. Everything is amd64 unless its name says :i386.
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
format=${2#-f=}
status=0
for package in "${@:3}"; do
    if grep -qxF "$package" "$FAKE_STATE/installed"; then
        name=${package%:*} arch=amd64
        [ "$name" = "$package" ] || arch=${package#*:}
        line=${format//'${Package}'/$name}
        line=${line//'${Architecture}'/$arch}
        printf '%b' "${line//'${Status}'/install ok installed}"
    else
        echo "dpkg-query: no packages found matching $package" >&2
        status=1
    fi
done
exit $status
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case $1 in
    --print-architecture) echo amd64 ;;
    --print-foreign-architectures) cat "$FAKE_STATE/arches" ;;
    --add-architecture)
        [ "$(id -u)" = 0 ] || { echo "dpkg: error: requested operation requires superuser privilege" >&2; exit 2; }
        echo "$2" >>"$FAKE_STATE/arches"
        ;;
    *) exit 2 ;;
esac
EOF
# FAKE_UPDATE=fail fails the update on one index as a mirror in the middle of a sync does; FAKE_INSTALL_FAILS=N
# fails the first N installs outright; FAKE_BROKEN (comma-separated) lists packages apt will not install.
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
words=()
while [ $# -gt 0 ]; do
    case $1 in
        -o) shift 2 ;;
        -*) shift ;;
        *) words+=("$1") && shift ;;
    esac
done
echo "${words[*]}" >>"$FAKE_STATE/apt"
if [ "$(id -u)" != 0 ]; then
    echo "E: Could not open lock file /var/lib/dpkg/lock-frontend - open (13: Permission denied)" >&2
    exit 100
fi
case ${words[0]} in
    update)
        [ "${FAKE_UPDATE:-}" = fail ] || exit 0
        echo "Err:5 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
        echo "  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 151.101.2.132 80]"
        echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 151.101.2.132 80]" >&2
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
        exit 100
        ;;
    install)
        if [ "$(grep -c '^install' "$FAKE_STATE/apt")" -le "${FAKE_INSTALL_FAILS:-0}" ]; then
            echo "E: Failed to fetch http://deb.debian.org/debian/pool/main/c/cmake/cmake_3.25.1-1_amd64.deb  503  Service Unavailable [IP: 151.101.2.132 80]" >&2
            exit 100
        fi
        for package in "${words[@]:1}"; do
            if [[ $package == *:i386 ]] && ! grep -qx i386 "$FAKE_STATE/arches"; then
                echo "E: Unable to locate package $package" >&2
                exit 100
            fi
            if [[ ,${FAKE_BROKEN:-}, == *",$package,"* ]]; then
                echo "Some packages could not be installed. This may mean that you have requested an impossible situation."
                echo "The following packages have unmet dependencies:"
                echo " $package : Depends: libwine (= 8.0~repack-4) but it is not going to be installed"
                echo "E: Unable to correct problems, you have held broken packages." >&2
                exit 100
            fi
        done
        printf '%s\n' "${words[@]:1}" >>"$FAKE_STATE/installed"
        ;;
esac
EOF
chmod +x "$work/bin"/*

desktop="cmake ninja-build g++ pkg-config libsdl2-dev libpng-dev libbenchmark-dev"
held="E: Unable to correct problems, you have held broken packages."

# scenario | environment (- for none) | ./dev command | exit status | apt-get calls in order, * for any |
#   lines it prints, in this order (;-separated, * matches anything) | lines it never prints
scenarios=$(
    cat <<EOF
a failing update is a warning, the install goes on|FAKE_UPDATE=fail|run|0|update install|installing $desktop;apt-get update failed;Mirror sync in progress?;dry run: configure_and_build release novra;dry run: exec build/release/novra|could not install
an install that fails once is retried after an update|FAKE_INSTALL_FAILS=1|run|0|update install update install|trying once more;dry run: configure_and_build release novra|could not install
an install that fails twice stops with apt's words|FAKE_INSTALL_FAILS=2|run|1|update install update install|apt-get could not install $desktop. It said:;E: Failed to fetch *503  Service Unavailable;Run ./dev run again;sudo apt-get update && sudo apt-get install --no-install-recommends $desktop|dry run
no root and no password-less sudo: the packages and the command|FAKE_UID=1000 FAKE_SUDO=password|run|2||./dev run needs these Debian packages: $desktop;sudo apt-get install --no-install-recommends $desktop|dry run
password-less sudo installs|FAKE_UID=1000 FAKE_SUDO=nopasswd|run|0|update install|installing $desktop;dry run: configure_and_build release novra|
every stage installs what it needs as it starts|-|test|0|update install update install update install update install update install|dry run: tests/dev/install_test.sh;installing $desktop libgtest-dev libgmock-dev libx11-dev valgrind;dry run: cmake --workflow --preset dev --fresh;dry run: cmake --workflow --preset asan --fresh;installing clang libclang-rt-14-dev;dry run: fuzz/run.sh 20;installing xvfb xauth xdotool tmux imagemagick;dry run: timeout 300 tests/e2e/desktop/run build/dev;installing g++-mingw-w64-i686 g++-mingw-w64-i686-posix googletest wine wine32:i386;dry run: configure_and_build --fresh win32;dry run: with_wine win32 xvfb-run;dry run: with_wine win32 tests/e2e/wine/run build/win32;installing emscripten chromium;dry run: configure_and_build --fresh web;dry run: tests/e2e/web/run build/web;setup script * PASSED;native (debug) * PASSED;sanitizers * PASSED;fuzz targets* PASSED;desktop end to end * PASSED;Windows under Wine * PASSED;browser end to end * PASSED|win64
wine32 cannot be installed, wine64 can: the 64-bit path|FAKE_BROKEN=wine32:i386|test|0|*|$held;installing g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix googletest wine wine64;dry run: configure_and_build --fresh win64;dry run: with_wine win64 xvfb-run;dry run: with_wine win64 tests/e2e/wine/run build/win64;Windows under Wine * PASSED (64-bit build under wine64, as 32-bit Wine could not be installed ($held)* the 32-bit build compiled, with its layout checks)|with_wine win32
the 64-bit path fails under NOVRA_REQUIRE_WINDOWS=1|FAKE_BROKEN=wine32:i386 NOVRA_REQUIRE_WINDOWS=1|test|1|*|native (debug) * PASSED;Windows under Wine * FAILED (32-bit Wine could not be installed: $held|configure_and_build --fresh win
no Windows toolchain installs: SKIPPED with apt's reason|FAKE_BROKEN=wine32:i386,wine64|test|0|*|native (debug) * PASSED;desktop end to end * PASSED;Windows under Wine * SKIPPED (apt could not install what it needs: $held)|configure_and_build --fresh win
a skipped Windows stage fails under NOVRA_REQUIRE_WINDOWS=1|FAKE_BROKEN=wine32:i386,wine64 NOVRA_REQUIRE_WINDOWS=1|test|1|*|Windows under Wine * FAILED|SKIPPED
a kernel that cannot run 32-bit programs takes the 64-bit path without installing wine32|NOVRA_RUNS_I386=0|test|0|*|installing g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix googletest wine wine64;dry run: with_wine win64 tests/e2e/wine/run build/win64;Windows under Wine * PASSED (64-bit build under wine64, as 32-bit Wine could not be installed (this machine's kernel cannot run 32-bit x86 programs)*|wine32:i386
a native package that cannot be installed fails the run|FAKE_BROKEN=libsdl2-dev|test|1|update install update install|native (debug) * FAILED (apt could not install;sanitizers * not run;Windows under Wine * not run|dry run: cmake --workflow
EOF
)

# Finds the patterns in the output's lines in the order given; prints the first one missing.
in_order() {  # output-file patterns (;-separated)
    local lines patterns pattern at=0
    mapfile -t lines <"$1"
    IFS=';' read -ra patterns <<<"$2"
    for pattern in "${patterns[@]}"; do
        # shellcheck disable=SC2053 # the pattern is a glob on purpose
        while [ $at -lt ${#lines[@]} ] && [[ ${lines[$at]} != *$pattern* ]]; do at=$((at + 1)); done
        [ $at -lt ${#lines[@]} ] || { echo "$pattern"; return 1; }
        at=$((at + 1))
    done
}

failures=0
while IFS='|' read -r name environment command want_status want_apt want_lines never; do
    state=$work/state
    rm -rf "$state"
    mkdir "$state"
    : >"$state/installed"
    : >"$state/arches"
    : >"$state/apt"
    [ "$environment" != - ] || environment=
    status=0
    # shellcheck disable=SC2086 # the environment column is split into assignments on purpose
    (cd "$root" && env -u NOVRA_REQUIRE_WINDOWS PATH="$work/bin:$PATH" FAKE_STATE="$state" NOVRA_DEV_DRY=1 \
        NOVRA_APT_RETRY_DELAY=0 NOVRA_RUNS_I386=1 $environment timeout 30 ./dev "$command" </dev/null >"$work/out" 2>&1) || status=$?

    problems=()
    [ "$status" = "$want_status" ] || problems+=("exit status $status, expected $want_status")
    apt_calls=$(cut -d' ' -f1 "$state/apt" | paste -sd' ')
    [ "$want_apt" = '*' ] || [ "$apt_calls" = "$want_apt" ] ||
        problems+=("apt-get calls '$apt_calls', expected '$want_apt'")
    missing=$(in_order "$work/out" "$want_lines") || problems+=("no line with '$missing' (in that order)")
    if [ -n "$never" ] && grep -qF -- "$never" "$work/out"; then problems+=("a line with '$never'"); fi

    if [ ${#problems[@]} -eq 0 ]; then
        printf 'PASS  %s\n' "$name"
    else
        printf 'FAIL  %s: %s\n' "$name" "$(printf '%s; ' "${problems[@]}")"
        sed 's/^/      | /' "$work/out"
        failures=$((failures + 1))
    fi
done <<<"$scenarios"
[ "$failures" -eq 0 ] || { echo "$failures of ./dev's install scenarios failed" >&2; exit 1; }
