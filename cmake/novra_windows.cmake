# novra_windows_program(TARGET): makes TARGET the Windows program: a GUI-subsystem exe entered at wWinMain,
# linked with the Win32 libraries it calls, left at the top of the build folder (build/win32/novra.exe).
# Does nothing outside Windows builds, so the same CMakeLists serves the desktop build.
function(novra_windows_program target)
    if(NOT WIN32)
        return()
    endif()
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
    target_link_libraries(${target} PRIVATE user32 gdi32 imm32 winmm)
    if(MINGW)
        # MSVC's linker picks the wide-character entry by itself when it sees wWinMain; GCC is told. The
        # runtime goes into the exe also when MinGW builds on Windows itself, without the cross toolchain.
        target_link_options(${target} PRIVATE -municode -static)
    endif()
endfunction()
