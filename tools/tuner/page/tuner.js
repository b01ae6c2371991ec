// The tuner page's script. It reads files as bytes, hands them to the engine
// (the plugin's settings loader, shot chances, recoil and the tool's check
// and log reader, compiled to WebAssembly) and draws what the engine answers:
// no formula of the plugin is written here, and no INI text is edited here
// (tuner_edit does every edit). Whatever came from a file, directly or
// through the engine, reaches the page through textContent and attribute
// setters only, never as markup.
"use strict";

const svgNs = "http://www.w3.org/2000/svg";
const utf8 = new TextDecoder("utf-8");
const barrels = ["cool", "hot"];
const maps = [
  { name: "crack", caption: "Crack per shot" },
  { name: "explosion", caption: "Explosion per shot" },
  { name: "shots", caption: "Shots to a failure" },
];
const findingsShown = 300;  // listed at most, so that a file broken everywhere still draws

// ------------------------------------------------------------------ the engine

class Engine {
  constructor(module) {
    this.module = module;
  }

  // One call with plain arguments: the answer's bytes, or an Error with the engine's message.
  invoke(fn, types, args) {
    const m = this.module;
    const ok = m.ccall(fn, "number", types, args);
    const data = m._tuner_result_data();
    const answer = m.HEAPU8.slice(data, data + m._tuner_result_size());
    if (!ok) throw new Error(JSON.parse(utf8.decode(answer)).error);
    return answer;
  }

  // One call with bytes, copied into the module's memory, then texts (as C strings) and numbers.
  call(fn, bytes, args) {
    const m = this.module;
    const p = m._malloc(bytes.length + 1);
    try {
      m.HEAPU8.set(bytes, p);
      return this.invoke(fn, ["number", "number", ...args.map((a) => (typeof a === "number" ? "number" : "string"))],
        [p, bytes.length, ...args]);
    } finally {
      m._free(p);
    }
  }

  json(fn, bytes, args) {
    return JSON.parse(utf8.decode(this.call(fn, bytes, args)));
  }

  plainJson(fn, types = [], args = []) {
    return JSON.parse(utf8.decode(this.invoke(fn, types, args)));
  }

  describe(ini, name) { return this.json("tuner_describe", ini, [name]); }
  edit(ini, section, key, value) { return this.call("tuner_edit", ini, [section, key, value]); }
  openLog(log, name) { return this.json("tuner_open_log", log, [name]); }
  logUnder(ini, name) { return this.json("tuner_log_under", ini, [name]); }
  fightScenarios() { return this.plainJson("tuner_fight_scenarios"); }
  fightStart(ini, scenario, seed, frames = 0) { return this.json("tuner_fight_start", ini, [scenario, seed, frames]); }
  fightStep(frames) { return this.plainJson("tuner_fight_step", ["number"], [frames]); }
  fightResult() { return this.plainJson("tuner_fight_result"); }
}

// ------------------------------------------------------------------ small helpers

function el(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined && text !== null) e.textContent = String(text);
  return e;
}

function svg(tag, attributes, text) {
  const e = document.createElementNS(svgNs, tag);
  for (const [name, value] of Object.entries(attributes || {})) e.setAttribute(name, String(value));
  if (text !== undefined) e.textContent = String(text);
  return e;
}

// A table's row of column names.
function headRow(names) {
  const tr = el("tr");
  for (const name of names) tr.append(el("th", "", name));
  return tr;
}

function fromBase64(text) {
  return Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
}

function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
  return true;
}

// A grid value as the grid's step gives it: 0.3, not 0.30000001192092896.
function gridNumber(x) { return String(Math.round(x * 1e6) / 1e6); }

// Short enough for a heatmap cell, as the report writes it; "" is a chance of 0.
function percentText(p) {
  if (!(p > 0)) return "";
  const pct = p * 100;
  if (pct >= 9.95) return pct.toFixed(0) + "%";
  if (pct >= 0.095) return pct.toFixed(1) + "%";
  return "<0.1%";
}

function shotsText(n) {
  if (!(n > 0)) return "\u221e";
  if (n < 10) return n.toFixed(1);
  if (n < 10000) return n.toFixed(0);
  return (n / 1000).toFixed(0) + "k";
}

function cellText(map, v) { return map === "shots" ? shotsText(v) : percentText(v); }

// The report's colours: light (rare) to dark red (certain), on a log scale
// from 1 in 1000 to 1; white for never.
const colourStops = [[0.0, 255, 247, 204], [0.35, 254, 196, 79], [0.6, 236, 112, 20], [0.8, 204, 36, 29],
  [1.0, 103, 0, 13]];
function chanceShade(p) {
  if (!(p > 0)) return { background: "#ffffff", dark: false };
  const t = Math.min(1, Math.max(0, (Math.log10(p) + 3) / 3));
  for (let i = 1; i < colourStops.length; ++i) {
    const [at, r, g, b] = colourStops[i];
    if (t <= at) {
      const [at0, r0, g0, b0] = colourStops[i - 1];
      const u = (t - at0) / (at - at0);
      const mix = (x, y) => Math.round(x + (y - x) * u);
      return { background: `rgb(${mix(r0, r)}, ${mix(g0, g)}, ${mix(b0, b)})`, dark: t > 0.62 };
    }
  }
  return { background: "#67000d", dark: true };
}
// The shots map is coloured by the failure chance per shot it stands for.
function cellShade(map, v) { return chanceShade(map === "shots" ? (v > 0 ? 1 / v : 0) : v); }

// ------------------------------------------------------------------ the page's state

