// synth.wasm through the page's own glue, under Node.js (no browser):
//   node module_test.mjs PAGE_DIR
// - what the module imports: only the two functions the glue supplies, so
//   nothing it computes can come from the browser's math library;
// - the page's data: every control and preset as the engine's tables have
//   them, numbers that read back as the engine's floats;
// - MIDI files scheduled as `se-host synth` plays them, bad ones refused;
// - the engine's output independent of how the worklet splits its quanta;
// - the filter curve's data: the ladder's answer to an impulse.
import { readFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { midiFile } from './smf.mjs';

const dir = process.argv[2] && resolve(process.argv[2]);
if (!dir) {
  console.error('usage: node module_test.mjs PAGE_DIR');
  process.exit(2);
}
const { SynthWasm } = await import(pathToFileURL(join(dir, 'synth-wasm.js')));
const bytes = readFileSync(join(dir, 'synth.wasm'));

let failures = 0;
function check(name, fn) {
  try {
    fn();
    console.log(`ok: ${name}`);
  } catch (error) {
    failures++;
    console.log(`FAILED: ${name}: ${error.message}`);
  }
}
function expect(condition, message) {
  if (!condition) throw new Error(message);
}

check('the module imports only what the glue supplies (no math functions)', () => {
  const imports = WebAssembly.Module.imports(new WebAssembly.Module(bytes)).map((i) => `${i.module}.${i.name}`);
  const allowed = ['env.emscripten_notify_memory_growth', 'wasi_snapshot_preview1.proc_exit'];
  const extra = imports.filter((name) => !allowed.includes(name));
  expect(extra.length === 0, `unexpected imports: ${extra.join(', ')}`);
});

const synth = new SynthWasm(bytes);
const data = synth.pageData();
const { controls, presets } = data;

check('every control has its name, kind, unit, range and default', () => {
  expect(controls.length > 40, `only ${controls.length} controls`);
  controls.forEach((c, i) => {
    expect(c.index === i, `${c.symbol}: index ${c.index} at ${i}`);
    expect(/^[a-z0-9_]+$/.test(c.symbol) && c.name.length > 0, `control ${i}: symbol or name`);
    expect(['linear', 'logarithmic', 'integer', 'toggle', 'choice'].includes(c.kind), `${c.symbol}: kind ${c.kind}`);
    expect(c.min <= c.default && c.default <= c.max, `${c.symbol}: default outside its range`);
    if (c.kind === 'logarithmic') expect(c.min > 0, `${c.symbol}: a logarithmic scale from ${c.min}`);
    if (c.kind === 'choice') expect(c.choices.some((item) => item.shown === c.default), `${c.symbol}: default is no item`);
    else expect(c.choices.length === 0, `${c.symbol}: items on a ${c.kind} control`);
    // The numbers are the shortest that read back as the engine's floats:
    // the engine holds the default the text gives.
    expect(synth.control(i) === Math.fround(c.default), `${c.symbol}: the engine holds ${synth.control(i)}`);
  });
  const units = new Map(controls.map((c) => [c.symbol, c.unit]));
  for (const [symbol, unit] of [['cutoff', 'Hz'], ['amp_attack', 'ms'], ['volume', 'dB'], ['zing', 'V'], ['osc2_fine', 'cents']])
    expect(units.get(symbol) === unit, `${symbol}: unit "${units.get(symbol)}"`);
  const waves = controls.find((c) => c.symbol === 'osc1_wave');
  expect(waves.choices.length > 20 && waves.choices.some((i) => i.text === 'Noise'), 'the waveform list');
});

check('every factory preset sets every control to a value of its range', () => {
  expect(presets.length >= 24, `only ${presets.length} presets`);
  const symbols = new Set();
  for (const p of presets) {
    expect(!symbols.has(p.symbol), `${p.symbol} twice`);
    symbols.add(p.symbol);
    expect(p.values.length === controls.length, `${p.symbol}: ${p.values.length} values`);
    p.values.forEach((v, i) => {
      const c = controls[i];
      expect(v >= c.min && v <= c.max, `${p.symbol}: ${c.symbol} = ${v}`);
      if (c.kind === 'choice') expect(c.choices.some((item) => item.shown === v), `${p.symbol}: ${c.symbol} item ${v}`);
    });
  }
  expect(new Set(presets.map((p) => p.category)).size >= 6, 'categories');
});

check('a MIDI file is scheduled frame by frame as se-host plays it', () => {
  const rate = 48000;
  const phrase = [{ frame: 0, midi: [0x90, 60, 100] }, { frame: 4801, midi: [0xb0, 64, 127] },
                  { frame: 9000, midi: [0x80, 60, 64] }];
  const song = synth.scheduleSong(midiFile(phrase, { ticksPerQuarter: rate / 2 }), rate);
  expect(song.error === '', `error "${song.error}"`);
  const start = { bpm: 120, beatsPerBar: 4, bar: 0, barBeat: 0, speed: 1 };
  const want = [{ frame: 0, position: start }, { frame: 0, position: start }, ...phrase,
                { frame: 9000, midi: [0xb0, 64, 0] }]; // the pedal still down at the end is let go there
  expect(JSON.stringify(song.events) === JSON.stringify(want), JSON.stringify(song.events));
  expect(song.endFrame === 9000, `end ${song.endFrame}`);
  const bad = synth.scheduleSong(Uint8Array.from([0x4d, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0]), rate);
  expect(bad.error.length > 0 && !bad.events, 'a cut header is refused');
  expect(synth.scheduleSong(new Uint8Array(0), rate).error.length > 0, 'no bytes are refused');
});

// Renders `frames` frames of `events` in calls of `quantum` frames, cut at
// every event, as the worklet does.
function render(s, events, frames, quantum) {
  const left = new Float32Array(frames);
  const right = new Float32Array(frames);
  let next = 0;
  for (let at = 0; at < frames;) {
    while (next < events.length && events[next].frame <= at) s.midi(events[next++].midi);
    let until = Math.min(frames, at + quantum - (at % quantum));
    if (next < events.length) until = Math.min(until, events[next].frame);
    const n = s.process(until - at);
    const out = s.outputs();
    left.set(out.left.subarray(0, n), at);
    right.set(out.right.subarray(0, n), at);
    at += n;
  }
  return { left, right };
}

check('the output does not depend on how the quanta fall (128, 96, 4096 frames)', () => {
  const events = [{ frame: 0, midi: [0x90, 48, 127] }, { frame: 1000, midi: [0x90, 55, 90] },
                  { frame: 5003, midi: [0xe0, 0x10, 0x50] }, { frame: 7001, midi: [0x80, 48, 0] },
                  { frame: 9000, midi: [0x80, 55, 0] }];
  const runs = [128, 96, 4096].map((quantum) => {
    const s = new SynthWasm(bytes);
    s.setControl(controls.findIndex((c) => c.symbol === 'lfo_pitch'), 40);
    s.midi([0xb0, 1, 100]); // before activation: ignored
    expect(s.activate(44100), 'activation at 44100 Hz');
    return render(s, events, 12000, quantum);
  });
  const peak = runs[0].left.reduce((m, v) => Math.max(m, Math.abs(v)), 0);
  expect(peak > 0.01, `silent (peak ${peak})`);
  for (const run of runs.slice(1))
    for (let i = 0; i < 12000; i++)
      if (!Object.is(run.left[i], runs[0].left[i]) || !Object.is(run.right[i], runs[0].right[i]))
        throw new Error(`frame ${i} differs`);
});

check('an unusable rate is refused and renders silence', () => {
  const s = new SynthWasm(bytes);
  expect(!s.activate(10), 'activated at 10 Hz');
  s.midi([0x90, 60, 127]);
  expect(s.process(64) === 64 && s.outputs().left.subarray(0, 64).every((v) => v === 0), 'not silent');
});

check("the filter curve's data is the ladder's answer: low-pass below the cutoff, its peak with resonance", () => {
  const values = controls.map((c) => c.default);
  const set = (symbol, v) => { values[controls.findIndex((c) => c.symbol === symbol)] = v; };
  const level = (impulse, hz) => {
    let re = 0, im = 0;
    impulse.forEach((v, n) => {
      re += v * Math.cos((2 * Math.PI * hz * n) / 48000);
      im -= v * Math.sin((2 * Math.PI * hz * n) / 48000);
    });
    return 20 * Math.log10(Math.hypot(re, im) / 0.01);
  };
  set('cutoff', 500);
  set('resonance', 0);
  const plain = synth.filterImpulse(values, 48000, 0.01, 4096);
  expect(plain && plain.length === 4096 && plain.every(Number.isFinite), 'no answer');
  expect(level(plain, 100) - level(plain, 5000) > 40, `${level(plain, 100)} dB at 100 Hz, ${level(plain, 5000)} dB at 5 kHz`);
  set('resonance', 90);
  const peaked = synth.filterImpulse(values, 48000, 0.01, 4096);
  expect(level(peaked, 500) - level(peaked, 100) > 6, `no peak at the cutoff (${level(peaked, 500)} dB)`);
  expect(synth.filterImpulse(values.slice(1), 48000, 0.01, 4096) === null, 'a short control list is refused');
});

console.log(failures === 0 ? 'all passed' : `${failures} failed`);
process.exit(failures === 0 ? 0 : 1);
