// The control panel, built from the engine's control table (pageData.controls):
// one section per group, one row per control with its name, its input (a
// slider, a switch or a list of items) and its value with its unit. The
// table's comment is the row's tooltip; a double click sets the default.

const kSteps = 1000; // slider positions of a continuous control

// Slider position <-> value.
function toValue(c, position) {
  const t = position / kSteps;
  if (c.kind === 'logarithmic') return c.min * Math.pow(c.max / c.min, t);
  const v = c.min + (c.max - c.min) * t;
  return c.kind === 'integer' ? Math.round(v) : v;
}
function toPosition(c, value) {
  const t = c.kind === 'logarithmic' ? Math.log(value / c.min) / Math.log(c.max / c.min)
                                     : (value - c.min) / (c.max - c.min);
  return Math.round(Math.min(1, Math.max(0, t)) * kSteps);
}

// A value as a player reads it.
export function formatValue(c, value) {
  if (c.kind === 'choice') {
    const item = c.choices.find((i) => i.shown === value);
    return item ? item.text : String(value);
  }
  if (c.kind === 'toggle') return value >= 0.5 ? 'on' : 'off';
  const magnitude = Math.abs(value);
  let text;
  if (c.kind === 'integer') text = String(Math.round(value));
  else if (c.unit === 'Hz' && magnitude >= 1000) return `${(value / 1000).toFixed(magnitude >= 10000 ? 1 : 2)} kHz`;
  else if (c.unit === 'ms' && magnitude >= 1000) return `${(value / 1000).toFixed(2)} s`;
  else text = value.toFixed(magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : 2);
  return c.unit ? `${text} ${c.unit}` : text;
}

export class Panel {
  // `onChange(index, value)` hears every change a player makes.
  constructor(root, controls, onChange) {
    this.controls = controls;
    this.onChange = onChange;
    this.rows = [];
    const groups = new Map();
    for (const c of controls) {
      if (!groups.has(c.group)) groups.set(c.group, []);
      groups.get(c.group).push(c);
    }
    for (const [name, list] of groups) {
      const section = document.createElement('fieldset');
      section.className = 'group';
      const legend = document.createElement('legend');
      legend.textContent = name;
      section.append(legend);
      for (const c of list) section.append(this.row(c));
      root.append(section);
    }
  }

  row(c) {
    const row = document.createElement('div');
    row.className = `control ${c.kind}`;
    row.title = `${c.comment}\nRange ${formatValue(c, c.min)} to ${formatValue(c, c.max)}, default ${formatValue(c, c.default)}. Double click: default.`;
    const id = `control-${c.symbol}`;
    const label = document.createElement('label');
    label.htmlFor = id;
    label.textContent = c.name;
    const output = document.createElement('output');
    output.htmlFor = id;
    let input;
    if (c.kind === 'choice') {
      input = document.createElement('select');
      for (const item of c.choices) input.append(new Option(item.text, String(item.shown)));
      input.addEventListener('change', () => this.changed(c, Number(input.value)));
    } else if (c.kind === 'toggle') {
      input = document.createElement('input');
      input.type = 'checkbox';
      input.addEventListener('change', () => this.changed(c, input.checked ? 1 : 0));
    } else {
      input = document.createElement('input');
      input.type = 'range';
      input.min = 0;
      input.max = kSteps;
      input.addEventListener('input', () => this.changed(c, toValue(c, Number(input.value))));
    }
    input.id = id;
    input.dataset.symbol = c.symbol;
    row.addEventListener('dblclick', () => {
      this.set(c.index, c.default);
      this.onChange(c.index, c.default);
    });
    row.append(label, input, output);
    this.rows[c.index] = { input, output, control: c };
    this.set(c.index, c.default);
    return row;
  }

  changed(c, value) {
    this.rows[c.index].output.value = formatValue(c, value);
    this.onChange(c.index, value);
  }

  // Shows `value` without telling anyone.
  set(index, value) {
    const { input, output, control: c } = this.rows[index];
    if (c.kind === 'choice') input.value = String(value);
    else if (c.kind === 'toggle') input.checked = value >= 0.5;
    else input.value = toPosition(c, value);
    output.value = formatValue(c, value);
  }

  setAll(values) { values.forEach((v, i) => this.set(i, v)); }
}
