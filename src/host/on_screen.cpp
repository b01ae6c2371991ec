#include "host/on_screen.h"

#include <cstdio>
#include <cstring>

#include "config/settings.h"
#include "host/natives.h"

OnScreenTexts on_screen;

namespace {

constexpr const char* banner_dictionary = "generic_textures";
constexpr const char* banner_texture = "selection_box_bg_1c";
constexpr const char* banner_markup =
    "<TEXTFORMAT RIGHTMARGIN='%d'><P ALIGN='%s'><FONT FACE='$%s' LETTERSPACING='%d' "
    "SIZE='%d'>~s~%s</FONT></P></TEXTFORMAT>";
constexpr int banner_markup_size = 256;
constexpr int literal_string_flags = 10;

// At most 127 characters of the text, always terminated.
void copy_on_screen_text(char (&buffer)[on_screen_text_size], const char* text) {
    std::strncpy(buffer, text, on_screen_text_size - 1);
    buffer[on_screen_text_size - 1] = 0;
}

}  // namespace

void show_notification(const char* text) {
    if (!settings.enable_native_ui) return;
    if (!TXD::HAS_STREAMED_TEXTURE_DICT_LOADED(banner_dictionary)) {
        TXD::REQUEST_STREAMED_TEXTURE_DICT(banner_dictionary, true);
    }
    copy_on_screen_text(on_screen.notification_text, text);
    on_screen.notification_frames_left = notification_frames;
}

void set_debug_overlay(const char* line) {
    copy_on_screen_text(on_screen.debug_overlay_text, line);
    on_screen.debug_overlay_frames_left = debug_overlay_frames;
}

void draw_notification_banner() {
    if (on_screen.notification_frames_left <= 0) return;
    // Drawn whether or not the dictionary has finished loading.
    GRAPHICS::DRAW_SPRITE(banner_dictionary, banner_texture, 0.14f, 0.2f, 0.22f, 0.05f, 0.0f, 0, 0, 0, 200,
                          true);
    char markup[banner_markup_size];
    std::snprintf(markup, sizeof markup, banner_markup, 0, "center", "body", 0, 21, on_screen.notification_text);
    HUD::SET_TEXT_SCALE(0.49f, 0.49f);
    HUD::SET_TEXT_CENTRE(true);
    HUD::SET_TEXT_DROPSHADOW(1, 0, 155, 155, 155);
    const char* text = MISC::VAR_STRING(literal_string_flags, "LITERAL_STRING", markup);
    HUD::_DISPLAY_TEXT(text, 0.14f, 0.1875f);
    --on_screen.notification_frames_left;
}

void draw_debug_overlay() {
    if (!settings.debug_mode || on_screen.debug_overlay_frames_left <= 0) return;
    HUD::SET_TEXT_SCALE(0.35f, 0.35f);
    HUD::SET_TEXT_CENTRE(false);
    HUD::SET_TEXT_DROPSHADOW(0, 0, 0, 0, 0);
    const char* text = MISC::VAR_STRING(literal_string_flags, "LITERAL_STRING", on_screen.debug_overlay_text);
    HUD::_DISPLAY_TEXT(text, 0.01f, 0.5f);
    --on_screen.debug_overlay_frames_left;
}
