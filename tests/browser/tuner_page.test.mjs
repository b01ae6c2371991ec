// The tuner page in a real browser: it loads without a console message or a
// request beyond its own blob: addresses, its cells are what barrelburst-sim odds computes for the INI it
// was given, an edit changes exactly one line and the cells odds gives for
// the edited file, Save downloads exactly the edited bytes, a hostile INI or
// log runs nothing, a shot log's replay is what barrelburst-sim log gives, a
// page barrelburst-sim report writes opens with its files, and the fight is
// barrelburst-sim run's, before and after an edit, and a large log's replay
// and the fight, which the page's worker plays, stand with the last edit's
// figures. Each test is a CTest test of its own
// (tests/browser/CMakeLists.txt).

import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, beforeEach, test } from "node:test";
import { pathToFileURL } from "node:url";

import {
  TunerPage, cellsAgainstOdds, logCellsOf, oddsOf, pagePath, reportDir, scratchDir, shippedIni, sim, sourceDir,
} from "./tuner_browser.mjs";

const cellCount = 5 * 2 * 3 * 121;
let tuner;
let scratch;

before(async () => {
  scratch = scratchDir();
  tuner = await TunerPage.open();
});
// Each test starts from the page as a modder opens it.
beforeEach(async () => {
  for (const list of [tuner.messages, tuner.requests, tuner.dialogs]) list.length = 0;
  await tuner.load();
});
after(async () => {
  await tuner?.close();
  fs.rmSync(scratch, { recursive: true, force: true });
});

function write(name, content) {
  const file = path.join(scratch, name);
  fs.writeFileSync(file, content);
  return file;
}

// Elements with an on... attribute.
function handlers() {
  return tuner.page.evaluate(() => [...document.querySelectorAll("*")].filter((e) =>
    [...e.attributes].some((a) => a.name.startsWith("on"))).length);
}

// Nothing asked for but the page itself and what it made in its own memory
// (its worker's script, a download: blob: addresses of the page's origin).
function assertQuiet() {
  assert.deepEqual(tuner.messages, [], "console messages or uncaught errors");
  assert.deepEqual(tuner.dialogs, [], "dialogs opened");
  assert.deepEqual(tuner.requests.filter((u) => !u.startsWith("blob:null/")), [pathToFileURL(tuner.file).href],
    "requests besides the page itself");
}

// The page report writes for these arguments, loaded in place of the built one.
async function openReport(...args) {
  const file = path.join(scratch, `report-${Math.random().toString(36).slice(2)}.html`);
  sim("report", ...args, "--out", file);
  for (const list of [tuner.messages, tuner.requests, tuner.dialogs]) list.length = 0;
  tuner.file = file;
  await tuner.load();
  await tuner.page.waitForFunction(() => document.body.dataset.state === "ready", { timeout: 60000 });
}

// run's shots per shooter kind and class, as the fight's summary cells give them.
function runFigures(ini, scenario, seed) {
  const dir = fs.mkdtempSync(path.join(scratch, "run-"));
  sim("run", "--ini", ini, "--scenario", scenario, "--seed", String(seed), "--csv", dir);
  const [head, ...rows] = fs.readFileSync(path.join(dir, "shots.csv"), "utf8").trim().split("\n");
  const at = (name) => head.split(",").indexOf(name);
  const figures = new Map();
  for (const row of rows) {
    const v = row.replace(/"[^"]*"/, "x").split(",");
    const group = `${v[at("kind")]} ${v[at("class")]}`;
    const f = figures.get(group) || { shots: 0, cracks: 0, explosions: 0 };
    f.shots += 1;
    if (v[at("outcome")] === "crack") f.cracks += 1;
    if (v[at("outcome")] === "explosion") f.explosions += 1;
    figures.set(group, f);
  }
  return [...figures].flatMap(([group, f]) => ["shots", "cracks", "explosions"].map((n) => `${group} ${n} ${f[n]}`)).sort();
}

