#include "screen/screen.h"

#include <stb/stb_image_write.h>
#include <stb/stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "shared/platform.h"
#include "shared/tool_error.h"

// DejaVu Sans, built into the tool by font_data.cpp.
extern "C" const unsigned char bb_screen_font_data[];
extern "C" const std::uint64_t bb_screen_font_size;

namespace sim {

namespace {

using screen::Rgb;

constexpr int opaque = 255;
constexpr char32_t replacement_character = 0xFFFD;
// Pen positions this far outside the picture draw nothing (and stay clear of
// the int range when converted).
constexpr float far_outside = 4.0f * static_cast<float>(screen::width);

const stbtt_fontinfo& font() {
    static const stbtt_fontinfo info = [] {
        stbtt_fontinfo loaded{};
        const int offset = stbtt_GetFontOffsetForIndex(bb_screen_font_data, 0);
        if (bb_screen_font_size == 0 || offset < 0 || stbtt_InitFont(&loaded, bb_screen_font_data, offset) == 0) {
            throw ToolError("the built-in font does not read");
        }
        return loaded;
    }();
    return info;
}

int clamp_byte(int value) { return std::clamp(value, 0, 255); }

Rgb rgb_of(int red, int green, int blue) {
    return {static_cast<std::uint8_t>(clamp_byte(red)), static_cast<std::uint8_t>(clamp_byte(green)),
            static_cast<std::uint8_t>(clamp_byte(blue))};
}

// The bytes of a UTF-8 sequence by its first byte; 0: not a first byte.
int sequence_length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0u) == 0xC0u) return 2;
    if ((lead & 0xF0u) == 0xE0u) return 3;
    if ((lead & 0xF8u) == 0xF0u) return 4;
    return 0;
}

// The text's characters, from UTF-8; a byte that does not decode is U+FFFD.
std::vector<char32_t> code_points(std::string_view text) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = sequence_length(lead);
        char32_t point = length == 1 ? lead : lead & (0x7Fu >> length);
        bool good = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; good && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            good = (next & 0xC0u) == 0x80u;
            point = (point << 6) | (next & 0x3Fu);
        }
        if (!good) {
            points.push_back(replacement_character);
            ++i;
            continue;
        }
        points.push_back(point);
        i += static_cast<std::size_t>(length);
    }
    return points;
}

// The lines of the text as it shows, split at '\n', each as its characters.
std::vector<std::vector<char32_t>> shown_lines(std::string_view text) {
    const std::string shown = visible_text(text);
    std::vector<std::vector<char32_t>> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(shown.find('\n', start), shown.size());
        lines.push_back(code_points(std::string_view(shown).substr(start, end - start)));
        if (end == shown.size()) return lines;
        start = end + 1;
    }
}

bool is_code_character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

class Canvas {
public:
    Canvas() {
        picture_.width = screen::width;
        picture_.height = screen::height;
        picture_.rgb.resize(static_cast<std::size_t>(screen::width) * screen::height * 3);
        for (int y = 0; y < screen::height; ++y) {
            Rgb row{};
            for (std::size_t c = 0; c < row.size(); ++c) {
                const int top = screen::background_top[c];
                const int bottom = screen::background_bottom[c];
                row[c] = static_cast<std::uint8_t>(top + ((bottom - top) * y + (screen::height - 1) / 2) /
                                                             (screen::height - 1));
            }
            for (int x = 0; x < screen::width; ++x) std::memcpy(pixel(x, y), row.data(), row.size());
        }
    }

    // The colour at that alpha (0 to 255) over the pixel; nothing outside the picture.
    void blend(int x, int y, const Rgb& colour, int alpha) {
        if (x < 0 || y < 0 || x >= screen::width || y >= screen::height || alpha <= 0) return;
        std::uint8_t* p = pixel(x, y);
        for (std::size_t c = 0; c < colour.size(); ++c) {
            p[c] = static_cast<std::uint8_t>((colour[c] * alpha + p[c] * (opaque - alpha) + opaque / 2) / opaque);
        }
    }

