// The engine's calls, shared by the page and its worker, and the worker
// itself: the page starts it from a blob: address made of the sources of
// tunerEngineFactory, Engine and tunerWorker, and hands it the module it
// compiled, so that the worker runs the very engine the page runs.
"use strict";

class Engine {
  static utf8 = new TextDecoder("utf-8");

  constructor(module) {
    this.module = module;
  }

  // The engine's instance of a compiled module (the wasm bytes are compiled once, by the page).
  static async of(compiled, createEngine) {
    const quiet = () => {};
    return new Engine(await createEngine({
      print: quiet,
      printErr: quiet,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled));
        return {};
      },
    }));
  }

  // One call with plain arguments: the answer's bytes, or an Error with the engine's message.
  invoke(fn, types, args) {
    const m = this.module;
    const ok = m.ccall(fn, "number", types, args);
    const data = m._tuner_result_data();
    const answer = m.HEAPU8.slice(data, data + m._tuner_result_size());
    if (!ok) throw new Error(JSON.parse(Engine.utf8.decode(answer)).error);
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
    return JSON.parse(Engine.utf8.decode(this.call(fn, bytes, args)));
  }

  plainJson(fn, types = [], args = []) {
    return JSON.parse(Engine.utf8.decode(this.invoke(fn, types, args)));
  }

  describe(ini, name) { return this.json("tuner_describe", ini, [name]); }
  // The document of what an edit changed: the texts before and after it go
  // as one run of bytes; its odds' figures come beside it as numbers, and
  // stand in the document as describe's arrays do.
  describeEdit(before, after, name, section, key) {
    const both = new Uint8Array(before.length + after.length);
    both.set(before);
    both.set(after, before.length);
    const doc = this.json("tuner_describe_edit", both, [before.length, name, section, key]);
    const m = this.module;
    const numbers = new Float64Array(m.HEAPU8.buffer, m._tuner_numbers_data(), m._tuner_numbers_size()).slice();
    for (const odds of [doc.odds.cool, doc.odds.hot]) {
      const n = odds.dirt.length * odds.degradation.length;
      for (const c of odds.classes) {
        c.crack = numbers.subarray(c.at, c.at + n);
        c.explosion = numbers.subarray(c.at + n, c.at + 2 * n);
        c.shots = numbers.subarray(c.at + 2 * n, c.at + 3 * n);
        delete c.at;
      }
    }
    return doc;
  }
  edit(ini, section, key, value) { return this.call("tuner_edit", ini, [section, key, value]); }
  openLog(log, name) { return this.json("tuner_open_log", log, [name]); }
  logUnder(ini, name) { return this.json("tuner_log_under", ini, [name]); }
  fightScenarios() { return this.plainJson("tuner_fight_scenarios"); }
  fightStart(ini, scenario, seed, frames = 0) { return this.json("tuner_fight_start", ini, [scenario, seed, frames]); }
  fightStep(frames) { return this.plainJson("tuner_fight_step", ["number"], [frames]); }
  fightResult() { return this.plainJson("tuner_fight_result"); }
}

// The worker. It answers the page's requests, each with its token:
//   {type: "log", ini, name, log?, logName?, loadedIni?}: the log (opened
//     first when it comes along) replayed under the INI, and under the opened
//     INI when it comes along: {type: "log", token, doc?, loadedUnder?, under}
//   {type: "fight", ini, scenario, seed}: the fight played under the INI, in
//     slices of about 20 ms: {type: "fight-frame", token, frame} on the way,
//     {type: "fight", token, result} at its end
// and {type: "failed", token, request, message} when a call fails. A request
// that comes while an older one of its type waits or plays drops the older
// one; a replay goes before the fight's next slice.
function tunerWorker() {
  let engine = null;
  let logRequest = null;
  let fightRequest = null;
  let fightToken = 0;  // of the fight under way
  let fightFrames = 600;
  let scheduled = false;

  const fail = (request, error) => postMessage({ type: "failed", token: request.token, request: request.type,
    message: error.message });

  const work = () => {
    scheduled = false;
    if (!engine) return;
    if (logRequest) {
      const r = logRequest;
      logRequest = null;
      try {
        const doc = r.log ? engine.openLog(r.log, r.logName) : undefined;
        const loadedUnder = r.loadedIni ? engine.logUnder(r.loadedIni, r.name) : undefined;
        // The INI as opened comes as the same bytes when nothing is edited yet.
        const under = r.ini === r.loadedIni ? loadedUnder : engine.logUnder(r.ini, r.name);
        postMessage({ type: "log", token: r.token, doc, loadedUnder, under });
      } catch (error) {
        fail(r, error);
      }
    } else if (fightRequest) {
      const r = fightRequest;
      fightRequest = null;
      try {
        engine.fightStart(r.ini, r.scenario, r.seed);
        fightToken = r.token;
        fightFrames = 600;
      } catch (error) {
        fail(r, error);
        fightToken = 0;
      }
    } else if (fightToken) {
      const token = fightToken;
      try {
        const t0 = performance.now();
        const step = engine.fightStep(fightFrames);
        fightFrames = Math.max(60, Math.min(50000, Math.round((fightFrames * 20) / Math.max(1, performance.now() - t0))));
        if (step.done) {
          fightToken = 0;
          postMessage({ type: "fight", token, result: engine.fightResult() });
        } else {
          postMessage({ type: "fight-frame", token, frame: step.frame });
        }
      } catch (error) {
        fightToken = 0;
        fail({ type: "fight", token }, error);
      }
    }
    schedule();
  };
  const schedule = () => {
    if (scheduled || !(logRequest || fightRequest || fightToken)) return;
    scheduled = true;
    setTimeout(work, 0);
  };

  onmessage = async (event) => {
    const r = event.data;
    if (r.type === "start") {
      try {
        engine = await Engine.of(r.module, createTunerEngine);
      } catch (error) {
        postMessage({ type: "failed", token: 0, request: "start", message: error.message });
      }
    } else if (r.type === "log") {
      // What a dropped request brought stays: the log to open, the opened INI to replay it under.
      if (logRequest) {
        for (const name of ["log", "logName", "loadedIni"]) if (r[name] === undefined) r[name] = logRequest[name];
      }
      logRequest = r;
    } else if (r.type === "fight") {
      fightRequest = r;
      fightToken = 0;
    }
    schedule();
  };
}
