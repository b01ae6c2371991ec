# Windows x86-64: Barrelburst.asi, linked statically, importing the host's
# seven functions under their MSVC-decorated names, with its debug symbols in
# Barrelburst.asi.debug; the stand-in host DLL and the runner of the wine
# tests; barrelburst-sim.exe; the player's and the modders' release archives.
include(cmake/Plugin.cmake)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)

# SimpleIni's one header, copied into the build so that the cross build does
# not put the Linux /usr/include on its path.
set(BB_SIMPLEINI_HEADER /usr/include/SimpleIni.h CACHE FILEPATH "SimpleIni.h from libsimpleini-dev")
if(NOT EXISTS ${BB_SIMPLEINI_HEADER})
  message(FATAL_ERROR "SimpleIni.h not found at ${BB_SIMPLEINI_HEADER}: install libsimpleini-dev")
endif()
set(BB_SIMPLEINI_DIR ${CMAKE_BINARY_DIR}/simpleini)
file(COPY ${BB_SIMPLEINI_HEADER} DESTINATION ${BB_SIMPLEINI_DIR})

# Import library for ScriptHookRDR2.dll, made from the .def file.
set(BB_HOST_IMPORT_LIB ${CMAKE_BINARY_DIR}/libScriptHookRDR2.a)
add_custom_command(
  OUTPUT ${BB_HOST_IMPORT_LIB}
  COMMAND ${CMAKE_DLLTOOL} -d ${PROJECT_SOURCE_DIR}/cmake/ScriptHookRDR2.def -l ${BB_HOST_IMPORT_LIB}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/ScriptHookRDR2.def
  COMMENT "Import library for ScriptHookRDR2.dll")
add_custom_target(scripthook_import_lib DEPENDS ${BB_HOST_IMPORT_LIB})

