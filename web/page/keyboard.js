// The keyboard: piano keys on the page (mouse and touch, gliding from key to
// key while pressed) and the computer's keys in two rows as on a tracker:
// Z S X D C V G B H N J M , L . ; / from the lower octave's C, and
// Q 2 W 3 E R 5 T 6 Y 7 U I 9 O 0 P from the next one. Space holds the
// sustain pedal; the arrows up and down move the octave. It tells the page
// notes and the pedal through `play` ({on, note} / {off, note} / {pedal}).

const kLowerRow = ['KeyZ', 'KeyS', 'KeyX', 'KeyD', 'KeyC', 'KeyV', 'KeyG', 'KeyB', 'KeyH', 'KeyN', 'KeyJ',
                   'KeyM', 'Comma', 'KeyL', 'Period', 'Semicolon', 'Slash'];
const kUpperRow = ['KeyQ', 'Digit2', 'KeyW', 'Digit3', 'KeyE', 'KeyR', 'Digit5', 'KeyT', 'Digit6', 'KeyY',
                   'Digit7', 'KeyU', 'KeyI', 'Digit9', 'KeyO', 'Digit0', 'KeyP'];
const kBlack = [false, true, false, true, false, false, true, false, true, false, true, false];
const kNames = ['C', 'C♯', 'D', 'D♯', 'E', 'F', 'F♯', 'G', 'G♯', 'A', 'A♯', 'B'];

export function noteName(note) { return `${kNames[note % 12]}${Math.floor(note / 12) - 1}`; }

export class Keyboard {
  constructor(root, { first = 36, count = 49, play }) {
    this.play = play;
    this.first = first;
    this.base = 48; // the lower computer row's C
    this.keys = new Map(); // note -> element
    this.held = new Map(); // source ("pointer:<id>", "key:<code>") -> note
    this.sounding = new Map(); // note -> number of sources holding it
    this.build(root, first, count);
    this.listen(root);
  }

  build(root, first, count) {
    const whites = [];
    for (let n = first; n < first + count; n++) if (!kBlack[n % 12]) whites.push(n);
    const width = 100 / whites.length;
    let white = 0;
    for (let n = first; n < first + count; n++) {
      const key = document.createElement('div');
      key.className = kBlack[n % 12] ? 'key black' : 'key white';
      key.dataset.note = n;
      key.title = noteName(n);
      if (kBlack[n % 12]) {
        key.style.left = `${white * width - width * 0.3}%`;
        key.style.width = `${width * 0.6}%`;
      } else {
        key.style.left = `${white * width}%`;
        key.style.width = `${width}%`;
        if (n % 12 === 0) key.textContent = noteName(n);
        white++;
      }
      this.keys.set(n, key);
      root.append(key);
    }
  }

  listen(root) {
    const noteAt = (x, y) => {
      const el = document.elementFromPoint(x, y);
      return el && el.dataset && el.dataset.note !== undefined ? Number(el.dataset.note) : null;
    };
    root.addEventListener('pointerdown', (e) => {
      e.preventDefault();
      root.setPointerCapture(e.pointerId);
      const note = noteAt(e.clientX, e.clientY);
      if (note !== null) this.press(`pointer:${e.pointerId}`, note);
    });
    root.addEventListener('pointermove', (e) => {
      const source = `pointer:${e.pointerId}`;
      if (!this.held.has(source)) return;
      const note = noteAt(e.clientX, e.clientY);
      if (note !== null && note !== this.held.get(source)) {
        this.release(source);
        this.press(source, note);
      }
    });
    const up = (e) => this.release(`pointer:${e.pointerId}`);
    root.addEventListener('pointerup', up);
    root.addEventListener('pointercancel', up);

    window.addEventListener('keydown', (e) => {
      if (e.ctrlKey || e.metaKey || e.altKey || Keyboard.typing(e.target)) return;
      if (e.code === 'Space') {
        e.preventDefault();
        if (!e.repeat) this.play({ pedal: true });
        return;
      }
      if (e.code === 'ArrowUp' || e.code === 'ArrowDown') {
        e.preventDefault();
        this.shift(e.code === 'ArrowUp' ? 12 : -12);
        return;
      }
      const note = this.noteOfCode(e.code);
      if (note === null) return;
      e.preventDefault();
      if (!e.repeat && !this.held.has(`key:${e.code}`)) this.press(`key:${e.code}`, note);
    });
    window.addEventListener('keyup', (e) => {
      if (e.code === 'Space') this.play({ pedal: false });
      else this.release(`key:${e.code}`);
    });
    // Keys held while the page loses the focus would never come up.
    window.addEventListener('blur', () => {
      for (const source of [...this.held.keys()]) this.release(source);
    });
  }

  static typing(target) {
    return target instanceof HTMLElement && (target.tagName === 'SELECT' || target.isContentEditable ||
                                              (target.tagName === 'INPUT' && target.type !== 'range' && target.type !== 'checkbox'));
  }

  noteOfCode(code) {
    let i = kLowerRow.indexOf(code);
    if (i >= 0) return this.base + i;
    i = kUpperRow.indexOf(code);
    return i >= 0 ? this.base + 12 + i : null;
  }

  shift(semitones) {
    const base = this.base + semitones;
    if (base >= 12 && base <= 96) this.base = base;
    this.onShift?.(this.base);
  }

  press(source, note) {
    if (note < 0 || note > 127) return;
    this.held.set(source, note);
    const count = this.sounding.get(note) ?? 0;
    this.sounding.set(note, count + 1);
    if (count === 0) this.play({ on: true, note });
    this.show(note, true);
  }

  release(source) {
    if (!this.held.has(source)) return;
    const note = this.held.get(source);
    this.held.delete(source);
    const count = (this.sounding.get(note) ?? 1) - 1;
    if (count > 0) {
      this.sounding.set(note, count);
      return;
    }
    this.sounding.delete(note);
    this.play({ off: true, note });
    this.show(note, false);
  }

  // Lights a key: pressed here, or played from a MIDI device.
  show(note, down) { this.keys.get(note)?.classList.toggle('down', down); }
}
