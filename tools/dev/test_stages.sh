# The stages of ./dev test, in the order they run (cmd_test), each one function; sourced by ./dev.
cmd_test() {
    stage "setup script" run tests/dev/install_test.sh
    stage "native (debug)" stage_native
    stage "sanitizers" stage_sanitizers
    stage "fuzz targets, 20 s each" stage_fuzz
    stage "desktop end to end" stage_desktop
    stage "Windows under Wine" stage_windows
    stage "browser end to end" stage_web
    stage "the demo on every build" stage_demos
    summary
}

# Each build is configured afresh (a new cache, so no option of an earlier configure lingers) and then
# builds what changed: CMake's workflow presets carry the configure, build and test sequence.
stage_native() {
    ensure_packages "${native_packages[@]}"
    run cmake --workflow --preset dev --fresh
}

stage_sanitizers() {
    ensure_packages "${native_packages[@]}"
    run cmake --workflow --preset asan --fresh
}

stage_fuzz() {
    ensure_packages "${native_packages[@]}" "${fuzz_packages[@]}"
    run fuzz/run.sh 20
}

# The dev build has the program and the close helper already: no further build for this stage.
stage_desktop() {
    ensure_packages "${e2e_packages[@]}"
    run timeout 300 tests/e2e/desktop/run build/dev
}

# Whether this machine runs 32-bit x86 programs, which 32-bit Wine is: some virtual machines' kernels are
# built without it, and there wine32 installs but cannot start ("Exec format error"). The probe is the
# smallest such program, 93 bytes that only exit with status 0. NOVRA_RUNS_I386=1 or 0 says it instead.
runs_i386() {
    [ -z "${NOVRA_RUNS_I386:-}" ] || { [ "$NOVRA_RUNS_I386" = 1 ]; return; }
    local probe status=0
    probe=$(mktemp)
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'\
'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'\
'\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"  # ELF header, one loaded segment, then exit(0)
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    return $status
}

# NOVRA's home is 32-bit Windows, so the 32-bit build under 32-bit Wine is the real check. When wine32
# cannot be installed, the 64-bit build under wine64 still runs every Win32 call of the program and its
# tests; only the 4-byte layout checks are left out (their test skips itself there).
stage_windows() {
    local status=0 win32_error
    if runs_i386; then
        ensure_packages "${win32_packages[@]}" || status=$?
    else
        status=1
        apt_error="this machine's kernel cannot run 32-bit x86 programs"
    fi
    case $status in
        0)
            windows_tests win32
            return 0
            ;;
        1) win32_error=$apt_error ;;
        *) return 1 ;;
    esac
    if [ "${NOVRA_REQUIRE_WINDOWS:-0}" = 1 ]; then
        note "32-bit Wine could not be installed: $win32_error; NOVRA_REQUIRE_WINDOWS=1 asks for the 32-bit run"
        echo "NOVRA_REQUIRE_WINDOWS=1 asks for the 32-bit run under Wine, and 32-bit Wine could not be installed" >&2
        return 1
    fi
    ensure_packages_or_skip NOVRA_REQUIRE_WINDOWS "${win64_packages[@]}"
    say "32-bit Wine could not be installed: the 64-bit build under wine64 instead"
    note "64-bit build under wine64, as 32-bit Wine could not be installed ($win32_error)"
    windows_tests win64
    # The 32-bit cross-compiler needs no i386 package: building the 32-bit exes still checks the 4-byte
    # layouts, which are static_asserts beside the records.
    if ensure_packages "${win32_build_packages[@]}"; then
        say "the 32-bit Windows build, for its 4-byte layout checks"
        run configure_and_build --fresh win32
        note "64-bit build under wine64, as 32-bit Wine could not be installed ($win32_error); the 32-bit build compiled, with its layout checks"
    fi
}

# The browser build end to end in headless Chromium (tests/e2e/web/run). SKIPPED, with the reason, when
# emscripten, Chromium or Node cannot be installed here; FAILED instead under NOVRA_REQUIRE_WEB=1.
stage_web() {
    local node=()
    # Looked for as commands: a node from elsewhere (with its own npm) serves as well as Debian's.
    command -v node >/dev/null || node+=(nodejs)
    command -v npm >/dev/null || node+=(npm)
    ensure_packages_or_skip NOVRA_REQUIRE_WEB "${web_packages[@]}" "${web_test_packages[@]}" "${node[@]}"
    run configure_and_build --fresh web
    local status=0
    run tests/e2e/web/run build/web || status=$?
    [ "$status" -ne 77 ] || skip "the browser test cannot run here (its reason is above)" NOVRA_REQUIRE_WEB
    return "$status"
}

# The committed demo played on every build this run made, each one matching every picture: the checksums
# prove that the native, Windows and browser builds draw the same passes. A Windows or browser build whose
# stage was skipped here is left out, and the summary says so.
stage_demos() {
    local builds=(build/dev) windows='' left_out=()
    if runs_i386 && dpkg -s wine32 >/dev/null 2>&1 && [ -f build/win32/novra.exe ]; then
        windows=win32
    elif [ -x /usr/lib/wine/wine64 ] && [ -f build/win64/novra.exe ]; then
        windows=win64
    else
        left_out+=("Windows")
    fi
    [ -z "$windows" ] || builds+=("build/$windows")
    if [ -f build/web/novra.html ] && [ -d build/web-test/node_modules/playwright-core ]; then
        builds+=(build/web)
    else
        left_out+=("the browser")
    fi
    [ ${#left_out[@]} -eq 0 ] || note "${left_out[*]} left out: its stage did not build it here"
    if [ -n "$windows" ]; then
        run with_wine "$windows" tests/e2e/demos/run demos/walk.demo "${builds[@]}"
    else
        run tests/e2e/demos/run demos/walk.demo "${builds[@]}"
    fi
}
