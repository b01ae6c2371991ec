// The page's script: it only draws what the engine answers.
const wasmBinary = Uint8Array.from(atob(engineWasm), (c) => c.charCodeAt(0));
createTunerEngine({ wasmBinary }).then((engine) => {
  document.getElementById("tuner").textContent = "engine ready";
});
