// A standard MIDI file (format 0) from frame-stamped MIDI messages: the tests
// write the phrase they hand the page as a file for `se-host synth`. With
// `ticksPerQuarter` = rate / 2 and the default tempo (120 quarter notes a
// minute), one tick is one frame, so each message keeps its frame.
function variableLength(value) {
  const bytes = [value & 0x7f];
  for (let v = value >>> 7; v > 0; v >>>= 7) bytes.unshift((v & 0x7f) | 0x80);
  return bytes;
}

export function midiFile(messages, { ticksPerQuarter, tempo = 500000 }) {
  const track = [0x00, 0xff, 0x51, 0x03, (tempo >> 16) & 0xff, (tempo >> 8) & 0xff, tempo & 0xff];
  let last = 0;
  for (const { frame, midi } of messages) {
    track.push(...variableLength(frame - last), ...midi);
    last = frame;
  }
  track.push(0x00, 0xff, 0x2f, 0x00);
  const u32 = (v) => [(v >>> 24) & 0xff, (v >>> 16) & 0xff, (v >>> 8) & 0xff, v & 0xff];
  return Uint8Array.from([
    ...[0x4d, 0x54, 0x68, 0x64], ...u32(6), 0, 0, 0, 1, (ticksPerQuarter >> 8) & 0xff, ticksPerQuarter & 0xff,
    ...[0x4d, 0x54, 0x72, 0x6b], ...u32(track.length), ...track,
  ]);
}
