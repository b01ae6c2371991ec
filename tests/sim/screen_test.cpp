// barrelburst-sim run --screen: the draws of the named frame, taken after the
// script's pass of that frame, drawn by the screen's rules into the PNG file;
// and the frames and options it refuses.

#include <gmock/gmock.h>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "menu/menu.h"
#include "menu/menu_rows.h"
#include "screen/screen.h"
#include "support/cli_support.h"
#include "support/model_world.h"
#include "support/test_support.h"
#include "world/simulation.h"

namespace {

using ::testing::HasSubstr;

struct Png {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* at(int x, int y) const { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
    bool dark(int x, int y) const { return std::max({at(x, y)[0], at(x, y)[1], at(x, y)[2]}) < 30; }
    bool bright(int x, int y) const { return std::min({at(x, y)[0], at(x, y)[1], at(x, y)[2]}) >= 230; }
};

Png read_png(const std::filesystem::path& file) {
    Png png;
    int channels = 0;
    stbi_uc* pixels = stbi_load(file.string().c_str(), &png.width, &png.height, &channels, 3);
    if (pixels == nullptr) return png;
    png.rgb.assign(pixels, pixels + static_cast<std::size_t>(png.width) * png.height * 3);
    stbi_image_free(pixels);
    return png;
}

Png decoded(const sim::ScreenPicture& picture) {
    const std::string bytes = sim::png_of(picture);
    Png png;
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                            static_cast<int>(bytes.size()), &png.width, &png.height, &channels, 3);
    if (pixels == nullptr) return png;
    png.rgb.assign(pixels, pixels + static_cast<std::size_t>(png.width) * png.height * 3);
    stbi_image_free(pixels);
    return png;
}

standin::DrawnText text_of(const char* text, float x, float y, float scale, bool centred = false) {
    standin::DrawnText t{};
    std::strncpy(t.text, text, sizeof t.text - 1);
    t.x = x;
    t.y = y;
    t.scale_x = t.scale_y = scale;
    t.centred = centred;
    return t;
}

// The rows of a column range that hold a pixel of that test, as runs [first, last].
template <typename Test>
std::vector<std::pair<int, int>> row_runs(const Png& png, int x0, int x1, Test test) {
    std::vector<std::pair<int, int>> runs;
    for (int y = 0; y < png.height; ++y) {
        bool hit = false;
        for (int x = x0; x < x1 && !hit; ++x) hit = test(x, y);
        if (!hit) continue;
        if (!runs.empty() && runs.back().second == y - 1) {
            runs.back().second = y;
        } else {
            runs.push_back({y, y});
        }
    }
    return runs;
}

class ScreenTest : public test::ToolTest {
protected:
    // The player's worn, dirty pistol fires once, in frame 2, with a low roll:
    // its crack limit (2 x 0.4) lies below its degradation, so it explodes.
    void SetUp() override {
        ini_ = write("exploding.ini",
                     "[NPC]\nenable_explosion=0\n[Min_Degradation_To_Explode]\npistol_min_degradation=0.4\n");
        scenario_ = write("exploding.toml", R"(
frames = 6
[player]
weapon = { kind = "pistol", dirt = 0.9, degradation = 0.9 }
firing = { start = 2, stop = 2 }
)");
        seed_ = std::to_string(test::seed_where(3, [](const std::vector<float>& u) { return u[2] < 0.1f; }));
    }
    Cli run_screen(const std::string& frame, const std::string& png) {
        return cli({"run", "--ini", ini_, "--scenario", scenario_, "--seed", seed_, "--screen", frame, "--screen-out",
                    png});
    }
    std::string path(const std::string& name) const { return (scratch_.path() / name).string(); }

