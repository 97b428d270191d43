# Cross-build for 64-bit Windows (the win64 preset): what the Windows stage of ./dev test runs under wine64 when
# 32-bit Wine cannot be installed. The Win32 code is the same; only the 4-byte layout checks need win32.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NOVRA_MINGW_TRIPLE x86_64-w64-mingw32)
set(NOVRA_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
