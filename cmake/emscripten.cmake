# The browser build's toolchain: Debian's emscripten. Its JavaScript tools run on the node found on
# PATH, which finds Debian's own modules (acorn, for the optimiser) only through NODE_PATH; it is set
# for configuring and given to every link through a launcher.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(ENV{NODE_PATH} /usr/share/nodejs)
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