# The plugin's code, compiled once for the .asi and for barrelburst-sim.exe.
# -g: the symbols and lines of Barrelburst.asi.debug (it changes no code).
add_library(barrelburst_plugin_objects OBJECT ${BB_PLUGIN_SOURCES})
target_include_directories(barrelburst_plugin_objects PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_include_directories(barrelburst_plugin_objects SYSTEM PRIVATE ${BB_SIMPLEINI_DIR})
target_compile_definitions(barrelburst_plugin_objects PRIVATE ${BB_SIMPLEINI_DEFINITIONS})
# A false -Warray-bounds inside mingw's inline GetCurrentFiber() (GCC 12).
target_compile_options(barrelburst_plugin_objects PRIVATE -g -Wno-array-bounds)
target_link_libraries(barrelburst_plugin_objects PRIVATE bb_warnings)

add_library(Barrelburst SHARED $<TARGET_OBJECTS:barrelburst_plugin_objects>)
set_target_properties(Barrelburst PROPERTIES PREFIX "" SUFFIX ".asi" OUTPUT_NAME "Barrelburst")
target_link_libraries(Barrelburst PRIVATE bb_warnings ${BB_HOST_IMPORT_LIB})
target_link_options(Barrelburst PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--exclude-all-symbols)
add_dependencies(Barrelburst scripthook_import_lib)

# The .asi that ships carries neither debug sections nor a symbol table, only
# a .gnu_debuglink naming Barrelburst.asi.debug beside it, which keeps both
# (docs/windows.md).
set(BB_PLUGIN_DEBUG_FILE ${CMAKE_BINARY_DIR}/Barrelburst.asi.debug)
add_custom_command(TARGET Barrelburst POST_BUILD
  COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:Barrelburst> ${BB_PLUGIN_DEBUG_FILE}
  COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${BB_PLUGIN_DEBUG_FILE} $<TARGET_FILE:Barrelburst>
  BYPRODUCTS ${BB_PLUGIN_DEBUG_FILE}
  COMMENT "Barrelburst.asi without its debug sections, which go to Barrelburst.asi.debug")

# The version resource, from the one version in the top-level project().
enable_language(RC)
configure_file(${PROJECT_SOURCE_DIR}/src/host/version.rc.in ${CMAKE_BINARY_DIR}/version.rc @ONLY)
target_sources(Barrelburst PRIVATE ${CMAKE_BINARY_DIR}/version.rc)

# The stand-in ScriptHookRDR2.dll: the same stand-in host and world as on
# Linux, exporting the seven functions under the host's decorated names and
# running the script on a Windows fiber.
add_library(standin_host SHARED
  ${PROJECT_SOURCE_DIR}/standin/native_table.cpp
  ${PROJECT_SOURCE_DIR}/standin/world.cpp
  ${PROJECT_SOURCE_DIR}/standin/host.cpp
  ${PROJECT_SOURCE_DIR}/standin/host_exports.cpp
  ${PROJECT_SOURCE_DIR}/standin/scenarios.cpp
  ${PROJECT_SOURCE_DIR}/standin/control.cpp
  ${PROJECT_SOURCE_DIR}/standin/fiber_win.cpp
  ${PROJECT_SOURCE_DIR}/standin/ScriptHookRDR2-standin.def)
set_target_properties(standin_host PROPERTIES PREFIX "" OUTPUT_NAME "ScriptHookRDR2")
target_include_directories(standin_host PRIVATE ${PROJECT_SOURCE_DIR}/standin ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(standin_host PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(standin_host PRIVATE -Wno-array-bounds)
target_link_libraries(standin_host PRIVATE bb_warnings)
target_link_options(standin_host PRIVATE -static -static-libgcc -static-libstdc++)

# The runner that loads both with LoadLibrary and drives a scenario.
add_executable(standin_runner ${PROJECT_SOURCE_DIR}/standin/windows/runner.cpp)
set_target_properties(standin_runner PROPERTIES OUTPUT_NAME "runner")
target_compile_definitions(standin_runner PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(standin_runner PRIVATE bb_warnings version)
target_link_options(standin_runner PRIVATE -static -static-libgcc -static-libstdc++)

# A DLL with the statically linked C++ runtime alone, the baseline of the
# load/unload memory measurement.
add_library(runtime_baseline SHARED ${PROJECT_SOURCE_DIR}/standin/windows/runtime_baseline.cpp)
set_target_properties(runtime_baseline PROPERTIES PREFIX "")
target_link_libraries(runtime_baseline PRIVATE bb_warnings)
target_link_options(runtime_baseline PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--exclude-all-symbols)

# barrelburst-sim.exe: the tool's and the stand-in host's code for Windows.
# Header-only libraries come from Debian's Linux packages: only their own
# folders are linked into the build tree, so no other Linux header is found.
set(BB_MINGW_INCLUDE_DIR ${CMAKE_BINARY_DIR}/include)
file(MAKE_DIRECTORY ${BB_MINGW_INCLUDE_DIR})
foreach(library IN ITEMS "toml++|libtomlplusplus-dev" "CLI|libcli11-dev" "nlohmann|nlohmann-json3-dev")
  string(REPLACE "|" ";" library ${library})
  list(GET library 0 folder)
  list(GET library 1 package)
  if(NOT IS_DIRECTORY /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} not found: install ${package}")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${BB_MINGW_INCLUDE_DIR}/${folder} SYMBOLIC)
endforeach()
foreach(library IN ITEMS tomlplusplus::tomlplusplus CLI11::CLI11 nlohmann_json::nlohmann_json)
  add_library(${library} INTERFACE IMPORTED)
  set_target_properties(${library} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${BB_MINGW_INCLUDE_DIR})
endforeach()
set(SIMPLEINI_INCLUDE_DIR ${BB_SIMPLEINI_DIR})

add_library(barrelburst_plugin STATIC $<TARGET_OBJECTS:barrelburst_plugin_objects>)
target_include_directories(barrelburst_plugin PUBLIC ${PROJECT_SOURCE_DIR}/src)
add_subdirectory(standin)
# barrelburst-sim.exe's plugin code imports the stand-in host's functions.
target_link_libraries(barrelburst_plugin INTERFACE barrelburst_standin)
add_subdirectory(tools)

# A release archive: dist/NAME.zip holding each "ZIP_PATH=FILE" pair, staged
# in release/NAME; it is rebuilt when any file or target in DEPENDS changes.
function(bb_release_zip target name)
  cmake_parse_arguments(PARSE_ARGV 2 zip "" "" "FILES;DEPENDS")
  set(stage ${CMAKE_BINARY_DIR}/release/${name})
  set(archive ${PROJECT_SOURCE_DIR}/dist/${name}.zip)
  set(copies)
  set(entries)
  foreach(pair IN LISTS zip_FILES)
    string(FIND ${pair} "=" at)
    string(SUBSTRING ${pair} 0 ${at} entry)
    math(EXPR at "${at} + 1")
    string(SUBSTRING ${pair} ${at} -1 file)
    get_filename_component(folder ${stage}/${entry} DIRECTORY)
    list(APPEND copies
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${CMAKE_COMMAND} -E copy ${file} ${stage}/${entry})
    list(APPEND entries ${entry})
  endforeach()
  add_custom_command(
    OUTPUT ${archive}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_SOURCE_DIR}/dist
    ${copies}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${archive}
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${CMAKE_COMMAND} -E tar cf ${archive} --format=zip ${entries}
    DEPENDS ${zip_DEPENDS}
    COMMENT "Release archive dist/${name}.zip")
  add_custom_target(${target} ALL DEPENDS ${archive})
endfunction()

set(VERSION ${PROJECT_VERSION})

# The release a player installs: the plugin, its INI, the player's README and
# the license, in dist/Barrelburst-<version>.zip.
configure_file(${PROJECT_SOURCE_DIR}/release/README.txt ${CMAKE_BINARY_DIR}/release/README.txt @ONLY)
bb_release_zip(release Barrelburst-${PROJECT_VERSION}
  FILES Barrelburst.asi=$<TARGET_FILE:Barrelburst>
        Barrelburst.ini=${PROJECT_SOURCE_DIR}/release/Barrelburst.ini
        README.txt=${CMAKE_BINARY_DIR}/release/README.txt
        LICENSE.txt=${PROJECT_SOURCE_DIR}/LICENSE
  DEPENDS Barrelburst ${PROJECT_SOURCE_DIR}/release/Barrelburst.ini ${CMAKE_BINARY_DIR}/release/README.txt
          ${PROJECT_SOURCE_DIR}/LICENSE)

# The modders' tools: barrelburst-sim.exe with the shipped scenarios in a
# "scenarios" folder beside it, the tuner page of the wasm preset's build, its
# README and the license, in dist/Barrelburst-<version>-tools.zip.
if(NOT DEFINED BB_WASM_BUILD_DIR)
  set(BB_WASM_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/wasm)
endif()
set(BB_WASM_BUILD_DIR ${BB_WASM_BUILD_DIR} CACHE PATH "Build directory of the wasm preset")
set(BB_TUNER_PAGE ${BB_WASM_BUILD_DIR}/Barrelburst-tuner.html)
if(NOT EXISTS ${BB_TUNER_PAGE})
  message(FATAL_ERROR "${BB_TUNER_PAGE} is missing: the tools archive holds the tuner page, so build the wasm "
                      "preset first (cmake --preset wasm && cmake --build --preset wasm)")
endif()
# The page beside the build's exe too, as in the archive: `report` fills it.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/tools/Barrelburst-tuner.html
  COMMAND ${CMAKE_COMMAND} -E copy ${BB_TUNER_PAGE} ${CMAKE_BINARY_DIR}/tools/Barrelburst-tuner.html
  DEPENDS ${BB_TUNER_PAGE})
add_custom_target(barrelburst_sim_page ALL DEPENDS ${CMAKE_BINARY_DIR}/tools/Barrelburst-tuner.html)
# barrelburst-sim.exe carries the DejaVu Sans font that draws its screens:
# its copyright and licence notice ship beside it.
set(BB_SCREEN_FONT_COPYRIGHT /usr/share/doc/fonts-dejavu-core/copyright)
if(NOT EXISTS ${BB_SCREEN_FONT_COPYRIGHT})
  message(FATAL_ERROR "${BB_SCREEN_FONT_COPYRIGHT} is missing: install fonts-dejavu-core")
endif()
configure_file(${PROJECT_SOURCE_DIR}/release/README-tools.txt ${CMAKE_BINARY_DIR}/release/README-tools.txt @ONLY)
get_directory_property(BB_SIM_SCENARIOS DIRECTORY tools/sim DEFINITION BB_SIM_SCENARIOS)
set(scenario_files)
foreach(scenario IN LISTS BB_SIM_SCENARIOS)
  get_filename_component(name ${scenario} NAME)
  list(APPEND scenario_files scenarios/${name}=${scenario})
endforeach()
bb_release_zip(release_tools Barrelburst-${PROJECT_VERSION}-tools
  FILES barrelburst-sim.exe=$<TARGET_FILE:barrelburst_sim>
        ${scenario_files}
        Barrelburst-tuner.html=${BB_TUNER_PAGE}
        README-tools.txt=${CMAKE_BINARY_DIR}/release/README-tools.txt
        LICENSE.txt=${PROJECT_SOURCE_DIR}/LICENSE
        DejaVu-fonts-LICENSE.txt=${BB_SCREEN_FONT_COPYRIGHT}
  DEPENDS barrelburst_sim ${BB_SIM_SCENARIOS} ${BB_TUNER_PAGE} ${CMAKE_BINARY_DIR}/release/README-tools.txt
          ${PROJECT_SOURCE_DIR}/LICENSE ${BB_SCREEN_FONT_COPYRIGHT})