const page = {
  engine: null,
  loaded: null,    // the INI as opened: {bytes, name, doc}
  current: null,   // with the edits: {bytes, doc}
  log: null,       // the open shot log: {name, doc, loadedUnder}
  keys: new Map(), // id -> {row, fields, slider, info (the loaded doc's key)}
  cells: [],       // every heatmap cell: {td, cls, barrel, map, index, v, was}
  generation: 0,
};

function showMessage(text) {
  const message = document.getElementById("message");
  message.textContent = text || "";
  message.hidden = !text;
}

// ------------------------------------------------------------------ the settings

function shownText(k) { return k.written !== null ? k.written : (k.default !== null ? k.default : ""); }

function isOn(k) { return k.kind === "flag" ? k.value === "on" : k.value === "1"; }

// A list's numbers: the file's when its text reads, the plugin's otherwise.
function listNumbers(k) {
  const count = k.kind === "seven" ? 7 : 2;
  const text = k.source === "fallback" ? k.value : shownText(k);
  const numbers = text.split(",").map((s) => s.trim());
  while (numbers.length < count) numbers.push("");
  return numbers.slice(0, count);
}

// x rounded up to the first of the steps times a power of ten.
function roundedUp(x, steps) {
  const magnitude = Math.pow(10, Math.floor(Math.log10(x)));
  return steps.map((f) => f * magnitude).find((t) => t >= x);
}

function textField(k, className, value) {
  const input = el("input", className);
  input.type = "text";
  input.spellcheck = false;
  input.autocomplete = "off";
  input.value = value;
  input.dataset.key = k.id;
  return input;
}

function inputsFor(k, entry) {
  const box = el("div", "inputs");
  if (k.kind === "flag" || k.kind === "switch") {
    const box2 = el("label");
    const check = el("input");
    check.type = "checkbox";
    check.dataset.key = k.id;
    check.checked = isOn(k);
    box2.append(check, document.createTextNode(" on"));
    box.append(box2);
    entry.fields = [check];
  } else if (k.kind === "pair" || k.kind === "seven") {
    entry.fields = listNumbers(k).map((n, i) => {
      const input = textField(k, "list", n);
      input.inputMode = "decimal";
      input.dataset.index = String(i);
      input.title = `number ${i + 1} of ${k.kind === "seven" ? 7 : 2}`;
      return input;
    });
    box.append(...entry.fields);
  } else if (k.kind === "text") {
    entry.fields = [textField(k, "text", shownText(k))];
    box.append(...entry.fields);
  } else {
    const field = textField(k, "number", shownText(k));
    field.inputMode = k.kind === "whole" ? "numeric" : "decimal";
    entry.fields = [field];
    // Where the slider ends and how it steps: the engine's, over the span the in-game menu steps through too.
    if (k.kind === "number" && k.slider) {
      const slider = el("input");
      slider.type = "range";
      slider.min = String(k.slider.low);
      slider.max = String(k.slider.high);
      slider.step = String(k.slider.step);
      slider.dataset.sliderFor = k.id;
      slider.value = String(parseFloat(field.value) || 0);
      slider.setAttribute("aria-label", k.key);
      entry.slider = slider;
      box.append(slider);
    }
    box.append(field);
  }
  return box;
}

// Whether the value the plugin holds is the one its input shows (1.0 is 1).
function readsAsWritten(k) {
  if (k.kind === "flag") return true;
  if (k.kind === "switch") return k.value === "0" || k.value === "1";
  const numbers = (text) => text.split(",").map((x) => (x.trim() === "" ? NaN : Number(x)));
  if (k.kind === "text") return k.value === shownText(k);
  const held = numbers(k.value);
  const shown = numbers(shownText(k));
  return held.length === shown.length && held.every((x, i) => x === shown[i]);
}

function rangeText(r) {
  if (!r) return "";
  const high = r.high === null ? "" : (r.high_excluded ? ` to below ${r.high}` : ` to ${r.high}`);
  return r.high === null ? `range ${r.low} and up` : `range ${r.low}${high}`;
}

// shared: what the key means stands above it, once for the keys that share it.
function settingRow(k, shared) {
  const entry = { info: k, fields: [], slider: null };
  const row = el("div", "setting");
  const head = el("div");
  const name = el("span", "name", k.key);
  entry.badges = el("span");
  head.append(name, document.createTextNode(" "), entry.badges);
  const meaning = el("div", "meaning", shared ? "" : k.meaning);
  entry.state = el("div", "state");
  entry.notes = el("ul", "notes");
  const inputs = inputsFor(k, entry);
  // A switch stands on its name's line.
  const inline = entry.fields[0].type === "checkbox";
  if (inline) head.append(inputs);
  row.append(head, ...(inline ? [] : [inputs]), meaning, entry.state, entry.notes);
  entry.row = row;
  page.keys.set(k.id, entry);
  return row;
}

function buildSettings(doc) {
  const box = document.getElementById("sections");
  box.replaceChildren();
  page.keys.clear();
  for (const section of doc.sections) {
    const details = el("details", "ini-section");
    details.open = true;
    details.append(el("summary", "", `[${section.name}]`));
    if (section.keys.length === 0) {
      details.append(el("p", "lead", "No entries in this file: no NPC's gun gets a degradation from this list."));
    }
    // Keys in a row that mean the same (one per weapon class) say it once.
    section.keys.forEach((k, i, keys) => {
      const same = (j) => j >= 0 && j < keys.length && keys[j].meaning === k.meaning;
      if (same(i + 1) && !same(i - 1)) details.append(el("p", "meaning", `Each of the next keys: ${k.meaning}`));
      details.append(settingRow(k, same(i - 1) || same(i + 1)));
    });
    box.append(details);
  }
}

