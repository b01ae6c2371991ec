// The tuner page's script. It reads files as bytes, hands them to the engine
// (the plugin's settings loader, shot chances, recoil and the tool's check
// and log reader, compiled to WebAssembly; its calls: Engine, in
// tuner_worker.js) and draws what the engine answers: no formula of the
// plugin is written here, and no INI text is edited here (tuner_edit does
// every edit). An edit is answered within the input event: the engine
// describes what the edited key can change, and only figures that changed
// are drawn again; the heatmaps are drawn on canvases in the next frame,
// only where they are in view. The fight and a large log's replay play in a
// worker (tunerWorker) with the same engine, and a newer edit drops the play
// under way. Whatever came from a file, directly or
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

// The engine's megabyte of base64 is decoded at every start: the browser's
// own decoder where it has one (about 1 ms), a plain loop otherwise.
function fromBase64(text) {
  if (typeof Uint8Array.fromBase64 === "function") return Uint8Array.fromBase64(text);
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
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
  cells: [],       // every heatmap cell: {td, shown, cls, barrel, map, index, row, column, v, old, text, oldText}
  maps: [],        // every heatmap: {canvas, block, scale, cls, barrel, map, grid, cells, dirty}
  tuning: new Map(), // class -> the line under its name that gives its tuning
  generation: 0,
  worker: null,    // plays the fight and a large log's replay
  workerError: "",
  logToken: 0,     // of the latest replay asked for
  logSent: null,   // a large log sent to the worker before page.log names it: {token, answer}
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

// Each key's badges, state and notes; a key whose figures stay is not touched.
// findingsText: the document's findings as text, to tell whether they changed.
function updateSettings(doc, findingsText) {
  const notes = findingsByKey(doc.findings);
  const sameFindings = page.settingsFindings === findingsText;
  page.settingsFindings = findingsText;
  let edits = 0;
  for (const section of doc.sections) {
    for (const k of section.keys) {
      const entry = page.keys.get(k.id);
      if (!entry) continue;
      const was = entry.info;
      const edited = k.written !== was.written;
      if (edited) ++edits;
      // The same key's document with the same findings: nothing of it to draw again.
      if (entry.drawnFrom === k && sameFindings) continue;
      entry.drawnFrom = k;
      const parts = [];
      if (!k.listed) parts.push(`default ${k.default}`);
      parts.push(k.source === "default" ? "not in the file" : `${k.source}, line ${k.line}`);
      if (!readsAsWritten(k)) parts.push(`the plugin holds ${k.value}`);
      if (k.range) parts.push(rangeText(k.range));
      const mine = notes.get(k.id.toLowerCase()) || [];
      const shown = JSON.stringify([edited, k.differs, parts, was.written, mine]);
      if (entry.shown === shown) continue;
      entry.shown = shown;
      entry.row.classList.toggle("edited", edited);
      entry.badges.replaceChildren();
      if (edited) entry.badges.append(el("span", "badge edited", "edited"));
      if (k.differs) entry.badges.append(el("span", "badge changed", "not default"));
      entry.state.replaceChildren(document.createTextNode(parts.join(" \u00b7 ")));
      if (edited) {
        entry.state.append(document.createTextNode(" \u00b7 "),
          el("span", "was", was.written === null ? "the opened file lacks it" : `opened file: ${was.written}`));
      }
      entry.notes.replaceChildren();
      for (const f of mine) {
        entry.notes.append(el("li", f.severity, f.message + (f.suggestion ? `; ${f.suggestion}` : "")));
      }
    }
  }
  const count = document.getElementById("edit-count");
  const counted = edits === 0 ? "" : (edits === 1 ? "1 value edited" : `${edits} values edited`);
  if (count.textContent !== counted) count.textContent = counted;
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
  const before = page.current.bytes;
  if (sameBytes(bytes, before)) return;
  page.current.bytes = bytes;
  redrawAfterEdit(before, k.section, k.key);
}

// While edits come one after the other, the body carries "editing" (see
// tuner.css), until a quarter of a second after the last.
let editingTimer = 0;
function markEditing() {
  document.body.classList.add("editing");
  clearTimeout(editingTimer);
  editingTimer = setTimeout(() => {
    editingTimer = 0;
    document.body.classList.remove("editing");
  }, 250);
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
  markEditing();
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

function drawFindings(doc, findingsText) {
  const box = document.getElementById("findings-list");
  const changed = doc.sections.flatMap((section) => section.keys.filter((k) => k.differs));
  const shown = JSON.stringify(changed.map((k) => [k.id, k.value])) + findingsText;
  if (page.findingsShown === shown) return;
  page.findingsShown = shown;
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

// A map's geometry on its canvas, in CSS pixels: the wear column, the dirt
// row, then 11 x 11 cells.
const mapLayout = { width: 292, left: 26, top: 14, cell: 24, row: 22 };

// One map: a canvas a person sees, and beside it a table that is never shown,
// whose cells carry the figures (data-value, data-loaded-value, the text)
// for scripts and tests to read.
function heatMap(grid, cls, barrel, map, block) {
  const box = el("div", "heat-map");
  const caption = `${map.caption}, ${barrel} barrel`;
  const canvas = el("canvas");
  const columns = grid.dirt.length;
  const rows = grid.degradation.length;
  const width = mapLayout.left + columns * mapLayout.cell;
  const height = mapLayout.top + rows * mapLayout.row;
  const scale = window.devicePixelRatio || 1;
  canvas.width = Math.round(width * scale);
  canvas.height = Math.round(height * scale);
  canvas.style.width = `${width}px`;
  canvas.style.height = `${height}px`;
  canvas.setAttribute("role", "img");
  canvas.setAttribute("aria-label", `${cls}: ${caption}; rows: wear, columns: dirt`);
  const table = el("table", "heat");
  table.hidden = true;
  table.append(el("caption", "", caption));
  const head = el("tr");
  head.append(el("th", "", "wear"));
  for (const dirt of grid.dirt) head.append(el("th", "", gridNumber(dirt)));
  table.append(head);
  const entry = { canvas, block, table, scale, cls, barrel, map: map.name, grid, cells: [], dirty: true };
  for (let row = rows - 1; row >= 0; --row) {
    for (let column = 0; column < columns; ++column) {
      const cell = { td: null, shown: null, cls, barrel, map: map.name, index: row * columns + column,
        row: rows - 1 - row, column, v: NaN, old: NaN, text: "", oldText: "", drawnV: undefined, drawnOld: undefined };
      entry.cells.push(cell);
      page.cells.push(cell);
    }
  }
  canvas.addEventListener("mousemove", (event) => {
    const r = canvas.getBoundingClientRect();
    const column = Math.floor((event.clientX - r.left - mapLayout.left) / mapLayout.cell);
    const row = Math.floor((event.clientY - r.top - mapLayout.top) / mapLayout.row);
    const cell = entry.cells.find((c) => c.row === row && c.column === column);
    const title = cell ? cellTitle(cell) : "rows: wear (degradation), columns: dirt";
    if (canvas.title !== title) canvas.title = title;
  });
  page.maps.push(entry);
  box.append(el("p", "map-caption", caption), canvas, table);
  return box;
}

// The rows of a map's hidden table, with each cell's figures as they stand.
function fillTable(m) {
  const columns = m.grid.dirt.length;
  // Each cell a copy of one, so that 3,630 of them are made quickly.
  const model = el("td");
  model.setAttribute("data-class", m.cls);
  model.setAttribute("data-map", m.map);
  model.setAttribute("data-barrel", m.barrel);
  // Its text: the figure, then the opened file's where an edit changed it.
  model.append(document.createTextNode(""));
  const dirts = m.grid.dirt.map(gridNumber);
  let tr = null;
  for (const cell of m.cells) {
    const wear = gridNumber(m.grid.degradation[Math.floor(cell.index / columns)]);
    if (cell.column === 0) {
      tr = el("tr");
      tr.append(el("th", "", wear));
      m.table.append(tr);
    }
    const td = model.cloneNode(true);
    td.setAttribute("data-dirt", dirts[cell.column]);
    td.setAttribute("data-wear", wear);
    if (!Number.isNaN(cell.v)) td.setAttribute("data-value", String(cell.v));
    if (!Number.isNaN(cell.old)) td.setAttribute("data-loaded-value", String(cell.old));
    cell.td = td;
    cell.shown = td.firstChild;
    cell.shown.data = cell.text + cell.oldText;
    tr.append(td);
  }
}

// Every map's hidden table: at once when a file opens; on the page's start
// right after its first drawing.
function fillTables() {
  for (const m of page.maps) if (m.cells.length > 0 && !m.cells[0].td) fillTable(m);
}

// A map drawn on its canvas: the grid's labels once, then each cell whose
// figures changed since it was last drawn: its colour and its figure, the
// opened file's under it where an edit changed it. Texts of one size are
// drawn together, since a change of font costs the canvas more than a text.
function drawMap(m) {
  m.dirty = false;
  const g = m.canvas.getContext("2d");
  const { left, top, cell: w, row: h } = mapLayout;
  g.setTransform(m.scale, 0, 0, m.scale, 0, 0);
  g.textAlign = "center";
  g.textBaseline = "middle";
  if (!m.labelled) {
    m.labelled = true;
    g.fillStyle = "#f4f4f4";
    g.fillRect(0, 0, left + w * m.grid.dirt.length, top);
    g.fillRect(0, 0, left, top + h * m.grid.degradation.length);
    g.font = "9.5px system-ui, sans-serif";
    g.fillStyle = "#222";
    g.fillText("wear", left / 2, top / 2);
    m.grid.dirt.forEach((dirt, i) => g.fillText(gridNumber(dirt), left + w * (i + 0.5), top / 2));
    const rows = m.grid.degradation.length;
    m.grid.degradation.forEach((wear, i) => g.fillText(gridNumber(wear), left / 2, top + h * (rows - 1 - i + 0.5)));
  }
  const changed = m.cells.filter((c) => !Object.is(c.drawnV, c.v) || !Object.is(c.drawnOld, c.old));
  const shades = changed.map((c) => cellShade(c.map, c.v));
  changed.forEach((c, i) => {
    const x = left + c.column * w;
    const y = top + c.row * h;
    g.clearRect(x, y, w, h);
    g.fillStyle = shades[i].background;
    g.fillRect(x, y, w - 1, h - 1);
    if (c.v !== c.old) {
      g.strokeStyle = "#1f77b4";
      g.strokeRect(x + 0.5, y + 0.5, w - 2, h - 2);
    }
  });
  g.font = "9.5px system-ui, sans-serif";
  changed.forEach((c, i) => {
    if (!c.text) return;
    g.fillStyle = shades[i].dark ? "#fff" : "#222";
    g.fillText(c.text, left + c.column * w + w / 2, top + c.row * h + (c.oldText ? 6 : h / 2));
  });
  g.font = "8px system-ui, sans-serif";
  g.globalAlpha = 0.8;
  changed.forEach((c, i) => {
    if (!c.oldText) return;
    g.fillStyle = shades[i].dark ? "#fff" : "#222";
    g.fillText(c.oldText, left + c.column * w + w / 2, top + c.row * h + 16);
  });
  g.globalAlpha = 1;
  for (const c of changed) {
    c.drawnV = c.v;
    c.drawnOld = c.old;
  }
}

// The maps that changed, drawn in the next frame where they are in view (a
// class's block within 50 pixels of the window); the others while
// the page is idle, or when they come into view.
const blocksInView = new Set();
let mapFrame = 0;
function drawMapsSoon() {
  if (mapFrame) return;
  mapFrame = requestAnimationFrame(() => {
    mapFrame = 0;
    for (const m of page.maps) if (m.dirty && blocksInView.has(m.block)) drawMap(m);
    drawMapsAfterThePause();
  });
}
// Maps out of view are drawn too, one at a time while the page is idle and
// a quarter of a second after the last edit (not while a slider moves), so
// that a block scrolled into view is mostly drawn already.
let mapIdle = 0;
let mapPause = 0;
function drawMapsAfterThePause() {
  clearTimeout(mapPause);
  mapPause = setTimeout(drawMapsLater, 250);
}
function drawMapsLater() {
  if (mapIdle) return;
  mapIdle = requestIdleCallback((deadline) => {
    mapIdle = 0;
    for (const m of page.maps) {
      if (deadline.timeRemaining() < 3) break;
      if (m.dirty) drawMap(m);
    }
    if (page.maps.some((m) => m.dirty)) drawMapsLater();
  });
}
const mapWatch = new IntersectionObserver((entries) => {
  for (const e of entries) {
    if (e.isIntersecting) blocksInView.add(e.target); else blocksInView.delete(e.target);
  }
  drawMapsSoon();
}, { rootMargin: "50px 0px" });

function drawAllMaps() {
  for (const m of page.maps) if (m.dirty) drawMap(m);
}

// The maps in the window drawn at once, for the page's first drawing; those
// near it follow in the next frame.
function drawMapsInView() {
  const inWindow = new Set();
  for (const block of document.querySelectorAll(".class-block")) {
    const r = block.getBoundingClientRect();
    if (r.height > 0 && r.bottom >= 0 && r.top <= window.innerHeight) inWindow.add(block);
  }
  for (const m of page.maps) if (m.dirty && inWindow.has(m.block)) drawMap(m);
}

function buildOdds(doc) {
  const box = document.getElementById("classes");
  box.replaceChildren();
  mapWatch.disconnect();
  blocksInView.clear();
  page.cells = [];
  page.maps = [];
  page.tuning = new Map();
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
    const tuning = el("p", "tuning");
    page.tuning.set(cls, tuning);
    block.append(el("h3", "", cls), tuning);
    for (const barrel of barrels) {
      const row = el("div", "maps");
      for (const map of maps) row.append(heatMap(doc.odds[barrel], cls, barrel, map, block));
      block.append(row);
    }
    box.append(block);
    mapWatch.observe(block);
  }
}

function figureOf(doc, cell) {
  const c = doc.odds[cell.barrel].classes.find((x) => x.class === cell.cls);
  return c ? c[cell.map][cell.index] : NaN;
}

// The cells of the classes given (every class when none is) set to the
// document's figures; a cell whose figures stay is not touched.
function updateOdds(doc, classes) {
  const loaded = page.loaded.doc;
  const byClass = (d, barrel) => new Map(d.odds[barrel].classes.map((c) => [c.class, c]));
  const now = { cool: byClass(doc, "cool"), hot: byClass(doc, "hot") };
  const then = { cool: byClass(loaded, "cool"), hot: byClass(loaded, "hot") };
  for (const m of page.maps) {
    if (classes && !classes.includes(m.cls)) continue;
    const figures = now[m.barrel].get(m.cls)[m.map];
    const opened = then[m.barrel].get(m.cls)[m.map];
    for (const cell of m.cells) {
      const v = figures[cell.index];
      const old = opened[cell.index];
      if (v === cell.v && old === cell.old) continue;
      const td = cell.td;
      if (td && v !== cell.v) td.setAttribute("data-value", String(v));
      if (td && old !== cell.old) td.setAttribute("data-loaded-value", String(old));
      // The opened file's figure changes only when a file opens.
      if (!Object.is(old, cell.old)) cell.openedText = cellText(cell.map, old);
      cell.v = v;
      cell.old = old;
      m.dirty = true;
      const text = cellText(cell.map, v);
      const oldText = cell.openedText;
      const was = oldText === text ? "" : (oldText || "0");
      if (text !== cell.text || was !== cell.oldText) {
        cell.text = text;
        cell.oldText = was;
        if (td) cell.shown.data = text + was;
      }
    }
  }
  drawMapsSoon();
  const value = (id) => {
    for (const s of doc.sections) for (const k of s.keys) if (k.id === id) return k.value;
    return "?";
  };
  for (const c of doc.odds.cool.classes) {
    if (classes && !classes.includes(c.class)) continue;
    const tuning = page.tuning.get(c.class);
    if (!tuning) continue;
    const text = `Dirt counts above ${value(`Min_Dirt_To_Explode/${c.class}_min_dirt`)}, wear above ` +
      `${value(`Min_Degradation_To_Explode/${c.class}_min_degradation`)}; factor ` +
      `${value(`Expo_Chance/${c.class}_expo_chance_mod`)}, each term capped at ` +
      `${value("Main/maximum_chance_for_explosion")}; cracks happen up to wear ` +
      `${gridNumber(c.crack_degradation_limit)}.`;
    if (tuning.textContent !== text) tuning.textContent = text;
  }
}

function cellTitle(cell) {
  const at = (doc, map) => figureOf(doc, { ...cell, map });
  const describe = (doc) => {
    const shots = at(doc, "shots");
    return `crack ${(at(doc, "crack") * 100).toFixed(3)}%, explosion ${(at(doc, "explosion") * 100).toFixed(3)}% ` +
      `of shots; a failure every ${shots > 0 ? shots.toFixed(1) : "(never)"} shots`;
  };
  const now = describe(page.current.doc);
  const then = describe(page.loaded.doc);
  return `${cell.cls}, ${cell.barrel} barrel, dirt ${cell.td.dataset.dirt}, wear ${cell.td.dataset.wear}: ${now}` +
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

// The charts whose curves changed, each drawn again in its place; every one
// when the scale they share changes.
function drawRecoil(doc) {
  const box = document.getElementById("recoil-charts");
  if (page.recoilShown && page.recoilShown.now === doc.recoil && page.recoilShown.opened === page.loaded.doc.recoil) return;
  const frames = doc.recoil.frames;
  const all = [...doc.recoil.curves, ...page.loaded.doc.recoil.curves];
  const top = niceTop(Math.max(0.5, ...all.flatMap((c) => c.pitch)) * 1.05);
  const classes = [...new Set(doc.recoil.curves.map((c) => c.class))];
  const drawn = page.recoilShown || { top: NaN, classes: new Map() };
  if (drawn.top !== top || drawn.classes.size !== classes.length) {
    box.replaceChildren();
    drawn.classes = new Map();
  }
  Object.assign(drawn, { top, now: doc.recoil, opened: page.loaded.doc.recoil });
  page.recoilShown = drawn;
  for (const cls of classes) {
    const curvesOf = (d) => d.recoil.curves.filter((k) => k.class === cls);
    const shown = JSON.stringify([curvesOf(page.loaded.doc), curvesOf(doc)]);
    const before = drawn.classes.get(cls);
    if (before && before.shown === shown) continue;
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
    if (before) before.figure.replaceWith(figure); else box.append(figure);
    drawn.classes.set(cls, { shown, figure });
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

// A log of at most this many bytes (about 6,000 shots) is replayed on the
// page, within the edit's own event: its replay takes about a millisecond.
// A larger one is opened and replayed in the worker.
const logOnPageBytes = 1 << 20;

// The log replayed under the INI as it stands (and under the opened INI too
// when that changed); #log-view's data-state is "running" until its figures
// stand, then "done".
function replayLog(loadedChanged) {
  const log = page.log;
  if (!log) return;
  const view = document.getElementById("log-view");
  const token = ++page.logToken;
  if (loadedChanged) log.loadedUnder = null;
  if (!log.inWorker) {
    if (loadedChanged) log.loadedUnder = page.engine.logUnder(page.loaded.bytes, page.loaded.name);
    log.under = sameBytes(page.current.bytes, page.loaded.bytes) ? log.loadedUnder
      : page.engine.logUnder(page.current.bytes, page.loaded.name);
    drawLog();
    view.dataset.state = "done";
    return;
  }
  if (log.loadedUnder && sameBytes(page.current.bytes, page.loaded.bytes)) {
    log.under = log.loadedUnder;
    drawLog();
    view.dataset.state = "done";
    return;
  }
  view.dataset.state = "running";
  const request = { type: "log", token, ini: page.current.bytes, name: page.loaded.name };
  if (loadedChanged) {
    request.loadedIni = page.loaded.bytes;
    log.loadedToken = token;
  }
  page.worker.postMessage(request);
}

// The worker's replay: what it opened stands once it answers for the log
// under way; its figures once it answers for the latest edit.
function onLogAnswer(m) {
  const log = page.log;
  if (!log || !log.inWorker || m.token < log.firstToken) return;
  if (m.doc) log.doc = m.doc;
  if (m.loadedUnder && m.token >= log.loadedToken) log.loadedUnder = m.loadedUnder;
  if (log.opened && log.doc) {
    log.opened.resolve();
    log.opened = null;
  }
  if (m.token !== page.logToken || !log.doc || !log.loadedUnder) return;
  log.under = m.under;
  drawLog();
  document.getElementById("log-view").dataset.state = "done";
}

function drawLog() {
  const section = document.getElementById("your-game");
  const view = document.getElementById("log-view");
  const log = page.log;
  section.hidden = !log;
  document.getElementById("nav-log").hidden = !log;
  if (!log || !log.doc || !log.under || !log.loadedUnder) return;
  const { doc, under } = log;
  const shown = [doc, JSON.stringify(under), log.loadedUnder];
  if (page.logShown && page.logShown.every((x, i) => x === shown[i])) return;
  page.logShown = shown;
  view.replaceChildren();
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
const fight = { token: 0 };

function fightControls() {
  // Found once: a search by attribute goes through every cell of the page.
  if (!fight.controls) {
    fight.controls = { section: document.querySelector('[data-role="fight"]'),
      scenario: document.querySelector('select[data-key="fight/scenario"]'),
      seed: document.querySelector('input[data-key="fight/seed"]') };
  }
  return fight.controls;
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

// Plays the fight under the INI as it stands, in the worker; a new play (an
// edit, another scenario or seed) drops the one under way.
function playFight() {
  const { section, scenario, seed } = fightControls();
  const token = ++fight.token;
  const progress = document.getElementById("fight-progress");
  if (!/^\d{1,10}$/.test(seed.value) || Number(seed.value) > 4294967295) {
    progress.textContent = "The seed is a whole number from 0 to 4294967295.";
    return;
  }
  Object.assign(section.dataset, { scenario: scenario.value, seed: seed.value, state: "running" });
  const chosen = fight.scenarios.find((x) => x.name === scenario.value);
  const description = chosen ? `${chosen.description} ${chosen.frames} frames (${(chosen.frames / 60).toFixed(1)} s ` +
    `of play), seed ${seed.value}. Hover over a mark for the shot's figures.` : "";
  const shown = document.getElementById("fight-description");
  if (shown.textContent !== description) shown.textContent = description;
  if (!page.worker) {
    progress.textContent = `The fight could not be played: ${page.workerError}`;
    return;
  }
  progress.textContent = "playing";
  page.worker.postMessage({ type: "fight", token, ini: page.current.bytes, scenario: scenario.value, seed: seed.value });
}

function onWorkerMessage(event) {
  const m = event.data;
  // The answer for a log sent before page.log names it waits for openLog.
  const forLog = m.type === "log" || (m.type === "failed" && m.request === "log");
  if (forLog && !page.log && page.logSent && m.token === page.logSent.token) {
    page.logSent.answer = m;
    return;
  }
  if (m.type === "log") {
    onLogAnswer(m);
  } else if (m.type === "fight-frame") {
    if (m.token === fight.token) document.getElementById("fight-progress").textContent = `playing: frame ${m.frame}`;
  } else if (m.type === "fight") {
    if (m.token !== fight.token) return;
    document.getElementById("fight-progress").textContent = "";
    drawFight(m.result);
  } else if (m.type === "failed") {
    if (m.request === "fight") {
      if (m.token === fight.token) {
        document.getElementById("fight-progress").textContent = `The fight could not be played: ${m.message}`;
      }
    } else if (m.request === "log") {
      const log = page.log;
      if (log && log.opened && m.token >= log.firstToken) {
        log.opened.reject(new Error(m.message));
      } else if (m.token === page.logToken) {
        showMessage(`The log could not be replayed: ${m.message}`);
      }
    } else {
      page.workerError = m.message;
      showMessage(`The page's worker could not start: ${m.message}`);
    }
  }
}

// The worker, from the sources of the engine's factory, its calls and its
// own function; it instantiates the module the page compiled.
function startWorker(compiled) {
  try {
    const source = `"use strict";\nconst createTunerEngine = (${tunerEngineFactory})();\n${Engine}\n(${tunerWorker})();\n`;
    const url = URL.createObjectURL(new Blob([source], { type: "text/javascript" }));
    page.worker = new Worker(url);
    URL.revokeObjectURL(url);
    page.worker.onmessage = onWorkerMessage;
    page.worker.onerror = (event) => {
      event.preventDefault();
      showMessage(`The page's worker failed: ${event.message}`);
    };
    page.worker.postMessage({ type: "start", module: compiled });
  } catch (error) {
    page.worker = null;
    page.workerError = error.message;
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

// The text area holds the INI as it stands; an edit replaces only the run
// of text it changed.
function drawText() {
  const area = document.getElementById("ini-area");
  const text = utf8.decode(page.current.bytes);
  const shown = page.textShown === undefined ? area.value : page.textShown;
  if (shown !== text) {
    let start = 0;
    const most = Math.min(shown.length, text.length);
    while (start < most && shown.charCodeAt(start) === text.charCodeAt(start)) ++start;
    let end = 0;
    while (end < most - start && shown.charCodeAt(shown.length - 1 - end) === text.charCodeAt(text.length - 1 - end)) ++end;
    if (area.value.length === shown.length) {
      area.setRangeText(text.slice(start, text.length - end), start, shown.length - end, "preserve");
    } else {
      area.value = text;
    }
  }
  page.textShown = text;
  const ends = lineEnds(page.current.bytes);
  const note = ends === "LF" ? "" :
    `Its lines end with ${ends}, as in the file you opened: the text area shows plain line breaks, Save keeps ${ends}.`;
  const lineEndsNote = document.getElementById("line-ends");
  if (lineEndsNote.textContent !== note) lineEndsNote.textContent = note;
}

// The document of an edit merged into the one before it: the keys it gives
// replace theirs (keeping their meanings), the odds of the classes it gives
// replace theirs, its recoil replaces the one before unless it is null.
function merged(before, fresh) {
  const changed = new Map(fresh.sections.flatMap((s) => s.keys.map((k) => [k.id, k])));
  const sections = before.sections.map((s) => ({ name: s.name, keys: s.keys.map((k) => {
    const c = changed.get(k.id);
    if (!c) return k;
    changed.delete(k.id);
    c.meaning = k.meaning;
    return c;
  }) }));
  for (const section of fresh.sections) {
    const into = sections.find((s) => s.name === section.name);
    for (const k of section.keys) if (changed.has(k.id) && into) into.keys.push(Object.assign(k, { meaning: "" }));
  }
  const odds = {};
  for (const barrel of barrels) {
    const moved = new Map(fresh.odds[barrel].classes.map((c) => [c.class, c]));
    odds[barrel] = { ...fresh.odds[barrel], classes: before.odds[barrel].classes.map((c) => moved.get(c.class) || c) };
  }
  return { file: fresh.file, sections, findings: fresh.findings, odds, recoil: fresh.recoil || before.recoil };
}

// The page after an edit of the key given (the INI's bytes before it): only
// what that key can change is computed, and only figures that changed are
// touched.
function redrawAfterEdit(before, section, key) {
  const fresh = page.engine.describeEdit(before, page.current.bytes, page.loaded.name, section, key);
  page.current.doc = merged(page.current.doc, fresh);
  drawEverything(fresh.odds.cool.classes.map((c) => c.class), false);
}

function drawEverything(classes, loadedChanged) {
  const doc = page.current.doc;
  const findingsText = JSON.stringify(doc.findings);
  updateSettings(doc, findingsText);
  drawFindings(doc, findingsText);
  updateOdds(doc, classes);
  drawRecoil(doc);
  replayLog(loadedChanged);
  drawText();
  document.body.dataset.generation = String(++page.generation);
  playFight();
}

// tablesLater: the maps' hidden tables and the maps out of the window are
// left for later (the page's start).
function openIni(bytes, name, shipped, tablesLater = false) {
  const doc = page.engine.describe(bytes, name);
  page.loaded = { bytes, name, doc, label: shipped ? `${name} (the shipped defaults)` : name };
  page.current = { bytes, doc };
  document.getElementById("ini-name").textContent = page.loaded.label;
  buildAndDraw(true, tablesLater);
}

// The settings and the maps built anew for the INI as it stands, and drawn.
function buildAndDraw(loadedChanged, tablesLater = false) {
  buildSettings(page.current.doc);
  buildOdds(page.current.doc);
  drawEverything(undefined, loadedChanged);
  if (!tablesLater) {
    fillTables();
    drawAllMaps();
  }
}

// A large log sent to the worker to be opened and replayed under an INI (the
// opened one): as soon as its bytes are at hand, even before the page has
// drawn that INI. What the worker answers before page.log names the log is
// kept here until it does.
function sendLogToWorker(bytes, name, ini, iniName) {
  const sent = { token: ++page.logToken, answer: null };
  page.logSent = sent;
  page.worker.postMessage({ type: "log", token: sent.token, ini, loadedIni: ini, name: iniName, log: bytes, logName: name });
  return sent;
}

// sent: what sendLogToWorker gave for this log, when it was sent already.
async function openLog(bytes, name, sent = null) {
  const previous = page.log;
  if (bytes.length <= logOnPageBytes || !page.worker) {
    const doc = page.engine.openLog(bytes, name);
    page.log = { name, doc, inWorker: false };
    replayLog(true);
  } else {
    const early = sent || sendLogToWorker(bytes, name, page.loaded.bytes, page.loaded.name);
    page.logSent = null;
    page.log = { name, doc: null, inWorker: true, loadedUnder: null, under: null, firstToken: early.token,
      loadedToken: early.token };
    const opened = new Promise((resolve, reject) => { page.log.opened = { resolve, reject }; });
    document.getElementById("log-view").dataset.state = "running";
    // Edits made before the log came: it is replayed under them too.
    if (!sameBytes(page.current.bytes, page.loaded.bytes)) replayLog(false);
    if (early.answer) onWorkerMessage({ data: early.answer });
    try {
      await opened;
    } catch (error) {
      page.log = previous;
      if (previous) replayLog(true);
      throw error;
    }
  }
  document.getElementById("log-name").textContent = `Shot log: ${name}`;
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
      if (isLog(name, bytes)) await openLog(bytes, name); else openIni(bytes, name, false);
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
  buildAndDraw(false);
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

// The engine's edit path run while the page is idle, an edit that changes
// nothing each time: the browser compiles the module's code as it is first
// called and again once it runs often, and the first events of a drag would
// pay for that.
function warmUp(rounds) {
  if (rounds <= 0 || !page.loaded) return;
  requestIdleCallback((deadline) => {
    if (deadline.timeRemaining() < 8) {
      warmUp(rounds);
      return;
    }
    try {
      page.engine.describeEdit(page.current.bytes, page.current.bytes, page.loaded.name, "Main",
        "maximum_chance_for_explosion");
    } catch {
      return;
    }
    warmUp(rounds - 1);
  });
}

async function start() {
  try {
    const compiled = await WebAssembly.compile(fromBase64(engineWasm));
    page.engine = await Engine.of(compiled, tunerEngineFactory());
    startWorker(compiled);
    const carried = await carriedFiles();
    drawScale();
    drawRecoilLegend();
    buildFight(carried && carried.fight);
    listen();
    const ini = carried && carried.ini ? carried.ini : { bytes: new TextEncoder().encode(shippedIni), name: "Barrelburst.ini" };
    const log = carried && carried.log;
    // A large log goes to the worker first, so that it reads it while the page draws the INI.
    const sent = log && log.bytes.length > logOnPageBytes && page.worker ?
      sendLogToWorker(log.bytes, log.name, ini.bytes, ini.name) : null;
    openIni(ini.bytes, ini.name, !(carried && carried.ini), true);
    if (log) await openLog(log.bytes, log.name, sent);
    if (carried && carried.leftOut.length > 0) showMessage(`Left out of this page: ${carried.leftOut.join("; ")}.`);
    drawMapsInView();
    performance.mark("tuner-first-drawing");
    // The browser draws the page before the rest is made: the hidden tables,
    // the maps out of the window, the sections below the maps.
    await new Promise((resolve) => setTimeout(resolve, 0));
    fillTables();
    drawAllMaps();
    if (!editingTimer) document.body.classList.remove("editing");
    document.body.dataset.state = "ready";
    warmUp(8);
  } catch (error) {
    showMessage(`The page could not start: ${error.message}`);
    document.body.dataset.state = "failed";
  }
}

start();
