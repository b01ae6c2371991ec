#pragma once
// The notification banner and the debug overlay: an event fills a 128-byte
// text and sets a frame count, the frame loop redraws while the count lasts.

inline constexpr int on_screen_text_size = 128;
inline constexpr int notification_frames = 500;
inline constexpr int debug_overlay_frames = 120;

// The two texts and the passes each is still drawn on.
struct OnScreenTexts {
    char notification_text[on_screen_text_size] = {};
    int notification_frames_left = 0;
    char debug_overlay_text[on_screen_text_size] = {};
    int debug_overlay_frames_left = 0;
};
extern OnScreenTexts on_screen;

// Starts the banner with the text (at most 127 characters are kept).
void show_notification(const char* text);
// Copies at most 127 characters of the line into the overlay and starts it.
void set_debug_overlay(const char* line);

void draw_notification_banner();
void draw_debug_overlay();

// The box the banner and the menu are drawn on: its texture dictionary asked
// for once, unless it is loaded; a box of it placed by its centre.
void request_box_texture();
void draw_box(float x, float y, float width, float height, int red, int green, int blue, int alpha);
// A literal text by its top left (centred: its top middle), in the game's
// text style for one draw: the scale, the centring and the drop shadow
// (the banner's grey one, or none).
void draw_text(const char* text, float x, float y, float scale, bool centred = false, bool shadow = false);