function findingsByKey(findings) {
  const by = new Map();
  for (const f of findings) {
    if (f.section === null || f.key === null) continue;
    const id = `${f.section}/${f.key}`.toLowerCase();
    if (!by.has(id)) by.set(id, []);
    by.get(id).push(f);
  }
  return by;
}

function updateSettings(doc) {
  const notes = findingsByKey(doc.findings);
  let edits = 0;
  for (const section of doc.sections) {
    for (const k of section.keys) {
      const entry = page.keys.get(k.id);
      if (!entry) continue;
      const was = entry.info;
      const edited = k.written !== was.written;
      if (edited) ++edits;
      entry.row.classList.toggle("edited", edited);
      entry.badges.replaceChildren();
      if (edited) entry.badges.append(el("span", "badge edited", "edited"));
      if (k.differs) entry.badges.append(el("span", "badge changed", "not default"));
      const parts = [];
      if (!k.listed) parts.push(`default ${k.default}`);
      parts.push(k.source === "default" ? "not in the file" : `${k.source}, line ${k.line}`);
      if (!readsAsWritten(k)) parts.push(`the plugin holds ${k.value}`);
      if (k.range) parts.push(rangeText(k.range));
      entry.state.replaceChildren(document.createTextNode(parts.join(" \u00b7 ")));
      if (edited) {
        entry.state.append(document.createTextNode(" \u00b7 "),
          el("span", "was", was.written === null ? "the opened file lacks it" : `opened file: ${was.written}`));
      }
      entry.notes.replaceChildren();
      for (const f of notes.get(k.id.toLowerCase()) || []) {
        entry.notes.append(el("li", f.severity, f.message + (f.suggestion ? `; ${f.suggestion}` : "")));
      }
    }
  }
  const count = document.getElementById("edit-count");
  count.textContent = edits === 0 ? "" : (edits === 1 ? "1 value edited" : `${edits} values edited`);
  document.getElementById("revert").disabled = sameBytes(page.current.bytes, page.loaded.bytes);
}

// The value the page passes to tuner_edit for a key's inputs.
function valueOfInputs(entry) {
  const f = entry.fields;
  if (f[0].type === "checkbox") return f[0].checked ? "1" : "0";
  if (f.length > 1) return f.map((x) => x.value.trim()).join(",");
  return f[0].value;
}

function applyEdit(id) {
  const entry = page.keys.get(id);
  const k = entry.info;
  const bytes = page.engine.edit(page.current.bytes, k.section, k.key, valueOfInputs(entry));
  if (sameBytes(bytes, page.current.bytes)) return;
  page.current.bytes = bytes;
  redraw();
}

// Scripts set .value and dispatch either event, bubbling or not: listened to
// while it comes down to the input.
function onValueEvent(event) {
  const t = event.target;
  if (t.dataset && t.dataset.key && t.dataset.key.startsWith("fight/")) {
    playFight();
    return;
  }
  if (!(t instanceof HTMLInputElement) || !page.current) return;
  try {
    if (t.dataset.sliderFor !== undefined) {
      const entry = page.keys.get(t.dataset.sliderFor);
      if (!entry) return;
      entry.fields[0].value = t.value;
      applyEdit(t.dataset.sliderFor);
    } else if (t.dataset.key !== undefined) {
      const entry = page.keys.get(t.dataset.key);
      if (!entry) return;
      if (entry.slider && t.value.trim() !== "" && Number.isFinite(Number(t.value))) entry.slider.value = t.value;
      applyEdit(t.dataset.key);
    }
  } catch (error) {
    showMessage(`The edit could not be made: ${error.message}`);
  }
}

// ------------------------------------------------------------------ findings

function drawFindings(doc) {
  const box = document.getElementById("findings-list");
  const changed = doc.sections.flatMap((section) => section.keys.filter((k) => k.differs));
  box.replaceChildren(el("p", "changes", changed.length === 0 ? "Every setting is at its built-in default." :
    "What the INI changes from the built-in defaults: " + changed.map((k) => `[${k.section}] ${k.key} = ${k.value}` +
      (k.listed ? "" : ` (default ${k.default})`)).join("; ") + "."));
  const findings = doc.findings;
  if (findings.length === 0) {
    box.append(el("p", "ok", "Nothing flagged: the plugin reads every line of the file as it is written."));
    return;
  }
  const errors = findings.filter((f) => f.severity === "error").length;
  const warnings = findings.length - errors;
  box.append(el("p", "lead",
    `${errors === 1 ? "1 error: a line" : `${errors} errors: lines`} the plugin will not do as written; ` +
    `${warnings === 1 ? "1 warning: a value" : `${warnings} warnings: values`} the plugin uses, but odd, out of ` +
    "range or easy to misread."));
  const table = el("table", "findings");
  table.append(headRow(["line", "", "what the plugin does", "what to do"]));
  for (const f of findings.slice(0, findingsShown)) {
    const tr = el("tr");
    const badge = el("td");
    badge.append(el("span", `badge ${f.severity === "error" ? "error" : "warning"}`, f.severity));
    tr.append(el("td", "num", f.line === null ? "\u2013" : f.line), badge, el("td", "", f.message),
      el("td", "", f.suggestion));
    table.append(tr);
  }
  if (findings.length > findingsShown) {
    const tr = el("tr");
    tr.append(el("td", "num", "\u2013"), el("td"), el("td", "", `${findings.length - findingsShown} more, not listed here`),
      el("td", "", "barrelburst-sim check lists every one"));
    table.append(tr);
  }
  box.append(table);
}

// ------------------------------------------------------------------ the odds

