#include "host/on_screen.h"

#include <cstdio>
#include <cstring>

#include "config/settings.h"
#include "host/natives.h"

OnScreenTexts on_screen;

namespace {

constexpr const char* box_dictionary = "generic_textures";
constexpr const char* box_texture = "selection_box_bg_1c";
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

void request_box_texture() {
    if (!TXD::HAS_STREAMED_TEXTURE_DICT_LOADED(box_dictionary)) TXD::REQUEST_STREAMED_TEXTURE_DICT(box_dictionary, true);
}

void draw_box(float x, float y, float width, float height, int red, int green, int blue, int alpha) {
    GRAPHICS::DRAW_SPRITE(box_dictionary, box_texture, x, y, width, height, 0.0f, red, green, blue, alpha, true);
}

void draw_text(const char* text, float x, float y, float scale, bool centred, bool shadow) {
    HUD::SET_TEXT_SCALE(scale, scale);
    HUD::SET_TEXT_CENTRE(centred);
    if (shadow) {
        HUD::SET_TEXT_DROPSHADOW(1, 0, 155, 155, 155);
    } else {
        HUD::SET_TEXT_DROPSHADOW(0, 0, 0, 0, 0);
    }
    HUD::_DISPLAY_TEXT(MISC::VAR_STRING(literal_string_flags, "LITERAL_STRING", text), x, y);
}

void show_notification(const char* text) {
    if (!settings.enable_native_ui) return;
    request_box_texture();
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
    draw_box(0.14f, 0.2f, 0.22f, 0.05f, 0, 0, 0, 200);
    char markup[banner_markup_size];
    std::snprintf(markup, sizeof markup, banner_markup, 0, "center", "body", 0, 21, on_screen.notification_text);
    draw_text(markup, 0.14f, 0.1875f, 0.49f, true, true);
    --on_screen.notification_frames_left;
}

void draw_debug_overlay() {
    if (!settings.debug_mode || on_screen.debug_overlay_frames_left <= 0) return;
    draw_text(on_screen.debug_overlay_text, 0.01f, 0.5f, 0.35f);
    --on_screen.debug_overlay_frames_left;
}
