// SPDX-License-Identifier: MIT
// The fixed part of the gallery page: its style and its script, and the escaping of what it shows.
// The script only reads the page (text through textContent, never HTML), so nothing a picture's
// chunks hold can become markup.
#include "render/batch/gallery_page.h"

const char* GalleryStyle() {
    return R"(
body { margin: 0; background: #1c1c1c; color: #ddd; font: 14px/1.4 sans-serif; }
header { padding: 12px 16px; display: flex; gap: 24px; align-items: baseline; flex-wrap: wrap; }
h1 { font-size: 18px; margin: 0; font-weight: normal; }
select { background: #333; color: #ddd; border: 1px solid #555; }
.grid { display: grid; gap: 8px; padding: 0 16px 16px;
        grid-template-columns: repeat(auto-fill, minmax(160px, 256px)); }
.grid.fixed { grid-template-columns: max-content repeat(var(--columns), minmax(64px, 256px));
              justify-content: start; }
.axis { text-align: center; color: #aaa; }
.head { color: #bbb; align-self: center; justify-self: center; }
.tile { margin: 0; outline: none; }
.tile img { display: block; width: 100%; height: auto; background: #000; image-rendering: pixelated; }
.tile:focus img, .tile:hover img { outline: 2px solid #9cf; }
.tile figcaption { text-align: center; font-size: 12px; color: #bbb; }
.grid.fixed .out { opacity: 0.12; }
.grid:not(.fixed) .out { display: none; }
#viewer { position: fixed; inset: 0; background: rgba(0, 0, 0, 0.92); display: flex; gap: 16px;
          padding: 16px; box-sizing: border-box; }
#viewer[hidden] { display: none; }
#viewer .picture { flex: 1; display: flex; align-items: center; justify-content: center; min-width: 0; }
#full { max-width: 100%; max-height: 100%; image-rendering: pixelated; background: #000;
        outline: 1px solid #555; }
#viewer .info { width: 360px; overflow: auto; }
#viewer dl { display: grid; grid-template-columns: auto 1fr; gap: 2px 12px; }
#viewer dt { color: #999; } #viewer dd { margin: 0; }
#command { white-space: pre-wrap; word-break: break-all; background: #111; padding: 8px;
           font-size: 12px; user-select: all; }
button { background: #333; color: #ddd; border: 1px solid #666; padding: 4px 10px; }
.pages { padding: 0 16px 12px; color: #aaa; } .pages a { color: #9cf; }
)";
}

const char* GalleryScript() {
    return R"(
'use strict';
const grid = document.getElementById('grid');
const tiles = Array.from(grid.querySelectorAll('.tile'));
const viewer = document.getElementById('viewer');
const full = document.getElementById('full');
const command = document.getElementById('command');
const copied = document.getElementById('copied');
let current = -1;

// A tile's settings as [key, value] pairs, read from its hidden list.
function settingsOf(tile) {
  const pairs = [];
  for (const dt of tile.querySelectorAll('dl.settings dt'))
    pairs.push([dt.textContent, dt.nextElementSibling.textContent]);
  return pairs;
}
function shown() { return tiles.filter(t => !t.classList.contains('out')); }

function open(index) {
  const tile = tiles[index];
  current = index;
  full.src = tile.querySelector('a').getAttribute('href');
  full.alt = tile.querySelector('figcaption').textContent;
  document.getElementById('caption').textContent = full.alt;
  const list = document.getElementById('settings');
  list.replaceChildren();
  for (const [key, value] of settingsOf(tile)) {
    const dt = document.createElement('dt'), dd = document.createElement('dd');
    dt.textContent = key;
    dd.textContent = value;
    list.append(dt, dd);
  }
  command.textContent = tile.querySelector('.command').textContent;
  copied.textContent = '';
  viewer.hidden = false;
  document.getElementById('copy').focus();
}
function close() {
  viewer.hidden = true;
  if (current >= 0) tiles[current].focus();
}
// The next tile shown, `step` tiles on in page order (a grid's up and down step by a row).
function move(from, step) {
  for (let i = from + step; i >= 0 && i < tiles.length; i += step)
    if (!tiles[i].classList.contains('out') || grid.classList.contains('fixed')) return i;
  return from;
}
function columns() {
  if (grid.classList.contains('fixed')) return Number(grid.style.getPropertyValue('--columns'));
  const visible = shown();
  return visible.filter(t => t.offsetTop === visible[0].offsetTop).length || 1;
}

tiles.forEach((tile, index) => {
  tile.querySelector('a').addEventListener('click', event => {
    event.preventDefault();
    open(index);
  });
});
document.getElementById('close').addEventListener('click', close);
document.getElementById('prev').addEventListener('click', () => open(move(current, -1)));
document.getElementById('next').addEventListener('click', () => open(move(current, 1)));
document.getElementById('copy').addEventListener('click', async () => {
  const text = command.textContent;
  try {
    await navigator.clipboard.writeText(text);
  } catch (e) {
    // file:// pages may not reach the clipboard API: select the text and copy it the old way.
    const range = document.createRange();
    range.selectNodeContents(command);
    getSelection().removeAllRanges();
    getSelection().addRange(range);
    document.execCommand('copy');
  }
  copied.textContent = 'copied';
});
document.addEventListener('keydown', event => {
  if (!viewer.hidden) {
    if (event.key === 'Escape') close();
    else if (event.key === 'ArrowLeft') open(move(current, -1));
    else if (event.key === 'ArrowRight') open(move(current, 1));
    else return;
    event.preventDefault();
    return;
  }
  const at = tiles.indexOf(document.activeElement);
  const steps = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -columns(), ArrowDown: columns() };
  if (event.key in steps) {
    const to = at < 0 ? tiles.indexOf(shown()[0]) : move(at, steps[event.key]);
    if (to >= 0) tiles[to].focus();
  } else if (event.key === 'Enter' && at >= 0) {
    open(at);
  } else {
    return;
  }
  event.preventDefault();
});

// Filtering: the keys whose values differ between the pictures, then one of their values.
const keySelect = document.getElementById('filter-key');
const valueSelect = document.getElementById('filter-value');
const values = new Map();
for (const tile of tiles)
  for (const [key, value] of settingsOf(tile)) {
    if (!values.has(key)) values.set(key, new Set());
    values.get(key).add(value);
  }
for (const [key, set] of values) {
  if (set.size < 2 || key === 'file') continue;
  keySelect.append(new Option(key, key));
}
// Numbers in order of value ("0.0083" before "0.025"), other text alphabetically.
function byValue(a, b) {
  const x = Number(a), y = Number(b);
  return Number.isNaN(x) || Number.isNaN(y) ? a.localeCompare(b) : x - y;
}
function applyFilter() {
  const key = keySelect.value, value = valueSelect.value;
  for (const tile of tiles) {
    const match = !key || !value || settingsOf(tile).some(([k, v]) => k === key && v === value);
    tile.classList.toggle('out', !match);
    tile.tabIndex = match ? 0 : -1;
  }
}
keySelect.addEventListener('change', () => {
  valueSelect.replaceChildren(new Option('any', ''));
  if (keySelect.value)
    for (const v of [...values.get(keySelect.value)].sort(byValue)) valueSelect.append(new Option(v, v));
  applyFilter();
});
valueSelect.addEventListener('change', applyFilter);
keySelect.parentElement.hidden = keySelect.options.length < 2;
)";
}

std::string HtmlEscape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}