function drawScale() {
  const scale = document.getElementById("scale");
  scale.append(document.createTextNode("Colour: chance per shot "));
  for (const p of [0.001, 0.003, 0.01, 0.03, 0.1, 0.3, 1]) {
    const span = el("span", "", percentText(p));
    const shade = chanceShade(p);
    span.style.background = shade.background;
    if (shade.dark) span.style.color = "#fff";
    scale.append(span);
  }
  scale.append(document.createTextNode(" (white: never)"));
}

function heatTable(grid, cls, barrel, map) {
  const table = el("table", "heat");
  table.append(el("caption", "", `${map.caption}, ${barrel} barrel`));
  const head = el("tr");
  const corner = el("th", "", "wear");
  corner.title = "rows: wear (degradation), columns: dirt";
  head.append(corner);
  for (const dirt of grid.dirt) head.append(el("th", "", gridNumber(dirt)));
  table.append(head);
  const columns = grid.dirt.length;
  for (let row = grid.degradation.length - 1; row >= 0; --row) {
    const tr = el("tr");
    tr.append(el("th", "", gridNumber(grid.degradation[row])));
    for (let column = 0; column < columns; ++column) {
      const td = el("td");
      td.dataset.class = cls;
      td.dataset.map = map.name;
      td.dataset.barrel = barrel;
      td.dataset.dirt = gridNumber(grid.dirt[column]);
      td.dataset.wear = gridNumber(grid.degradation[row]);
      const now = el("span", "now");
      const was = el("span", "was");
      td.append(now, was);
      page.cells.push({ td, now, was, cls, barrel, map: map.name, index: row * columns + column, v: NaN, old: NaN });
      tr.append(td);
    }
    table.append(tr);
  }
  return table;
}

function buildOdds(doc) {
  const box = document.getElementById("classes");
  box.replaceChildren();
  page.cells = [];
  const filter = document.getElementById("class-filter");
  filter.replaceChildren(document.createTextNode("Show: "));
  const classes = doc.odds.cool.classes.map((c) => c.class);
  for (const choice of ["every class", ...classes]) {
    const label = el("label");
    const radio = el("input");
    radio.type = "radio";
    radio.name = "class-filter";
    radio.value = choice;
    radio.checked = choice === "every class";
    label.append(radio, document.createTextNode(` ${choice}`));
    filter.append(label);
  }
  for (const cls of classes) {
    const block = el("div", "class-block");
    block.dataset.block = cls;
    block.append(el("h3", "", cls), el("p", "tuning"));
    for (const barrel of barrels) {
      const row = el("div", "maps");
      for (const map of maps) row.append(heatTable(doc.odds[barrel], cls, barrel, map));
      block.append(row);
    }
    box.append(block);
  }
}

function figureOf(doc, cell) {
  const c = doc.odds[cell.barrel].classes.find((x) => x.class === cell.cls);
  return c ? c[cell.map][cell.index] : NaN;
}

function updateOdds(doc) {
  const loaded = page.loaded.doc;
  const byClass = (d, barrel) => new Map(d.odds[barrel].classes.map((c) => [c.class, c]));
  const now = { cool: byClass(doc, "cool"), hot: byClass(doc, "hot") };
  const then = { cool: byClass(loaded, "cool"), hot: byClass(loaded, "hot") };
  for (const cell of page.cells) {
    const v = now[cell.barrel].get(cell.cls)[cell.map][cell.index];
    const old = then[cell.barrel].get(cell.cls)[cell.map][cell.index];
    if (v === cell.v && old === cell.old) continue;
    cell.v = v;
    cell.old = old;
    const td = cell.td;
    td.dataset.value = String(v);
    td.dataset.loadedValue = String(old);
    const text = cellText(cell.map, v);
    const oldText = cellText(cell.map, old);
    cell.now.textContent = text;
    cell.was.textContent = oldText === text ? "" : (oldText || "0");
    td.classList.toggle("changed", v !== old);
    const shade = cellShade(cell.map, v);
    td.style.background = shade.background;
    td.style.color = shade.dark ? "#fff" : "";
  }
  const value = (id) => {
    for (const s of doc.sections) for (const k of s.keys) if (k.id === id) return k.value;
    return "?";
  };
  for (const c of doc.odds.cool.classes) {
    const tuning = document.querySelector(`.class-block[data-block="${c.class}"] .tuning`);
    if (!tuning) continue;
    tuning.textContent = `Dirt counts above ${value(`Min_Dirt_To_Explode/${c.class}_min_dirt`)}, wear above ` +
      `${value(`Min_Degradation_To_Explode/${c.class}_min_degradation`)}; factor ` +
      `${value(`Expo_Chance/${c.class}_expo_chance_mod`)}, each term capped at ` +
      `${value("Main/maximum_chance_for_explosion")}; cracks happen up to wear ` +
      `${gridNumber(c.crack_degradation_limit)}.`;
  }
}

function cellTitle(td) {
  const cell = page.cells.find((c) => c.td === td);
  if (!cell) return "";
  const at = (doc, map) => figureOf(doc, { ...cell, map });
  const describe = (doc) => {
    const shots = at(doc, "shots");
    return `crack ${(at(doc, "crack") * 100).toFixed(3)}%, explosion ${(at(doc, "explosion") * 100).toFixed(3)}% ` +
      `of shots; a failure every ${shots > 0 ? shots.toFixed(1) : "(never)"} shots`;
  };
  const now = describe(page.current.doc);
  const then = describe(page.loaded.doc);
  return `${cell.cls}, ${cell.barrel} barrel, dirt ${td.dataset.dirt}, wear ${td.dataset.wear}: ${now}` +
    (then === now ? "" : `\nthe opened file: ${then}`);
}

// ------------------------------------------------------------------ recoil

