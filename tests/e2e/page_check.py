#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Drives a headless Chromium through its DevTools protocol as a person watches a picture's web
page: it waits until the page has grown its picture to the end, checks the frame and the
fingerprint shown there, and with a file name presses "save PNG" and writes the PNG the page made.

usage: page_check.py DEVTOOLS_PORT PAGE_URL STOP FINGERPRINT [SAVED.png]
       page_check.py DEVTOOLS_PORT PAGE_URL STOP FINGERPRINT --jump FRAME FINGERPRINT_THERE
       page_check.py DEVTOOLS_PORT GALLERY_URL --gallery TILE STOP FINGERPRINT   the same for the
                                                         page "grow it" opens from a gallery
       page_check.py DEVTOOLS_PORT PAGE_URL --no-wasm     the line a browser without WebAssembly
                                                         shows
       page_check.py DEVTOOLS_PORT PAGE_URL --rate SECONDS   prints the frame rate it holds
       page_check.py DEVTOOLS_PORT PAGE_URL --cpu FRAMES     prints the ms a frame of the page's
                                                         journal takes in a second engine of its
                                                         own, frames run back to back
"""
import base64
import json
import sys
import time
import urllib.request

from gallery_check import DevTools


def open_page(port, url, script=None):
    pages = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10))
    page = DevTools(next(p for p in pages if p["type"] == "page")["webSocketDebuggerUrl"])
    page.call("Page.enable")
    if script:
        page.call("Page.addScriptToEvaluateOnNewDocument", source=script)
    page.call("Page.navigate", url=url)
    page.wait_for("document.readyState === 'complete' && location.href.startsWith('file:')",
                  "the page")
    return page


def text(page, element):
    return page.evaluate(f"document.getElementById('{element}').textContent")


def check_no_wasm(port, url):
    page = open_page(port, url, "delete globalThis.WebAssembly;")
    page.wait_for("!document.getElementById('problem').hidden", "the line on the missing wasm")
    print(text(page, "problem"))


def check_rate(port, url, seconds):
    page = open_page(port, url)
    page.wait_for("document.getElementById('rate').textContent.endsWith('frames/s')", "a rate")
    time.sleep(seconds)
    print(text(page, "rate"), "at frame", text(page, "frame"))


def check_cpu(port, url, frames):
    page = open_page(port, url)
    # The least of three runs from the start: a shared machine only ever adds time.
    ms = page.evaluate("(async () => {"
                       "const d = JSON.parse(document.getElementById('data').textContent);"
                       "const M = await MorvaneEngine(), j = atob(d.journal);"
                       "const n = M.lengthBytesUTF8(j) + 1, at = M._malloc(n);"
                       "M.stringToUTF8(j, at, n); M._mv_load(at, d.fill ? 1 : 0);"
                       "let best = Infinity;"
                       "for (let run = 0; run < 3; ++run) { M._mv_restart();"
                       f"const t = performance.now(); for (let i = 0; i < {frames}; ++i) M._mv_step();"
                       "best = Math.min(best, performance.now() - t); }"
                       "return best; })()")
    print(f"{ms / frames:.3f} ms a frame over {frames} frames")


def check_growth(port, url, stop, fingerprint):
    page = open_page(port, url)
    page.wait_for(f"document.getElementById('frame').textContent === '{stop}' && "
                  "document.getElementById('fingerprint').textContent !== '-'",
                  f"frame {stop}", seconds=120)
    shown = text(page, "fingerprint")
    if shown != fingerprint:
        sys.exit(f"the page shows fingerprint {shown} at frame {stop}, the renderer {fingerprint}")
    if text(page, "match") != "the same":
        sys.exit(f"the page says its fingerprint {text(page, 'match')} from the renderer's")
    # Markup in the file name must have stayed text: no element the page did not write itself.
    if page.evaluate("document.querySelectorAll('img').length") != 0 or \
            page.evaluate("document.title").startswith("owned"):
        sys.exit("the file name became markup")
    return page


def check_jump(page, frame, fingerprint):
    page.evaluate(f"document.getElementById('jump-to').value = '{frame}';"
                  "document.getElementById('jump').click()")
    page.wait_for(f"document.getElementById('frame').textContent === '{frame}' && "
                  "document.getElementById('fingerprint').textContent !== '-'",
                  f"the jump to frame {frame}", seconds=120)
    if text(page, "fingerprint") != fingerprint:
        sys.exit(f"after a jump back the page shows {text(page, 'fingerprint')} at frame {frame}, "
                 f"the renderer {fingerprint}")


def save_png(page, saved):
    page.evaluate("document.getElementById('save').click()")
    page.wait_for("!document.getElementById('saved').hidden", "the saved PNG")
    url = page.evaluate("document.getElementById('saved').href")
    with open(saved, "wb") as out:
        out.write(base64.b64decode(url.split(",", 1)[1]))


def grow_page(port, url, tile):
    page = open_page(port, url)
    page.evaluate(f"document.querySelectorAll('.tile a')[{tile}].click()")
    page.wait_for("!document.getElementById('viewer').hidden && "
                  "!document.getElementById('grow').hidden", "the gallery's grow it")
    return page.evaluate("document.getElementById('grow').href")


def main():
    port, url = sys.argv[1], sys.argv[2]
    if sys.argv[3] == "--gallery":
        check_growth(port, grow_page(port, url, sys.argv[4]), sys.argv[5], sys.argv[6])
    elif sys.argv[3] == "--no-wasm":
        check_no_wasm(port, url)
    elif sys.argv[3] == "--rate":
        check_rate(port, url, float(sys.argv[4]))
    elif sys.argv[3] == "--cpu":
        check_cpu(port, url, int(sys.argv[4]))
    else:
        page = check_growth(port, url, sys.argv[3], sys.argv[4])
        if len(sys.argv) > 5 and sys.argv[5] == "--jump":
            check_jump(page, sys.argv[6], sys.argv[7])
        elif len(sys.argv) > 5:
            save_png(page, sys.argv[5])


main()
