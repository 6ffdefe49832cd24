// The page in a real browser: Debian's Chromium, headless, driven through
// puppeteer-core (web/package.json), the page served from the build's folder.
//
//   node page_test.mjs --page build-web/web --se-host build/se-host [--out DIR] [--screenshot FILE]
//
// - the page loads, and nothing is written to the console as an error;
// - its panel shows every control of the engine with its unit, and every preset;
// - a phrase handed to the worklet as a frame-stamped list and rendered in an
//   OfflineAudioContext (the worklet straight into the destination) equals,
//   bit for bit, `se-host synth` rendering the same MIDI file at the same rate;
// - keys (computer keys, the mouse) make sound, and it dies away after release;
// - a MIDI file chosen on the page plays, and Stop silences it;
// - the filter curve follows the controls;
// - a screenshot (DIR/web-page.png, and FILE when given: docs/img/web_page.png);
// - timings: load, and the worklet's time per 128-frame quantum for 8 and 32 voices.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync, mkdirSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, extname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { midiFile } from './smf.mjs';
import { readFloatWav } from './wav.mjs';

const repo = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');

function options() {
  const o = { out: tmpdir() };
  const args = process.argv.slice(2);
  for (let i = 0; i < args.length; i += 2) {
    const key = args[i].replace(/^--/, '').replace(/-(\w)/g, (_, c) => c.toUpperCase());
    if (!['page', 'seHost', 'out', 'screenshot'].includes(key) || args[i + 1] === undefined) {
      console.error('usage: node page_test.mjs --page DIR --se-host PROGRAM [--out DIR] [--screenshot FILE]');
      process.exit(2);
    }
    o[key] = resolve(args[i + 1]);
  }
  if (!o.page || !o.seHost) {
    console.error('page_test: --page and --se-host are needed');
    process.exit(2);
  }
  return o;
}

const opt = options();
const require = createRequire(join(repo, 'web', 'package.json'));
let puppeteer;
try {
  puppeteer = require('puppeteer-core');
} catch {
  console.error('page_test: puppeteer-core is missing: run "npm ci" in web/ (scripts/ci-variants.sh web does)');
  process.exit(1);
}

// ---- A static server for the page's folder ----

const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
                 '.png': 'image/png' };
function serve(root) {
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://page').pathname);
    const file = join(root, path.endsWith('/') ? `${path}index.html` : path);
    if (!file.startsWith(root)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = readFileSync(file);
      response.writeHead(200, { 'Content-Type': kTypes[extname(file)] ?? 'application/octet-stream' }).end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done(server)));
}

// ---- Checks ----

let failures = 0;
async function check(name, fn) {
  try {
    const note = await fn();
    console.log(`ok: ${name}${note ? ` (${note})` : ''}`);
  } catch (error) {
    failures++;
    console.log(`FAILED: ${name}: ${error.message}`);
  }
}
function expect(condition, message) {
  if (!condition) throw new Error(message);
}
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// The phrase: frame-stamped messages at 48 kHz, chosen to go through every
// path a frame stamp must hit exactly: notes off the 32-frame grid, two
// events on one frame, bend, mod wheel, channel pressure, the sustain pedal,
// a chord of eight notes.
const kRate = 48000;
const kPhrase = [
  { frame: 0, midi: [0x90, 60, 100] },
  { frame: 4801, midi: [0x90, 64, 80] },
  { frame: 9600, midi: [0x90, 67, 127] },
  { frame: 12000, midi: [0xe0, 0x00, 0x50] },
  { frame: 13000, midi: [0xb0, 1, 100] },
  { frame: 16000, midi: [0xd0, 0x40] },
  { frame: 24000, midi: [0x80, 60, 0] },
  { frame: 24000, midi: [0x80, 64, 0] },
  { frame: 25000, midi: [0xb0, 64, 127] },
  { frame: 26003, midi: [0x80, 67, 0] },
  ...[48, 52, 55, 59, 60, 64, 67, 71].map((note, i) => ({ frame: 30000 + i, midi: [0x90, note, 127 - 6 * i] })),
  { frame: 36001, midi: [0xb0, 64, 0] },
  ...[48, 52, 55, 59, 60, 64, 67, 71].map((note) => ({ frame: 42000, midi: [0x80, note, 0] })),
];
// What se-host tells the engine first: the transport at the file's start,
// and again for the file's tempo event (both at 120 beats per minute).
const kStart = { bpm: 120, beatsPerBar: 4, bar: 0, barBeat: 0, speed: 1 };

