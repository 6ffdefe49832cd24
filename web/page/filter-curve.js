// The filter's response as the controls set it: the engine's own ladder (the
// module, with every choice, the resonance and Zing as a voice gets them)
// answers an impulse in synth.wasm, and its spectrum is drawn. It follows the
// Cutoff control itself (before envelope, key tracking, velocity and LFO).
import { magnitudes } from './fft.js';
import { colours, frequencyGrid, prepare, xOfHz } from './plot.js';

const kRate = 48000;
const kFrames = 8192;
const kAmplitude = 0.01; // small: the ladder's saturation stays out of the picture
const kTop = 24;
const kBottom = -60;

export class FilterCurve {
  constructor(canvas, synth, cutoffIndex) {
    this.canvas = canvas;
    this.synth = synth;
    this.cutoffIndex = cutoffIndex;
    this.values = null;
    this.pending = false;
    this.db = null;
  }

  // Draws again for these control values (once per animation frame at most).
  update(values) {
    this.values = values.slice();
    if (this.pending) return;
    this.pending = true;
    requestAnimationFrame(() => {
      this.pending = false;
      this.compute();
      this.draw();
    });
  }

  compute() {
    const impulse = this.synth.filterImpulse(this.values, kRate, kAmplitude, kFrames);
    if (!impulse) {
      this.db = null;
      return;
    }
    const m = magnitudes(impulse);
    this.db = Array.from(m, (v) => 20 * Math.log10(Math.max(v / kAmplitude, 1e-9)));
  }

  draw() {
    const { g, width, height } = prepare(this.canvas);
    frequencyGrid(g, width, height, kTop, kBottom, 12);
    const cutoff = this.values?.[this.cutoffIndex];
    if (cutoff) {
      const x = xOfHz(cutoff, width);
      g.strokeStyle = colours.second;
      g.setLineDash([3, 3]);
      g.beginPath();
      g.moveTo(x, 0);
      g.lineTo(x, height);
      g.stroke();
      g.setLineDash([]);
    }
    if (!this.db) return;
    g.strokeStyle = colours.trace;
    g.lineWidth = 2;
    g.beginPath();
    const binHz = kRate / kFrames;
    let first = true;
    for (let k = 1; k < this.db.length; k++) {
      const hz = k * binHz;
      if (hz < 20 || hz > 20000) continue;
      const y = ((kTop - Math.max(kBottom, Math.min(kTop, this.db[k]))) / (kTop - kBottom)) * height;
      const x = xOfHz(hz, width);
      if (first) g.moveTo(x, y);
      else g.lineTo(x, y);
      first = false;
    }
    g.stroke();
  }

  // The curve's level at `hz` (dB), for tests and the caption.
  levelAt(hz) {
    if (!this.db) return null;
    return this.db[Math.round(hz / (kRate / kFrames))];
  }
}