test("load: the shipped defaults drawn, no console message, no request, a strict policy", async () => {
  const policy = await tuner.page.$eval('meta[http-equiv="Content-Security-Policy"]', (m) => m.content);
  assert.match(policy, /default-src 'none'/);
  assert.match(policy, /script-src 'sha256-[A-Za-z0-9+/=]+' 'wasm-unsafe-eval';/);
  assert.doesNotMatch(policy, /'unsafe-inline'|'unsafe-eval'|\*/);
  assert.equal(await tuner.page.$$eval("script:not([type])", (s) => s.length), 1);
  assert.equal(await tuner.page.$eval('script[type="application/json"]', (s) => s.textContent), "null");
  assert.equal(await handlers(), 0, "inline event handlers");
  const cells = await tuner.cells();
  assert.equal(cells.length, cellCount);
  assert.deepEqual(cellsAgainstOdds(cells, oddsOf(shippedIni, 0), oddsOf(shippedIni, 1)), []);
  assert.equal(await tuner.iniText(), fs.readFileSync(shippedIni, "utf8"));
  assertQuiet();
});

test("odds: the shipped INI through the file input gives every cell as odds computes it", async () => {
  // A file with other figures first, so that the shipped one must replace them.
  await tuner.openFiles(write("other.ini", "[Main]\nmaximum_chance_for_explosion=0.8\n[Expo_Chance]\npistol_expo_chance_mod=2\n"));
  await tuner.openFiles(shippedIni);
  const cells = await tuner.cells();
  assert.equal(cells.length, cellCount);
  assert.deepEqual(cellsAgainstOdds(cells, oddsOf(shippedIni, 0), oddsOf(shippedIni, 1)), []);
  // Every cell is the loaded file's own: nothing shows as changed.
  assert.deepEqual(cells.filter((c) => c.value !== c.loaded), []);
  const never = cells.find((c) => c.map === "shots" && c.value === 0);
  assert.equal(never.text, "\u221e");
  // Every key of the file has its input, by its full id, showing the file's text.
  for (const [key, value] of [["Expo_Chance/rifle_expo_chance_mod", "0.33"], ["Main/maximum_chance_for_explosion", "0.36"],
    ["VFX_Effects/fx_expo", "exp_air_dynamite_volatile"], ["Expo_Type/sniper_expo_type", "23"]]) {
    assert.equal(await tuner.page.$eval(`input[data-key="${key}"]`, (i) => i.value), value, key);
  }
  assert.equal(await tuner.page.$$eval('input[data-key="RecoilModifiers/rifle_recoil_modifiers"]', (l) => l.length), 7);
  assert.equal(await tuner.page.$$eval('input[data-slider-for][data-key]', (l) => l.length), 0);
  assertQuiet();
});

test("edit: a slider, a field, a switch and a list each change one line and the cells as odds says", async () => {
  await tuner.openFiles(shippedIni);
  const shipped = fs.readFileSync(shippedIni, "utf8");
  await tuner.setValue('input[data-slider-for="Expo_Chance/rifle_expo_chance_mod"]', "0.9");
  assert.equal(await tuner.page.$eval('input[data-key="Expo_Chance/rifle_expo_chance_mod"]', (i) => i.value), "0.9");
  let text = await tuner.iniText();
  assert.equal(text, shipped.replace("\nrifle_expo_chance_mod=0.33\n", "\nrifle_expo_chance_mod=0.9\n"));
  const edited = write("edited.ini", text);
  const cells = await tuner.cells();
  assert.deepEqual(cellsAgainstOdds(cells, oddsOf(edited, 0), oddsOf(edited, 1)), []);
  const rifle = cells.filter((c) => c.class === "rifle" && c.map === "explosion" && c.value > 0);
  assert.ok(rifle.length > 0 && rifle.every((c) => c.value > c.loaded), "rifle explosions rise over the opened file's");
  assert.ok(cells.filter((c) => c.class !== "rifle").every((c) => c.value === c.loaded), "other classes stay");

  // A script may set the field and send a change that does not bubble.
  await tuner.setValue('input[data-key="Main/maximum_chance_for_explosion"]', "0.5", "change", false);
  await tuner.setValue('input[data-key="Main/debug_mode"]', true);
  await tuner.setValue('input[data-key="Recoil/rifle_recoil"][data-index="0"]', "0.2");
  await tuner.setValue('input[data-key="Recoil/rifle_recoil"][data-index="1"]', "0.6");
  text = await tuner.iniText();
  assert.equal(text, shipped.replace("\nrifle_expo_chance_mod=0.33\n", "\nrifle_expo_chance_mod=0.9\n")
    .replace("\nmaximum_chance_for_explosion=0.36\n", "\nmaximum_chance_for_explosion=0.5\n")
    .replace("\ndebug_mode=0\n", "\ndebug_mode=1\n")
    .replace("\nrifle_recoil=1.0,2.0\n", "\nrifle_recoil=0.2,0.6\n"));
  const both = write("both.ini", text);
  assert.deepEqual(cellsAgainstOdds(await tuner.cells(), oddsOf(both, 0), oddsOf(both, 1)), []);
  // The rifle's recoil moved off the opened file's curve; the pistol's did not.
  const curves = await tuner.page.$$eval('svg[data-class] path[data-curve^="clean"]', (paths) =>
    paths.map((p) => [p.closest("svg").dataset.class, p.dataset.curve, p.getAttribute("d")]));
  const d = (cls, curve) => curves.find((c) => c[0] === cls && c[1] === curve)[2];
  assert.notEqual(d("rifle", "clean"), d("rifle", "clean opened"));
  assert.equal(d("pistol", "clean"), d("pistol", "clean opened"));
  assertQuiet();
});