    std::string ini_;
    std::string scenario_;
    std::string seed_;
};

TEST_F(ScreenTest, TheBannerShowsInTheFrameThePlayersGunExplodesAndNotTheFrameBefore) {
    // The frame of the explosion, from the run's own records.
    const Cli records = cli({"run", "--ini", ini_, "--scenario", scenario_, "--seed", seed_, "--csv", path("csv")});
    ASSERT_EQ(records.status, 0) << records.err;
    ASSERT_THAT(test::read_text(path("csv/shots.csv")), HasSubstr("\n2,2,\"player\",Player,pistol,"));
    ASSERT_THAT(records.out, HasSubstr(" explosion\n"));

    const Cli shown = run_screen("2", path("banner.png"));
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_THAT(shown.out, HasSubstr("\nScreen: " + path("banner.png") + " (frame 2)\n"));
    const Png banner = read_png(path("banner.png"));
    ASSERT_EQ(banner.width, 1920);
    ASSERT_EQ(banner.height, 1080);
    // The box: 0.14, 0.2, 0.22 x 0.05 of the screen is x 58 to 479, y 189 to 242;
    // black at alpha 200 over the background, dark at its corners.
    EXPECT_TRUE(banner.dark(59, 190));
    EXPECT_TRUE(banner.dark(478, 241));
    EXPECT_FALSE(banner.dark(56, 190));
    EXPECT_FALSE(banner.dark(59, 187));
    EXPECT_FALSE(banner.dark(481, 241));
    // "Your Gun Exploded!" in white, centred on x = 0.14 x 1920 = 268.8, its
    // line from y = 0.1875 x 1080 = 202.5 on, inside the box.
    int bright = 0;
    int left = banner.width;
    int right = 0;
    for (int y = 189; y < 243; ++y) {
        for (int x = 58; x < 480; ++x) {
            if (!banner.bright(x, y)) continue;
            ++bright;
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    EXPECT_GT(bright, 400);
    EXPECT_NEAR((left + right) / 2.0, 268.8, 3.0);
    EXPECT_GT(right - left, 250);  // 18 characters of a 35-pixel font, not markup
    const std::vector<std::pair<int, int>> line =
        row_runs(banner, 58, 480, [&](int x, int y) { return banner.bright(x, y); });
    ASSERT_EQ(line.size(), 1u);
    EXPECT_GE(line[0].first, 203);
    EXPECT_LE(line[0].second, 242);

    const Cli before = run_screen("1", path("before.png"));
    ASSERT_EQ(before.status, 0) << before.err;
    const Png nothing = read_png(path("before.png"));
    ASSERT_EQ(nothing.width, 1920);
    EXPECT_FALSE(nothing.dark(59, 190));
    // Nothing drawn: the background's top row.
    EXPECT_EQ(std::vector<std::uint8_t>(nothing.at(0, 0), nothing.at(0, 0) + 3),
              (std::vector<std::uint8_t>{70, 64, 56}));
}

TEST_F(ScreenTest, AFrameOutsideTheRunOrOneOptionWithoutTheOtherIsAnError) {
    for (const std::string& frame : std::vector<std::string>{"0", "7"}) {
        const Cli outside = run_screen(frame, path("outside.png"));
        EXPECT_EQ(outside.status, 1) << frame;
        EXPECT_EQ(outside.err,
                  "barrelburst-sim run: --screen " + frame + " is not a frame of the run: it plays frames 1 to 6\n");
        EXPECT_EQ(outside.out, "");
        EXPECT_FALSE(std::filesystem::exists(path("outside.png")));
    }
    const Cli last = run_screen("6", path("last.png"));
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(read_png(path("last.png")).width, 1920);

    const Cli screen_alone = cli({"run", "--scenario", scenario_, "--screen", "2"});
    EXPECT_NE(screen_alone.status, 0);
    EXPECT_THAT(screen_alone.err, HasSubstr("--screen requires --screen-out"));
    const Cli out_alone = cli({"run", "--scenario", scenario_, "--screen-out", path("alone.png")});
    EXPECT_NE(out_alone.status, 0);
    EXPECT_THAT(out_alone.err, HasSubstr("--screen-out requires --screen"));
    EXPECT_FALSE(std::filesystem::exists(path("alone.png")));

    const Cli unwritable = run_screen("2", path("no-such-folder/screen.png"));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_THAT(unwritable.err, HasSubstr("cannot write PNG file '" + path("no-such-folder/screen.png") + "'"));
}

TEST_F(ScreenTest, BoxesTextLinesShadowsAndMarkupFollowTheScreensRules) {
    EXPECT_EQ(sim::visible_text("<TEXTFORMAT RIGHTMARGIN='0'><P ALIGN='center'><FONT FACE='$body' SIZE='21'>~s~Your "
                                "Gun Exploded!</FONT></P></TEXTFORMAT>"),
              "Your Gun Exploded!");
    EXPECT_EQ(sim::visible_text("~COLOR_RED~Hot~s~ barrel\n~e~x"), "Hot barrel\nx");
    EXPECT_EQ(sim::visible_text("a < b ~ c ~~ d <"), "a < b ~ c ~~ d <");

    sim::FrameDraws draws;
    // Red at alpha 128, centred on the middle, 192 x 108 pixels: x 864 to 1055, y 486 to 593.
    standin::DrawnSprite box{};
    box.x = box.y = 0.5f;
    box.width = box.height = 0.1f;
    box.red = 255;
    box.alpha = 128;
    draws.sprites.push_back(box);
    // Three lines of a 36-pixel font from (0.1, 0.25) = (192, 270) on, 45 pixels apart.
    draws.texts.push_back(text_of("I\nI\nI", 0.1f, 0.25f, 0.5f));
    // A 4-pixel shadow in blue, under a centred text on x = 1536.
    standin::DrawnText shadowed = text_of("IIII", 0.8f, 0.1f, 0.5f, true);
    shadowed.shadow = {4, 0, 0, 255, 255};
    draws.texts.push_back(shadowed);
    const Png png = decoded(sim::draw_screen(draws));
    ASSERT_EQ(png.width, 1920);
    ASSERT_EQ(png.height, 1080);

    // Each pixel of the box is the red over its row's background (the
    // picture's far right, where nothing is drawn); the pixels around it are
    // the background.
    const auto red_over_background = [&](int x, int y) {
        const std::uint8_t* under = png.at(1900, y);
        const std::uint8_t* p = png.at(x, y);
        return p[0] == (255 * 128 + under[0] * 127 + 127) / 255 && p[1] == (under[1] * 127 + 127) / 255 &&
               p[2] == (under[2] * 127 + 127) / 255;
    };
    const auto background = [&](int x, int y) { return std::memcmp(png.at(x, y), png.at(1900, y), 3) == 0; };
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{864, 486}, {1055, 486}, {864, 593}, {1055, 593}}) {
        EXPECT_TRUE(red_over_background(x, y)) << x << ", " << y;
    }
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{863, 486}, {1056, 486}, {864, 485}, {1055, 594}}) {
        EXPECT_TRUE(background(x, y)) << x << ", " << y;
    }

    const auto white = [&](int x, int y) { return png.bright(x, y); };
    const std::vector<std::pair<int, int>> lines = row_runs(png, 150, 300, white);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_GE(lines[0].first, 270);
    EXPECT_LE(lines[0].first, 282);
    EXPECT_NEAR(lines[1].first - lines[0].first, 45, 1);
    EXPECT_NEAR(lines[2].first - lines[1].first, 45, 1);
    int left = png.width;
    for (int y = lines[0].first; y <= lines[0].second; ++y) {
        for (int x = 150; x < 300; ++x) {
            if (white(x, y)) left = std::min(left, x);
        }
    }
    EXPECT_GE(left, 192);
    EXPECT_LE(left, 198);

    const auto blue = [&](int x, int y) { return png.at(x, y)[2] >= 230 && png.at(x, y)[0] < 40; };
    const std::vector<std::pair<int, int>> text_rows = row_runs(png, 1400, 1700, white);
    const std::vector<std::pair<int, int>> shadow_rows = row_runs(png, 1400, 1700, blue);
    ASSERT_EQ(text_rows.size(), 1u);
    ASSERT_EQ(shadow_rows.size(), 1u);
    EXPECT_EQ(shadow_rows[0].second, text_rows[0].second + 4);
    int text_left = png.width;
    int text_right = 0;
    for (int x = 1400; x < 1700; ++x) {
        if (!white(x, text_rows[0].first + 2)) continue;
        text_left = std::min(text_left, x);
        text_right = std::max(text_right, x);
    }
    EXPECT_NEAR((text_left + text_right) / 2.0, 1536.0, 3.0);
}