const curveStyles = [
  { condition: "clean", free: false, colour: "#08519c", name: "clean gun, cool barrel" },
  { condition: "clean", free: true, colour: "#6baed6", name: "clean gun, cool barrel, free aiming" },
  { condition: "worn", free: false, colour: "#a50f15", name: "worn, filthy gun, hot barrel" },
  { condition: "worn", free: true, colour: "#fb6a4a", name: "worn, filthy gun, hot barrel, free aiming" },
];

function drawRecoilLegend() {
  const legend = document.getElementById("recoil-legend");
  const item = (colour, dashed, name) => {
    const span = el("span");
    const mark = svg("svg", { width: 26, height: 10 });
    mark.append(svg("line", { x1: 1, y1: 5, x2: 25, y2: 5, stroke: colour, "stroke-width": 2,
      "stroke-dasharray": dashed ? "4 3" : "none" }));
    span.append(mark, document.createTextNode(name));
    return span;
  };
  for (const s of curveStyles) legend.append(item(s.colour, false, s.name));
  legend.append(item("#777", true, "the file you opened"));
}

function niceTop(x) {
  return roundedUp(x, [1, 1.5, 2, 2.5, 3, 4, 5, 6, 8, 10]);
}

// An empty chart with its grid and axes, x over [0, xMax] (a label every
// xStep), y over [0, yMax] (yLines + 1 lines); its svg and its two scales.
function chart({ width, height, title, xMax, xStep, yMax, xLabel, yLabel, left = 38, yLines = 4 }) {
  const right = 10, upper = 24, lower = 30;
  const x = (v) => left + (v / xMax) * (width - left - right);
  const y = (v) => upper + (1 - Math.max(0, v) / yMax) * (height - upper - lower);
  const box = svg("svg", { class: "chart", width, height, viewBox: `0 0 ${width} ${height}` });
  box.append(svg("text", { x: left, y: 15, class: "chart-title" }, title));
  for (let i = 0; i <= yLines && yLines > 0; ++i) {
    const v = (yMax * i) / yLines;
    box.append(svg("line", { x1: left, x2: width - right, y1: y(v), y2: y(v), class: "grid" }),
      svg("text", { x: left - 4, y: y(v) + 4, "text-anchor": "end" }, Number(v.toFixed(2))));
  }
  for (let v = 0; v <= xMax; v += xStep) {
    box.append(svg("text", { x: x(v), y: height - lower + 14, "text-anchor": "middle" }, v));
  }
  const middle = (upper + height - lower) / 2;
  box.append(svg("line", { x1: left, x2: left, y1: upper, y2: height - lower, class: "axis" }),
    svg("line", { x1: left, x2: width - right, y1: height - lower, y2: height - lower, class: "axis" }),
    svg("text", { x: (left + width - right) / 2, y: height - 3, "text-anchor": "middle" }, xLabel),
    svg("text", { x: 10, y: middle, "text-anchor": "middle", transform: `rotate(-90 10 ${middle})` }, yLabel));
  return { box, x, y };
}

function pathOf(points, x, y) {
  return points.map(([a, b], i) => `${i === 0 ? "M" : "L"}${x(a).toFixed(1)},${y(b).toFixed(1)}`).join("");
}

function drawRecoil(doc) {
  const box = document.getElementById("recoil-charts");
  box.replaceChildren();
  const frames = doc.recoil.frames;
  const all = [...doc.recoil.curves, ...page.loaded.doc.recoil.curves];
  const top = niceTop(Math.max(0.5, ...all.flatMap((c) => c.pitch)) * 1.05);
  for (const cls of [...new Set(doc.recoil.curves.map((c) => c.class))]) {
    const { box: figure, x, y } = chart({ width: 300, height: 190, title: cls, xMax: frames, xStep: 15, yMax: top,
      xLabel: "frames after the shot (60 a second)", yLabel: "pitch, degrees" });
    figure.dataset.class = cls;
    for (const [d, dashed] of [[page.loaded.doc, true], [doc, false]]) {
      for (const style of curveStyles) {
        const c = d.recoil.curves.find((k) => k.class === cls && k.condition === style.condition &&
          k.free_aiming === style.free);
        if (!c) continue;
        const line = svg("path", { d: pathOf(c.pitch.map((p, i) => [i, p]), x, y), fill: "none", stroke: style.colour,
          "stroke-width": dashed ? 1.5 : 2, "stroke-dasharray": dashed ? "5 3" : "none" });
        line.dataset.curve = `${style.condition}${style.free ? " free aiming" : ""}${dashed ? " opened" : ""}`;
        line.append(svg("title", {}, `${cls}, ${style.name}${dashed ? " (the file you opened)" : ""}: recoil ` +
          `${c.recoil}, kick ${c.kick}; highest pitch ${Math.max(...c.pitch).toFixed(2)}`));
        figure.append(line);
      }
    }
    box.append(figure);
  }
}

// ------------------------------------------------------------------ the shot log

function isLog(name, bytes) {
  if (/\.csv$/i.test(name)) return true;
  const start = utf8.decode(bytes.subarray(0, 64)).replace(/^\ufeff/, "");
  return start.startsWith("session,pass,") || start.startsWith("frame,outcome_frame,");
}

function sessionName(s) { return s.session === null ? "the log (no session column)" : s.session; }

function figureCell(value, was, lowerIsBetter, hooks) {
  const td = el("td", "num", value);
  for (const [name, v] of Object.entries(hooks)) td.dataset[name] = v;
  td.dataset.value = String(value);
  if (was !== undefined && was !== value) {
    td.append(el("span", "was-inline", ` (opened file: ${was})`));
    td.classList.add((value < was) === lowerIsBetter ? "better" : "worse");
  }
  return td;
}

