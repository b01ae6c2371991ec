// Where a number's slider ends and how it steps, read by the tuner page and
// the in-game menu alike.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "config/settings_table.h"

namespace {

// The row whose key (a per-class row: whose suffix) this is.
const SettingKey& row_of(const char* key) {
    for (const SettingKey& row : settings_table) {
        if (std::strcmp(row.key, key) == 0) return row;
    }
    ADD_FAILURE() << key << " is no row of the table";
    return settings_table.front();
}

void expect_span(SliderSpan span, float low, float high) {
    EXPECT_EQ(span.low, low);
    EXPECT_EQ(span.high, high);
}

TEST(SliderSpan, AClosedRangeIsTheSpan) {
    const SettingKey& cap = row_of("maximum_chance_for_explosion");  // 0 to 1
    expect_span(slider_span(cap, 0.36f), 0.0f, 1.0f);
    // A value outside the range does not move it.
    expect_span(slider_span(cap, 7.0f), 0.0f, 1.0f);
    expect_span(slider_span(row_of("<relationship group>"), 0.9f), 0.0f, 1.0f);
}

TEST(SliderSpan, AnOpenRangeEndsPastTheDefaultAndTheValue) {
    const SettingKey& factor = row_of("_expo_chance_mod");  // 0 or more, default 0.33
    expect_span(slider_span(factor, 0.33f), 0.0f, 2.0f);
    expect_span(slider_span(factor, 1.4f), 0.0f, 5.0f);  // 2.1
    expect_span(slider_span(factor, 3.0f), 0.0f, 5.0f);  // 4.5
    expect_span(slider_span(factor, 4.0f), 0.0f, 10.0f);
    expect_span(slider_span(factor, 600.0f), 0.0f, 1000.0f);  // 900
    expect_span(slider_span(factor, -50.0f), 0.0f, 2.0f);
    // Four times the default: 1.0 gives 4.
    expect_span(slider_span(row_of("_dirt_modifier"), 0.0f), 0.0f, 5.0f);
    // A list: each number, against the list's first default number (1.0,2.0).
    expect_span(slider_span(row_of("_recoil"), 2.0f), 0.0f, 5.0f);
    expect_span(slider_span(row_of("_recoil"), 12.0f), 0.0f, 20.0f);
}

TEST(SliderSpan, ValuesThatAreNoNumberOrTooLargeStillGiveASpan) {
    const SettingKey& factor = row_of("_expo_chance_mod");
    expect_span(slider_span(factor, std::numeric_limits<float>::quiet_NaN()), 0.0f, 2.0f);
    expect_span(slider_span(factor, std::numeric_limits<float>::infinity()), 0.0f, 2.0f);
    const SliderSpan huge = slider_span(factor, std::numeric_limits<float>::max());
    EXPECT_EQ(huge.high, std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isfinite(menu_step(huge)));
}

TEST(SliderSpan, OpenBelowStartsAtZeroAndANegativeLowStays) {
    SettingKey row = row_of("_expo_chance_mod");
    row.has_range = false;
    expect_span(slider_span(row, 0.5f), 0.0f, 2.0f);
    row.has_range = true;
    row.range = {-1.0f, 1.0f, false, nullptr};
    expect_span(slider_span(row, 0.5f), -1.0f, 1.0f);
}

TEST(SliderSpan, ThePageStepsByAPowerOfTenTheMenuByAHundredth) {
    EXPECT_EQ(slider_step({0.0f, 1.0f}), 0.001f);
    EXPECT_EQ(slider_step({0.0f, 5.0f}), 0.001f);
    EXPECT_EQ(slider_step({0.0f, 10.0f}), 0.01f);
    EXPECT_EQ(slider_step({0.0f, 1000.0f}), 1.0f);
    EXPECT_EQ(slider_step({-1.0f, 1.0f}), 0.001f);
    EXPECT_EQ(menu_step({0.0f, 1.0f}), 0.01f);
    EXPECT_EQ(menu_step({0.0f, 5.0f}), 0.05f);
    EXPECT_EQ(menu_step({-1.0f, 1.0f}), 0.02f);
}

// The menu steps every number of the table: none may have an empty span.
TEST(SliderSpan, EveryNumberOfTheTableHasASpanToStepThrough) {
    for (const SettingKey& row : settings_table) {
        if (row.kind != ValueKind::number && row.kind != ValueKind::pair && row.kind != ValueKind::seven) continue;
        SCOPED_TRACE(row.key);
        const SliderSpan span = slider_span(row, static_cast<float>(std::atof(row.default_text)));
        EXPECT_LT(span.low, span.high);
        EXPECT_TRUE(std::isfinite(span.low) && std::isfinite(span.high));
        EXPECT_GT(slider_step(span), 0.0f);
        EXPECT_LE(slider_step(span), (span.high - span.low) / 1000.0f * 1.0001f);
        EXPECT_GT(menu_step(span), 0.0f);
    }
}

}  // namespace
