(function () {
  'use strict';

  // Messages wait here until the plug-in says the bridge is ready.
  var messageQueue = [];
  var ipcReady = false;
  var pollInterval = null;

  window.pluginParams = {};
  window.transport = { bpm: 120, playing: false };
  window.presets = [];
  window.currentPreset = null;

  function emit(type, detail) {
    window.dispatchEvent(new CustomEvent(type, { detail: detail }));
  }

  function sendToPlugin(msg) {
    var text = JSON.stringify(msg);
    if (window.ipc && ipcReady) {
      window.ipc.postMessage(text);
    } else {
      messageQueue.push(text);
    }
  }

  function flushQueue() {
    ipcReady = true;
    if (!window.ipc) return;  // kept until a channel exists
    var queued = messageQueue;
    messageQueue = [];
    for (var i = 0; i < queued.length; i++) window.ipc.postMessage(queued[i]);
  }

  // Page to plug-in.

  window.setParam = function (name, value) {
    if (name === 'char_mode' || name === 'carrier_mode' || name === 'mix') {
      console.debug('[bridge] setParam ' + name + ' = ' + value);
    }
    sendToPlugin({ type: 'set_param', name: name, value: value });
  };
  window.beginEdit = function (name) {
    sendToPlugin({ type: 'begin_edit', name: name });
  };
  window.endEdit = function (name) {
    sendToPlugin({ type: 'end_edit', name: name });
  };
  window.requestParams = function () {
    sendToPlugin({ type: 'request_params' });
  };
  window.requestTransport = function () {
    sendToPlugin({ type: 'request_transport' });
  };
  window.sendCustom = function (action, payload) {
    sendToPlugin({ type: 'custom', action: action, payload: payload || '' });
  };
  window.requestPresets = function () {
    sendToPlugin({ type: 'request_presets' });
  };
  window.loadPreset = function (name, isFactory) {
    console.log('[bridge] loadPreset ' + name + (isFactory ? ' (factory)' : ''));
    sendToPlugin({ type: 'load_preset', name: name, is_factory: isFactory || false });
    // The answers wait in the plug-in until a message arrives: fetch them quickly.
    [20, 50, 100, 200].forEach(function (delay) {
      setTimeout(window._pollMessages, delay);
    });
  };
  window.savePreset = function (name) {
    sendToPlugin({ type: 'save_preset', name: name });
  };
  window.deletePreset = function (name) {
    sendToPlugin({ type: 'delete_preset', name: name });
  };
  window._pollMessages = function () {
    sendToPlugin({ type: 'poll_messages' });
  };

  // Plug-in to page.

  window._updateParam = function (name, value) {
    window.pluginParams[name] = value;
    emit('paramchange', { name: name, value: value });
  };
  window._setAllParams = function (params) {
    params.forEach(function (p) {
      window.pluginParams[p.name] = {
        value: p.value, default: p.default, min: p.min, max: p.max, display: p.display
      };
    });
    emit('paramsloaded', params);
  };
  window._updateTransport = function (bpm, playing) {
    window.transport = { bpm: bpm, playing: playing };
    emit('transport', { bpm: bpm, playing: playing });
  };
  window._updatePresets = function (presets) {
    window.presets = presets;
    emit('presetsloaded', presets);
  };
  window._presetLoaded = function (name) {
    window.currentPreset = name;
    emit('presetloaded', { name: name });
  };
  window._presetSaved = function (name) {
    window.currentPreset = name;
    emit('presetsaved', { name: name });
    window.requestPresets();
  };
  window._presetDeleted = function (name) {
    if (window.currentPreset === name) window.currentPreset = null;
    emit('presetdeleted', { name: name });
    window.requestPresets();
  };
  window._presetError = function (message) {
    emit('preseterror', { message: message });
  };

  var DEBUG_IDS = ['char_mode', 'carrier_mode', 'mix', 'output_gain', 'lock_freq', 'trig_amount'];

  function applyPresetValues(payload) {
    var pairs = JSON.parse(payload);
    var debug = [];
    for (var i = 0; i < pairs.length; i++) {
      var id = pairs[i][0];
      var value = pairs[i][1];
      if (typeof value !== 'number') throw new TypeError(id + ' has no number value');
      window.setParam(id, value);
      emit('paramchange', { name: id, value: value });
      if (DEBUG_IDS.indexOf(id) >= 0) debug.push(id + '=' + value.toFixed(3));
    }
    var debugElement = document.getElementById('debug-values');
    if (debugElement) debugElement.textContent = 'Preset vals: ' + debug.join(', ');
  }

  window._handleCustomMessage = function (action, payload) {
    console.log('[bridge] custom message ' + action + ' (' + payload.length + ' chars)');
    switch (action) {
      case 'presets_list':
        var list;
        try {
          list = JSON.parse(payload);
        } catch (e) {
          console.error('Failed to parse presets_list:', e);
          return;
        }
        window._updatePresets(list);
        return;
      case 'preset_values':
        try {
          applyPresetValues(payload);
        } catch (e) {
          console.error('Failed to apply preset values:', e);
        }
        return;
      case 'preset_loaded':
        window._presetLoaded(payload);
        return;
      case 'preset_saved':
        window._presetSaved(payload);
        return;
      case 'preset_deleted':
        window._presetDeleted(payload);
        return;
      case 'preset_error':
        window._presetError(payload);
        return;
      default:
        emit('custommessage', { action: action, payload: payload });
    }
  };

  window._setCurrentPresetName = function (name) {
    var element = document.getElementById('preset-name');
    if (element) element.textContent = name || 'Init';
    console.log('[bridge] current preset: ' + (name || 'Init'));
    emit('presetloaded', { name: name });
  };

  window._ipcReady = function () {
    flushQueue();
    if (pollInterval === null) pollInterval = setInterval(window._pollMessages, 50);
  };

  function onLoaded() {
    window.requestParams();
    // The plug-in makes the ready call when the page commits, which is before the load ends. If
    // that call ran before this script existed, its guard made it a no-op: without this, the
    // queue would never be posted and the poll never started.
    setTimeout(function () {
      if (!ipcReady && window.ipc) {
        console.warn('[bridge] ready call missed; readying at load');
        window._ipcReady();
      }
    }, 0);
  }

  if (document.readyState === 'complete') {
    onLoaded();
  } else {
    window.addEventListener('load', onLoaded);
  }
})();
