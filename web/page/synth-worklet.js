// The synth engine in an AudioWorklet: synth.wasm instantiated from the bytes
// the page hands over (processorOptions.wasm), activated at the context's
// rate before the first quantum (the wavetables are built then), and run
// quantum by quantum.
//
// Time: `frame` counts the frames rendered since activation. Events come two
// ways:
//  - frame-stamped (processorOptions.events, or a {type: 'events'} message):
//    {frame, midi: [bytes]} or {frame, position: {...}}, applied exactly at
//    their frame (the quantum is split there), in list order for one frame;
//    the way a scripted phrase reaches an OfflineAudioContext, whose messages
//    land at arbitrary quanta;
//  - live ({type: 'midi'}, {type: 'control'}, {type: 'controls'}): applied
//    at the start of the next quantum; {type: 'song', events} schedules
//    frame-stamped events counted from that quantum, {type: 'stop'} drops
//    what is scheduled and lets every note go.
// The engine's output does not depend on where calls are split (each module
// call is cut on its own 32-frame grid and at every event), so the samples
// are those of `se-host synth` for the same events at the same rate.
import { SynthWasm } from './synth-wasm.js';

class LadderSynthProcessor extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const o = options.processorOptions ?? {};
    this.synth = new SynthWasm(o.wasm);
    (o.controls ?? []).forEach((value, index) => this.synth.setControl(index, value));
    this.ready = this.synth.activate(sampleRate);
    this.events = [];
    this.next = 0;
    this.addEvents(o.events ?? []);
    this.live = [];
    this.frame = 0;
    // Timing of the rendering, reported once `reportAfter` frames are done.
    this.reportAfter = o.reportAfter ?? 0;
    this.busyMs = 0;
    this.quanta = 0;
    this.started = 0;
    this.port.onmessage = (e) => this.receive(e.data);
    this.port.postMessage({ type: 'ready', ok: this.ready });
  }

  addEvents(list) {
    const pending = this.events.slice(this.next).concat(list);
    // A stable sort keeps the list's order for events of one frame.
    pending.sort((a, b) => a.frame - b.frame);
    this.events = pending;
    this.next = 0;
  }

  receive(m) {
    switch (m.type) {
      case 'midi':
      case 'control':
      case 'controls':
      case 'position':
      case 'song': // its frames count from the next quantum
      case 'stop':
        this.live.push(m);
        break;
      case 'events':
        this.addEvents(m.events);
        break;
      case 'voices':
        this.port.postMessage({ type: 'voices', count: this.synth.activeVoices() });
        break;
    }
  }

  apply(m) {
    if (m.midi) this.synth.midi(m.midi);
    else if (m.position) this.synth.position(m.position);
    else if (m.type === 'control') this.synth.setControl(m.index, m.value);
    else if (m.type === 'controls') m.values.forEach((v, i) => this.synth.setControl(i, v));
    else if (m.type === 'song') this.addEvents(m.events.map((e) => ({ ...e, frame: e.frame + this.frame })));
    else if (m.type === 'stop') this.stop();
  }

  // Everything scheduled is dropped; every note and the pedal let go, on
  // every channel.
  stop() {
    this.events = [];
    this.next = 0;
    for (let channel = 0; channel < 16; channel++) {
      this.synth.midi([0xb0 | channel, 64, 0]);
      this.synth.midi([0xb0 | channel, 123, 0]);
    }
  }

  process(inputs, outputs) {
    const out = outputs[0];
    const left = out[0];
    const right = out[1] ?? null;
    const n = left.length;
    const start = Date.now();
    if (this.quanta === 0) this.started = start;
    for (const m of this.live) this.apply(m);
    this.live.length = 0;
    let done = 0;
    while (done < n) {
      const at = this.frame + done;
      while (this.next < this.events.length && this.events[this.next].frame <= at) this.apply(this.events[this.next++]);
      let until = n;
      if (this.next < this.events.length) until = Math.min(until, this.events[this.next].frame - this.frame);
      const rendered = this.synth.process(until - done);
      const { left: l, right: r } = this.synth.outputs();
      left.set(l.subarray(0, rendered), done);
      if (right) right.set(r.subarray(0, rendered), done);
      done += rendered;
    }
    this.frame += n;
    this.quanta++;
    this.busyMs += Date.now() - start;
    if (this.reportAfter > 0 && this.frame >= this.reportAfter) {
      this.port.postMessage({ type: 'timing', quanta: this.quanta, busyMs: this.busyMs, wallMs: Date.now() - this.started,
                              voices: this.synth.activeVoices() });
      this.reportAfter = 0;
    }
    return true;
  }
}

registerProcessor('ladder-synth', LadderSynthProcessor);
