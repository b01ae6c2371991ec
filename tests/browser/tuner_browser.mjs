// The tuner page in Debian's headless Chromium, driven through the DevTools
// protocol by puppeteer-core (npm ci --prefix tests/browser), as a modder's
// browser opens it from disk: what it logs, what it asks for, its cells and
// inputs by their data- attributes, the files it is given through its file
// input. Shared by the browser tests and the benchmark.

import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { pathToFileURL } from "node:url";

let puppeteer;
try {
  puppeteer = (await import("puppeteer-core")).default;
} catch {
  throw new Error("puppeteer-core is not installed: run npm ci --prefix tests/browser");
}

const here = path.dirname(new URL(import.meta.url).pathname);

export const sourceDir = process.env.BB_SOURCE_DIR || path.resolve(here, "../..");
export const pagePath = process.env.BB_TUNER_PAGE || path.join(sourceDir, "build/wasm/Barrelburst-tuner.html");
export const simPath = process.env.BB_SIM || path.join(sourceDir, "build/linux/tools/barrelburst-sim");
export const reportDir = process.env.BB_REPORT_DIR || path.join(sourceDir, "build/linux/report");
export const shippedIni = path.join(sourceDir, "release/Barrelburst.ini");

export function scratchDir() {
  return fs.mkdtempSync(path.join(os.tmpdir(), "bb-tuner-"));
}

// barrelburst-sim's answer; its exit status 1 only flags findings.
export function sim(...args) {
  try {
    return execFileSync(simPath, args, { encoding: "utf8", maxBuffer: 64 << 20 });
  } catch (error) {
    if (error.status === 1 && error.stdout) return error.stdout;
    throw error;
  }
}

// `odds --csv` as a map "class dirt wear" -> {crack, explosion, shots}.
export function oddsOf(iniFile, heat, ...more) {
  const rows = sim("odds", "--csv", "--ini", iniFile, "--heat", String(heat), ...more).trim().split("\n");
  const columns = rows.shift().split(",");
  const at = (name) => columns.indexOf(name);
  const table = new Map();
  for (const row of rows) {
    const v = row.split(",");
    const grid = (x) => String(Math.round(Number(x) * 1e6) / 1e6);
    table.set(`${v[at("class")]} ${grid(v[at("dirt")])} ${grid(v[at("degradation")])}`, {
      crack: Number(v[at("crack_probability")]),
      explosion: Number(v[at("explosion_probability")]),
      shots: Number(v[at("expected_shots_to_failure")]),
    });
  }
  return table;
}