// `se-host synth` on the phrase as a MIDI file: its samples, channel by channel.
function hostRender(name, settings) {
  const mid = join(opt.out, `web-${name}.mid`);
  const wav = join(opt.out, `web-${name}.wav`);
  writeFileSync(mid, midiFile(kPhrase, { ticksPerQuarter: kRate / 2 }));
  const args = ['synth', mid, '-f', 'float', '-o', wav, '--rate', String(kRate)];
  if (settings.preset) args.push('--preset', settings.preset);
  for (const [symbol, value] of Object.entries(settings.set ?? {})) args.push('--set', `${symbol}=${value}`);
  execFileSync(opt.seHost, args, { stdio: ['ignore', 'ignore', 'inherit'] });
  const { rate, channels } = readFloatWav(readFileSync(wav));
  expect(rate === kRate && channels.length === 2, `se-host wrote ${channels.length} channels at ${rate} Hz`);
  return { mid, channels };
}

function floats(base64) {
  const bytes = Buffer.from(base64, 'base64');
  return new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
}

async function samePhrase(page, name, settings) {
  const host = hostRender(name, settings);
  const frames = host.channels[0].length;
  // The engine's controls as se-host sets them: a preset's, then each setting.
  const controls = await page.evaluate(({ preset, set }) => {
    window.synthPage.selectPreset(preset ?? '');
    for (const [symbol, value] of Object.entries(set ?? {})) window.synthPage.setControl(symbol, value);
    return window.synthPage.values();
  }, settings);
  const events = [{ frame: 0, position: kStart }, { frame: 0, position: kStart }, ...kPhrase];
  // The page's own reading of the file gives the same list.
  const scheduled = await page.evaluate((bytes, rate) => window.synthPage.scheduleSong(bytes, rate),
                                        Array.from(readFileSync(host.mid)), kRate);
  expect(JSON.stringify(scheduled.events.filter((e) => e.frame < 42000)) ===
         JSON.stringify(events.filter((e) => e.frame < 42000)), 'the file reads as another list');
  const rendered = await page.evaluate((o) => window.synthPage.renderOffline(o), { rate: kRate, frames, events, controls });
  const left = floats(rendered.left), right = floats(rendered.right);
  let differ = 0, first = -1, peak = 0;
  for (let i = 0; i < frames; i++) {
    peak = Math.max(peak, Math.abs(host.channels[0][i]));
    if (!Object.is(left[i], host.channels[0][i]) || !Object.is(right[i], host.channels[1][i])) {
      if (first < 0) first = i;
      differ++;
    }
  }
  expect(peak > 0.01, `se-host's rendering is silent (peak ${peak})`);
  expect(differ === 0, `${differ} of ${frames} frames differ, the first at ${first}: ` +
                       `${left[first]} / ${right[first]} against ${host.channels[0][first]} / ${host.channels[1][first]}`);
  return `${frames} frames, peak ${peak.toFixed(3)}`;
}

// The level now, and after `ms`.
async function level(page) { return page.evaluate(() => window.synthPage.level()); }
async function waitForLevel(page, test, ms) {
  const until = Date.now() + ms;
  let value = await level(page);
  while (!test(value) && Date.now() < until) {
    await sleep(50);
    value = await level(page);
  }
  return value;
}

// The worklet's time per 128-frame quantum holding `notes` notes (at most 32).
async function quantumTime(page, notes) {
  const chord = Array.from({ length: notes }, (_, i) => ({ frame: 0, midi: [0x90, 36 + i * 2, 110] }));
  const frames = kRate * 4;
  const controls = await page.evaluate(() => {
    window.synthPage.selectPreset('');
    window.synthPage.setControl('polyphony', 32);
    return window.synthPage.values();
  });
  const result = await page.evaluate((o) => window.synthPage.renderOffline(o), { rate: kRate, frames, events: chord, controls });
  expect(result.worklet, 'the worklet told no timing');
  expect(result.worklet.voices === notes, `${result.worklet.voices} voices sound for ${notes} notes`);
  return { perQuantum: (result.worklet.wallMs / result.worklet.quanta) * 1000, renderMs: result.renderMs };
}

