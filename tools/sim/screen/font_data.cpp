// The screen's font, DejaVu Sans from Debian's fonts-dejavu-core, built into
// the tool so that the Linux tool and barrelburst-sim.exe draw the same
// picture without a font file at run time. BB_SCREEN_FONT names the file;
// the build compiles this file again when it changes. Nothing else is in
// this file: the assembler's section is left where the data put it.
asm(
#ifdef _WIN32
    ".section .rdata,\"dr\"\n"
#else
    ".section .rodata\n"
#endif
    ".globl bb_screen_font_data\n"
    ".globl bb_screen_font_size\n"
    ".balign 16\n"
    "bb_screen_font_data:\n"
    ".incbin \"" BB_SCREEN_FONT "\"\n"
    "bb_screen_font_data_end:\n"
    ".balign 8\n"
    "bb_screen_font_size:\n"
    ".quad bb_screen_font_data_end - bb_screen_font_data\n");
