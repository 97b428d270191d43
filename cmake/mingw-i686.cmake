# Cross-build for 32-bit Windows, NOVRA's home (the win32 preset).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(NOVRA_MINGW_TRIPLE i686-w64-mingw32)
set(NOVRA_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