test("save: the download is the text area's bytes, a CRLF file stays CRLF, missing keys and sections added", async () => {
  // A comment in Latin-1 (not UTF-8): its byte must reach the saved file unchanged.
  const original = Buffer.concat([Buffer.from("; caf"), Buffer.from([0xe9]), Buffer.from(" comment\r\n[Main]\r\n" +
    "Debug_Mode=0\r\n\r\n[Expo_Chance]\r\nrifle_expo_chance_mod=0.5\r\n")]);
  await tuner.openFiles(write("crlf.ini", original));
  await tuner.setValue('input[data-key="Main/debug_mode"]', true);
  await tuner.setValue('input[data-key="Main/maximum_chance_for_explosion"]', "0.4");
  await tuner.setValue('input[data-key="Recoil/sniper_recoil"][data-index="0"]', "2");
  const expected = Buffer.concat([Buffer.from("; caf"), Buffer.from([0xe9]), Buffer.from(" comment\r\n[Main]\r\n" +
    "Debug_Mode=1\r\nmaximum_chance_for_explosion=0.4\r\n\r\n[Expo_Chance]\r\nrifle_expo_chance_mod=0.5\r\n" +
    "\r\n[Recoil]\r\nsniper_recoil=2,2.0\r\n")]);
  // A text area gives its lines with LF whatever they end with; the page says that the file's stay.
  assert.equal(await tuner.iniText(), expected.toString("utf8").replaceAll("\r\n", "\n"));
  assert.match(await tuner.page.$eval("#line-ends", (e) => e.textContent), /CR LF/);

  assert.deepEqual(await tuner.save(path.join(scratch, "downloads")), expected);
  assert.deepEqual(tuner.messages, []);
  assert.ok(tuner.requests.slice(1).every((u) => u.startsWith("blob:")), "only the download's blob");
});

test("hostile: an INI of markup becomes text, runs nothing, fetches nothing", async () => {
  const counts = () => tuner.page.evaluate(() => ["script", "img", "iframe", "b", "a[href^='javascript']", "svg[onload]"]
    .map((s) => document.querySelectorAll(s).length));
  const before = await counts();
  // The hostile INI of the report's test (tests/sim/report_test.cpp).
  const hostile = "[Main]\n<script>alert('key')</script>=1\n" +
    "[VFX_Effects]\nfx_expo=\"><img src=x onerror=alert(1)><script>alert(2)</script>\n" +
    "[<iframe src=//evil>]\n" +
    "[Base_Degradation]\nREL_<b onmouseover=alert(3)>=0.2,0.4\n";
  await tuner.openFiles(write("hostile.ini", hostile));
  assert.deepEqual(await counts(), before);
  assert.equal(await handlers(), 0);
  assert.equal(await tuner.page.$eval('input[data-key="VFX_Effects/fx_expo"]', (i) => i.value),
    "\"><img src=x onerror=alert(1)><script>alert(2)</script>");
  const shown = await tuner.page.evaluate(() => document.body.textContent);
  assert.ok(shown.includes("<script>alert('key')</script>"), "the unknown key's finding shows it as text");
  assert.ok(shown.includes("'alert(3)>=0.2,0.4' does not read"), "the list entry's finding as text");
  assert.deepEqual(await tuner.page.$$eval('input[data-key="Base_Degradation/REL_<b onmouseover"]',
    (l) => l.map((i) => i.value)), ["0", "0"]);
  assert.equal(await tuner.iniText(), hostile);
  await tuner.setValue('input[data-key="VFX_Effects/fx_expo"]', "<svg onload=alert(4)>");
  assert.deepEqual(await counts(), before);
  assertQuiet();

  // The same INI and a log of markup, carried in a page report wrote.
  const session = "<img src=x onerror=alert(5)><script>alert(6)</script>";
  const rows = fs.readFileSync(path.join(sourceDir, "tests/data/Barrelburst-shots.csv"), "utf8").split("\n").slice(0, 40);
  const log = write("<svg onload=alert(7)>.csv", rows.map((r, i) => (i === 0 ? r : r.replace(/^[^,]*/, session))).join("\n"));
  await openReport("--ini", write("hostile-report.ini", hostile), "--log", log);
  assert.deepEqual(await counts(), before);
  assert.equal(await handlers(), 0);
  const page = await tuner.page.evaluate(() => document.body.textContent);
  assert.ok(page.includes(session), "the session as text");
  assert.ok(page.includes("<svg onload=alert(7)>.csv"), "the log's name as text");
  assert.equal(await tuner.iniText(), hostile);
  assertQuiet();
});