function drawLog() {
  const section = document.getElementById("your-game");
  const view = document.getElementById("log-view");
  const log = page.log;
  section.hidden = !log;
  document.getElementById("nav-log").hidden = !log;
  if (!log) return;
  view.replaceChildren();
  const under = page.engine.logUnder(page.current.bytes, page.loaded.name);
  const { doc } = log;
  view.dataset.rows = String(doc.rows);
  view.append(el("p", "lead",
    `From ${doc.file}: ${doc.sessions.length} session(s) (one a game start), ${doc.rows} shot(s) evaluated by the ` +
    `plugin${doc.skipped_rows > 0 ? `, ${doc.skipped_rows} row(s) skipped` : ""}. Expected: the sum of the ` +
    `chances the plugin recorded for the shots. "Under this INI", your game replayed with the INI as edited ` +
    `here. ${under.replay.decided}`), el("p", "lead", under.replay.held));
  if (doc.findings.length > 0) {
    const list = el("ul", "notes");
    for (const f of doc.findings.slice(0, findingsShown)) {
      list.append(el("li", f.severity, `${f.line === null ? "" : `line ${f.line}: `}${f.message}`));
    }
    view.append(list);
  }
  doc.sessions.forEach((s, i) => {
    const now = under.sessions[i].with_ini;
    const then = log.loadedUnder.sessions[i].with_ini;
    view.append(el("h3", "key", sessionName(s)), el("p", "",
      `${s.minutes.toFixed(1)} minutes, ${s.shots} shots; logged ${s.cracks} crack(s) (${s.expected_cracks.toFixed(1)} ` +
      `expected), ${s.explosions} explosion(s) (${s.expected_explosions.toFixed(1)} expected); ` +
      `${s.npc_weapons.count} NPC weapon(s) met.`));
    const table = el("table", "log");
    table.append(headRow(["shooter", "class", "shots", "shots under this INI",
      "cracks logged (expected)", "cracks under this INI", "explosions logged (expected)", "explosions under this INI"]));
    const rows = s.classes.map((g, j) => [g, now.classes[j], then.classes[j]]);
    rows.push([{ kind: "all", class: "all", shots: s.shots, cracks: s.cracks, explosions: s.explosions,
      expected_cracks: s.expected_cracks, expected_explosions: s.expected_explosions }, now, then]);
    const dropped = [];
    if (now.not_evaluated > 0) dropped.push(`${now.not_evaluated} not evaluated (that kind's scan is off)`);
    if (now.drawn > 0) dropped.push(`${now.drawn} with a draw the log lacks, drawn from the row`);
    if (now.dirt_and_wear_as_logged > 0) dropped.push(`${now.dirt_and_wear_as_logged} with dirt and wear as logged`);
    for (const [g, n, t] of rows) {
      const tr = el("tr", g.kind === "all" ? "total" : "");
      const hooks = { session: String(i), kind: g.kind, class: g.class };
      const replayedShots = figureCell(n.shots, t.shots, false, { ...hooks, figure: "shots" });
      if (n.not_fired > 0) replayedShots.append(el("span", "was-inline", `, ${n.not_fired} not fired`));
      tr.append(el("td", "", g.kind === "all" ? "all shooters" : g.kind), el("td", "", g.class === "all" ? "" : g.class),
        el("td", "num", g.shots), replayedShots,
        el("td", "num", `${g.cracks} (${g.expected_cracks.toFixed(1)})`),
        figureCell(n.cracks, t.cracks, true, { ...hooks, figure: "cracks" }),
        el("td", "num", `${g.explosions} (${g.expected_explosions.toFixed(1)})`),
        figureCell(n.explosions, t.explosions, true, { ...hooks, figure: "explosions" }));
      table.append(tr);
    }
    view.append(table);
    if (dropped.length > 0) view.append(el("p", "", `Under this INI: ${dropped.join("; ")}.`));
  });
}

// ------------------------------------------------------------------ the fight

const failureStyles = { crack: { colour: "#f28e2b", name: "crack" }, explosion: { colour: "#d62728", name: "explosion" } };
const fight = { token: 0, timer: 0 };

function fightControls() {
  return { section: document.querySelector('[data-role="fight"]'),
    scenario: document.querySelector('select[data-key="fight/scenario"]'),
    seed: document.querySelector('input[data-key="fight/seed"]') };
}

// A failure's mark: a dot for a crack, a diamond for an explosion, with the shot's figures as its title.
function failureMark(x, y, style, title) {
  const mark = style.name === "crack" ? svg("circle", { cx: x, cy: y, r: 4 })
    : svg("path", { d: `M${x},${y - 6}L${x + 5},${y}L${x},${y + 6}L${x - 5},${y}Z` });
  mark.setAttribute("fill", style.colour);
  mark.append(svg("title", {}, title));
  return mark;
}

