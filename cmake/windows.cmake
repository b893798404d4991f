# The real program: a 32-bit GUI executable, statically linked so that it runs
# from a USB stick with nothing but Windows' own DLLs.
enable_language(RC)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(installer_win32 STATIC ${WIN32_SOURCES})
target_link_libraries(installer_win32 PUBLIC installer_logic
  winspool advapi32 shlwapi comctl32 user32 gdi32 kernel32)

add_executable(DriverSetup WIN32 src/shell/app_main.cpp src/resources/installer.rc
  src/resources/app.rc)
target_link_libraries(DriverSetup PRIVATE installer_win32)
target_link_options(DriverSetup PRIVATE ${STATIC_RUNTIME})

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/CMakeLists.txt)
  add_subdirectory(tests/wine)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
  add_subdirectory(tools)
endif()
add_subdirectory(tests/wine/monitor)
