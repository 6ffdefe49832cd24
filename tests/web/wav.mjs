// The samples of a WAV file of 32-bit floats (what `se-host synth -f float`
// writes), channel by channel, exactly as stored.
export function readFloatWav(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const tag = (at) => String.fromCharCode(...bytes.subarray(at, at + 4));
  if (tag(0) !== 'RIFF' && tag(0) !== 'RF64') throw new Error('not a WAV file');
  let channels = 0, format = 0, bits = 0, rate = 0;
  for (let at = 12; at + 8 <= bytes.length;) {
    const id = tag(at);
    let size = view.getUint32(at + 4, true);
    if (id === 'fmt ') {
      format = view.getUint16(at + 8, true);
      channels = view.getUint16(at + 10, true);
      rate = view.getUint32(at + 12, true);
      bits = view.getUint16(at + 22, true);
      if (format === 0xfffe) format = view.getUint16(at + 32, true);
    } else if (id === 'data') {
      if (format !== 3 || bits !== 32) throw new Error(`not float samples (format ${format}, ${bits} bits)`);
      if (size === 0xffffffff || at + 8 + size > bytes.length) size = bytes.length - at - 8;
      const frames = Math.floor(size / (4 * channels));
      const out = Array.from({ length: channels }, () => new Float32Array(frames));
      for (let i = 0; i < frames; i++)
        for (let c = 0; c < channels; c++) out[c][i] = view.getFloat32(at + 8 + 4 * (i * channels + c), true);
      return { rate, channels: out };
    }
    at += 8 + size + (size & 1);
  }
  throw new Error('no data chunk');
}
