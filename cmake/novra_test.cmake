# novra_add_test(NAME SOURCES files... LIBS libs...): one GoogleTest executable registered with CTest.
find_package(GTest QUIET)
function(novra_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main novra_warnings)
    add_test(NAME ${name} COMMAND ${name})
endfunction()
