# What each step of ./dev needs from Debian, sourced by ./dev. Each list is installed when its step is
# about to run, so a package that cannot be installed today stops only the steps that need it.
# The release build that ./dev run starts (its preset also configures the benchmarks).
desktop_packages=(cmake ninja-build g++ pkg-config libsdl2-dev libpng-dev libbenchmark-dev)
# The native test builds. valgrind must be there before the dev build is configured, or the memcheck run of
# the soak is left out.
native_packages=("${desktop_packages[@]}" libgtest-dev libgmock-dev libx11-dev valgrind)
fuzz_packages=(clang libclang-rt-14-dev)
# The end-to-end scripts: a private X display, keys and screenshots, a terminal for the console.
e2e_packages=(xvfb xauth xdotool tmux imagemagick)
# The 32-bit Windows cross-build, which needs no i386 package, and 32-bit Wine to run it, which does (wine32
# needs the i386 architecture). Wine's X11 driver only recommends the X extension libraries and fonts that
# give it the same windows as a full install.
win32_build_packages=(cmake ninja-build g++-mingw-w64-i686 g++-mingw-w64-i686-posix googletest)
win32_packages=("${win32_build_packages[@]}" "${e2e_packages[@]}" wine wine32:i386 fonts-wine
    libxrender1:i386 libxcursor1:i386 libxi6:i386 libxrandr2:i386 libxinerama1:i386 libxcomposite1:i386
    libxfixes3:i386)
# The 64-bit Windows cross-build and wine64: no i386 index involved, so it installs when a mirror's i386
# index is out of step with its amd64 one and wine32 cannot.
win64_packages=(cmake ninja-build g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix googletest "${e2e_packages[@]}"
    wine wine64 fonts-wine libxrender1 libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1 libxfixes3)
# The browser build: Debian's emscripten (its html5 API, no ports, so nothing is fetched while building);
# its end-to-end test drives Debian's Chromium with playwright-core from npm.
web_packages=(cmake ninja-build emscripten)
web_test_packages=(chromium)
