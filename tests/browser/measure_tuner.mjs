// Benchmark of the tuner page in headless Chromium (not a test): the page's
// size; the time from navigation to the page's first drawing (the
// tuner-first-drawing mark: every figure computed, the heatmaps in the window
// drawn; those out of it follow in the next frame and while idle) with the
// shipped INI, and for pages report wrote with the INI and the checked-in
// log and with a 20-minute log (until its replay stands); a fight of 10
// minutes (36,000 frames of worn-out-posse) played by the page's engine in
// slices; the time of a redraw after a change (the input event to the cells,
// charts, findings and text area updated and laid out), without and with a
// shot log open: the checked-in one, and each log named after the counts (a
// play log of 100,000 shots: barrelburst-sim run --ini INI --scenario
// worn-out-posse --frames 760000 --csv DIR, with shot_log=1 in the INI).
// Then a slider dragged as by hand, without and with each log: an input
// event due every 16 ms for 3 s on the rifle's explosion factor, each one
// dispatched when the page is free to take it; the events handled, the
// handling of each (the event to the page laid out), the long tasks (over
// 50 ms) on the main thread from the drag's start until the fight's figures
// and the log's stand, and the time from the last event until they stand.
// Prints the figures.
//
//   node tests/browser/measure_tuner.mjs [LOADS] [CHANGES] [LOG...]
// (the page: BB_TUNER_PAGE, by default build/wasm/Barrelburst-tuner.html)

import fs from "node:fs";
import path from "node:path";

import { TunerPage, pagePath, scratchDir, shippedIni, sim, sourceDir } from "./tuner_browser.mjs";

const loads = Number(process.argv[2] || 7);
const changes = Number(process.argv[3] || 60);

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const ms = (x) => `${x.toFixed(1)} ms`;

// Each change through the rifle's explosion factor, as a slider moved by hand.
function redraws(tuner, count) {
  return tuner.page.evaluate((n) => {
    const slider = document.querySelector('input[data-slider-for="Expo_Chance/rifle_expo_chance_mod"]');
    const times = [];
    for (let i = 0; i < n; ++i) {
      const t0 = performance.now();
      slider.value = String(0.3 + (i % 30) / 50);
      slider.dispatchEvent(new Event("input", { bubbles: true }));
      void document.body.offsetHeight;  // laid out
      times.push(performance.now() - t0);
    }
    return times;
  }, count);
}

// The drag: {handled, times, longTasks, fight, log} (log: null without a log).
function drag(tuner, seconds = 3, every = 16) {
  return tuner.page.evaluate((seconds, every) => new Promise((resolve) => {
    const slider = document.querySelector('input[data-slider-for="Expo_Chance/rifle_expo_chance_mod"]');
    const fightSection = document.querySelector('[data-role="fight"]');
    const logView = document.getElementById("log-view");
    const withLog = !document.getElementById("your-game").hidden;
    const longTasks = [];
    const observer = new PerformanceObserver((list) => longTasks.push(...list.getEntries().map((e) => e.duration)));
    observer.observe({ type: "longtask" });
    const times = [];
    const start = performance.now();
    let due = start;
    let last = 0;
    const standing = () => fightSection.dataset.state === "done" &&
      (!withLog || logView.dataset.state === undefined || logView.dataset.state === "done");
    const settle = () => {
      const fightAt = { value: fightSection.dataset.state === "done" ? performance.now() : 0 };
      const logAt = { value: 0 };
      const poll = () => {
        const now = performance.now();
        if (!fightAt.value && fightSection.dataset.state === "done") fightAt.value = now;
        if (withLog && !logAt.value && (logView.dataset.state === undefined || logView.dataset.state === "done")) {
          logAt.value = now;
        }
        if (standing() || now - last > 30000) {
          // The long tasks of the last moments reach the observer a little later.
          setTimeout(() => {
            observer.disconnect();
            resolve({ handled: times.length, times, longTasks, fight: fightAt.value - last,
              log: withLog ? logAt.value - last : null });
          }, 100);
          return;
        }
        requestAnimationFrame(poll);
      };
      poll();
    };
    let i = 0;
    const tick = () => {
      const t0 = performance.now();
      if (t0 - start >= seconds * 1000) {
        settle();
        return;
      }
      slider.value = String(0.3 + (i++ % 30) / 50);
      slider.dispatchEvent(new Event("input", { bubbles: true }));
      void document.body.offsetHeight;  // laid out
      last = performance.now();
      times.push(last - t0);
      // The next event is due 16 ms after this one was; a page that is late takes the next at once.
      due = Math.max(due + every, t0);
      setTimeout(tick, Math.max(0, due - performance.now()));
    };
    tick();
  }), seconds, every);
}

