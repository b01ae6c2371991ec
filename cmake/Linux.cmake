# Linux: the plugin's code as a library, the stand-in host with its simulated
# world, the tests, the tools and the benchmarks.
include(cmake/Plugin.cmake)

find_path(SIMPLEINI_INCLUDE_DIR SimpleIni.h REQUIRED)
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
find_package(CLI11 REQUIRED)
find_package(Threads REQUIRED)

add_library(barrelburst_plugin STATIC ${BB_PLUGIN_SOURCES})
target_include_directories(barrelburst_plugin PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_include_directories(barrelburst_plugin SYSTEM PRIVATE ${SIMPLEINI_INCLUDE_DIR})
target_compile_definitions(barrelburst_plugin PRIVATE ${BB_SIMPLEINI_DEFINITIONS})
target_link_libraries(barrelburst_plugin PRIVATE bb_warnings)

add_subdirectory(standin)

enable_testing()
add_subdirectory(tests)
add_subdirectory(tools)
add_subdirectory(bench)
