// The page: loads synth.wasm once, builds the panel and the preset list from
// the engine's own tables, starts the sound on the first gesture (the synth
// in an AudioWorklet, then an analyser for the displays), and plays notes
// from the keyboard, the mouse, touch and MIDI devices.
//
// window.synthPage is the page's scripting interface (its tests use it):
//   ready                      a promise of {loadMs} once the page can play
//   startSound()               the same as pressing "Start sound"
//   setControl(symbol, value), values(), selectPreset(symbol)
//   level()                    the output's RMS level now (the analyser's window)
//   renderOffline({rate, frames, events, controls})
//                              the synth alone in an OfflineAudioContext, the events
//                              frame-stamped; answers {left, right} as base64 float32
//                              and the worklet's timing
//   scheduleSong(bytes, rate)  a MIDI file's frame-stamped events, as se-host plays it
//   filterLevelAt(hz)          the filter curve's level there (dB)
import { Displays } from './displays.js';
import { FilterCurve } from './filter-curve.js';
import { Keyboard, noteName } from './keyboard.js';
import { MidiInput } from './midi-input.js';
import { Panel } from './panel.js';
import { SynthWasm } from './synth-wasm.js';

const $ = (id) => document.getElementById(id);
const say = (text) => { $('status').textContent = text; };

const page = {
  bytes: null, // synth.wasm, handed to every worklet
  synth: null, // an instance on this thread: tables, presets, the filter curve
  data: null,
  values: [],
  sound: null, // {context, node, analyser} once started
  starting: null,
  waiting: [], // messages for the worklet before it is ready
};

// ---- The worklet ----

async function addSynthNode(context, options) {
  await context.audioWorklet.addModule('synth-worklet.js');
  const node = new AudioWorkletNode(context, 'ladder-synth', {
    numberOfInputs: 0,
    numberOfOutputs: 1,
    outputChannelCount: [2],
    processorOptions: { wasm: page.bytes, controls: page.values, ...options },
  });
  const ready = new Promise((resolve, reject) => {
    node.port.addEventListener('message', function first(e) {
      if (e.data.type !== 'ready') return;
      node.port.removeEventListener('message', first);
      resolve(e.data.ok);
    });
    // The processor could not start (the module failed to compile or run).
    node.addEventListener('processorerror', () => reject(new Error('the synth stopped in the audio thread')));
  });
  node.port.start();
  return { node, ready };
}

function send(message) {
  if (page.sound) page.sound.node.port.postMessage(message);
  else page.waiting.push(message);
}

function startSound() {
  page.starting ??= (async () => {
    say('Starting the sound…');
    const context = new AudioContext({ latencyHint: 'interactive' });
    const { node, ready } = await addSynthNode(context, {});
    if (!(await ready)) throw new Error(`the synth cannot run at ${context.sampleRate} Hz`);
    const analyser = new AnalyserNode(context, { fftSize: 4096, smoothingTimeConstant: 0.5 });
    node.connect(analyser).connect(context.destination);
    await context.resume();
    page.sound = { context, node, analyser };
    for (const m of page.waiting) node.port.postMessage(m);
    page.waiting = [];
    page.displays.attach(analyser);
    $('power').textContent = 'Sound on';
    $('power').disabled = true;
    say(`Playing at ${context.sampleRate} Hz`);
    page.midi.start();
  })().catch((error) => {
    page.starting = null;
    say(`No sound: ${error.message}`);
  });
  return page.starting;
}

// ---- Controls and presets ----

function setValue(index, value) {
  page.values[index] = value;
  send({ type: 'control', index, value });
  if (page.data.controls[index].group === 'Filter') page.curve.update(page.values);
}

function setAll(values) {
  page.values = values.slice();
  page.panel.setAll(page.values);
  send({ type: 'controls', values: page.values });
  page.curve.update(page.values);
}

function buildPresets(select) {
  select.append(new Option('Default', ''));
  const groups = new Map();
  for (const p of page.data.presets) {
    if (!groups.has(p.category)) {
      const group = document.createElement('optgroup');
      group.label = p.category;
      groups.set(p.category, group);
      select.append(group);
    }
    groups.get(p.category).append(new Option(p.name, p.symbol));
  }
  select.addEventListener('change', () => selectPreset(select.value));
}

function selectPreset(symbol) {
  const preset = page.data.presets.find((p) => p.symbol === symbol);
  setAll(preset ? preset.values : page.data.controls.map((c) => c.default));
  $('preset').value = preset ? preset.symbol : '';
}

// ---- Playing ----

function velocity() { return Number($('velocity').value); }

function play(e) {
  startSound();
  if (e.pedal !== undefined) send({ type: 'midi', midi: [0xb0, 64, e.pedal ? 127 : 0] });
  else if (e.on) send({ type: 'midi', midi: [0x90, e.note, velocity()] });
  else send({ type: 'midi', midi: [0x80, e.note, 0] });
}

