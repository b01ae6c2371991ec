# Linux: the plugin's code as a library, the stand-in host with its simulated
# world, the tests, the tools and the benchmarks (or, with BB_FUZZ, the fuzz
# targets instead of tests, tools and benchmarks).
include(cmake/Sanitizers.cmake)
include(cmake/Plugin.cmake)

find_path(SIMPLEINI_INCLUDE_DIR SimpleIni.h REQUIRED)
find_package(nlohmann_json REQUIRED)
if(NOT BB_FUZZ)
  find_package(GTest REQUIRED)
  find_package(benchmark REQUIRED)
  find_package(CLI11 REQUIRED)
  # The report's deflated files, and the tests that inflate them again.
  find_package(ZLIB REQUIRED)
endif()
find_package(Threads REQUIRED)

bb_add_plugin_library(${SIMPLEINI_INCLUDE_DIR})

add_subdirectory(standin)
# Here the plugin's imports are the stand-in host's: every program that links
# the plugin links the host after it (the tuner's engine, which answers them
# itself, links its own host's objects first).
target_link_libraries(barrelburst_plugin INTERFACE barrelburst_standin)
# The invariants every frame of the plugin keeps, checked by the fuzz targets,
# the soak run and the allocation test.
add_subdirectory(tests/invariants)

add_subdirectory(tools)
if(BB_FUZZ)
  add_subdirectory(fuzz)
else()
  enable_testing()
  add_subdirectory(tests)
  add_subdirectory(bench)
endif()