export class TunerPage {
  // The built page, or another (a report) in its place.
  static async open({ viewport = { width: 1400, height: 1000 }, file = pagePath } = {}) {
    if (!fs.existsSync(file)) {
      throw new Error(`${file}: no page; build it with cmake --preset wasm && cmake --build --preset wasm`);
    }
    const profile = scratchDir();
    const browser = await puppeteer.launch({
      executablePath: process.env.BB_CHROMIUM || "/usr/bin/chromium",
      args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
        "--no-first-run", `--user-data-dir=${profile}`],
    });
    const tuner = new TunerPage(browser, await browser.newPage(), profile, file);
    await tuner.page.setViewport(viewport);
    await tuner.load();
    return tuner;
  }

  constructor(browser, page, profile, file) {
    this.file = file;
    this.browser = browser;
    this.page = page;
    this.profile = profile;
    this.messages = [];  // console messages and uncaught errors
    this.requests = [];  // every request the page made
    this.dialogs = [];   // alert(), confirm(), prompt()
    page.on("console", (m) => this.messages.push(`console.${m.type()}: ${m.text()}`));
    page.on("pageerror", (e) => this.messages.push(`uncaught: ${e.message}`));
    page.on("request", (r) => this.requests.push(r.url()));
    page.on("dialog", async (d) => {
      this.dialogs.push(d.message());
      await d.dismiss();
    });
  }

  async load() {
    await this.page.goto(pathToFileURL(this.file).href);
    await this.page.waitForFunction(() => document.body.dataset.state !== "starting", { timeout: 60000 });
  }

  async close() {
    await this.browser.close();
    fs.rmSync(this.profile, { recursive: true, force: true });
  }

  generation() {
    return this.page.evaluate(() => Number(document.body.dataset.generation));
  }

  // Files through the page's one file input, as a modder picks them.
  async openFiles(...files) {
    const before = await this.generation();
    const input = await this.page.$('input[type="file"]');
    await input.uploadFile(...files);
    await this.page.waitForFunction(
      (g) => document.body.dataset.state === "ready" && Number(document.body.dataset.generation) > g,
      { timeout: 60000 }, before);
  }

  // Sets an input's value and dispatches the event as a script would.
  setValue(selector, value, event = "input", bubbles = true) {
    return this.page.evaluate((s, v, e, b) => {
      const input = document.querySelector(s);
      if (!input) throw new Error(`no ${s}`);
      if (input.type === "checkbox") input.checked = v; else input.value = v;
      input.dispatchEvent(new Event(e, { bubbles: b }));
    }, selector, value, event, bubbles);
  }

  // The fight once its figures stand: its hooks and its summary cells.
  async fightDone() {
    await this.page.waitForFunction(() => document.querySelector('[data-role="fight"]').dataset.state === "done",
      { timeout: 60000 });
    return this.page.$eval('[data-role="fight"]', (f) => ({
      scenario: f.dataset.scenario, seed: f.dataset.seed,
      cells: [...f.querySelectorAll("td[data-figure]")].map((td) =>
        `${td.dataset.kind} ${td.dataset.class} ${td.dataset.figure} ${td.dataset.value}`),
    }));
  }

  // Save clicked: the bytes the browser downloads.
  async save(downloads) {
    fs.mkdirSync(downloads, { recursive: true });
    const cdp = await this.page.createCDPSession();
    await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
    await this.page.click("#save");
    const saved = path.join(downloads, "Barrelburst.ini");
    for (let i = 0; i < 100 && !fs.existsSync(saved); ++i) await new Promise((r) => setTimeout(r, 50));
    return fs.readFileSync(saved);
  }

  // "Your game"'s cells, and what barrelburst-sim log --ini gives for them.
  logCells() {
    return this.page.$$eval("td[data-session][data-figure]", (tds) => tds.map((td) =>
      `${td.dataset.session} ${td.dataset.kind} ${td.dataset.class} ${td.dataset.figure} ${td.dataset.value}`));
  }

  iniText() {
    return this.page.$eval('textarea[data-role="ini"]', (t) => t.value);
  }

  // Every heatmap cell with a data-class: [{class, map, barrel, dirt, wear, value, loaded}].
  cells() {
    return this.page.$$eval("[data-class][data-map]", (tds) => tds.map((td) => ({
      class: td.dataset.class, map: td.dataset.map, barrel: td.dataset.barrel, dirt: td.dataset.dirt,
      wear: td.dataset.wear, value: Number(td.dataset.value), loaded: Number(td.dataset.loadedValue),
      text: td.textContent,
    })));
  }
}

export function logCellsOf(log, ini) {
  const expected = JSON.parse(sim("log", log, "--ini", ini, "--format", "json"));
  return expected.sessions.flatMap((s, i) => [...s.with_ini.classes, { kind: "all", class: "all", ...s.with_ini }]
    .flatMap((g) => ["shots", "cracks", "explosions"].map((f) => `${i} ${g.kind} ${g.class} ${f} ${g[f]}`)));
}

// Cells against odds --csv at heat 0 (cool) and 1 (hot); the differences as text.
export function cellsAgainstOdds(cells, cool, hot) {
  const wrong = [];
  for (const c of cells) {
    const expected = (c.barrel === "cool" ? cool : hot).get(`${c.class} ${c.dirt} ${c.wear}`);
    if (!expected) {
      wrong.push(`${c.class} dirt ${c.dirt} wear ${c.wear}: no such row in odds --csv`);
      continue;
    }
    const want = expected[c.map];
    // odds --csv prints 9 significant digits.
    if (!(Math.abs(c.value - want) <= 5e-9 * Math.abs(want) + 1e-15)) {
      wrong.push(`${c.class} ${c.barrel} ${c.map} dirt ${c.dirt} wear ${c.wear}: page ${c.value}, odds ${want}`);
    }
  }
  return wrong;
}
