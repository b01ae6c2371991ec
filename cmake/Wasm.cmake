# The browser build (emscripten): the tuner page, Barrelburst-tuner.html. Its
# engine is the plugin's own code with the tool's check, odds and log reader,
# compiled to WebAssembly and answered by a stand-in world instead of a host.
include(cmake/Plugin.cmake)

# Header-only libraries from Debian's packages, as in the Windows build: only
# their own files are put into the build tree, so that no other header of the
# build machine is found.
set(BB_WASM_INCLUDE_DIR ${CMAKE_BINARY_DIR}/include)
file(MAKE_DIRECTORY ${BB_WASM_INCLUDE_DIR})
if(NOT EXISTS /usr/include/SimpleIni.h)
  message(FATAL_ERROR "/usr/include/SimpleIni.h not found: install libsimpleini-dev")
endif()
file(COPY /usr/include/SimpleIni.h DESTINATION ${BB_WASM_INCLUDE_DIR})
if(NOT IS_DIRECTORY /usr/include/nlohmann)
  message(FATAL_ERROR "/usr/include/nlohmann not found: install nlohmann-json3-dev")
endif()
file(CREATE_LINK /usr/include/nlohmann ${BB_WASM_INCLUDE_DIR}/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${BB_WASM_INCLUDE_DIR})
# toml++, for the scenarios of the page's fight.
if(NOT IS_DIRECTORY /usr/include/toml++)
  message(FATAL_ERROR "/usr/include/toml++ not found: install libtomlplusplus-dev")
endif()
file(CREATE_LINK /usr/include/toml++ ${BB_WASM_INCLUDE_DIR}/toml++ SYMBOLIC)
add_library(tomlplusplus::tomlplusplus INTERFACE IMPORTED)
set_target_properties(tomlplusplus::tomlplusplus PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${BB_WASM_INCLUDE_DIR}
  INTERFACE_COMPILE_DEFINITIONS TOML_HEADER_ONLY=1)
set(SIMPLEINI_INCLUDE_DIR ${BB_WASM_INCLUDE_DIR})

# What this C++ library lacks of the standard (cmake/wasm_compat.h).
add_compile_options(-include ${PROJECT_SOURCE_DIR}/cmake/wasm_compat.h)

# The engine answers the page's calls; a C++ exception must end in an answer,
# not in an abort of the page, and the fight's host ends a run by one.
# WebAssembly's own exceptions: a call that may throw costs nothing extra.
add_compile_options(-fwasm-exceptions)
add_link_options(-fwasm-exceptions)

bb_add_plugin_library(${SIMPLEINI_INCLUDE_DIR})

add_subdirectory(standin)
add_subdirectory(tools)
