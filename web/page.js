// The page around the game: its console (#console, standard output and error,
// and the typed lines), its standard input (#stdin), the score file kept in the
// browser's storage (#score), the beep, strokes and taps on the canvas, pads,
// the pause when the page is hidden, the screen kept on while the snake moves,
// and on the site, the service worker that keeps it for offline play. Runs
// before the game's own start-up code. Strokes and pads press the game's keys
// by name, as the keyboard does, through the page's GLUT (Module.pressKey),
// once the game has started.

(function () {
  'use strict';

  const consoleView = document.getElementById('console');
  const consoleText = consoleView.appendChild(document.createTextNode(''));
  const input = document.getElementById('stdin');
  const canvas = document.getElementById('canvas');
  const scoreView = document.getElementById('score');
  const scoreFile = 'User_score.txt';
  const scoreKey = 'zelvix/' + scoreFile;

  // Bytes as the game writes them, decoded per stream; the console keeps its
  // newest line in view, scrolled once a frame rather than once a byte.
  let scrolling = false;
  function show(text) {
    consoleText.appendData(text);
    if (!scrolling) {
      scrolling = true;
      requestAnimationFrame(() => {
        scrolling = false;
        consoleView.scrollTop = consoleView.scrollHeight;
      });
    }
  }
  function byteWriter() {
    const decoder = new TextDecoder();
    return (byte) => show(decoder.decode(new Uint8Array([byte & 255]), { stream: true }));
  }
  const writeOut = byteWriter();
  const writeErr = byteWriter();
  const say = (text, write) => new TextEncoder().encode(text).forEach(write);

  // Standard input holds the typed lines; the game reads it once, for the level.
  const pending = [];
  Module['stdin'] = () => (pending.length ? pending.shift() : null);
  Module['stdout'] = writeOut;
  Module['stderr'] = writeErr;
  Module['canvas'] = canvas;

  // The score file lives in the game's file system while the page is open and
  // in the browser's storage between visits.
  function keepScore() {
    const text = new TextDecoder().decode(FS.readFile(scoreFile));
    scoreView.textContent = text;
    try {
      localStorage.setItem(scoreKey, text);
    } catch (e) {
      say('zelvix: could not keep the score in this browser\'s storage\n', writeErr);
    }
  }

  function restoreScore() {
    let text = null;
    try {
      text = localStorage.getItem(scoreKey);
    } catch (e) {
      return;
    }
    if (text !== null) {
      FS.writeFile(scoreFile, text);
      scoreView.textContent = text;
    }
  }

  Module['preRun'] = [() => {
    restoreScore();
    // The game closes the score file after each game over's write; reading
    // it back opens and closes it too, but only for reading.
    const close = FS.close;
    const accessModes = 3;
    FS.close = (stream) => {
      close(stream);
      if ((stream.flags & accessModes) !== 0 && stream.path && stream.path.split('/').pop() === scoreFile) {
        keepScore();
      }
    };
  }];

  // The line can be typed once the game has shown its prompt.
  Module['postRun'] = [() => {
    input.disabled = false;
    input.focus();
  }];

  // A short tone for each beep; browsers allow sound only after a gesture, so
  // the audio context comes with the Enter that sends the level.
  let audio = null;
  Module['beep'] = () => {
    if (audio === null) {
      return;
    }
    const tone = audio.createOscillator();
    const volume = audio.createGain();
    tone.type = 'square';
    tone.frequency.value = 880;
    volume.gain.value = 0.06;
    tone.connect(volume).connect(audio.destination);
    tone.start();
    tone.stop(audio.currentTime + 0.08);
  };

  // A line with something on it ends the level read: the game then reads it
  // from standard input and opens its canvas. Blank lines keep it waiting.
  let started = false;
  input.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter' || event.isComposing || started) {
      return;
    }
    event.preventDefault();
    const line = input.value + '\n';
    input.value = '';
    say(line, (byte) => pending.push(byte));
    show(line);
    if (!/[^ \t\n\v\f\r]/.test(line)) {
      return;
    }
    started = true;
    // The game's keys are read on the whole window from now on.
    input.disabled = true;
    // Without WebGL the game cannot draw: it says so and does not start.
    if (document.createElement('canvas').getContext('webgl') === null) {
      say('zelvix: this browser cannot draw the game (WebGL is not available)\n', writeErr);
      return;
    }
    canvas.scrollIntoView({ block: 'nearest' });
    try {
      audio = new (window.AudioContext || window.webkitAudioContext)();
    } catch (e) {
      // No audio: the beeps stay silent.
    }
    try {
      Module['_levelEntered']();
    } catch (e) {
      // GLUT's event loop hands control back to the page by throwing.
      if (e !== 'unwind') {
        throw e;
      }
    }
    setInterval(keepScreenOn, 100);
  });

  // The screen stays on while the snake moves, as the game says, looked at
  // ten times a second: nobody touches it while playing with a pad. The
  // browser lets the wake lock go itself when the page is hidden; it is taken
  // again once the page is shown and the snake moves. Where the browser has
  // none or refuses, the screen does as it always does.
  let screenLock = null;  // a promise of the wake lock held (or of null), or null
  function keepScreenOn() {
    const moving = document.visibilityState === 'visible' && Module['_gameMoving']() !== 0;
    if (moving && screenLock === null && navigator.wakeLock) {
      screenLock = Promise.resolve().then(() => navigator.wakeLock.request('screen')).catch(() => null);
    } else if (!moving && screenLock !== null) {
      screenLock.then((lock) => lock && lock.release()).catch(() => {});
      screenLock = null;
    }
  }

  // Scaled up, the game's pixels stay crisp squares; scaled down, they are
  // blended instead, so that no stroke of its texts drops out.
  new ResizeObserver(([entry]) => {
    const box = entry.devicePixelContentBoxSize;
    const shown = box ? box[0].inlineSize : entry.contentRect.width * window.devicePixelRatio;
    canvas.classList.toggle('reduced', shown < canvas.width);
  }).observe(canvas);

  const press = (name) => Module['pressKey'] && Module['pressKey'](name);

  // A stroke turns the snake as soon as the finger is 24 pixels from where it
  // started or last turned, at least twice as far along one axis as across:
  // the arrow of that direction; a bent stroke turns again. A touch that ends
  // within 10 pixels of its start without having turned is F1.
  const turnMin = 24;
  const tapMax = 10;
  let stroke = null;
  const touchOf = (event) => Array.from(event.changedTouches).find((t) => stroke && t.identifier === stroke.id);
  // Turns once the stroke is clear; returns how far the finger then is from
  // the stroke's origin.
  function follow(touch) {
    const dx = touch.clientX - stroke.x;
    const dy = touch.clientY - stroke.y;
    const along = Math.max(Math.abs(dx), Math.abs(dy));
    if (along < turnMin || along < 2 * Math.min(Math.abs(dx), Math.abs(dy))) {
      return Math.hypot(dx, dy);
    }
    press(Math.abs(dx) > Math.abs(dy) ? (dx > 0 ? 'ArrowRight' : 'ArrowLeft') : (dy > 0 ? 'ArrowDown' : 'ArrowUp'));
    Object.assign(stroke, { x: touch.clientX, y: touch.clientY, turned: true });
    return 0;
  }
  canvas.addEventListener('touchstart', (event) => {
    event.preventDefault();
    const touch = event.changedTouches[0];
    stroke = started ? { id: touch.identifier, x: touch.clientX, y: touch.clientY, turned: false } : null;
  }, { passive: false });
  canvas.addEventListener('touchmove', (event) => {
    event.preventDefault();
    const touch = touchOf(event);
    if (touch) {
      follow(touch);
    }
  }, { passive: false });
  canvas.addEventListener('touchend', (event) => {
    event.preventDefault();
    const touch = touchOf(event);
    if (!touch) {
      return;
    }
    if (follow(touch) < tapMax && !stroke.turned) {
      press('F1');
    }
    stroke = null;
  }, { passive: false });
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());

  // Pads of the standard mapping: the D-pad (buttons 12 to 15) and the left
  // stick past half way, along its stronger axis, are the arrows; Start
  // (button 9) is F1. While a pad is connected they are read once an
  // animation frame; a press acts once, holding it does not repeat.
  const padButtons = [[12, 'ArrowUp'], [13, 'ArrowDown'], [14, 'ArrowLeft'], [15, 'ArrowRight'], [9, 'F1']];
  function padKeys(pad) {
    const keys = padButtons.filter((button) => pad.buttons[button[0]] && pad.buttons[button[0]].pressed)
      .map((button) => button[1]);
    const x = pad.axes[0] || 0;
    const y = pad.axes[1] || 0;
    if (Math.max(Math.abs(x), Math.abs(y)) > 0.5) {
      keys.push(Math.abs(x) > Math.abs(y) ? (x > 0 ? 'ArrowRight' : 'ArrowLeft') : (y > 0 ? 'ArrowDown' : 'ArrowUp'));
    }
    return keys;
  }
  let padsHeld = null;  // the keys each pad held at the last read, by its index; null when not reading
  function readPads() {
    const held = [];
    for (const pad of navigator.getGamepads()) {
      if (pad && pad.connected && pad.mapping === 'standard') {
        held[pad.index] = padKeys(pad);
        held[pad.index].filter((key) => !(padsHeld[pad.index] || []).includes(key)).forEach(press);
      }
    }
    padsHeld = held.length ? held : null;
    if (padsHeld) {
      requestAnimationFrame(readPads);
    }
  }
  window.addEventListener('gamepadconnected', () => {
    if (!padsHeld) {
      padsHeld = [];
      requestAnimationFrame(readPads);
    }
  });

  // A page hidden while the game runs pauses it, as F1 would.
  document.addEventListener('visibilitychange', () => {
    if (started && document.visibilityState === 'hidden') {
      Module['_pageHidden']();
    }
  });

  // The site (not the single file) names its manifest; its service worker
  // keeps the game for visits with no network. Without one the game plays
  // all the same.
  if (document.querySelector('link[rel="manifest"]') && 'serviceWorker' in navigator) {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  }
})();
