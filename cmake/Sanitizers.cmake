# Instrumented Linux builds.
#
# BB_SANITIZE: every target (plugin library, stand-in host, tests, tools,
# benchmarks) with AddressSanitizer (LeakSanitizer included) and
# UndefinedBehaviorSanitizer; any report aborts the process.
#
# BB_FUZZ (clang only): the plugin library and the stand-in host instrumented
# for libFuzzer's coverage as well, and the fuzz targets of fuzz/ linked
# with libFuzzer's driver. Tests, tools and benchmarks are not built.
option(BB_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(BB_FUZZ "Build the libFuzzer targets (clang)" OFF)

set(BB_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

if(BB_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "BB_FUZZ needs clang (libFuzzer): configure with the fuzz preset")
  endif()
  add_compile_options(${BB_SANITIZER_FLAGS} -fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=address,undefined)
elseif(BB_SANITIZE)
  add_compile_options(${BB_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()