function dragText(d) {
  const p95 = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length * 0.95)];
  return `${d.handled} events handled in 3 s; handling median ${ms(median(d.times))}, 95th percentile ` +
    `${ms(p95(d.times))}, max ${ms(Math.max(...d.times))}; ${d.longTasks.length} long task(s)` +
    (d.longTasks.length > 0 ? ` (longest ${ms(Math.max(...d.longTasks))})` : "") +
    `; after the last event the fight stands in ${ms(d.fight)}` + (d.log === null ? "" : `, "Your game" in ${ms(d.log)}`);
}

const tuner = await TunerPage.open();
try {
  const firsts = [];
  for (let i = 0; i < loads; ++i) {
    await tuner.load();
    firsts.push(await tuner.page.evaluate(() => performance.getEntriesByName("tuner-first-drawing")[0].startTime));
  }
  // The 10-minute fight, in the page's slices of 2,000 frames.
  const fight = await tuner.page.evaluate(() => {
    const t0 = performance.now();
    page.engine.fightStart(page.current.bytes, "worn-out-posse", "1", 36000);
    const slices = [];
    for (let step = { done: false }; !step.done;) {
      const t = performance.now();
      step = page.engine.fightStep(2000);
      slices.push(performance.now() - t);
    }
    return { shots: page.engine.fightResult().shots.length, total: performance.now() - t0, slice: Math.max(...slices) };
  });
  // Report's pages: the shipped INI with the checked-in log, and with a
  // 20-minute log (72,000 frames of worn-out-posse with the play log on).
  const scratch = scratchDir();
  const logIni = path.join(scratch, "log.ini");
  fs.writeFileSync(logIni, fs.readFileSync(shippedIni, "utf8").replace(/^shot_log=0$/m, "shot_log=1"));
  sim("run", "--ini", logIni, "--scenario", "worn-out-posse", "--frames", "72000", "--csv", path.join(scratch, "run"));
  const twentyMinutes = path.join(scratch, "run", "Barrelburst-shots.csv");
  const reports = [];
  for (const [label, log] of [["the checked-in log", path.join(sourceDir, "tests/data/Barrelburst-shots.csv")],
    ["a 20-minute log", twentyMinutes]]) {
    const report = path.join(scratch, `report-${reports.length}.html`);
    sim("report", "--ini", shippedIni, "--log", log, "--out", report);
    const reportPage = await TunerPage.open({ file: report });
    const firsts = [];
    for (let i = 0; i < loads; ++i) {
      await reportPage.load();
      await reportPage.page.waitForFunction(() => document.body.dataset.state === "ready");
      firsts.push(await reportPage.page.evaluate(() => performance.getEntriesByName("tuner-first-drawing")[0].startTime));
    }
    const rows = await reportPage.page.evaluate(() => document.getElementById("log-view").dataset.rows);
    await reportPage.close();
    reports.push({ label, rows, size: fs.statSync(report).size, firsts });
  }
  const plainDrag = await drag(tuner);
  const plain = await redraws(tuner, changes);
  const logs = [path.join(sourceDir, "tests/data/Barrelburst-shots.csv"), ...process.argv.slice(4)];
  const withLogs = [];
  for (const log of logs) {
    const t0 = Date.now();
    await tuner.openFiles(log);
    const opened = Date.now() - t0;
    const shots = await tuner.page.evaluate(() => document.getElementById("log-view").dataset.rows);
    const dragged = await drag(tuner);
    withLogs.push({ log, shots, opened, dragged, times: await redraws(tuner, changes) });
  }
  if (tuner.messages.length > 0) throw new Error(`console messages: ${tuner.messages.join("; ")}`);
  console.log(`page: ${pagePath}`);
  console.log(`size: ${(fs.statSync(pagePath).size / 1e6).toFixed(2)} MB`);
  console.log(`first drawing (navigation to the heatmaps in the window drawn), median of ${loads}: ${ms(median(firsts))} ` +
    `(min ${ms(Math.min(...firsts))}, max ${ms(Math.max(...firsts))})`);
  for (const r of reports) {
    console.log(`report's page with ${r.label} (${r.rows} shots), ${(r.size / 1e6).toFixed(2)} MB: first drawing, ` +
      `median of ${loads}: ${ms(median(r.firsts))} (max ${ms(Math.max(...r.firsts))})`);
  }
  console.log(`a 10-minute fight (${fight.shots} shots): ${ms(fight.total)}, the longest slice of 2,000 frames ` +
    `${ms(fight.slice)}`);
  console.log(`redraw after a change, median of ${changes}: ${ms(median(plain))} (max ${ms(Math.max(...plain))})`);
  console.log(`drag, no log: ${dragText(plainDrag)}`);
  for (const { log, shots, opened, dragged, times } of withLogs) {
    console.log(`${path.basename(log)}, ${shots} shots: opened in ${opened} ms; redraw after a change, median of ` +
      `${changes}: ${ms(median(times))} (max ${ms(Math.max(...times))})`);
    console.log(`drag, ${path.basename(log)}: ${dragText(dragged)}`);
  }
} finally {
  await tuner.close();
}