test("log: the game replayed under the opened INI and under each edit, as barrelburst-sim log gives it", async () => {
  const data = path.join(sourceDir, "tests/data");
  // A log is found by its first line as well as by .csv.
  const log = write("my-game.txt", fs.readFileSync(path.join(data, "Barrelburst-shots.csv")));
  const ini = path.join(data, "shot-log.ini");
  await tuner.openFiles(log, ini);
  const compare = async (iniFile) => {
    assert.deepEqual(await tuner.logCells(), logCellsOf(path.join(data, "Barrelburst-shots.csv"), iniFile));
  };
  await compare(ini);
  assert.equal(await tuner.page.$$eval("#your-game h3", (h) => h.length), 3);

  // No NPC pistol explodes with its factor at 0.
  await tuner.setValue('input[data-key="Expo_Chance/pistol_expo_chance_mod"]', "0");
  await compare(write("no-pistol.ini", await tuner.iniText()));
  const pistol = await tuner.page.$$eval('td[data-kind="NPC"][data-class="pistol"][data-figure="explosions"]',
    (tds) => tds.map((td) => Number(td.dataset.value)));
  assert.deepEqual(pistol, [0, 0, 0]);
  assertQuiet();

  // The picture a modder sees: an edited INI beside its log.
  await tuner.setValue('input[data-slider-for="Min_Dirt_To_Explode/rifle_min_dirt"]', "0.3");
  fs.mkdirSync(reportDir, { recursive: true });
  // Tall enough for the settings column too, which scrolls on its own.
  const height = await tuner.page.evaluate(() =>
    Math.max(document.documentElement.scrollHeight, document.getElementById("settings").scrollHeight));
  await tuner.page.setViewport({ width: 1400, height });
  // The page draws what came into the window in the frames after, and the whole page once the edits rest.
  await new Promise((resolve) => setTimeout(resolve, 500));
  await tuner.page.screenshot({ path: path.join(reportDir, "Barrelburst-tuner.png") });
});

test("report: its page opens with the INI's cells and the log's game, ready to edit, and saves the INI's bytes", async () => {
  const ini = write("report.ini", Buffer.concat([Buffer.from("; caf"), Buffer.from([0xe9]),
    Buffer.from("\r\n[Main]\r\nmaximum_chance_for_explosion=0.6\r\n[Expo_Chance]\r\nrifle_expo_chance_mod=0.8\r\n")]));
  const log = path.join(sourceDir, "tests/data/Barrelburst-shots.csv");
  await openReport("--ini", ini, "--log", log);
  const cells = await tuner.cells();
  assert.equal(cells.length, cellCount);
  assert.deepEqual(cellsAgainstOdds(cells, oddsOf(ini, 0), oddsOf(ini, 1)), []);
  assert.deepEqual(await tuner.logCells(), logCellsOf(log, ini));
  // Nothing edited: Save gives the file back as it was.
  assert.deepEqual(await tuner.save(path.join(scratch, "report-downloads")), fs.readFileSync(ini));
  assert.deepEqual(tuner.messages, []);
});

