# Windows x86-64: Barrelburst.asi, linked statically, importing the host's
# seven functions under their MSVC-decorated names.
include(cmake/Plugin.cmake)

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

add_library(Barrelburst SHARED ${BB_PLUGIN_SOURCES})
set_target_properties(Barrelburst PROPERTIES PREFIX "" SUFFIX ".asi" OUTPUT_NAME "Barrelburst")
target_include_directories(Barrelburst PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_include_directories(Barrelburst SYSTEM PRIVATE ${BB_SIMPLEINI_DIR})
target_compile_definitions(Barrelburst PRIVATE ${BB_SIMPLEINI_DEFINITIONS} WIN32_LEAN_AND_MEAN NOMINMAX)
# A false -Warray-bounds inside mingw's inline GetCurrentFiber() (GCC 12).
target_compile_options(Barrelburst PRIVATE -Wno-array-bounds)
target_link_libraries(Barrelburst PRIVATE bb_warnings ${BB_HOST_IMPORT_LIB})
target_link_options(Barrelburst PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--exclude-all-symbols)
add_dependencies(Barrelburst scripthook_import_lib)
