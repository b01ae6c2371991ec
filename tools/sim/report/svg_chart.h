#pragma once
// Charts drawn as inline SVG for the HTML report: a page that runs no script
// and fetches nothing. Every text given here is escaped when it is written.

#include <string>
#include <vector>

namespace sim {

// Text for HTML (and SVG inside it): & < > " ' as entities.
std::string html_escape(const std::string& text);

struct ChartPoint {
    double x = 0.0;
    double y = 0.0;
};

struct ChartSeries {
    std::string name;
    std::string colour;  // a CSS colour
    std::vector<ChartPoint> points;
    bool dashed = false;
};

// A mark on the chart with a tooltip: a failure on a curve, for example.
struct ChartMarker {
    ChartPoint at;
    std::string colour;
    bool square = false;  // else a circle
    std::string tooltip;
};

struct LineChart {
    std::string title;
    std::string x_label;
    std::string y_label;
    double x_min = 0.0;
    double x_max = 1.0;
    double y_min = 0.0;
    double y_max = 1.0;
    std::vector<ChartSeries> series;
    std::vector<ChartMarker> markers;
    // Legend entries for the markers: (colour, square, text).
    struct MarkerKey {
        std::string colour;
        bool square = false;
        std::string text;
    };
    std::vector<MarkerKey> marker_keys;
    int width = 900;
    int height = 320;
};

std::string line_chart_svg(const LineChart& chart);

// A chart of events in time, one row a lane (a shooter, say).
struct TimelineEvent {
    double x = 0.0;
    std::string colour;
    bool square = false;
    std::string tooltip;
};
struct TimelineLane {
    std::string name;
    std::vector<TimelineEvent> events;
};
struct Timeline {
    std::string title;
    std::string x_label;
    double x_min = 0.0;
    double x_max = 1.0;
    std::vector<TimelineLane> lanes;
    std::vector<LineChart::MarkerKey> marker_keys;
    int width = 900;
};

std::string timeline_svg(const Timeline& timeline);

// Bars side by side in groups along the x axis: one bar a series in each
// group (a histogram is one group a bin).
struct BarGroup {
    std::string label;
    std::vector<double> values;  // one a series
    std::vector<std::string> tooltips;  // one a series; empty: the value
};
struct BarChart {
    std::string title;
    std::string x_label;
    std::string y_label;
    std::vector<LineChart::MarkerKey> series;  // colour and name of each series, as the legend shows them
    std::vector<BarGroup> groups;
    int width = 900;
    int height = 300;
};

std::string bar_chart_svg(const BarChart& chart);

// Round steps for an axis: about `count` ticks from low to high.
std::vector<double> axis_ticks(double low, double high, int count);
// The top of an axis from 0 that holds highest: the next of those steps.
double axis_top(double highest);

}  // namespace sim
