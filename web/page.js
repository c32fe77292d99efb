// The page's player: loads the journal into the web engine (MorvaneEngine, from player.cpp), runs
// its frames at 60 a second times the speed, and puts the changed part of the picture on the
// canvas each animation frame. Every text the page shows is set as text, never as markup.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const problem = (text) => {
    $('problem').textContent = text;
    $('problem').hidden = false;
  };
  if (typeof WebAssembly !== 'object' || typeof MorvaneEngine !== 'function') {
    problem('This page grows its picture with WebAssembly, which this browser does not have.');
    return;
  }
  const data = JSON.parse($('data').textContent);
  MorvaneEngine().then(start, (e) => problem('The engine did not start: ' + e));

  function load(M) {
    const journal = atob(data.journal);
    const size = M.lengthBytesUTF8(journal) + 1;
    const at = M._malloc(size);
    M.stringToUTF8(journal, at, size);
    const ok = M._mv_load(at, data.fill ? 1 : 0);
    M._free(at);
    return ok;
  }

  function start(M) {
    if (!load(M)) {
      problem('The journal in this page is damaged: the picture cannot be grown.');
      return;
    }
    M._mv_restart();
    const w = M._mv_width(), h = M._mv_height(), stop = data.stop;
    const canvas = $('canvas');
    canvas.width = w;
    canvas.height = h;
    const context = canvas.getContext('2d');
    let image = null;
    let playing = true, speed = 1, due = 0, last = null, target = null;
    let shownState = '';
    const rate = { frames: 0, since: performance.now() };
    $('stop').textContent = stop;
    $('scrub').max = stop;
    $('jump-to').max = stop;

    const frames = () => M._mv_frames();
    // The engine's picture as an ImageData, made anew when the engine's memory has grown.
    function picture() {
      if (!image || image.data.buffer !== M.HEAPU8.buffer)
        image = new ImageData(new Uint8ClampedArray(M.HEAPU8.buffer, M._mv_pixels(), w * h * 4), w, h);
      return image;
    }
    function present() {
      const d = M._mv_dirty() >> 2;
      const [x0, y0, x1, y1] = M.HEAP32.subarray(d, d + 4);
      if (x0 <= x1) context.putImageData(picture(), 0, 0, x0, y0, x1 - x0 + 1, y1 - y0 + 1);
    }
    // At a stop (the end, a pause, a jump, a save) the picture's fingerprint.
    function showStop() {
      const fingerprint = M.UTF8ToString(M._mv_fingerprint());
      $('fingerprint').textContent = fingerprint;
      // Only the end has the renderer's fingerprint to compare with (older pictures have none).
      const compared = frames() === stop && data.fingerprint !== '';
      const same = fingerprint === data.fingerprint;
      $('match').className = !compared ? '' : same ? 'same' : 'differs';
      $('match').textContent = !compared ? '' : same ? 'the same' : 'differs';
    }
    function showState(now) {
      $('frame').textContent = frames();
      $('lit').textContent = (100 * M._mv_lit() / (w * h)).toFixed(1) + '%';
      if (!($('scrub') === document.activeElement)) $('scrub').value = frames();
      $('play').textContent = playing ? 'pause' : 'play';
      if (now - rate.since >= 1000) {
        $('rate').textContent = playing ? (rate.frames * 1000 / (now - rate.since)).toFixed(1) + ' frames/s' : '-';
        rate.frames = 0;
        rate.since = now;
      }
      const state = M.UTF8ToString(M._mv_state());
      if (state === shownState) return;
      shownState = state;
      const list = $('state');
      list.replaceChildren();
      for (const line of state.trim().split('\n')) {
        const [label, value] = line.split('\t');
        const dt = document.createElement('dt'), dd = document.createElement('dd');
        dt.textContent = label;
        dd.textContent = value;
        list.append(dt, dd);
      }
    }
    function pause() {
      playing = false;
      showStop();
    }
    // Runs toward a jump's frame, as many frames as fit in a part of this animation frame.
    function seek() {
      const end = performance.now() + 40;
      while (frames() < target && performance.now() < end) M._mv_step();
      if (frames() < target) return;
      target = null;
      pause();
    }
    function play(now) {
      if (last !== null) due = Math.min(due + (now - last) * 0.06 * speed, 4 * speed);
      for (; due >= 1 && frames() < stop; --due) {
        M._mv_step();
        ++rate.frames;
      }
      if (frames() >= stop) pause();
    }
    function tick(now) {
      if (target !== null) seek();
      else if (playing) play(now);
      last = now;
      present();
      showState(now);
      requestAnimationFrame(tick);
    }
    function restart() {
      M._mv_restart();
      target = null;
      due = 0;
      $('fingerprint').textContent = '-';
      $('match').textContent = '';
    }
    function jumpTo(frame) {
      const f = Math.max(0, Math.min(stop, Math.floor(Number(frame)) || 0));
      if (f < frames()) restart();
      playing = false;
      target = f;
    }

    $('play').addEventListener('click', () => {
      if (playing) return pause();
      if (frames() >= stop) restart();
      playing = true;
      $('fingerprint').textContent = '-';
    });
    $('restart').addEventListener('click', () => {
      restart();
      playing = true;
    });
    $('speed').addEventListener('change', (e) => { speed = Number(e.target.value); });
    $('scrub').addEventListener('change', (e) => jumpTo(e.target.value));
    $('jump').addEventListener('click', () => jumpTo($('jump-to').value));
    $('save').addEventListener('click', () => {
      present();
      showStop();
      const link = $('saved');
      link.href = canvas.toDataURL('image/png');
      link.download = data.name + '-frame-' + frames() + '.png';
      link.textContent = 'saved frame ' + frames();
      link.hidden = false;
      link.click();
    });
    requestAnimationFrame(tick);
  }
})();
