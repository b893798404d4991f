# 64-bit Windows, for hosts without 32-bit support and for testing.
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
