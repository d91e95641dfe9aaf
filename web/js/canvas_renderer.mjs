// Replays a window's display list (web/host/display_list_json.h) on a canvas,
// sharp at the screen's device pixel ratio: the canvas holds width x ratio by
// height x ratio pixels and everything is drawn scaled by the ratio. Geometry
// arrives decided (boxes, paths through pixel centres, blend steps for raster
// operations), so this module only draws it. Text is drawn character by
// character at the advances the platform's width table gave, in the web font
// that matches those widths, so labels wrap and fit exactly as in the native
// pictures.

export const FONT_FAMILY = '"Liberation Sans", Arial, sans-serif';
const BLENDS = ['source-over', 'difference', 'multiply', 'screen'];
const HATCH_LINES = [
  [[0, 4.5, 8, 4.5]], [[4.5, 0, 4.5, 8]], [[0, 0, 8, 8]], [[0, 8, 8, 0]],
  [[0, 4.5, 8, 4.5], [4.5, 0, 4.5, 8]], [[0, 0, 8, 8], [0, 8, 8, 0]],
];

function hatchPattern(ctx, hatch, colour) {
  const c = document.createElement('canvas');
  c.width = 8;
  c.height = 8;
  const g = c.getContext('2d');
  g.strokeStyle = colour;
  g.lineWidth = 1;
  for (const [x1, y1, x2, y2] of HATCH_LINES[hatch] || HATCH_LINES[0]) {
    g.beginPath();
    g.moveTo(x1, y1);
    g.lineTo(x2, y2);
    g.stroke();
  }
  return ctx.createPattern(c, 'repeat');
}

function shapePath(ctx, cmd, [l, t, r, b]) {
  const w = Math.max(0, r - l), h = Math.max(0, b - t);
  ctx.beginPath();
  switch (cmd.op) {
    case 'ellipse':
      ctx.ellipse(l + w / 2, t + h / 2, w / 2, h / 2, 0, 0, 2 * Math.PI);
      break;
    case 'round': {
      const rx = Math.min(w, cmd.corner[0]) / 2, ry = Math.min(h, cmd.corner[1]) / 2;
      ctx.moveTo(l + rx, t);
      ctx.lineTo(r - rx, t);
      ctx.ellipse(r - rx, t + ry, rx, ry, 0, -Math.PI / 2, 0);
      ctx.lineTo(r, b - ry);
      ctx.ellipse(r - rx, b - ry, rx, ry, 0, 0, Math.PI / 2);
      ctx.lineTo(l + rx, b);
      ctx.ellipse(l + rx, b - ry, rx, ry, 0, Math.PI / 2, Math.PI);
      ctx.lineTo(l, t + ry);
      ctx.ellipse(l + rx, t + ry, rx, ry, 0, Math.PI, 1.5 * Math.PI);
      ctx.closePath();
      break;
    }
    case 'polygon':
    case 'polyline': {
      const p = cmd.points;
      for (let i = 0; i + 1 < p.length; i += 2) {
        if (i === 0) ctx.moveTo(p[i] + 0.5, p[i + 1] + 0.5);
        else ctx.lineTo(p[i] + 0.5, p[i + 1] + 0.5);
      }
      if (cmd.op === 'polygon') ctx.closePath();
      break;
    }
    default:
      ctx.rect(l, t, w, h);
  }
}

function clip(ctx, cmd) {
  ctx.beginPath();
  if (cmd.rects) for (const [l, t, r, b] of cmd.rects) ctx.rect(l, t, r - l, b - t);
  else {
    const [l, t, r, b] = cmd.clip;
    ctx.rect(l, t, Math.max(0, r - l), Math.max(0, b - t));
  }
  ctx.clip();
}

