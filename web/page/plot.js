// What the three displays share: a canvas sized for the screen's pixels, a
// logarithmic frequency axis with its grid, and the theme's colours.
export const kMinHz = 20;
export const kMaxHz = 20000;

export const colours = {
  background: '#14161a',
  grid: '#2b3038',
  label: '#7d8794',
  trace: '#f2b84b',
  second: '#5cc8ff',
};

// The canvas's drawing size follows its shown size and the pixel ratio.
export function prepare(canvas) {
  const ratio = window.devicePixelRatio || 1;
  const width = Math.max(1, Math.round(canvas.clientWidth * ratio));
  const height = Math.max(1, Math.round(canvas.clientHeight * ratio));
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
  }
  const g = canvas.getContext('2d');
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
  g.fillStyle = colours.background;
  g.fillRect(0, 0, canvas.clientWidth, canvas.clientHeight);
  return { g, width: canvas.clientWidth, height: canvas.clientHeight };
}

export function xOfHz(hz, width) {
  return (Math.log(hz / kMinHz) / Math.log(kMaxHz / kMinHz)) * width;
}

// Vertical lines at 100 Hz, 1 kHz, 10 kHz (labelled) and the decades' steps,
// horizontal lines every `dbStep` dB between `top` and `bottom` dB.
export function frequencyGrid(g, width, height, top, bottom, dbStep) {
  g.strokeStyle = colours.grid;
  g.fillStyle = colours.label;
  g.lineWidth = 1;
  g.font = '10px sans-serif';
  for (let decade = 10; decade <= 10000; decade *= 10) {
    for (let m = 1; m < 10; m++) {
      const hz = decade * m;
      if (hz < kMinHz || hz > kMaxHz) continue;
      const x = Math.round(xOfHz(hz, width)) + 0.5;
      g.globalAlpha = m === 1 ? 1 : 0.45;
      g.beginPath();
      g.moveTo(x, 0);
      g.lineTo(x, height);
      g.stroke();
      if (m === 1 && decade >= 100) g.fillText(decade >= 1000 ? `${decade / 1000}k` : `${decade}`, x + 2, height - 3);
    }
  }
  g.globalAlpha = 1;
  for (let db = top; db >= bottom; db -= dbStep) {
    const y = Math.round(((top - db) / (top - bottom)) * height) + 0.5;
    g.beginPath();
    g.moveTo(0, y);
    g.lineTo(width, y);
    g.stroke();
    g.fillText(`${db} dB`, 2, y - 2);
  }
}