function drawFight(r) {
  const { section } = fightControls();
  const shots = r.shots.map(([frame, played, shooter, outcome, finished, roll, crack, explosion, dirt, wear, heat, cold]) =>
    ({ frame, played, shooter, outcome, finished, roll, crack, explosion, dirt, wear, heat, cold }));
  const failures = shots.filter((s) => s.outcome !== "none");
  const title = (s) => `frame ${s.frame}: ${r.shooters[s.shooter].name} (${r.shooters[s.shooter].kind}), ` +
    `${r.shooters[s.shooter].class}: ${s.outcome} (roll ${s.roll.toFixed(4)}; crack chance ${s.crack.toFixed(4)}, ` +
    `explosion chance ${s.explosion.toFixed(4)}; dirt ${s.dirt.toFixed(2)}, wear ${s.wear.toFixed(2)}, heat ` +
    `${s.heat.toFixed(2)}, cold ${s.cold.toFixed(2)})` + (!s.finished ? "; still loading its effects when the run ended"
    : (s.played > s.frame ? `; played ${s.played - s.frame} frames later, once its effects had loaded` : ""));
  const xStep = Math.max(60, roundedUp(r.frames / 10, [1, 2, 5, 10]));
  const lanes = chart({ width: 920, height: 60 + 16 * r.shooters.length, title: "Failures as they happen (dot: crack, diamond: explosion)",
    xMax: r.frames, xStep, yMax: r.shooters.length, xLabel: "frame (60 a second)", yLabel: "", left: 120, yLines: 0 });
  r.shooters.forEach((s, i) => lanes.box.append(svg("text", { x: 114, y: lanes.y(r.shooters.length - i - 0.5) + 4,
    class: "lane", "text-anchor": "end" }, s.name)));
  const barrel = chart({ width: 920, height: 200, title: "The barrel's heat (red) and cold (blue): the player's barrel; " +
    "NPC shots use it too", xMax: r.frames, xStep, yMax: 1, xLabel: "frame (60 a second)", yLabel: "0 to 1", left: 120 });
  for (const [name, colour] of [["heat", "#d62728"], ["cold", "#1f77b4"]]) {
    barrel.box.append(svg("path", { d: pathOf(r.curve.frame.map((f, i) => [f, r.curve[name][i]]), barrel.x, barrel.y),
      fill: "none", stroke: colour, "stroke-width": 1.5 }));
  }
  for (const s of failures) {
    const style = failureStyles[s.outcome];
    lanes.box.append(failureMark(lanes.x(s.frame), lanes.y(r.shooters.length - s.shooter - 0.5), style, title(s)));
    barrel.box.append(failureMark(barrel.x(s.frame), barrel.y(s.cold > 0 ? s.cold : s.heat), style, title(s)));
  }
  const table = el("table", "summary");
  table.append(headRow(["shooter", "class", "shots", "cracks", "explosions", "failures per 1000 shots",
    "weapons that failed", "shots to the first failure"]));
  for (const g of r.summary) {
    const tr = el("tr");
    tr.append(el("td", "", g.kind), el("td", "", g.class));
    for (const figure of ["shots", "cracks", "explosions"]) {
      const td = el("td", "num", g[figure]);
      Object.assign(td.dataset, { kind: g.kind, class: g.class, figure, value: String(g[figure]) });
      tr.append(td);
    }
    tr.append(el("td", "num", (g.shots > 0 ? (1000 * (g.cracks + g.explosions)) / g.shots : 0).toFixed(1)),
      el("td", "num", `${g.failed_weapons} of ${g.weapons}`),
      el("td", "num", g.failed_weapons > 0 ? g.shots_to_first_failure.toFixed(1) : "\u2013"));
    table.append(tr);
  }
  if (r.summary.length === 0) table.append(el("caption", "", "Nobody fired a weapon the plugin watches."));
  const w = r.world;
  document.getElementById("fight-view").replaceChildren(lanes.box, barrel.box, el("h3", "", "Summary by shooter kind and " +
    "weapon class"), table, el("p", "", `In the world: ${w.explosions} game explosion(s) at a weapon, ${w.falls} ` +
    `shooter(s) thrown down, ${w.removals} weapon(s) taken away, ${w.banners} banner(s) for the player.`),
    ...r.errors.map((e) => el("p", "message", `The run did not go as the plugin recorded it: ${e}`)));
  section.dataset.state = "done";
}

// Plays the fight under the INI as it stands, in slices of about 30 ms; a
// new play (an edit, another scenario or seed) drops the one under way.
function playFight() {
  const { section, scenario, seed } = fightControls();
  const token = ++fight.token;
  clearTimeout(fight.timer);
  const progress = document.getElementById("fight-progress");
  if (!/^\d{1,10}$/.test(seed.value) || Number(seed.value) > 4294967295) {
    progress.textContent = "The seed is a whole number from 0 to 4294967295.";
    return;
  }
  Object.assign(section.dataset, { scenario: scenario.value, seed: seed.value, state: "running" });
  const chosen = fight.scenarios.find((x) => x.name === scenario.value);
  document.getElementById("fight-description").textContent = chosen ? `${chosen.description} ${chosen.frames} ` +
    `frames (${(chosen.frames / 60).toFixed(1)} s of play), seed ${seed.value}. Hover over a mark for the shot's figures.` : "";
  const fail = (error) => { progress.textContent = `The fight could not be played: ${error.message}`; };
  let frames = 600;
  const slice = () => {
    if (token !== fight.token) return;
    try {
      const t0 = performance.now();
      const step = page.engine.fightStep(frames);
      frames = Math.max(60, Math.min(50000, Math.round((frames * 30) / Math.max(1, performance.now() - t0))));
      if (step.done) {
        progress.textContent = "";
        drawFight(page.engine.fightResult());
        return;
      }
      progress.textContent = `playing: frame ${step.frame}`;
      fight.timer = setTimeout(slice, 0);
    } catch (error) {
      fail(error);
    }
  };
  try {
    page.engine.fightStart(page.current.bytes, scenario.value, seed.value);
    fight.timer = setTimeout(slice, 0);
  } catch (error) {
    fail(error);
  }
}

function buildFight(choice) {
  const { scenario, seed } = fightControls();
  fight.scenarios = page.engine.fightScenarios();
  scenario.replaceChildren(...fight.scenarios.map((x) => Object.assign(el("option", "", x.name), { value: x.name })));
  const chosen = fight.scenarios.find((x) => x.name === (choice ? choice.scenario : "warm-day-gunfight")) ||
    fight.scenarios[0];
  scenario.value = chosen.name;
  seed.value = String(choice ? choice.seed : chosen.seed);
}

