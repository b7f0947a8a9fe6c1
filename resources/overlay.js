// Break card shown by the Lumio tray program. The host loads this page once and
// calls window.__lumioShow(opts) for every break; the page answers with plain
// string messages: one outcome ("done", "skip" or "snooze") and then "closed"
// once its exit animation has finished.
(function () {
  'use strict';

  // No-break spaces keep a number on the same line as its unit.
  var ANIMALS = {
    cat: {
      name: 'Mèo Cam',
      line: function (s) { return 'Meo~ Nhìn ra xa 6\u00a0mét trong ' + s + '\u00a0giây nhé!'; }
    },
    dog: {
      name: 'Cún Shiba',
      line: function (s) { return 'Gâu! Cùng nhìn ra xa 6\u00a0mét trong ' + s + '\u00a0giây nào!'; }
    },
    bunny: {
      name: 'Thỏ Bông',
      line: function (s) { return 'Nhìn thật xa, cỡ 6\u00a0mét, trong ' + s + '\u00a0giây nhé!'; }
    },
    panda: {
      name: 'Gấu Trúc',
      line: function (s) { return 'Nghỉ mắt chút nha: nhìn ra xa 6\u00a0mét trong ' + s + '\u00a0giây!'; }
    },
    frog: {
      name: 'Ếch Xanh',
      line: function (s) { return 'Ộp ộp! Nhìn ra xa 6\u00a0mét trong ' + s + '\u00a0giây nhé!'; }
    },
    penguin: {
      name: 'Cánh Cụt',
      line: function (s) { return 'Nhìn về phía xa 6\u00a0mét trong ' + s + '\u00a0giây nhé!'; }
    }
  };
  var DEFAULT_ANIMAL = 'cat';
  var DEFAULT_BREAK_SEC = 20;
  var DEFAULT_SNOOZE_MIN = 5;
  var CHEER_MS = 1100;
  // Slightly longer than the CSS exit animation so "closed" follows its last frame.
  var EXIT_MS = 420;

  var card = document.getElementById('card');
  var nameEl = document.getElementById('name');
  var messageEl = document.getElementById('message');
  var countdownEl = document.getElementById('countdown');
  var snoozeButton = card.querySelector('[data-action="snooze"]');

  // idle -> running -> (cheering) -> leaving -> idle
  var state = 'idle';
  var endsAt = 0;
  var timers = [];

  function post(message) {
    var handler = window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.lumio;
    if (handler && typeof handler.postMessage === 'function') {
      handler.postMessage(message);
    } else {
      console.info('lumio:', message);
    }
  }

  function later(fn, ms) {
    var id = setTimeout(function () {
      timers = timers.filter(function (t) { return t !== id; });
      fn();
    }, ms);
    timers.push(id);
  }

  function cancelTimers() {
    timers.forEach(clearTimeout);
    timers = [];
  }

  function wholeNumber(value, fallback, min) {
    var n = Math.round(Number(value));
    return isFinite(n) && n >= min ? n : fallback;
  }

  function secondsLeft() {
    return Math.max(0, Math.ceil((endsAt - performance.now()) / 1000));
  }

  // Wakes up only when the displayed number changes; reading the clock each time
  // keeps the count right even when the page's timers are throttled.
  function tick() {
    var left = secondsLeft();
    countdownEl.textContent = String(left);
    if (left === 0) {
      cheer();
      return;
    }
    var untilNextChange = endsAt - performance.now() - (left - 1) * 1000;
    later(tick, Math.max(20, untilNextChange + 10));
  }

  function cheer() {
    state = 'cheering';
    messageEl.textContent = 'Giỏi quá! Mắt bạn được nghỉ rồi.';
    card.classList.add('cheer');
    later(function () { finish('done'); }, CHEER_MS);
  }

  function finish(outcome) {
    state = 'leaving';
    cancelTimers();
    card.classList.add('leaving');
    post(outcome);
    later(function () {
      state = 'idle';
      card.hidden = true;
      card.classList.remove('leaving', 'cheer');
      post('closed');
    }, EXIT_MS);
  }

  function show(opts) {
    var o = opts || {};
    var animalId = Object.prototype.hasOwnProperty.call(ANIMALS, o.animalId) ? o.animalId : DEFAULT_ANIMAL;
    var animal = ANIMALS[animalId];
    var breakSec = wholeNumber(o.breakSec, DEFAULT_BREAK_SEC, 1);
    var snoozeMin = wholeNumber(o.snoozeMin, DEFAULT_SNOOZE_MIN, 1);

    cancelTimers();
    // Hiding for one style pass drops every running animation, so the new break
    // starts from its first frame whatever the previous one was doing.
    card.hidden = true;
    card.classList.remove('leaving', 'cheer');
    void card.offsetWidth;

    card.setAttribute('data-animal', animalId);
    card.style.setProperty('--break', breakSec + 's');
    nameEl.textContent = animal.name;
    messageEl.textContent = animal.line(breakSec);
    snoozeButton.textContent = 'Nhắc lại sau ' + snoozeMin + ' phút';
    countdownEl.textContent = String(breakSec);

    state = 'running';
    endsAt = performance.now() + breakSec * 1000;
    card.hidden = false;
    tick();
  }

  card.addEventListener('click', function (event) {
    var button = event.target.closest('[data-action]');
    if (!button || state !== 'running') {
      return;
    }
    finish(button.getAttribute('data-action'));
  });

  window.__lumioShow = show;
})();
