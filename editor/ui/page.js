(function () {
  'use strict';

  // The page's copy of every control value, kept normalised (0..1) and starting at the defaults
  // (input_gain 0 dB is 0.5, lock_freq 440 Hz is 0.5328986, and so on).
  var uiState = {
    input_gain: 0.5, mix: 0.5, output_gain: 0.6666667, stereo_width: 0.5,
    lock_freq: 0.5328986, lock_motion_enable: 0, lock_motion_rate: 0.5, lock_motion_depth: 0.5,
    lock_motion_shape: 0, carrier_mode: 0, carrier_env_amount: 0, mode_cycle_enable: 0,
    mode_cycle_div: 0, formant_position: 0.5, formant_width: 0.5, formant_morph_rate: 0,
    stoch_spread: 0.3, stoch_density: 0.5, stoch_smoothing: 0.5, swarm_count: 0.14285715,
    swarm_spread: 0.2, swarm_drift: 0.3, trig_div: 0.33333334, trig_amount: 0, char_mode: 0,
    char_amount: 0.5, comb_feedback: 0, comb_tuning: 0.538896, comb_mix: 0
  };

  var CYCLE_SLOT_BEATS = [1, 0.5, 0.25, 0.125];
  var MODES = 3;

  function clamp01(n) {
    return n < 0 ? 0 : n > 1 ? 1 : n;
  }
  function nearest(x) {
    return Math.floor(x + 0.5);
  }
  function signedDb(d) {
    // The sign comes from the unrounded value: -0.24 dB reads -0dB.
    return (d >= 0 ? '+' : '') + d.toFixed(0) + 'dB';
  }
  function percent(scale) {
    return function (n) { return nearest(scale * n) + '%'; };
  }
  function fixed2(n) {
    return n.toFixed(2);
  }
  function swarmCount(n) {
    return nearest(2 + 14 * n);
  }

  var TEXT = {
    input_gain: function (n) { return signedDb(24 * n - 12); },
    mix: percent(100),
    output_gain: function (n) { return signedDb(36 * n - 24); },
    stereo_width: percent(200),
    lock_motion_depth: percent(100),
    trig_amount: percent(100),
    carrier_env_amount: percent(100),
    formant_position: fixed2,
    formant_width: fixed2,
    formant_morph_rate: function (n) { return (10 * n * n).toFixed(1) + ' Hz'; },
    stoch_spread: fixed2,
    stoch_density: fixed2,
    stoch_smoothing: fixed2,
    swarm_count: function (n) { return String(swarmCount(n)); },
    swarm_spread: fixed2,
    swarm_drift: fixed2,
    char_amount: percent(100),
    comb_feedback: function (n) { return (0.95 * n).toFixed(2); },
    comb_tuning: function (n) {
      var f = n * n * n * n * 4980 + 20;
      return f < 1000 ? f.toFixed(0) + ' Hz' : (f / 1000).toFixed(1) + ' kHz';
    },
    comb_mix: percent(100)
  };

  // LOCK POINT: the page's frequency for n is n^4 * 4960 + 40 Hz, so a frequency sits at
  // ((f - 40) / 4960)^(1/4) of the bar; each scale label is centred there.
  function lockPosition(hz) {
    return Math.pow((hz - 40) / 4960, 0.25);
  }

  // Where a bar's thumb sits for a value: swarm_count snaps to its whole counts.
  function barPosition(id, n) {
    return id === 'swarm_count' ? (swarmCount(n) - 2) / 14 : n;
  }

  function $(selector, root) {
    return (root || document).querySelector(selector);
  }
  function $all(selector, root) {
    return Array.prototype.slice.call((root || document).querySelectorAll(selector));
  }

  // views[id](n, fromPlugin) shows a value on every element that displays that parameter.
  var views = {};
  function addView(id, view) {
    var previous = views[id];
    views[id] = previous ? function (n, fromPlugin) { previous(n, fromPlugin); view(n, fromPlugin); } : view;
  }
  function show(id, n, fromPlugin) {
    uiState[id] = n;
    if (views[id]) views[id](n, fromPlugin);
  }

  function valueText(id, n) {
    var element = $('[data-value-of="' + id + '"]');
    if (element) element.textContent = TEXT[id](n);
  }

  $all('.dial').forEach(function (dial) {
    var id = dial.dataset.param;
    var pointer = $('.knob i', dial);
    var text = $('.value', dial);
    addView(id, function (n) {
      pointer.style.transform = 'rotate(' + (-135 + 270 * clamp01(n)) + 'deg)';
      text.textContent = TEXT[id](n);
    });
  });

  $all('.bar').forEach(function (bar) {
    var id = bar.dataset.param;
    var thumb = $('.thumb', bar);
    var fill = $('.fill', bar);
    addView(id, function (n) {
      var position = clamp01(barPosition(id, n)) * 100 + '%';
      thumb.style.left = position;
      if (fill) fill.style.width = position;
      if (TEXT[id]) valueText(id, n);
    });
  });

  $all('.scale [data-hz]').forEach(function (label) {
    label.style.left = lockPosition(Number(label.dataset.hz)) * 100 + '%';
  });

  $all('.toggle[data-param]').forEach(function (toggle) {
    addView(toggle.dataset.param, function (n) {
      var on = n > 0.5;
      toggle.textContent = on ? 'ON' : 'OFF';
      toggle.classList.toggle('on', on);
    });
  });
  addView('lock_motion_enable', function (n) {
    $('#freq-row').classList.toggle('off', !(n > 0.5));
  });

  var menus = $all('.menu').map(function (menu) {
    var id = menu.dataset.param;
    var options = menu.dataset.options.split('|');
    var incoming = menu.dataset.incoming ? menu.dataset.incoming.split('|') : options;
    var last = options.length - 1;
    var shown = document.createElement('button');
    shown.type = 'button';
    shown.className = 'menu-value';
    var list = document.createElement('div');
    list.className = 'menu-list';
    list.hidden = true;
    options.forEach(function (option, index) {
      var item = document.createElement('button');
      item.type = 'button';
      item.className = 'menu-option';
      item.textContent = option;
      item.dataset.index = String(index);
      list.appendChild(item);
    });
    menu.appendChild(shown);
    menu.appendChild(list);
    addView(id, function (n, fromPlugin) {
      var index = Math.min(last, Math.max(0, nearest(last * n)));
      shown.textContent = (fromPlugin ? incoming : options)[index];
    });
    return { id: id, element: menu, shown: shown, list: list, last: last };
  });

  var modeButtons = $all('.mode');
  var groups = $all('.group');
  function showMode(mode) {
    modeButtons.forEach(function (button, index) { button.classList.toggle('active', index === mode); });
    groups.forEach(function (group, index) { group.hidden = index !== mode; });
  }
  function modeOf(n) {
    return Math.min(2, Math.max(0, nearest(2 * n)));
  }
  addView('carrier_mode', function (n) {
    showMode(modeOf(n));
  });

  var characters = $all('.character');
  addView('char_mode', function (n) {
    var chosen = nearest(3 * n);
    characters.forEach(function (box, index) {
      box.classList.toggle('active', index === chosen);
      $('.status', box).textContent = index === chosen ? 'on' : 'off';
    });
  });

  // There is no AMP on/off parameter: the row is on while the trigger amount is above 0.01.
  var ampOn = false;
  addView('trig_amount', function (n) {
    ampOn = n > 0.01;
    var toggle = $('#amp-toggle');
    toggle.textContent = ampOn ? 'ON' : 'OFF';
    toggle.classList.toggle('on', ampOn);
    $('#amp-row').classList.toggle('off', !ampOn);
  });

  // Mode cycle display: counts tempo-synced slots from the moment CYCLE was switched on and
  // highlights the mode each slot stands for. It sends nothing.
  var tempo = 120;
  var cycle = { on: false, start: 0, shown: 0 };
  addView('mode_cycle_enable', function (n) {
    var on = n > 0.5;
    if (on && !cycle.on) {
      cycle = { on: true, start: performance.now(), shown: 0 };
    } else if (!on && cycle.on) {
      cycle.on = false;
      // Not cycling, the plug-in plays the mode of its carrier_mode value again.
      showMode(modeOf(uiState.carrier_mode));
    }
  });
  function cycleTick() {
    if (cycle.on) {
      var division = Math.min(3, Math.max(0, nearest(3 * uiState.mode_cycle_div)));
      var slot = (60000 / tempo) * CYCLE_SLOT_BEATS[division];
      var mode = Math.floor((performance.now() - cycle.start) / slot) % MODES;
      if (mode !== cycle.shown) {
        cycle.shown = mode;
        showMode(mode);
      }
    }
    requestAnimationFrame(cycleTick);
  }

  Object.keys(uiState).forEach(function (id) { show(id, uiState[id], false); });

  // Editing.

  function discreteEdit(id, n) {
    window.beginEdit(id);
    window.setParam(id, n);
    window.endEdit(id);
    show(id, n, false);
  }

  // Calls onMove with each pointer event until the button is released, then onEnd.
  function track(onMove, onEnd) {
    function move(event) { onMove(event); }
    function end() {
      window.removeEventListener('pointermove', move);
      window.removeEventListener('pointerup', end);
      window.removeEventListener('pointercancel', end);
      onEnd();
    }
    window.addEventListener('pointermove', move);
    window.addEventListener('pointerup', end);
    window.addEventListener('pointercancel', end);
  }

  function wireDial(dial) {
    var id = dial.dataset.param;
    dial.addEventListener('pointerdown', function (event) {
      event.preventDefault();
      var startY = event.clientY;
      var startValue = uiState[id];  // may be 0: the drag goes on from there
      window.beginEdit(id);
      track(function (move) {
        var n = clamp01(startValue + (startY - move.clientY) / 150);
        window.setParam(id, n);
        show(id, n, false);
      }, function () { window.endEdit(id); });
    });
  }

  function wireBar(bar) {
    var id = bar.dataset.param;
    bar.addEventListener('pointerdown', function (event) {
      // The bar's place as pressed serves the whole drag: the cycle display may hide its group
      // meanwhile, and a bar that is not laid out has no width to measure against.
      var box = bar.getBoundingClientRect();
      if (!(box.width > 0)) return;
      event.preventDefault();
      function setFrom(move) {
        var n = clamp01((move.clientX - box.left) / box.width);
        window.setParam(id, n);
        show(id, n, false);
      }
      window.beginEdit(id);
      setFrom(event);
      track(setFrom, function () { window.endEdit(id); });
    });
  }

  function closeMenus(except) {
    menus.forEach(function (menu) { if (menu !== except) menu.list.hidden = true; });
  }

  function wireMenu(menu) {
    menu.shown.addEventListener('click', function () {
      closeMenus(menu);
      menu.list.hidden = !menu.list.hidden;
    });
    menu.list.addEventListener('click', function (event) {
      var option = event.target.closest('.menu-option');
      if (!option) return;
      discreteEdit(menu.id, Number(option.dataset.index) / menu.last);
      menu.list.hidden = true;
    });
  }

  function wireControls() {
    $all('.dial').forEach(wireDial);
    $all('.bar').forEach(wireBar);
    menus.forEach(wireMenu);
    $all('.toggle[data-param]').forEach(function (toggle) {
      toggle.addEventListener('click', function () {
        var id = toggle.dataset.param;
        discreteEdit(id, uiState[id] > 0.5 ? 0.0 : 1.0);
      });
    });
    $('#amp-toggle').addEventListener('click', function () {
      var current = uiState.trig_amount;
      discreteEdit('trig_amount', ampOn ? 0 : current > 0.01 ? current : 0.5);
    });
    modeButtons.forEach(function (button) {
      button.addEventListener('click', function () {
        discreteEdit('carrier_mode', Number(button.dataset.mode) / 2);
      });
    });
    characters.forEach(function (box) {
      box.addEventListener('click', function () {
        discreteEdit('char_mode', Number(box.dataset.index) / 3);
      });
    });
    document.addEventListener('click', function (event) {
      if (!event.target.closest('.menu')) closeMenus(null);
      if (!event.target.closest('#preset-box')) presetMenu.hidden = true;
    });
  }

  // Values from the plug-in.

  function incoming(name, value) {
    if (!Object.prototype.hasOwnProperty.call(uiState, name)) return;
    var n = Number(value);
    if (!isFinite(n)) return;
    show(name, n, true);
  }
  window.addEventListener('paramchange', function (event) {
    incoming(event.detail.name, event.detail.value);
  });
  window.addEventListener('paramsloaded', function (event) {
    if (!Array.isArray(event.detail)) return;
    event.detail.forEach(function (p) { if (p) incoming(p.name, p.value); });
  });

  // Tempo.

  var tempoText = $('#tempo');
  window.addEventListener('transport', function (event) {
    var bpm = Number(event.detail.bpm);
    if (!isFinite(bpm)) return;
    tempoText.textContent = bpm.toFixed(1) + ' BPM';
    if (bpm > 0) tempo = bpm;
  });

  var tempoTimer = null;
  function startTempoTimer() {
    if (tempoTimer === null) tempoTimer = setInterval(window.requestTransport, 500);
  }
  document.addEventListener('visibilitychange', function () {
    if (document.hidden) {
      clearInterval(tempoTimer);
      tempoTimer = null;
    } else {
      startTempoTimer();
    }
  });
  if (!document.hidden) startTempoTimer();

  // Presets. Names come from files on disk: they only ever reach the page as text.

  var presetList = [];
  var currentPresetName = 'Init';
  var presetGroupsCollapsed = { factory: false, user: false };
  var presetName = $('#preset-name');
  var presetMenu = $('#preset-menu');
  var presetGroups = $('#preset-groups');

  // The group ('factory' or 'user') the current preset came from, or null when the page cannot
  // know: the plug-in's answer to a load carries only the name, so the group is the one of the
  // page's own last load request for that name; a save always makes a user preset; a name that
  // arrives on its own (the editor opening) has no group.
  var currentGroup = null;
  var lastLoad = null;

  function setCurrentName(name, group) {
    currentPresetName = name ? String(name) : 'Init';
    currentGroup = group || null;
    presetName.textContent = currentPresetName;
    presetName.title = currentPresetName;
  }

  // The group whose row of the current name is marked: the known one, else the only group that
  // holds the name (none when both do, rather than a guess).
  function markedGroup() {
    if (currentGroup) return currentGroup;
    var holding = presetList.filter(function (p) { return p.name === currentPresetName; });
    var factory = holding.some(function (p) { return p.is_factory === true; });
    var user = holding.some(function (p) { return p.is_factory !== true; });
    return factory && user ? null : factory ? 'factory' : user ? 'user' : null;
  }

  // Shown beside the name until the next preset action or for a few seconds.
  var ERROR_SHOWN_MS = 6000;
  var presetError = $('#preset-error');
  var presetErrorText = $('span', presetError);
  var errorTimer = null;
  function showPresetError(message) {
    presetErrorText.textContent = message;
    presetError.title = message;
    presetError.hidden = false;
    clearTimeout(errorTimer);
    errorTimer = setTimeout(clearPresetError, ERROR_SHOWN_MS);
  }
  function clearPresetError() {
    clearTimeout(errorTimer);
    presetError.hidden = true;
  }

  // A failed action may mean that the list is out of date (a file removed outside the plug-in),
  // so its error asks for the list again: once per action of the page's, never in a loop. The
  // action's answer settles it either way, so a later error of another kind asks nothing.
  var listAfterError = false;
  function startPresetAction() {
    clearPresetError();
    listAfterError = true;
  }

  function element(tag, className, text) {
    var node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function presetGroup(key, title, presets, emptyText, marked) {
    var group = element('div', 'preset-group');
    group.dataset.group = key;
    group.classList.toggle('collapsed', presetGroupsCollapsed[key]);
    var header = element('div', 'preset-group-header');
    header.appendChild(element('span', 'group-title', title));
    header.appendChild(element('span', 'arrow', '\u25BC'));
    header.addEventListener('click', function () {
      presetGroupsCollapsed[key] = !presetGroupsCollapsed[key];
      group.classList.toggle('collapsed', presetGroupsCollapsed[key]);
    });
    var items = element('div', 'preset-items');
    if (presets.length === 0) items.appendChild(element('div', 'preset-empty', emptyText));
    presets.forEach(function (preset) {
      var item = element('div', 'preset-item');
      item.classList.toggle('active', key === marked && preset.name === currentPresetName);
      var label = element('span', 'preset-label', preset.name);
      label.title = preset.name;
      item.appendChild(label);
      if (!preset.is_factory) {
        var remove = element('button', 'preset-delete', '\u00D7');
        remove.type = 'button';
        remove.title = 'Delete';
        remove.addEventListener('click', function (event) {
          event.stopPropagation();
          startPresetAction();
          window.deletePreset(preset.name);
        });
        item.appendChild(remove);
      }
      item.addEventListener('click', function () {
        startPresetAction();
        lastLoad = { name: preset.name, group: key };
        window.loadPreset(preset.name, preset.is_factory === true);
        presetMenu.hidden = true;
      });
      items.appendChild(item);
    });
    group.appendChild(header);
    group.appendChild(items);
    return group;
  }

  function renderPresets() {
    var factory = presetList.filter(function (p) { return p.is_factory === true; });
    var user = presetList.filter(function (p) { return p.is_factory !== true; });
    var marked = markedGroup();
    presetGroups.textContent = '';
    if (factory.length) presetGroups.appendChild(presetGroup('factory', 'FACTORY', factory, '', marked));
    var userTitle = 'USER ' + (user.length ? '(' + user.length + ')' : '');
    presetGroups.appendChild(presetGroup('user', userTitle, user, 'No user presets yet', marked));
  }

  window.addEventListener('presetsloaded', function (event) {
    var list = Array.isArray(event.detail) ? event.detail : [];
    presetList = list.filter(function (p) { return p && typeof p.name === 'string'; });
    renderPresets();
  });
  window.addEventListener('presetloaded', function (event) {
    listAfterError = false;
    var name = event.detail.name;
    setCurrentName(name, lastLoad && lastLoad.name === name ? lastLoad.group : null);
    renderPresets();
  });
  window.addEventListener('presetsaved', function (event) {
    listAfterError = false;
    setCurrentName(event.detail.name, 'user');
  });
  window.addEventListener('presetdeleted', function (event) {
    listAfterError = false;
    // Only user presets are deleted: a factory preset of the same name stays current.
    if (event.detail.name === currentPresetName && currentGroup !== 'factory') {
      setCurrentName('Init');
      window.requestPresets();
    }
    renderPresets();
  });
  window.addEventListener('preseterror', function (event) {
    var message = String(event.detail.message);
    console.error('Preset error: ' + message);
    showPresetError(message);
    if (listAfterError) {
      listAfterError = false;
      window.requestPresets();
    }
  });

  // Save dialog.

  var dialog = $('#save-dialog');
  var saveName = $('#save-name');
  var dialogStops = [saveName, $('#save-cancel'), $('#save-confirm')];
  var panel = $('#panel');
  var flashTimer = null;

  // While the dialog is open the page behind it takes no keys and no clicks.
  function openSaveDialog() {
    presetMenu.hidden = true;
    dialog.hidden = false;
    panel.inert = true;
    saveName.value = currentPresetName === 'Init' ? '' : currentPresetName;
    saveName.focus();
    saveName.select();
  }
  function closeSaveDialog() {
    dialog.hidden = true;
    panel.inert = false;
    presetName.focus();
  }
  // Tab and Shift+Tab go round the field and the buttons, wherever focus was (Safari's Tab
  // skips buttons, and from the last one it would leave the page).
  function cycleDialogFocus(backwards) {
    var at = dialogStops.indexOf(document.activeElement);
    var next = at < 0 ? (backwards ? dialogStops.length - 1 : 0)
      : (at + (backwards ? dialogStops.length - 1 : 1)) % dialogStops.length;
    dialogStops[next].focus();
  }
  function save() {
    var name = saveName.value.trim();
    if (!name) {
      saveName.style.outline = '2px solid #a04040';
      clearTimeout(flashTimer);
      flashTimer = setTimeout(function () { saveName.style.outline = ''; }, 800);
      return;
    }
    startPresetAction();
    window.savePreset(name);
    closeSaveDialog();
  }

  function wirePresets() {
    presetName.addEventListener('click', function () {
      presetMenu.hidden = !presetMenu.hidden;
    });
    $('#save-as').addEventListener('click', openSaveDialog);
    $('#save-cancel').addEventListener('click', closeSaveDialog);
    $('#save-form').addEventListener('submit', function (event) {
      event.preventDefault();
      save();
    });
    document.addEventListener('keydown', function (event) {
      if (dialog.hidden) return;
      if (event.key === 'Escape') {
        closeSaveDialog();
      } else if (event.key === 'Tab') {
        event.preventDefault();
        cycleDialogFocus(event.shiftKey);
      }
    });
  }

  renderPresets();

  window.addEventListener('load', function () {
    wireControls();
    wirePresets();
    requestAnimationFrame(cycleTick);
    window.requestPresets();
  });
})();
