(function () {
  'use strict';

  // Decorations only: nothing here reads or changes a parameter.

  var INK = '#1a1816';
  var PAPER = '#e8dcc8';
  var PANEL = '#e2d6c2';
  var SMUDGE = '#c4b8a4';
  var SMUDGE_LIGHT = '#d8ccb8';
  var DUST = '#b8a890';

  // A small seeded generator, so every opening draws the same engraving.
  function random(seed) {
    var state = seed >>> 0;
    return function () {
      state = (state + 0x6d2b79f5) >>> 0;
      var t = state;
      t = Math.imul(t ^ (t >>> 15), t | 1);
      t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
      return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
  }

  // Header clouds, computed once: each cloud is a cluster of puffs shaded by horizontal hatching
  // that thickens towards the cloud's underside, in the manner of an engraving.
  var clouds = (function () {
    var next = random(1879);
    var list = [];
    var centres = [[290, 44], [410, 26], [520, 50], [630, 30]];
    centres.forEach(function (centre, c) {
      var puffs = [];
      var count = 4 + Math.floor(next() * 3);
      for (var i = 0; i < count; i++) {
        puffs.push({
          x: centre[0] + (i - count / 2) * (16 + next() * 8),
          y: centre[1] - Math.sin((i / (count - 1)) * Math.PI) * (8 + next() * 8),
          r: 11 + next() * 10 - (c === 3 ? 3 : 0)
        });
      }
      var hatches = [];
      puffs.forEach(function (puff) {
        for (var dy = -puff.r + 2; dy < puff.r; dy += 2.5) {
          var half = Math.sqrt(puff.r * puff.r - dy * dy);
          var shade = (dy + puff.r) / (2 * puff.r);  // 0 at the top, 1 underneath
          if (next() > shade * 0.9 + 0.15) continue;
          var start = puff.x - half + next() * half * 0.6;
          hatches.push([start, puff.y + dy, puff.x + half * (0.3 + shade * 0.7), shade]);
        }
      });
      list.push({ puffs: puffs, hatches: hatches });
    });
    return list;
  })();

  function drawHeader(ctx, width, height) {
    ctx.fillStyle = PAPER;
    ctx.fillRect(0, 0, width, height);
    ctx.lineCap = 'round';
    clouds.forEach(function (cloud) {
      cloud.puffs.forEach(function (puff) {
        ctx.beginPath();
        ctx.arc(puff.x, puff.y, puff.r, Math.PI * 0.9, Math.PI * 2.1);
        ctx.strokeStyle = DUST;
        ctx.lineWidth = 1.2;
        ctx.stroke();
      });
      cloud.hatches.forEach(function (h) {
        ctx.beginPath();
        ctx.moveTo(h[0], h[1]);
        ctx.lineTo(h[2], h[1]);
        ctx.strokeStyle = h[3] > 0.6 ? SMUDGE : SMUDGE_LIGHT;
        ctx.lineWidth = 0.6 + h[3] * 0.8;
        ctx.stroke();
      });
    });
  }

  // LOCK POINT bar: five bands of checkerboard, cells of 6 down to 2 pixels, with a sweep that
  // inverts cells as it passes and the odd row knocked sideways.
  var glitch = { row: -1, shift: 0, until: 0 };
  var glitchRandom = random(42);
  function drawLock(ctx, width, height, t) {
    ctx.fillStyle = PAPER;
    ctx.fillRect(0, 0, width, height);
    var sweep = ((t / 2400) % 1) * width * 1.4 - width * 0.2;
    if (t > glitch.until && glitchRandom() < 0.02) {
      glitch = { row: Math.floor(glitchRandom() * height), shift: 4 + glitchRandom() * 14, until: t + 120 };
    }
    var sizes = [6, 5, 4, 3, 2];
    var band = width / sizes.length;
    ctx.fillStyle = SMUDGE;
    sizes.forEach(function (size, b) {
      var x0 = b * band;
      for (var y = 0; y < height; y += size) {
        var shift = t < glitch.until && Math.abs(y - glitch.row) < size * 2 ? glitch.shift : 0;
        for (var x = x0; x < x0 + band; x += size) {
          var on = (Math.floor((x - x0) / size) + Math.floor(y / size)) % 2 === 0;
          var near = Math.abs(x - sweep) < 30;
          if (on !== near) ctx.fillRect(x + shift, y, size, size);
        }
      }
    });
  }

  // CLEAN: a blob whose outline breathes through three slow harmonics.
  function drawClean(ctx, w, h, t) {
    ctx.fillStyle = PANEL;
    ctx.fillRect(0, 0, w, h);
    var cx = w / 2;
    var cy = h / 2 - 8;
    var base = Math.min(w, h) * 0.28;
    ctx.beginPath();
    for (var i = 0; i <= 96; i++) {
      var a = (i / 96) * Math.PI * 2;
      var r = base * (1 + 0.12 * Math.sin(3 * a + t / 900) + 0.08 * Math.sin(5 * a - t / 1300) +
                      0.05 * Math.sin(2 * a + t / 700));
      var x = cx + Math.cos(a) * r;
      var y = cy + Math.sin(a) * r;
      if (i === 0) ctx.moveTo(x, y); else ctx.lineTo(x, y);
    }
    ctx.fillStyle = SMUDGE_LIGHT;
    ctx.fill();
    ctx.strokeStyle = INK;
    ctx.lineWidth = 2;
    ctx.stroke();
  }

  // GRIT: short strokes that follow a drifting flow field.
  function drawGrit(ctx, w, h, t) {
    ctx.fillStyle = PANEL;
    ctx.fillRect(0, 0, w, h);
    ctx.strokeStyle = INK;
    ctx.lineWidth = 1;
    for (var y = 6; y < h; y += 9) {
      for (var x = 6; x < w; x += 9) {
        var a = Math.sin(x * 0.05 + t / 1100) * 1.6 + Math.cos(y * 0.06 - t / 1500) * 1.6;
        var len = 3 + 3 * Math.abs(Math.sin(x * 0.13 + y * 0.07 + t / 600));
        ctx.beginPath();
        ctx.moveTo(x, y);
        ctx.lineTo(x + Math.cos(a) * len, y + Math.sin(a) * len);
        ctx.stroke();
      }
    }
  }

  // WARM: tiles of quarter circles that turn one after another.
  function drawWarm(ctx, w, h, t) {
    ctx.fillStyle = PANEL;
    ctx.fillRect(0, 0, w, h);
    var size = 22;
    ctx.strokeStyle = INK;
    ctx.lineWidth = 2;
    for (var row = 0; row * size < h; row++) {
      for (var col = 0; col * size < w; col++) {
        var turn = Math.floor(t / 700 + (row * 7 + col * 3) * 0.37) % 4;
        var x = col * size;
        var y = row * size;
        var corners = [[x, y], [x + size, y], [x + size, y + size], [x, y + size]];
        var c = corners[turn];
        var start = (turn * Math.PI) / 2;
        ctx.fillStyle = (row + col) % 2 ? SMUDGE_LIGHT : SMUDGE;
        ctx.beginPath();
        ctx.moveTo(c[0], c[1]);
        ctx.arc(c[0], c[1], size * 0.8, start, start + Math.PI / 2);
        ctx.closePath();
        ctx.fill();
        ctx.stroke();
      }
    }
  }

  // FOLD: the image at half opacity under rectangles split and split again.
  var foldImage = new Image();
  foldImage.src = '@asset:fold.webp';
  function subdivide(ctx, x, y, w, h, depth, t) {
    ctx.strokeRect(x, y, w, h);
    if (depth === 0 || w < 8 || h < 8) return;
    var phase = Math.sin(t / 1600 + depth * 1.3 + x * 0.01 + y * 0.02) * 0.25 + 0.5;
    if (depth % 2 === 0) {
      subdivide(ctx, x, y, w * phase, h, depth - 1, t);
      subdivide(ctx, x + w * phase, y, w * (1 - phase), h, depth - 1, t);
    } else {
      subdivide(ctx, x, y, w, h * phase, depth - 1, t);
      subdivide(ctx, x, y + h * phase, w, h * (1 - phase), depth - 1, t);
    }
  }
  function drawFold(ctx, w, h, t) {
    ctx.fillStyle = PANEL;
    ctx.fillRect(0, 0, w, h);
    if (foldImage.complete && foldImage.naturalWidth) {
      ctx.globalAlpha = 0.5;
      ctx.drawImage(foldImage, 0, 0, w, h);
      ctx.globalAlpha = 1;
    }
    ctx.strokeStyle = INK;
    ctx.lineWidth = 1.5;
    subdivide(ctx, 4, 4, w - 8, h - 8, 5, t);
  }

  var ART = { clean: drawClean, grit: drawGrit, warm: drawWarm, fold: drawFold };
  var animated = [];
  var running = false;

  // Sizes every canvas to its element at the screen's pixel density.
  function prepare(canvas) {
    var ratio = window.devicePixelRatio || 1;
    var box = canvas.getBoundingClientRect();
    canvas.width = Math.max(1, Math.round(box.width * ratio));
    canvas.height = Math.max(1, Math.round(box.height * ratio));
    var ctx = canvas.getContext('2d');
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    return { ctx: ctx, width: box.width, height: box.height };
  }

  function setUp() {
    var header = prepare(document.getElementById('header-art'));
    drawHeader(header.ctx, header.width, header.height);
    animated = [];
    var lock = document.getElementById('lock-art');
    animated.push(Object.assign(prepare(lock), { draw: drawLock }));
    Array.prototype.forEach.call(document.querySelectorAll('canvas[data-art]'), function (canvas) {
      animated.push(Object.assign(prepare(canvas), { draw: ART[canvas.dataset.art] }));
    });
    if (!running) {
      running = true;
      requestAnimationFrame(frame);
    }
  }

  function frame(t) {
    animated.forEach(function (art) { art.draw(art.ctx, art.width, art.height, t); });
    requestAnimationFrame(frame);
  }

  window.addEventListener('load', setUp);
  window.addEventListener('resize', setUp);
})();
