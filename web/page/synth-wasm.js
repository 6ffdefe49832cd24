// The glue between JavaScript and synth.wasm (the engine built by
// web/CMakeLists.txt): it instantiates the module's bytes with the two
// imports the module asks for and wraps its C exports (web/*.cpp). Used by the
// worklet (the engine) and by the page (the control table, the presets, the
// filter curve, MIDI files); nothing here depends on either.

// Imports the module may ask for. Anything else it asks for fails loudly at
// the call rather than at instantiation, so a new import shows what calls it.
function importsFor(module, onExit) {
  const known = {
    env: {
      // The memory grew: views are made afresh from memory.buffer (below).
      emscripten_notify_memory_growth() {},
    },
    wasi_snapshot_preview1: {
      proc_exit(code) {
        onExit(code);
        throw new Error(`synth.wasm stopped (exit ${code})`);
      },
    },
  };
  const imports = {};
  for (const { module: from, name, kind } of WebAssembly.Module.imports(module)) {
    imports[from] ??= {};
    if (known[from]?.[name]) {
      imports[from][name] = known[from][name];
    } else if (kind === 'function') {
      imports[from][name] = () => {
        throw new Error(`synth.wasm called ${from}.${name}, which the page does not provide`);
      };
    }
  }
  return imports;
}

export class SynthWasm {
  // `source`: a WebAssembly.Module, or the module's bytes (compiled here,
  // synchronously: the worklet's thread may, the page's should not).
  constructor(source, { onExit = () => {} } = {}) {
    const module = source instanceof WebAssembly.Module ? source : new WebAssembly.Module(source);
    this.instance = new WebAssembly.Instance(module, importsFor(module, onExit));
    this.x = this.instance.exports;
    this.x._initialize();
    this.maxFrames = this.x.se_synth_max_frames();
    this.views = null;
  }

  // Page side: compiled off the page's thread first.
  static async create(bytes, options) {
    return new SynthWasm(await WebAssembly.compile(bytes), options);
  }

  // Views of the output buffers, made again whenever the memory has grown.
  outputs() {
    const buffer = this.x.memory.buffer;
    if (!this.views || this.views.buffer !== buffer) {
      this.views = {
        buffer,
        left: new Float32Array(buffer, this.x.se_synth_left(), this.maxFrames),
        right: new Float32Array(buffer, this.x.se_synth_right(), this.maxFrames),
      };
    }
    return this.views;
  }

  // ---- The engine (the worklet's thread) ----
  activate(rate) { return this.x.se_synth_activate(rate) === 1; }
  setControl(index, value) { this.x.se_synth_set_control(index, value); }
  control(index) { return this.x.se_synth_control(index); }
  // One MIDI message: an array of 1 to 3 bytes, status first.
  midi(bytes) {
    if (bytes.length >= 1 && bytes.length <= 3) this.x.se_synth_midi(bytes.length, bytes[0], bytes[1] ?? 0, bytes[2] ?? 0);
  }
  // The transport, as a song or a host tells it: any of bpm, beatsPerBar, bar, barBeat, speed.
  position(p) {
    const fields = (p.bpm !== undefined ? 1 : 0) | (p.beatsPerBar !== undefined ? 2 : 0) |
                   (p.bar !== undefined ? 4 : 0) | (p.barBeat !== undefined ? 8 : 0) |
                   (p.speed !== undefined ? 16 : 0);
    this.x.se_synth_position(fields, p.bpm ?? 120, p.beatsPerBar ?? 4, p.bar ?? 0, p.barBeat ?? 0, p.speed ?? 0);
  }
  // Renders up to `frames` (at most maxFrames) frames; answers how many.
  process(frames) { return this.x.se_synth_process(frames); }
  activeVoices() { return this.x.se_synth_active_voices(); }

  // ---- The page's data (the page's thread) ----
  text(pointer) {
    const bytes = new Uint8Array(this.x.memory.buffer);
    let end = pointer;
    while (bytes[end] !== 0) end++;
    return new TextDecoder().decode(bytes.subarray(pointer, end));
  }
  // {controls: [...], presets: [...]}, from the engine's own tables.
  pageData() { return JSON.parse(this.text(this.x.se_page_data())); }
  // A standard MIDI file's bytes as the frame-stamped list `se-host synth`
  // plays: {error, endFrame, events: [{frame, midi} | {frame, position}]}.
  scheduleSong(bytes, rate) {
    const at = this.x.se_song_buffer(bytes.length);
    if (at === 0 && bytes.length > 0) return { error: 'no memory for the file', events: [] };
    new Uint8Array(this.x.memory.buffer, at, bytes.length).set(bytes);
    return JSON.parse(this.text(this.x.se_song_schedule(bytes.length, rate)));
  }
  // The ladder as the controls set it (an array of every control's value):
  // its answer to an impulse of `amplitude`, `frames` long, at `rate`.
  filterImpulse(controls, rate, amplitude, frames) {
    const count = controls.length;
    const at = this.x.se_filter_buffer(count, frames);
    if (at === 0) return null;
    new Float32Array(this.x.memory.buffer, at, count).set(controls);
    if (this.x.se_filter_impulse(count, rate, amplitude, frames) !== 1) return null;
    return new Float32Array(this.x.memory.buffer, at + 4 * count, frames).slice();
  }
}
