// MIDI devices through Web MIDI, where the browser offers it: every channel
// message of every input goes to the synth as it comes (system messages,
// clock and sysex are left out); devices plugged in later join.
export class MidiInput {
  constructor({ onMessage, onStatus }) {
    this.onMessage = onMessage;
    this.onStatus = onStatus;
    this.access = null;
  }

  async start() {
    if (!navigator.requestMIDIAccess) {
      this.onStatus('MIDI devices: this browser offers no Web MIDI');
      return;
    }
    try {
      this.access = await navigator.requestMIDIAccess({ sysex: false });
    } catch (error) {
      this.onStatus('MIDI devices: the browser did not allow Web MIDI');
      return;
    }
    this.access.onstatechange = () => this.connect();
    this.connect();
  }

  connect() {
    const names = [];
    for (const input of this.access.inputs.values()) {
      input.onmidimessage = (e) => {
        const d = e.data;
        if (d.length >= 2 && d[0] >= 0x80 && d[0] < 0xf0) this.onMessage(Array.from(d.subarray(0, 3)));
      };
      names.push(input.name);
    }
    this.onStatus(names.length ? `MIDI devices: ${names.join(', ')}` : 'MIDI devices: none connected');
  }
}
