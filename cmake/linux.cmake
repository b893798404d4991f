# Native build: the simulated Windows machine, the tests and the tools.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

file(GLOB SIM_SOURCES CONFIGURE_DEPENDS src/platform/sim/*.cpp src/platform/posix/*.cpp)
add_library(installer_sim STATIC ${SIM_SOURCES})
target_link_libraries(installer_sim PUBLIC installer_logic PkgConfig::LIBARCHIVE Threads::Threads)
target_compile_definitions(installer_sim PRIVATE
  INSTALLER_RESOURCE_SCRIPT="${CMAKE_SOURCE_DIR}/src/resources/installer.rc")

enable_testing()
file(GLOB_RECURSE TEST_SOURCES CONFIGURE_DEPENDS tests/*.cpp)
list(FILTER TEST_SOURCES EXCLUDE REGEX ".*/tests/wine/.*")
list(FILTER TEST_SOURCES EXCLUDE REGEX ".*/tests/fuzz/.*")
add_executable(installer_tests ${TEST_SOURCES})
target_include_directories(installer_tests PRIVATE tests)
target_link_libraries(installer_tests PRIVATE installer_sim GTest::gtest_main GTest::gmock)
include(GoogleTest)
gtest_discover_tests(installer_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
  add_subdirectory(tools)
endif()
