#pragma once
// The file-format rules that the INI reader itself does not keep.

#include <string>

// Blanks out every line whose first non-blank character is '[' and that holds
// no ']': such a line is ignored, where the reader would otherwise open a
// garbled section that swallows the keys below it. Line ends, the byte-order
// mark and every other byte pass through unchanged, so line numbers hold.
std::string drop_unclosed_section_lines(std::string text);
