# The plugin's sources, shared by the Linux library and the Windows .asi.
file(GLOB_RECURSE BB_PLUGIN_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/*.cpp)

# SimpleIni is used header-only, without character-set conversion, and folds
# the case of names for ASCII letters only on every platform.
set(BB_SIMPLEINI_DEFINITIONS SI_NO_CONVERSION SI_IMPLEMENTATION SI_NO_MBCS)
