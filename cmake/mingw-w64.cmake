# Cross-build for Windows with mingw-w64, included by mingw-i686.cmake and mingw-x86_64.cmake once they have
# set CMAKE_SYSTEM_PROCESSOR, NOVRA_MINGW_TRIPLE and NOVRA_WINE_ARCH (win32 or win64). The posix thread-model
# compilers are the ones whose libstdc++ has std::thread and std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${NOVRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NOVRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${NOVRA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NOVRA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A bare Windows has no libstdc++, libgcc or winpthread DLLs: link all three into every exe. -static only
# changes how those libraries are found; the system DLLs are still imported through their import libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# Test exes run under Wine through this wrapper; it keeps the Wine prefix, of the build's word size, inside the
# build folder.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        "${CMAKE_CURRENT_LIST_DIR}/wine-run;--${NOVRA_WINE_ARCH};${CMAKE_BINARY_DIR}/wineprefix"
        CACHE STRING "Runs a cross-built exe under Wine")
endif()