// ---- The run ----

mkdirSync(opt.out, { recursive: true });
const server = await serve(opt.page);
const profile = mkdtempSync(join(tmpdir(), 'se-chromium-'));
const browser = await puppeteer.launch({
  executablePath: process.env.SE_CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  userDataDir: profile,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--mute-audio'],
});
const errors = [];
try {
  const page = await browser.newPage();
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('requestfailed', (r) => errors.push(`${r.url()}: ${r.failure()?.errorText}`));
  await page.setViewport({ width: 1280, height: 1000 });
  const url = `http://127.0.0.1:${server.address().port}/`;

  let data;
  await check('the page loads without console errors', async () => {
    const started = Date.now();
    await page.goto(url, { waitUntil: 'load' });
    const { loadMs } = await page.evaluate(() => window.synthPage.ready);
    const total = Date.now() - started;
    data = await page.evaluate(async () => {
      const text = await (await fetch('synth.wasm')).arrayBuffer();
      return text.byteLength;
    });
    expect(errors.length === 0, errors.join(' | '));
    return `ready ${loadMs.toFixed(0)} ms after navigation started, ${total} ms from the test's request; synth.wasm ${data} bytes`;
  });

  await check('the panel shows every control with its unit, and every preset', async () => {
    const shown = await page.evaluate(() => {
      const rows = [...document.querySelectorAll('#panel .control')].map((row) => ({
        symbol: row.querySelector('[data-symbol]').dataset.symbol,
        kind: row.classList[1],
        text: row.querySelector('output').textContent,
        items: row.querySelector('select') ? row.querySelector('select').options.length : 0,
      }));
      return { rows, presets: document.querySelectorAll('#preset option').length };
    });
    const table = await page.evaluate(async () => {
      const { SynthWasm } = await import('./synth-wasm.js');
      const s = await SynthWasm.create(await (await fetch('synth.wasm')).arrayBuffer());
      return s.pageData();
    });
    expect(shown.rows.length === table.controls.length, `${shown.rows.length} rows for ${table.controls.length} controls`);
    table.controls.forEach((c, i) => {
      const row = shown.rows[i];
      expect(row.symbol === c.symbol, `row ${i} is ${row.symbol}, not ${c.symbol}`);
      if (c.kind === 'choice') expect(row.items === c.choices.length, `${c.symbol}: ${row.items} items`);
      const unit = c.unit === 'Hz' ? /Hz$/ : c.unit === 'ms' ? /(ms| s)$/ : new RegExp(`${c.unit}$`);
      if (c.unit) expect(unit.test(row.text), `${c.symbol} shows "${row.text}" without its unit ${c.unit}`);
    });
    expect(shown.presets === table.presets.length + 1, `${shown.presets} entries for ${table.presets.length} presets`);
    return `${table.controls.length} controls, ${table.presets.length} presets`;
  });

  await check('an offline phrase equals se-host synth bit for bit (default patch)',
              () => samePhrase(page, 'default', {}));
  await check('an offline phrase equals se-host synth bit for bit (a preset with a tempo-synced LFO, noise, '
              + 'other controls)',
              () => samePhrase(page, 'preset', { preset: 'fx-sample-hold', set: { noise: 20, width: 100, cutoff: 1250 } }));

  await check('the filter curve follows the controls', async () => {
    const at = async (cutoff, resonance) => page.evaluate(async (c, r) => {
      window.synthPage.selectPreset('');
      window.synthPage.setControl('cutoff', c);
      window.synthPage.setControl('resonance', r);
      await new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));
      return [window.synthPage.filterLevelAt(200), window.synthPage.filterLevelAt(c), window.synthPage.filterLevelAt(8000)];
    }, cutoff, resonance);
    const low = await at(500, 0);
    const high = await at(6000, 0);
    const peaked = await at(1000, 95);
    expect(high[2] - low[2] > 30, `8 kHz: ${low[2].toFixed(1)} dB at cutoff 500 Hz, ${high[2].toFixed(1)} dB at 6 kHz`);
    expect(peaked[1] - peaked[0] > 6, `no resonant peak: ${peaked[1].toFixed(1)} dB at the cutoff, ${peaked[0].toFixed(1)} below`);
    await page.evaluate(() => window.synthPage.selectPreset(''));
    return `8 kHz: ${low[2].toFixed(1)} dB (cutoff 500 Hz) / ${high[2].toFixed(1)} dB (6 kHz)`;
  });

  await check('keys make sound, and it dies away after release', async () => {
    expect((await level(page)) === 0, 'sound before any key');
    for (const key of ['KeyZ', 'KeyC', 'KeyB']) await page.keyboard.down(key); // C, E, G
    const held = await waitForLevel(page, (v) => v > 0.01, 3000);
    expect(held > 0.01, `level ${held} while the keys are down`);
    for (const key of ['KeyZ', 'KeyC', 'KeyB']) await page.keyboard.up(key);
    const after = await waitForLevel(page, (v) => v < 1e-4, 3000);
    expect(after < 1e-4, `level ${after} after the release`);
    // The mouse on a piano key.
    const key = await page.$('#keyboard .key.white[data-note="57"]');
    await key.scrollIntoView();
    const box = await key.boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height * 0.8);
    await page.mouse.down();
    const clicked = await waitForLevel(page, (v) => v > 0.01, 3000);
    await page.mouse.up();
    expect(clicked > 0.01, `level ${clicked} under the mouse`);
    const gone = await waitForLevel(page, (v) => v < 1e-4, 3000);
    expect(gone < 1e-4, `level ${gone} after the mouse let go`);
    return `held ${held.toFixed(3)}, released ${after.toExponential(1)}; mouse ${clicked.toFixed(3)}`;
  });

  await check('a MIDI file plays as se-host plays it, and Stop silences it', async () => {
    const mid = join(opt.out, 'web-file.mid');
    writeFileSync(mid, midiFile([{ frame: 0, midi: [0x90, 55, 110] }, { frame: 0, midi: [0x90, 62, 110] },
                                 { frame: 96000, midi: [0x80, 55, 0] }], { ticksPerQuarter: kRate / 2 }));
    const input = await page.$('#midi-file');
    await input.uploadFile(mid);
    const playing = await waitForLevel(page, (v) => v > 0.01, 3000);
    const status = await page.evaluate(() => document.getElementById('status').textContent);
    expect(playing > 0.01 && /Playing web-file\.mid/.test(status), `level ${playing}, status "${status}"`);
    await page.click('#stop');
    const stopped = await waitForLevel(page, (v) => v < 1e-4, 3000);
    expect(stopped < 1e-4, `level ${stopped} after Stop`);
    return `level ${playing.toFixed(3)}, then ${stopped.toExponential(1)}`;
  });

  await check('a screenshot of the page, playing', async () => {
    await page.evaluate(() => {
      document.activeElement?.blur();
      window.synthPage.selectPreset('pad-warm');
    });
    for (const key of ['KeyZ', 'KeyC', 'KeyB', 'KeyQ']) await page.keyboard.down(key);
    await sleep(1200);
    const file = join(opt.out, 'web-page.png');
    await page.screenshot({ path: file, fullPage: true });
    if (opt.screenshot) await page.screenshot({ path: opt.screenshot, fullPage: true });
    for (const key of ['KeyZ', 'KeyC', 'KeyB', 'KeyQ']) await page.keyboard.up(key);
    await page.evaluate(() => window.synthPage.selectPreset(''));
    return file;
  });

  await check('timings: the worklet rendering 8 and 32 voices offline', async () => {
    const eight = await quantumTime(page, 8);
    const many = await quantumTime(page, 32);
    return `per 128-frame quantum: 8 voices ${eight.perQuantum.toFixed(0)} µs, 32 voices ${many.perQuantum.toFixed(0)} µs ` +
           `(real time at 48 kHz: 2667 µs); 4 s rendered in ${eight.renderMs.toFixed(0)} / ${many.renderMs.toFixed(0)} ms`;
  });

  await check('no console errors on the way', async () => {
    expect(errors.length === 0, errors.join(' | '));
  });
} finally {
  await browser.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
console.log(failures === 0 ? 'all passed' : `${failures} failed`);
process.exit(failures === 0 ? 0 : 1);