// Every page of the menu, every row selected, in a fight that keeps the
// ring of shot records full: each text stays inside the panel and clear of
// every other text, by the screen's rules at 1920x1080.
class MenuFitTest : public test::PluginTest {
protected:
    void tap(int key) {
        world().presses.push_back({host().frame() + 1, 1, key, 0});
        run_frames(2);
        check_texts();
    }
    void check_texts() {
        constexpr float panel_left = (0.75f - 0.22f) * 1920.0f;
        constexpr float panel_right = (0.75f + 0.22f) * 1920.0f;
        struct Box {
            float left, right, top, bottom;
            std::string text;
        };
        std::vector<Box> boxes;
        for (const standin::DrawnText& t : world().texts) {
            const float width = sim::text_width(t.text, t.scale_y);
            const float left = t.x * 1920.0f - (t.centred ? width / 2.0f : 0.0f);
            const float top = t.y * 1080.0f;
            boxes.push_back({left, left + width, top, top + t.scale_y * sim::screen::font_pixels_per_scale, t.text});
            EXPECT_GE(left, panel_left) << t.text;
            EXPECT_LE(left + width, panel_right) << t.text;
        }
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            for (std::size_t j = i + 1; j < boxes.size(); ++j) {
                const Box& a = boxes[i];
                const Box& b = boxes[j];
                const bool apart = a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
                EXPECT_TRUE(apart) << '"' << a.text << "\" and \"" << b.text << '"';
            }
        }
        ++pages_checked;
    }
    int pages_checked = 0;
};

