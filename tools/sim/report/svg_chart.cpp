#include "report/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    return buffer;
}

std::string tick_text(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", std::abs(value) < 1e-12 ? 0.0 : value);
    return buffer;
}

// Plot area inside the SVG.
struct Frame {
    double left = 64.0;
    double top = 52.0;
    double right = 0.0;
    double bottom = 0.0;
    double x_min = 0.0;
    double x_max = 1.0;
    double y_min = 0.0;
    double y_max = 1.0;
    double x(double value) const {
        const double span = x_max > x_min ? x_max - x_min : 1.0;
        return left + (std::clamp(value, x_min, x_max) - x_min) / span * (right - left);
    }
    double y(double value) const {
        const double span = y_max > y_min ? y_max - y_min : 1.0;
        return bottom - (std::clamp(value, y_min, y_max) - y_min) / span * (bottom - top);
    }
};

std::string mark(double x, double y, const std::string& colour, bool square, const std::string& tooltip) {
    std::string shape;
    if (square) {
        shape = "<rect x=\"" + number(x - 4.5) + "\" y=\"" + number(y - 4.5) +
                "\" width=\"9\" height=\"9\" fill=\"" + html_escape(colour) + "\" stroke=\"#222\" stroke-width=\"0.8\">";
        return shape + "<title>" + html_escape(tooltip) + "</title></rect>";
    }
    shape = "<circle cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"4.5\" fill=\"" + html_escape(colour) +
            "\" stroke=\"#222\" stroke-width=\"0.8\">";
    return shape + "<title>" + html_escape(tooltip) + "</title></circle>";
}

std::string text(double x, double y, const std::string& content, const char* anchor, const char* extra = "") {
    return "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" text-anchor=\"" + anchor + "\"" + extra + ">" +
           html_escape(content) + "</text>";
}

std::string x_axis(const Frame& f, const std::string& label) {
    std::string out = "<line x1=\"" + number(f.left) + "\" y1=\"" + number(f.bottom) + "\" x2=\"" + number(f.right) +
                      "\" y2=\"" + number(f.bottom) + "\" stroke=\"#444\"/>";
    for (const double t : axis_ticks(f.x_min, f.x_max, 10)) {
        const double x = f.x(t);
        out += "<line x1=\"" + number(x) + "\" y1=\"" + number(f.bottom) + "\" x2=\"" + number(x) + "\" y2=\"" +
               number(f.bottom + 5) + "\" stroke=\"#444\"/>";
        out += text(x, f.bottom + 18, tick_text(t), "middle");
    }
    out += text((f.left + f.right) / 2, f.bottom + 38, label, "middle", " class=\"axis-label\"");
    return out;
}

// The grid lines, the y axis with its ticks, and its label.
std::string y_axis(const Frame& f, const std::string& label) {
    std::string out;
    for (const double t : axis_ticks(f.y_min, f.y_max, 5)) {
        const double y = f.y(t);
        out += "<line x1=\"" + number(f.left) + "\" y1=\"" + number(y) + "\" x2=\"" + number(f.right) + "\" y2=\"" +
               number(y) + "\" stroke=\"#ddd\"/>";
        out += text(f.left - 8, y + 4, tick_text(t), "end");
    }
    out += "<line x1=\"" + number(f.left) + "\" y1=\"" + number(f.top) + "\" x2=\"" + number(f.left) + "\" y2=\"" +
           number(f.bottom) + "\" stroke=\"#444\"/>";
    out += text(16, (f.top + f.bottom) / 2, label, "middle",
                (" class=\"axis-label\" transform=\"rotate(-90 16 " + number((f.top + f.bottom) / 2) + ")\"").c_str());
    return out;
}

// A legend row at the top right: coloured lines or marks with their names.
std::string legend(double right, double y, const std::vector<ChartSeries>& series,
                   const std::vector<LineChart::MarkerKey>& keys) {
    std::string out;
    double x = right;
    const auto width_of = [](const std::string& s) { return 7.0 * static_cast<double>(s.size()) + 34.0; };
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        x -= width_of(it->text);
        out += mark(x + 6, y - 4, it->colour, it->square, it->text);
        out += text(x + 16, y, it->text, "start");
    }
    for (auto it = series.rbegin(); it != series.rend(); ++it) {
        x -= width_of(it->name);
        out += "<line x1=\"" + number(x) + "\" y1=\"" + number(y - 4) + "\" x2=\"" + number(x + 18) + "\" y2=\"" +
               number(y - 4) + "\" stroke=\"" + html_escape(it->colour) + "\" stroke-width=\"3\"" +
               (it->dashed ? " stroke-dasharray=\"6 3\"" : "") + "/>";
        out += text(x + 22, y, it->name, "start");
    }
    return out;
}

std::string svg_open(int width, double height, const std::string& title) {
    return "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(width) + " " +
           number(height) + "\" width=\"" + std::to_string(width) + "\" height=\"" + number(height) +
           "\" role=\"img\" aria-label=\"" + html_escape(title) + "\"><title>" + html_escape(title) + "</title>";
}

}  // namespace

std::string html_escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c; break;
        }
    }
    return out;
}

std::vector<double> axis_ticks(double low, double high, int count) {
    std::vector<double> ticks;
    if (!(high > low) || count < 1) return {low};
    const double raw = (high - low) / count;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        step = m * magnitude;
        if (step >= raw) break;
    }
    for (double t = std::ceil(low / step) * step; t <= high + step * 1e-9; t += step) ticks.push_back(t);
    return ticks;
}

