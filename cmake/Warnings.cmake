# Warnings are errors on every toolchain; floating-point contraction is off so
# that single-precision expressions evaluate exactly as written (no fused
# multiply-add) on both the Linux and the Windows build.
add_library(bb_warnings INTERFACE)
if(MSVC)
  target_compile_options(bb_warnings INTERFACE /W4 /WX /permissive- /fp:precise)
else()
  target_compile_options(bb_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wdouble-promotion -Wold-style-cast -Werror -ffp-contract=off)
endif()