function figure(ctx, cmd) {
  if (cmd.fill) {
    for (const [blend, colour] of cmd.fill.steps) {
      ctx.globalCompositeOperation = BLENDS[blend] || 'source-over';
      ctx.fillStyle = cmd.fill.hatch !== undefined ? hatchPattern(ctx, cmd.fill.hatch, colour) : colour;
      shapePath(ctx, cmd, cmd.fill.box);
      ctx.fill(cmd.even === false ? 'nonzero' : 'evenodd');
    }
  }
  const s = cmd.stroke;
  if (!s) return;
  ctx.lineWidth = s.width;
  ctx.setLineDash(s.dash || []);
  ctx.lineCap = s.cap;
  ctx.lineJoin = s.cap === 'round' ? 'round' : 'miter';
  for (const [blend, colour] of s.steps) {
    ctx.globalCompositeOperation = BLENDS[blend] || 'source-over';
    ctx.strokeStyle = colour;
    if (s.path) {
      ctx.beginPath();
      for (let i = 0; i + 1 < s.path.length; i += 2) {
        if (i === 0) ctx.moveTo(s.path[i], s.path[i + 1]);
        else ctx.lineTo(s.path[i], s.path[i + 1]);
      }
    } else {
      shapePath(ctx, cmd, s.box);
    }
    ctx.stroke();
  }
}

function text(ctx, cmd) {
  const [l, t, r, b] = cmd.box;
  if (cmd.bk) {
    ctx.fillStyle = cmd.bk;
    ctx.fillRect(l, t, r - l, b - t);
  }
  ctx.font = `${cmd.italic ? 'italic ' : ''}${cmd.bold ? 'bold ' : ''}${cmd.size}px ${FONT_FAMILY}`;
  ctx.fillStyle = cmd.color;
  ctx.textBaseline = 'alphabetic';
  const chars = Array.from(cmd.s);
  chars.forEach((ch, i) => {
    if (ch !== ' ') ctx.fillText(ch, cmd.x[i] ?? l, cmd.base);
  });
  if (cmd.under || cmd.strike) {
    ctx.fillStyle = cmd.color;
    const thick = Math.max(1, Math.round(cmd.size / 16));
    if (cmd.under) ctx.fillRect(l, cmd.base + thick, r - l, thick);
    if (cmd.strike) ctx.fillRect(l, cmd.base - Math.round(cmd.size * 0.3), r - l, thick);
  }
}

function image(ctx, cmd, depth) {
  if (!cmd.pw || !cmd.ph || depth > 8) return;
  const off = document.createElement('canvas');
  off.width = cmd.pw;
  off.height = cmd.ph;
  const g = off.getContext('2d');
  g.fillStyle = cmd.base || '#000000';
  g.fillRect(0, 0, cmd.pw, cmd.ph);
  if (cmd.sub) replay(g, cmd.sub, depth + 1);
  const [sl, st, sr, sb] = cmd.src;
  const [l, t, r, b] = cmd.box;
  if (sr > sl && sb > st && r > l && b > t) ctx.drawImage(off, sl, st, sr - sl, sb - st, l, t, r - l, b - t);
}

function replay(ctx, doc, depth) {
  for (const cmd of doc.cmds) {
    ctx.save();
    clip(ctx, cmd);
    if (cmd.op === 'text') text(ctx, cmd);
    else if (cmd.op === 'image') image(ctx, cmd, depth);
    else if (cmd.op === 'focus') {
      const [l, t, r, b] = cmd.box;
      ctx.globalCompositeOperation = 'difference';
      ctx.strokeStyle = '#FFFFFF';
      ctx.lineWidth = 1;
      ctx.setLineDash([1, 1]);
      ctx.strokeRect(l + 0.5, t + 0.5, r - l - 1, b - t - 1);
    } else figure(ctx, cmd);
    ctx.restore();
  }
}

// Draws `doc` on `canvas` at `ratio` device pixels per CSS pixel.
export function paint(canvas, doc, ratio = window.devicePixelRatio || 1) {
  const w = Math.max(1, Math.round(doc.w * ratio)), h = Math.max(1, Math.round(doc.h * ratio));
  if (canvas.width !== w) canvas.width = w;
  if (canvas.height !== h) canvas.height = h;
  canvas.style.width = `${doc.w}px`;
  canvas.style.height = `${doc.h}px`;
  const ctx = canvas.getContext('2d');
  ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
  ctx.globalCompositeOperation = 'source-over';
  ctx.fillStyle = doc.bg;
  ctx.fillRect(0, 0, doc.w, doc.h);
  replay(ctx, doc, 0);
}
