#!/usr/bin/env python3
"""Opens a report page of barrelburst-sim in headless Chromium, as a modder's
browser would open it from disk: the page must render without a console
message (no script error, nothing refused or fetched), every chart must be
drawn, and a screenshot is written for a person to look at. With
--your-game the page must also hold the section "Your game" of a shot log,
with its charts drawn.

    check_report_in_chromium.py PAGE.html SCREENSHOT.png [--your-game]
"""

import html.parser
import pathlib
import shutil
import subprocess
import sys
import tempfile

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--enable-logging=stderr", "--v=0", "--virtual-time-budget=5000",
]
CLASSES = 5
HEATMAPS_PER_CLASS = 6
GRID_CELLS = 11 * 11


class Page(html.parser.HTMLParser):
    """The drawn parts of the rendered DOM."""

    def __init__(self):
        super().__init__()
        self.charts = []        # per <svg class="chart">: drawn marks (paths with data, circles, rects)
        self.heatmaps = []      # per <table class="heat">: coloured cells
        self.scripts = 0
        self.elements_with_handlers = 0
        self.your_game_charts = None  # charts in <section id="your-game">; None: no such section
        self._section = None
        self._chart_depth = 0
        self._svg_depth = 0

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "script":
            self.scripts += 1
        if any(name.startswith("on") for name, _ in attrs):
            self.elements_with_handlers += 1
        if tag == "section":
            self._section = a.get("id")
            if self._section == "your-game":
                self.your_game_charts = 0
        if tag == "svg":
            self._svg_depth += 1
            if "chart" in (a.get("class") or "").split():
                self.charts.append(0)
                self._chart_depth = self._svg_depth
                if self._section == "your-game":
                    self.your_game_charts += 1
        elif self._chart_depth and tag in ("path", "circle", "rect"):
            if tag != "path" or (a.get("d") or "").startswith("M"):
                self.charts[-1] += 1
        if tag == "table" and "heat" in (a.get("class") or "").split():
            self.heatmaps.append(0)
        elif tag == "td" and self.heatmaps and "background:#" in (a.get("style") or ""):
            self.heatmaps[-1] += 1

    def handle_endtag(self, tag):
        if tag == "section":
            self._section = None
        if tag == "svg":
            if self._svg_depth == self._chart_depth:
                self._chart_depth = 0
            self._svg_depth -= 1


def chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    sys.exit("check_report_in_chromium: no chromium on PATH (Debian package chromium; scripts/install-deps.sh)")


def run(browser, profile, extra, page):
    return subprocess.run([browser, *CHROMIUM_FLAGS, f"--user-data-dir={profile}", *extra, page.as_uri()],
                          capture_output=True, text=True, timeout=180)


def main():
    arguments = [a for a in sys.argv[1:] if a != "--your-game"]
    your_game = len(arguments) < len(sys.argv) - 1
    if len(arguments) != 2:
        sys.exit(__doc__)
    page = pathlib.Path(arguments[0]).resolve()
    screenshot = pathlib.Path(arguments[1]).resolve()
    if not page.is_file():
        sys.exit(f"check_report_in_chromium: {page}: no such page")
    browser = chromium()
    problems = []
    with tempfile.TemporaryDirectory() as profile:
        dom = run(browser, profile, ["--dump-dom"], page)
        if dom.returncode != 0:
            sys.exit(f"check_report_in_chromium: chromium failed on {page}:\n{dom.stderr}")
        console = [line for line in dom.stderr.splitlines()
                   if "CONSOLE" in line or "Uncaught" in line or "Refused to" in line]
        problems += [f"console: {line}" for line in console]

        parsed = Page()
        parsed.feed(dom.stdout)
        if parsed.scripts:
            problems.append(f"{parsed.scripts} <script> element(s) in the page")
        if parsed.elements_with_handlers:
            problems.append(f"{parsed.elements_with_handlers} element(s) with an on... handler")
        if len(parsed.charts) < 4:
            problems.append(f"{len(parsed.charts)} charts, expected at least 4")
        for i, marks in enumerate(parsed.charts):
            if marks == 0:
                problems.append(f"chart {i + 1} has nothing drawn")
        if len(parsed.heatmaps) != CLASSES * HEATMAPS_PER_CLASS:
            problems.append(f"{len(parsed.heatmaps)} heatmaps, expected {CLASSES * HEATMAPS_PER_CLASS}")
        if your_game and parsed.your_game_charts is None:
            problems.append("no section \"Your game\"")
        elif your_game and parsed.your_game_charts < 3:
            problems.append(f"{parsed.your_game_charts} charts in \"Your game\", expected at least 3")
        for i, cells in enumerate(parsed.heatmaps):
            if cells != GRID_CELLS:
                problems.append(f"heatmap {i + 1} has {cells} coloured cells, expected {GRID_CELLS}")

        screenshot.parent.mkdir(parents=True, exist_ok=True)
        shot = run(browser, profile, [f"--screenshot={screenshot}", "--window-size=1400,6000",
                                      "--hide-scrollbars"], page)
        if shot.returncode != 0 or not screenshot.is_file() or screenshot.stat().st_size < 10000:
            problems.append(f"no screenshot written to {screenshot}")

    if problems:
        print(f"{page}: " + "\n  ".join(["the page does not pass in Chromium:", *problems]))
        return 1
    game = f" ({parsed.your_game_charts} of them in \"Your game\")" if parsed.your_game_charts is not None else ""
    print(f"{page}: rendered in Chromium without a console message; {len(parsed.charts)} charts{game} and "
          f"{len(parsed.heatmaps)} heatmaps drawn; screenshot {screenshot}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
