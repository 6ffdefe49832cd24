// The live displays: an oscilloscope (triggered on a rising zero crossing, so
// a held note stands still) and a spectrum (dB over a logarithmic frequency
// axis), both from the analyser that listens to the synth's output.
import { colours, frequencyGrid, prepare, xOfHz } from './plot.js';

const kTop = 0;
const kBottom = -100;

export class Displays {
  constructor(scope, spectrum) {
    this.scope = scope;
    this.spectrum = spectrum;
    this.analyser = null;
    this.time = null;
    this.freq = null;
    this.draw();
  }

  attach(analyser) {
    this.analyser = analyser;
    this.time = new Float32Array(analyser.fftSize);
    this.freq = new Float32Array(analyser.frequencyBinCount);
    const frame = () => {
      this.draw();
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  }

  // The output's level now (RMS of the analyser's window).
  level() {
    if (!this.analyser) return 0;
    this.analyser.getFloatTimeDomainData(this.time);
    let sum = 0;
    for (const v of this.time) sum += v * v;
    return Math.sqrt(sum / this.time.length);
  }

  draw() {
    this.drawScope();
    this.drawSpectrum();
  }

  drawScope() {
    const { g, width, height } = prepare(this.scope);
    g.strokeStyle = colours.grid;
    g.beginPath();
    g.moveTo(0, height / 2 + 0.5);
    g.lineTo(width, height / 2 + 0.5);
    g.stroke();
    if (!this.analyser) return;
    const data = this.time;
    this.analyser.getFloatTimeDomainData(data);
    const shown = Math.min(data.length / 2, 1024);
    let start = 0;
    for (let i = 1; i < data.length - shown; i++) {
      if (data[i - 1] <= 0 && data[i] > 0) {
        start = i;
        break;
      }
    }
    g.strokeStyle = colours.trace;
    g.lineWidth = 1.5;
    g.beginPath();
    for (let i = 0; i < shown; i++) {
      const x = (i / (shown - 1)) * width;
      const y = height / 2 - data[start + i] * (height / 2) * 0.95;
      if (i === 0) g.moveTo(x, y);
      else g.lineTo(x, y);
    }
    g.stroke();
  }

  drawSpectrum() {
    const { g, width, height } = prepare(this.spectrum);
    frequencyGrid(g, width, height, kTop, kBottom, 20);
    if (!this.analyser) return;
    const data = this.freq;
    this.analyser.getFloatFrequencyData(data);
    const binHz = this.analyser.context.sampleRate / this.analyser.fftSize;
    g.strokeStyle = colours.second;
    g.lineWidth = 1.2;
    g.beginPath();
    let first = true;
    for (let k = 1; k < data.length; k++) {
      const hz = k * binHz;
      if (hz < 20 || hz > 20000) continue;
      const x = xOfHz(hz, width);
      const db = Math.max(kBottom, Math.min(kTop, data[k]));
      const y = ((kTop - db) / (kTop - kBottom)) * height;
      if (first) g.moveTo(x, y);
      else g.lineTo(x, y);
      first = false;
    }
    g.stroke();
  }
}
