#pragma once
// `run --screen`: what the plugin drew on the game's screen in one frame (the
// boxes and texts the stand-in world recorded) drawn on a picture of the
// screen, for a person to look at the banner, the debug overlay and the menu,
// and the picture written as a PNG file.
//
// The game's own drawing is not available; these rules stand in for it, and
// are the constants below:
// - the picture is 1920 x 1080, over a plain vertical gradient of dark
//   grey-brown that stands in for the game's picture, so that dark boxes
//   still show;
// - positions and sizes are fractions of the screen's width and height;
// - a sprite is a box centred on its (x, y), filled with its tint at its
//   alpha over what is below it, whatever its texture (the heading is not
//   drawn: the plugin draws level boxes);
// - texts are drawn after every sprite, in white, in DejaVu Sans (built into
//   the tool); a text's (x, y) is the top-left of its first line, or the
//   top-centre of each line when it is centred;
// - a text's font is scale_y x 72 pixels high (scale_x x 72 wide in the same
//   proportion), and its lines, split at '\n', are 1.25 times that apart;
// - with a drop shadow distance above 0 the text is drawn first in the
//   shadow's colour and alpha, that many pixels right and down;
// - markup tags (`<...>`) and colour codes (`~s~`, `~COLOR_RED~`) are not drawn.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "world/simulation.h"

namespace sim {

namespace screen {

inline constexpr int width = 1920;
inline constexpr int height = 1080;
// Font pixel height at text scale 1 on the 1080-line picture: 0.49 gives 35 px.
inline constexpr float font_pixels_per_scale = 72.0f;
// The distance of a text's lines, in font heights.
inline constexpr float line_spacing = 1.25f;

using Rgb = std::array<std::uint8_t, 3>;
// The background's top and bottom rows; the rows between go from one to the other.
inline constexpr Rgb background_top{70, 64, 56};
inline constexpr Rgb background_bottom{96, 88, 76};
inline constexpr Rgb text_colour{255, 255, 255};

}  // namespace screen

// A picture, rows top to bottom, three bytes (red, green, blue) a pixel.
struct ScreenPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    screen::Rgb at(int x, int y) const;
};

// The frame's sprites and texts on the background, by the rules above.
ScreenPicture draw_screen(const FrameDraws& draws);

// A text as it shows: its markup tags and colour codes left out.
std::string visible_text(std::string_view text);

// The width in pixels of a text's widest line drawn at that scale (both ways).
float text_width(std::string_view text, float scale);

// The picture as the bytes of a PNG file.
std::string png_of(const ScreenPicture& picture);

// Writes the picture as a PNG file; throws ToolError naming the file.
void write_screen_png(const ScreenPicture& picture, const std::filesystem::path& file);

}  // namespace sim