    // The pixels whose centres lie in [left, right) x [top, bottom).
    void fill(float left, float top, float right, float bottom, const Rgb& colour, int alpha) {
        const int x0 = nearest_line(left, screen::width);
        const int x1 = nearest_line(right, screen::width);
        const int y0 = nearest_line(top, screen::height);
        const int y1 = nearest_line(bottom, screen::height);
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) blend(x, y, colour, alpha);
        }
    }

    ScreenPicture take() { return std::move(picture_); }

private:
    std::uint8_t* pixel(int x, int y) {
        return picture_.rgb.data() + (static_cast<std::size_t>(y) * screen::width + static_cast<std::size_t>(x)) * 3;
    }
    // The pixel border nearest to a position, 0 to size.
    static int nearest_line(float at, int size) {
        return static_cast<int>(std::lround(std::clamp(at, 0.0f, static_cast<float>(size))));
    }

    ScreenPicture picture_;
};

void draw_sprite(Canvas& canvas, const standin::DrawnSprite& sprite) {
    const float x = sprite.x * screen::width;
    const float y = sprite.y * screen::height;
    const float half_width = sprite.width * screen::width / 2.0f;
    const float half_height = sprite.height * screen::height / 2.0f;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(half_width) || !std::isfinite(half_height)) return;
    canvas.fill(x - half_width, y - half_height, x + half_width, y + half_height,
                rgb_of(sprite.red, sprite.green, sprite.blue), clamp_byte(sprite.alpha));
}

// The font at one text's size, writing its lines.
class ScaledFont {
public:
    ScaledFont(float pixels_x, float pixels_y)
        : scale_x_(stbtt_ScaleForPixelHeight(&font(), pixels_x)),
          scale_y_(stbtt_ScaleForPixelHeight(&font(), pixels_y)) {
        int descent = 0;
        int line_gap = 0;
        stbtt_GetFontVMetrics(&font(), &ascent_, &descent, &line_gap);
    }

    // From the line's top to its baseline, in pixels.
    float ascent() const { return static_cast<float>(ascent_) * scale_y_; }

    float width(const std::vector<char32_t>& line) const {
        float pen = 0.0f;
        int previous = 0;
        for (const char32_t point : line) {
            const int glyph = stbtt_FindGlyphIndex(&font(), static_cast<int>(point));
            pen += kerning(previous, glyph) + advance(glyph);
            previous = glyph;
        }
        return pen;
    }

    // The line from its left end on the baseline, every glyph's coverage at that alpha.
    void write(Canvas& canvas, const std::vector<char32_t>& line, float left, float baseline, const Rgb& colour,
               int alpha) {
        if (baseline < -far_outside || baseline > far_outside) return;
        const float base_row = std::floor(baseline);
        const float shift_y = baseline - base_row;
        float pen = left;
        int previous = 0;
        for (const char32_t point : line) {
            const int glyph = stbtt_FindGlyphIndex(&font(), static_cast<int>(point));
            pen += kerning(previous, glyph);
            previous = glyph;
            if (pen > far_outside) return;
            if (pen >= -far_outside) draw_glyph(canvas, glyph, pen, base_row, shift_y, colour, alpha);
            pen += advance(glyph);
        }
    }

private:
    // The pen's move between two glyphs of a line (none before the first).
    float kerning(int previous, int glyph) const {
        if (previous == 0) return 0.0f;
        return static_cast<float>(stbtt_GetGlyphKernAdvance(&font(), previous, glyph)) * scale_x_;
    }
    float advance(int glyph) const {
        int advance_width = 0;
        int left_bearing = 0;
        stbtt_GetGlyphHMetrics(&font(), glyph, &advance_width, &left_bearing);
        return static_cast<float>(advance_width) * scale_x_;
    }

    void draw_glyph(Canvas& canvas, int glyph, float pen, float base_row, float shift_y, const Rgb& colour,
                    int alpha) {
        const float pen_column = std::floor(pen);
        const float shift_x = pen - pen_column;
        int x0 = 0;
        int y0 = 0;
        int x1 = 0;
        int y1 = 0;
        stbtt_GetGlyphBitmapBoxSubpixel(&font(), glyph, scale_x_, scale_y_, shift_x, shift_y, &x0, &y0, &x1, &y1);
        const int w = x1 - x0;
        const int h = y1 - y0;
        if (w <= 0 || h <= 0) return;
        const int left = static_cast<int>(pen_column) + x0;
        const int top = static_cast<int>(base_row) + y0;
        if (left >= screen::width || top >= screen::height || left + w <= 0 || top + h <= 0) return;
        coverage_.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
        stbtt_MakeGlyphBitmapSubpixel(&font(), coverage_.data(), w, h, w, scale_x_, scale_y_, shift_x, shift_y, glyph);
        const unsigned char* c = coverage_.data();
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x, ++c) {
                canvas.blend(left + x, top + y, colour, (*c * alpha + opaque / 2) / opaque);
            }
        }
    }

    float scale_x_;
    float scale_y_;
    int ascent_ = 0;
    std::vector<unsigned char> coverage_;
};

