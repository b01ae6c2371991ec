#!/usr/bin/env python3
"""Makes Barrelburst-tuner.html: the page's markup with its style, its script,
its worker's script, the engine (WebAssembly inlined in JavaScript) and the
shipped Barrelburst.ini put inside it, so that it opens from disk with
nothing to fetch. The engine's JavaScript stands inside a function,
tunerEngineFactory, whose source the page hands to its worker along with the
worker's own function (tunerWorker) and the compiled module. Its
Content-Security-Policy allows exactly this style and this script (by their
SHA-256), WebAssembly, a worker from a blob: address, and nothing else.

usage: make_page.py TEMPLATE STYLE SCRIPT WORKER_SCRIPT ENGINE_JS ENGINE_WASM SHIPPED_INI VERSION OUT
"""

import base64
import hashlib
import json
import sys


def csp_hash(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode("utf-8")).digest()).decode("ascii") + "'"


def main(argv):
    template_file, style_file, script_file, worker_file, engine_file, wasm_file, ini_file, version, out_file = argv[1:]
    read = lambda name: open(name, encoding="utf-8").read()
    template, style, script, engine = read(template_file), read(style_file), read(script_file), read(engine_file)
    worker = read(worker_file)
    with open(ini_file, "rb") as f:
        shipped = f.read().decode("utf-8")
    # The shipped INI as a JSON string inside the script: '<' written as \u003c
    # so that no text of it can close the script element.
    shipped_json = json.dumps(shipped).replace("<", "\\u003c")
    with open(wasm_file, "rb") as f:
        wasm = base64.b64encode(f.read()).decode("ascii")
    code = ("const shippedIni = " + shipped_json + ";\nconst tunerVersion = " + json.dumps(version)
            + ";\nconst engineWasm = \"" + wasm + "\";\nfunction tunerEngineFactory() {\n" + engine
            + "\nreturn createTunerEngine;\n}\n" + worker + "\n" + script)
    for part, name in ((code, "script"), (style, "style")):
        if "</" + name in part.lower():
            sys.exit("make_page.py: the " + name + " holds '</" + name + "', which would end its element early")
    csp = ("default-src 'none'; script-src " + csp_hash(code) + " 'wasm-unsafe-eval'; worker-src blob:; style-src "
           + csp_hash(style) + "; img-src data:; base-uri 'none'; form-action 'none'")
    for marker in ("@CSP@", "@STYLE@", "@SCRIPT@"):
        if template.count(marker) != 1:
            sys.exit("make_page.py: " + template_file + " must hold " + marker + " exactly once")
    if "@VERSION@" not in template:
        sys.exit("make_page.py: " + template_file + " must hold @VERSION@")
    page = (template.replace("@CSP@", csp).replace("@VERSION@", version)
            .replace("@STYLE@", style).replace("@SCRIPT@", code))
    with open(out_file, "w", encoding="utf-8") as f:
        f.write(page)


if __name__ == "__main__":
    main(sys.argv)