TEST_F(MenuFitTest, EveryLineOfEveryPageStaysInThePanelAndClearOfTheOthers) {
    ini("[Main]\nmaximum_chance_for_explosion=0.6\n");
    start();
    host().recording = false;
    test::define_test_weapons(world());
    test::arm_with(world(), world().player_ped, test::sniper_weapon, 0.9f, 0.8f);
    // Forty NPCs of every class fire in every frame, their guns put back as they were.
    const GameHash weapons[] = {test::pistol_weapon, test::revolver_weapon, test::rifle_sniper_weapon,
                                test::sniper_weapon, test::shotgun_weapon};
    std::vector<std::pair<std::int32_t, std::int32_t>> shooters;
    for (int i = 0; i < 40; ++i) {
        const std::int32_t ped = world().add_armed_ped(weapons[i % 5], {static_cast<float>(i), 0.0f, 0.0f});
        shooters.emplace_back(ped, world().ped(ped).weapon_object);
    }
    world().on_frame = [shooters](standin::World& w, int) {
        for (const auto& [ped, object] : shooters) {
            w.ped(ped).has_weapon = true;
            w.ped(ped).weapon_object = object;
            w.ped(ped).shooting = true;
            w.object(object).held_by = ped;
            w.object(object).dirt = 0.8f;
            w.object(object).degradation = 0.7f;
        }
        w.clear_records();
    };
    run_frames(80);
    ASSERT_GT(shot_records.written, static_cast<std::uint64_t>(shot_record_capacity));

    const auto shown = [] { return menu.levels[static_cast<std::size_t>(menu.depth)]; };
    tap(0x76);
    for (int section = 0; section < top_rows; ++section) {
        if (section < settings_section_count) {
            tap(0x0D);
            for (int row = 0; row < row_count(shown()); ++row) {
                const SettingName* name = row_name(shown(), row);
                if (name != nullptr && (name->row->kind == ValueKind::pair || name->row->kind == ValueKind::seven)) {
                    tap(0x0D);
                    for (int element = 1; element < row_count(shown()); ++element) tap(0x28);
                    tap(0x08);
                }
                tap(0x28);
            }
            tap(0x08);
        }
        tap(0x28);
    }
    EXPECT_GT(pages_checked, 150);
    EXPECT_TRUE(menu.open);
}

}  // namespace
