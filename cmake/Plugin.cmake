# The plugin's sources, shared by the Linux library and the Windows .asi.
file(GLOB_RECURSE BB_PLUGIN_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/*.cpp)

# SimpleIni is used header-only, without character-set conversion, and folds
# the case of names for ASCII letters only on every platform.
set(BB_SIMPLEINI_DEFINITIONS SI_NO_CONVERSION SI_IMPLEMENTATION SI_NO_MBCS)

# The plugin's code as a static library, for the Linux build and the browser
# build; SimpleIni's header is found in simpleini_dir.
function(bb_add_plugin_library simpleini_dir)
  add_library(barrelburst_plugin STATIC ${BB_PLUGIN_SOURCES})
  target_include_directories(barrelburst_plugin PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_include_directories(barrelburst_plugin SYSTEM PRIVATE ${simpleini_dir})
  target_compile_definitions(barrelburst_plugin PRIVATE ${BB_SIMPLEINI_DEFINITIONS})
  target_link_libraries(barrelburst_plugin PRIVATE bb_warnings)
endfunction()