double axis_top(double highest) {
    const std::vector<double> steps = axis_ticks(0.0, highest, 5);
    if (steps.size() < 2) return highest;
    const double step = steps[1] - steps[0];
    return std::ceil(highest / step - 1e-9) * step;
}

std::string line_chart_svg(const LineChart& chart) {
    Frame f;
    f.right = chart.width - 16.0;
    f.bottom = chart.height - 48.0;
    f.x_min = chart.x_min;
    f.x_max = chart.x_max;
    f.y_min = chart.y_min;
    f.y_max = chart.y_max;

    std::string out = svg_open(chart.width, chart.height, chart.title);
    out += text(f.left, 18, chart.title, "start", " class=\"chart-title\"");
    out += legend(f.right, 38, chart.series, chart.marker_keys);
    out += y_axis(f, chart.y_label);
    out += x_axis(f, chart.x_label);

    for (const ChartSeries& s : chart.series) {
        if (s.points.empty()) continue;
        std::string path;
        for (const ChartPoint& p : s.points) {
            path += (path.empty() ? "M" : " L") + number(f.x(p.x)) + " " + number(f.y(p.y));
        }
        out += "<path class=\"series\" d=\"" + path + "\" fill=\"none\" stroke=\"" + html_escape(s.colour) +
               "\" stroke-width=\"2\"" + (s.dashed ? " stroke-dasharray=\"6 3\"" : "") + "><title>" +
               html_escape(s.name) + "</title></path>";
    }
    for (const ChartMarker& m : chart.markers) {
        out += mark(f.x(m.at.x), f.y(m.at.y), m.colour, m.square, m.tooltip);
    }
    return out + "</svg>";
}

std::string bar_chart_svg(const BarChart& chart) {
    Frame f;
    f.right = chart.width - 16.0;
    f.bottom = chart.height - 62.0;
    for (const BarGroup& g : chart.groups) {
        for (const double v : g.values) f.y_max = std::max(f.y_max, std::isfinite(v) ? v : 0.0);
    }
    f.y_max = axis_top(f.y_max);

    std::string out = svg_open(chart.width, chart.height, chart.title);
    out += text(f.left, 18, chart.title, "start", " class=\"chart-title\"");
    out += legend(f.right, 38, {}, chart.series);
    out += y_axis(f, chart.y_label);
    const double slot = (f.right - f.left) / static_cast<double>(std::max<std::size_t>(chart.groups.size(), 1));
    const double bar = slot * 0.8 / static_cast<double>(std::max<std::size_t>(chart.series.size(), 1));
    for (std::size_t i = 0; i < chart.groups.size(); ++i) {
        const BarGroup& g = chart.groups[i];
        const double left = f.left + slot * static_cast<double>(i) + slot * 0.1;
        for (std::size_t j = 0; j < g.values.size() && j < chart.series.size(); ++j) {
            const double top = f.y(std::isfinite(g.values[j]) ? g.values[j] : 0.0);
            const std::string tooltip = j < g.tooltips.size() ? g.tooltips[j] : g.label + ": " + tick_text(g.values[j]);
            out += "<rect x=\"" + number(left + bar * static_cast<double>(j)) + "\" y=\"" + number(top) +
                   "\" width=\"" + number(bar * 0.92) + "\" height=\"" + number(f.bottom - top) + "\" fill=\"" +
                   html_escape(chart.series[j].colour) + "\"><title>" + html_escape(tooltip) + "</title></rect>";
        }
        // A label of two lines at its line break.
        const std::size_t split = g.label.find('\n');
        out += text(left + slot * 0.4, f.bottom + 16, g.label.substr(0, split), "middle");
        if (split != std::string::npos) out += text(left + slot * 0.4, f.bottom + 30, g.label.substr(split + 1), "middle");
    }
    out += "<line x1=\"" + number(f.left) + "\" y1=\"" + number(f.bottom) + "\" x2=\"" + number(f.right) + "\" y2=\"" +
           number(f.bottom) + "\" stroke=\"#444\"/>";
    out += text((f.left + f.right) / 2, f.bottom + 52, chart.x_label, "middle", " class=\"axis-label\"");
    return out + "</svg>";
}

std::string timeline_svg(const Timeline& timeline) {
    constexpr double lane_height = 22.0;
    Frame f;
    f.left = 150.0;
    f.right = timeline.width - 16.0;
    f.top = 52.0;
    f.bottom = f.top + lane_height * static_cast<double>(std::max<std::size_t>(timeline.lanes.size(), 1));
    f.x_min = timeline.x_min;
    f.x_max = timeline.x_max;
    const double height = f.bottom + 48.0;

    std::string out = svg_open(timeline.width, height, timeline.title);
    out += text(16, 18, timeline.title, "start", " class=\"chart-title\"");
    out += legend(f.right, 38, {}, timeline.marker_keys);
    for (std::size_t i = 0; i < timeline.lanes.size(); ++i) {
        const TimelineLane& lane = timeline.lanes[i];
        const double y = f.top + lane_height * (static_cast<double>(i) + 0.5);
        if (i % 2 == 0) {
            out += "<rect x=\"" + number(f.left) + "\" y=\"" + number(y - lane_height / 2) + "\" width=\"" +
                   number(f.right - f.left) + "\" height=\"" + number(lane_height) + "\" fill=\"#f3f3f3\"/>";
        }
        out += text(f.left - 8, y + 4, lane.name, "end");
        for (const TimelineEvent& e : lane.events) out += mark(f.x(e.x), y, e.colour, e.square, e.tooltip);
    }
    out += x_axis(f, timeline.x_label);
    return out + "</svg>";
}

}  // namespace sim