// ------------------------------------------------------------------ drawing

// How the file's lines end, which a text area does not show.
function lineEnds(bytes) {
  const cr = bytes.indexOf(13);
  if (cr < 0) return "LF";
  return bytes[cr + 1] === 10 ? "CR LF" : "CR";
}

function drawText() {
  const area = document.querySelector('textarea[data-role="ini"]');
  const text = utf8.decode(page.current.bytes);
  if (area.value !== text) area.value = text;
  const ends = lineEnds(page.current.bytes);
  document.getElementById("line-ends").textContent = ends === "LF" ? "" :
    `Its lines end with ${ends}, as in the file you opened: the text area shows plain line breaks, Save keeps ${ends}.`;
}

function redraw() {
  page.current.doc = page.engine.describe(page.current.bytes, page.loaded.name);
  const doc = page.current.doc;
  updateSettings(doc);
  drawFindings(doc);
  updateOdds(doc);
  drawRecoil(doc);
  drawLog();
  drawText();
  document.body.dataset.generation = String(++page.generation);
  playFight();
}

function openIni(bytes, name, shipped) {
  const doc = page.engine.describe(bytes, name);
  page.loaded = { bytes, name, doc, label: shipped ? `${name} (the shipped defaults)` : name };
  page.current = { bytes, doc };
  if (page.log) page.log.loadedUnder = page.engine.logUnder(bytes, name);
  document.getElementById("ini-name").textContent = page.loaded.label;
  buildSettings(doc);
  buildOdds(doc);
  redraw();
}

function openLog(bytes, name) {
  const doc = page.engine.openLog(bytes, name);
  page.log = { name, doc, loadedUnder: page.engine.logUnder(page.loaded.bytes, page.loaded.name) };
  document.getElementById("log-name").textContent = `Shot log: ${name}`;
  drawLog();
  document.body.dataset.generation = String(++page.generation);
}

async function openFiles(files) {
  document.body.dataset.state = "busy";
  showMessage("");
  try {
    const read = await Promise.all([...files].map(async (f) => ({ name: f.name, bytes: new Uint8Array(await f.arrayBuffer()) })));
    // The INI first, so that a log dropped with it is shown under it.
    read.sort((a, b) => Number(isLog(a.name, a.bytes)) - Number(isLog(b.name, b.bytes)));
    for (const { name, bytes } of read) {
      if (isLog(name, bytes)) openLog(bytes, name); else openIni(bytes, name, false);
    }
  } catch (error) {
    showMessage(`The file could not be opened: ${error.message}`);
  }
  document.body.dataset.state = "ready";
}

function save() {
  const url = URL.createObjectURL(new Blob([page.current.bytes], { type: "application/octet-stream" }));
  const a = el("a");
  a.href = url;
  a.download = "Barrelburst.ini";
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

function revert() {
  page.current = { bytes: page.loaded.bytes, doc: page.loaded.doc };
  buildSettings(page.loaded.doc);
  buildOdds(page.loaded.doc);
  redraw();
}

function listen() {
  document.addEventListener("input", onValueEvent, true);
  document.addEventListener("change", (event) => {
    if (event.target.id === "open") {
      if (event.target.files.length > 0) openFiles(event.target.files).then(() => { event.target.value = ""; });
    } else if (event.target.name === "class-filter") {
      for (const block of document.querySelectorAll(".class-block")) {
        block.hidden = event.target.value !== "every class" && block.dataset.block !== event.target.value;
      }
    } else {
      onValueEvent(event);
    }
  }, true);
  document.getElementById("save").addEventListener("click", save);
  document.getElementById("revert").addEventListener("click", revert);
  document.getElementById("classes").addEventListener("mouseover", (event) => {
    const td = event.target.closest("td[data-map]");
    if (td) td.title = cellTitle(td);
  });
  document.addEventListener("dragover", (event) => {
    event.preventDefault();
    document.body.classList.add("dragging");
  });
  document.addEventListener("dragleave", () => document.body.classList.remove("dragging"));
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    document.body.classList.remove("dragging");
    if (event.dataTransfer.files.length > 0) openFiles(event.dataTransfer.files);
  });
}

// The files a report carries in the page: deflated bytes in base64, inflated here.
async function carriedFiles() {
  const data = JSON.parse(document.getElementById("preloaded").textContent);
  const inflate = async (file) => {
    if (!file) return null;
    const stream = new Blob([fromBase64(file.deflated)]).stream().pipeThrough(new DecompressionStream("deflate"));
    return { name: file.name, bytes: new Uint8Array(await new Response(stream).arrayBuffer()) };
  };
  return data && { ini: await inflate(data.ini), log: await inflate(data.log), fight: data.fight, leftOut: data.left_out };
}

async function start() {
  try {
    const quiet = () => {};
    page.engine = new Engine(await createTunerEngine({ wasmBinary: fromBase64(engineWasm), print: quiet, printErr: quiet }));
    const carried = await carriedFiles();
    drawScale();
    drawRecoilLegend();
    buildFight(carried && carried.fight);
    listen();
    if (carried && carried.ini) openIni(carried.ini.bytes, carried.ini.name, false);
    else openIni(new TextEncoder().encode(shippedIni), "Barrelburst.ini", true);
    if (carried && carried.log) openLog(carried.log.bytes, carried.log.name);
    if (carried && carried.leftOut.length > 0) showMessage(`Left out of this page: ${carried.leftOut.join("; ")}.`);
    document.body.dataset.state = "ready";
    performance.mark("tuner-first-drawing");
  } catch (error) {
    showMessage(`The page could not start: ${error.message}`);
    document.body.dataset.state = "failed";
  }
}

start();
