# The real program: a GUI executable (the 32-bit one ships; the 64-bit build
# is for 64-bit Windows without 32-bit support), statically linked so that it
# runs from a USB stick with nothing but Windows' own DLLs.
enable_language(RC)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# What ships leaves its debug information behind: the static runtime brings
# .debug_* sections and a symbol table that together make more than half of
# each file. They go to "<file>.debug" beside it, which the shipped file
# names in its .gnu_debuglink section so that a debugger given a crash dump
# finds them again.
if(NOT CMAKE_OBJCOPY)
  message(FATAL_ERROR "no objcopy for ${CMAKE_SYSTEM_PROCESSOR}: set CMAKE_OBJCOPY in the toolchain file")
endif()
function(ship_without_debug_information target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}>
            $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all
            --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
            $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(installer_win32 STATIC ${WIN32_SOURCES})
# winspool.drv is no known library of Windows: it is found at run time in the
# system folder, never imported (the import check of scripts/test.sh).
target_link_libraries(installer_win32 PUBLIC installer_logic
  advapi32 comctl32 user32 gdi32 kernel32)

add_executable(DriverSetup WIN32 src/shell/app_main.cpp src/resources/installer.rc
  src/resources/app.rc)
target_link_libraries(DriverSetup PRIVATE installer_win32)
target_link_options(DriverSetup PRIVATE ${STATIC_RUNTIME})
ship_without_debug_information(DriverSetup)

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/CMakeLists.txt)
  add_subdirectory(tests/wine)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
  add_subdirectory(tools)
endif()
add_subdirectory(tests/wine/monitor)
