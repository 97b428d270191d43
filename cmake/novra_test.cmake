# novra_add_test(NAME SOURCES files... LIBS libs...): one GoogleTest executable registered with CTest.
#
# Native builds use the installed GoogleTest. A cross-build, or a build where none is installed (Windows),
# compiles GoogleTest from its sources (here Debian's package googletest) under the same target names, so test
# folders read the same in every build; CTest runs cross-built exes through CMAKE_CROSSCOMPILING_EMULATOR.
set(NOVRA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources, used when none is installed")
if(NOT CMAKE_CROSSCOMPILING)
    find_package(GTest QUIET)
endif()
if(NOT TARGET GTest::gtest AND EXISTS ${NOVRA_GOOGLETEST_SOURCE}/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${NOVRA_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)  # defines GTest::*
endif()

function(novra_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main novra_warnings)
    add_test(NAME ${name} COMMAND ${name})
endfunction()
