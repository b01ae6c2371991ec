// The code of Debian's header-only stb libraries that the screen uses:
// stb_truetype draws the font's glyphs, stb_image_write encodes the PNG
// (to memory: the file is written by the tool, under its Unicode name).
#define STB_TRUETYPE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
#include <stb/stb_truetype.h>