test("fight: the page's fight is barrelburst-sim run's, for the INI, after an edit, and for another scenario", async () => {
  const ini = write("fight.ini", "[Main]\nmaximum_chance_for_explosion=0.7\n[Expo_Chance]\nrevolver_expo_chance_mod=0.6\n");
  await openReport("--ini", ini, "--scenario", "worn-out-posse", "--seed", "5");
  let fight = await tuner.fightDone();
  assert.equal(fight.scenario, "worn-out-posse");
  assert.equal(fight.seed, "5");
  assert.deepEqual([...fight.cells].sort(), runFigures(ini, "worn-out-posse", 5));
  // An edit plays it again, under the edited text.
  assert.equal(await tuner.page.evaluate(() => {
    const slider = document.querySelector('input[data-slider-for="Min_Dirt_To_Explode/shotgun_min_dirt"]');
    slider.value = "0.2";
    slider.dispatchEvent(new Event("input", { bubbles: true }));
    return document.querySelector('[data-role="fight"]').dataset.state;
  }), "running");
  fight = await tuner.fightDone();
  const edited = write("fight-edited.ini", await tuner.iniText());
  assert.deepEqual([...fight.cells].sort(), runFigures(edited, "worn-out-posse", 5));
  assert.notDeepEqual([...fight.cells].sort(), runFigures(ini, "worn-out-posse", 5));
  // Another scenario and seed, by the picker and the field.
  await tuner.page.select('select[data-key="fight/scenario"]', "frozen-mountain");
  await tuner.setValue('input[data-key="fight/seed"]', "12", "change");
  fight = await tuner.fightDone();
  assert.equal(fight.scenario, "frozen-mountain");
  assert.equal(fight.seed, "12");
  assert.deepEqual([...fight.cells].sort(), runFigures(edited, "frozen-mountain", 12));
  assertQuiet();
});

test("worker: a large log and the fight play in the worker; the figures that stand are the last edit's", async () => {
  const ini = write("worker.ini", fs.readFileSync(shippedIni, "utf8").replace(/^shot_log=0$/m, "shot_log=1"));
  const run = fs.mkdtempSync(path.join(scratch, "run-"));
  sim("run", "--ini", ini, "--scenario", "worn-out-posse", "--frames", "72000", "--csv", run);
  const log = path.join(run, "Barrelburst-shots.csv");
  assert.ok(fs.statSync(log).size > 1 << 20, "a log the page does not replay itself");
  const logDone = () => tuner.page.waitForFunction(() => document.getElementById("log-view").dataset.state === "done",
    { timeout: 60000 });
  await tuner.openFiles(ini, log);
  await logDone();
  assert.deepEqual(await tuner.logCells(), logCellsOf(log, ini));

  // Three edits at once: each drops the replay and the fight under way.
  const states = await tuner.page.evaluate(() => {
    const slider = document.querySelector('input[data-slider-for="Expo_Chance/rifle_expo_chance_mod"]');
    return ["0.5", "0.7", "0.9"].map((v) => {
      slider.value = v;
      slider.dispatchEvent(new Event("input", { bubbles: true }));
      return [document.getElementById("log-view").dataset.state, document.querySelector('[data-role="fight"]').dataset.state];
    });
  });
  assert.deepEqual(states, [["running", "running"], ["running", "running"], ["running", "running"]]);
  await logDone();
  const edited = write("worker-edited.ini", await tuner.iniText());
  assert.match(await tuner.iniText(), /\nrifle_expo_chance_mod=0\.9\n/);
  assert.deepEqual(await tuner.logCells(), logCellsOf(log, edited));
  const fight = await tuner.fightDone();
  assert.deepEqual([...fight.cells].sort(), runFigures(edited, fight.scenario, fight.seed));
  // Undone: the opened file's figures again, at once.
  await tuner.page.click("#revert");
  assert.equal(await tuner.page.$eval("#log-view", (v) => v.dataset.state), "done");
  assert.deepEqual(await tuner.logCells(), logCellsOf(log, ini));
  assertQuiet();

  // A report carrying the log: the worker reads it while the page draws the INI.
  await openReport("--ini", ini, "--log", log);
  assert.equal(await tuner.page.$eval("#log-view", (v) => v.dataset.state), "done");
  assert.deepEqual(await tuner.logCells(), logCellsOf(log, ini));
  assertQuiet();
});