void draw_text(Canvas& canvas, const standin::DrawnText& text) {
    const float pixels_x = text.scale_x * screen::font_pixels_per_scale;
    const float pixels_y = text.scale_y * screen::font_pixels_per_scale;
    const float x = text.x * screen::width;
    const float y = text.y * screen::height;
    // A font larger than the screen, or none, draws nothing.
    const auto drawable = [](float pixels) { return pixels > 0.0f && pixels <= static_cast<float>(screen::height); };
    if (!drawable(pixels_x) || !drawable(pixels_y) || !std::isfinite(x) || !std::isfinite(y)) return;

    // The text's buffer up to its terminator (or its end, without one).
    const std::vector<std::vector<char32_t>> lines = shown_lines({text.text, strnlen(text.text, sizeof text.text)});
    ScaledFont scaled(pixels_x, pixels_y);
    const auto write_lines = [&](float offset, const Rgb& colour, int alpha) {
        for (std::size_t n = 0; n < lines.size(); ++n) {
            const float top = y + static_cast<float>(n) * screen::line_spacing * pixels_y;
            const float left = text.centred ? x - scaled.width(lines[n]) / 2.0f : x;
            scaled.write(canvas, lines[n], left + offset, top + scaled.ascent() + offset, colour, alpha);
        }
    };
    // The shadow under the whole text, then the text.
    const int shadow = text.shadow[0];
    if (shadow > 0) {
        write_lines(static_cast<float>(std::min(shadow, screen::height)),
                    rgb_of(text.shadow[1], text.shadow[2], text.shadow[3]), clamp_byte(text.shadow[4]));
    }
    write_lines(0.0f, screen::text_colour, opaque);
}

void append_bytes(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

}  // namespace

float text_width(std::string_view text, float scale) {
    const float pixels = scale * screen::font_pixels_per_scale;
    const ScaledFont scaled(pixels, pixels);
    float widest = 0.0f;
    for (const std::vector<char32_t>& line : shown_lines(text)) widest = std::max(widest, scaled.width(line));
    return widest;
}

screen::Rgb ScreenPicture::at(int x, int y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return {rgb.at(at), rgb.at(at + 1), rgb.at(at + 2)};
}

std::string visible_text(std::string_view text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '<') {
            const std::size_t close = text.find('>', i + 1);
            if (close != std::string_view::npos) {
                i = close + 1;
                continue;
            }
        }
        if (text[i] == '~') {
            std::size_t close = i + 1;
            while (close < text.size() && is_code_character(text[close])) ++close;
            if (close > i + 1 && close < text.size() && text[close] == '~') {
                i = close + 1;
                continue;
            }
        }
        shown += text[i];
        ++i;
    }
    return shown;
}

ScreenPicture draw_screen(const FrameDraws& draws) {
    Canvas canvas;
    for (const standin::DrawnSprite& sprite : draws.sprites) draw_sprite(canvas, sprite);
    for (const standin::DrawnText& text : draws.texts) draw_text(canvas, text);
    return canvas.take();
}

std::string png_of(const ScreenPicture& picture) {
    std::string bytes;
    if (stbi_write_png_to_func(&append_bytes, &bytes, picture.width, picture.height, 3, picture.rgb.data(),
                               picture.width * 3) == 0) {
        throw ToolError("cannot encode the screen as PNG");
    }
    return bytes;
}

void write_screen_png(const ScreenPicture& picture, const std::filesystem::path& file) {
    const std::string bytes = png_of(picture);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ToolError("cannot write PNG file '" + utf8_of(file) + "'");
}

}  // namespace sim