function fromDevice(bytes) {
  send({ type: 'midi', midi: bytes });
  const kind = bytes[0] & 0xf0;
  if (kind === 0x90 || kind === 0x80) page.keyboard.show(bytes[1], kind === 0x90 && bytes[2] > 0);
}

// A MIDI file played from now on, scheduled as `se-host synth` plays it.
async function playFile(file) {
  await startSound();
  if (!page.sound) return;
  const song = page.synth.scheduleSong(new Uint8Array(await file.arrayBuffer()), page.sound.context.sampleRate);
  if (song.error) {
    say(`${file.name}: ${song.error}`);
    return;
  }
  send({ type: 'song', events: song.events });
  say(`Playing ${file.name} (${(song.endFrame / page.sound.context.sampleRate).toFixed(1)} s)`);
}

function stopAll() {
  send({ type: 'stop' });
  for (let note = 0; note < 128; note++) page.keyboard.show(note, false);
  if (page.sound) say(`Playing at ${page.sound.context.sampleRate} Hz`);
}

// ---- Offline rendering (tests, and the bit-for-bit check) ----

function base64(floats) {
  const bytes = new Uint8Array(floats.buffer, floats.byteOffset, floats.byteLength);
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(text);
}

async function renderOffline({ rate, frames, events, controls }) {
  const context = new OfflineAudioContext({ numberOfChannels: 2, length: frames, sampleRate: rate });
  const added = await addSynthNode(context, { controls: controls ?? page.values, events, reportAfter: frames });
  const timing = new Promise((resolve) => {
    added.node.port.addEventListener('message', (e) => {
      if (e.data.type === 'timing') resolve(e.data);
    });
  });
  // Straight to the destination: nothing between the worklet and the samples.
  added.node.connect(context.destination);
  if (!(await added.ready)) throw new Error(`the synth cannot run at ${rate} Hz`);
  const started = performance.now();
  const buffer = await context.startRendering();
  const renderMs = performance.now() - started;
  const worklet = await Promise.race([timing, new Promise((resolve) => setTimeout(() => resolve(null), 5000))]);
  return { left: base64(buffer.getChannelData(0)), right: base64(buffer.getChannelData(1)), renderMs, worklet };
}

// ---- Loading ----

async function load() {
  const response = await fetch('synth.wasm');
  if (!response.ok) throw new Error(`synth.wasm could not be loaded (${response.status})`);
  page.bytes = await response.arrayBuffer();
  page.synth = await SynthWasm.create(page.bytes);
  page.data = page.synth.pageData();
  const controls = page.data.controls;
  page.values = controls.map((c) => c.default);
  page.panel = new Panel($('panel'), controls, setValue);
  buildPresets($('preset'));
  page.keyboard = new Keyboard($('keyboard'), { play });
  const showOctave = (base) => { $('octave').textContent = `Keys from ${noteName(base)}`; };
  page.keyboard.onShift = showOctave;
  showOctave(page.keyboard.base);
  $('octave-down').addEventListener('click', () => page.keyboard.shift(-12));
  $('octave-up').addEventListener('click', () => page.keyboard.shift(12));
  $('velocity').addEventListener('input', () => { $('velocity-value').value = $('velocity').value; });
  $('midi-file').addEventListener('change', () => {
    if ($('midi-file').files[0]) playFile($('midi-file').files[0]);
    $('midi-file').value = '';
  });
  $('stop').addEventListener('click', stopAll);
  page.displays = new Displays($('scope'), $('spectrum'));
  page.curve = new FilterCurve($('filter'), page.synth, controls.findIndex((c) => c.symbol === 'cutoff'));
  page.curve.update(page.values);
  page.midi = new MidiInput({ onMessage: fromDevice, onStatus: (text) => { $('midi-status').textContent = text; } });
  $('power').disabled = false;
  $('power').addEventListener('click', startSound);
  $('preset').disabled = false;
  say('Ready: play the keys, or press Start sound');
  return { loadMs: performance.now() };
}

const ready = load();
ready.catch((error) => say(`The synth could not start: ${error.message}`));

window.synthPage = {
  ready,
  startSound,
  setControl(symbol, value) {
    const c = page.data.controls.find((k) => k.symbol === symbol);
    if (!c) throw new Error(`no control ${symbol}`);
    page.panel.set(c.index, value);
    setValue(c.index, value);
  },
  values: () => page.values.slice(),
  selectPreset,
  level: () => page.displays.level(),
  renderOffline,
  scheduleSong: (bytes, rate) => page.synth.scheduleSong(Uint8Array.from(bytes), rate),
  filterLevelAt: (hz) => page.curve.levelAt(hz),
};
