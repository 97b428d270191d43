# Building a preset, and running a Windows build's programs under Wine; sourced by ./dev.
# ./dev test's stages pass --fresh: a new cache, so no option of an earlier configure lingers.
configure_and_build() {  # [--fresh] preset [target...]
    local fresh=()
    if [ "$1" = --fresh ]; then
        fresh=(--fresh)
        shift
    fi
    cmake --preset "$1" "${fresh[@]}" -DNOVRA_WERROR="$werror" >/dev/null
    local targets=()
    [ $# -lt 2 ] || targets=(--target "${@:2}")
    cmake --build --preset "$1" -j "$jobs" "${targets[@]}"
}


# Runs one command with Wine's settings for a Windows build (win32 or win64): its own prefix of that word
# size inside the build folder, no debug output, no prompts to install Mono or Gecko. Debian's `wine` (and
# `wine-stable`, which wineboot calls) start the 32-bit loader whenever wine32 is installed, even for a
# 64-bit prefix, and a kernel without 32-bit support cannot run it: a 64-bit run gets the 64-bit loader
# under both names, first on PATH.
with_wine() {  # arch command...
    local path=$PATH loader
    if [ "$1" = win64 ] && [ -x /usr/lib/wine/wine64 ]; then
        mkdir -p "build/win64/wine64-bin"
        for loader in wine wine-stable; do
            printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"build/win64/wine64-bin/$loader"
            chmod +x "build/win64/wine64-bin/$loader"
        done
        path=$PWD/build/win64/wine64-bin:$PATH
    fi
    PATH=$path WINEPREFIX="$PWD/build/$1/wineprefix" WINEARCH=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        "${@:2}"
}

# The cross-built test exes under Wine, through CTest, on a private X display: Wine's console buffer calls
# work only with one. Every Wine process is waited for before the display goes, so the next run starts clean.
# Then novra.exe end to end. The preset and the Wine prefix share the name: win32 or win64.
windows_tests() {  # win32 | win64
    run configure_and_build --fresh "$1"
    say "the $1 test exes under Wine"
    # shellcheck disable=SC2016 # the inner shell expands them
    run with_wine "$1" xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash -c 'wineserver -w; ctest --preset "$1" -j "$2"; status=$?; wineserver -w; exit $status' - "$1" "$jobs"
    say "novra.exe end to end under Wine and Xvfb"
    run with_wine "$1" tests/e2e/wine/run "build/$1"
}
