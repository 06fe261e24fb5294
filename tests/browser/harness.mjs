// Starts `quillane serve` on a free loopback port and Debian's chromium,
// for the browser tests, the screenshots and the latency benchmark.
import {spawn} from "node:child_process";
import {cpSync, mkdtempSync} from "node:fs";
import {tmpdir} from "node:os";
import {dirname, join} from "node:path";
import {after, afterEach, before, beforeEach} from "node:test";
import {fileURLToPath} from "node:url";
import {chromium} from "playwright-core";

const here = dirname(fileURLToPath(import.meta.url));
export const repo = join(here, "..", "..");
const quillane = process.env.QUILLANE ?? join(repo, "build", "default", "quillane");
const chromiumPath = process.env.CHROMIUM ?? "/usr/bin/chromium";

// A scene folder of its own: the examples and whatever the test adds.
export function sceneFolder() {
  const folder = mkdtempSync(join(tmpdir(), "quillane-serve-"));
  cpSync(join(repo, "examples"), folder, {recursive: true});
  return folder;
}

// Runs the server until close(); resolves once it prints its address.
export function startServer(args = [], port = 0) {
  const child = spawn(quillane, ["serve", "--port", String(port), ...args], {stdio: ["ignore", "pipe", "pipe"]});
  let err = "";
  child.stderr.on("data", (d) => { err += d; });
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no address within 10 s: ${err}`)), 10000);
    let out = "";
    child.stdout.on("data", (d) => {
      out += d;
      const match = out.match(/open (http:\/\/\S+)/);
      if (!match) return;
      clearTimeout(timer);
      resolve({url: match[1], close: () => new Promise((done) => {
        child.once("exit", done);
        child.kill("SIGTERM");
      })});
    });
    child.once("exit", (code) => reject(new Error(`quillane serve exited with ${code}: ${err}`)));
  });
}

export function launchBrowser() {
  return chromium.launch({executablePath: chromiumPath, args: ["--disable-gpu", "--no-sandbox"]});
}

// Opens the page, in a browser context of its own or in `browser` when it
// is a context, and waits for its panel and first preview frame.
export async function openPage(browser, url, viewport = {width: 1400, height: 820}) {
  return showPage(await browser.newPage({viewport}), url);
}

// Goes to the page in `tab` and waits for its panel and first preview frame.
export async function showPage(tab, url) {
  await tab.goto(url);
  await tab.waitForFunction(() => window.quillane?.state && window.quillane.drawnFrame > 0);
  return tab;
}

// The hooks of a test file: one browser for the file; for each test a scene
// folder of its own, readied by `prepare(folder)`, and a server on it.
// Returns {browser, folder, server, args}, filled in as they start.
export function serveEachTest(prepare = () => {}) {
  const live = {};
  before(async () => { live.browser = await launchBrowser(); });
  after(async () => { await live.browser?.close(); });
  beforeEach(async () => {
    live.folder = sceneFolder();
    prepare(live.folder);
    live.args = ["--scenes", live.folder, "--threads", "2"];
    live.server = await startServer(live.args);
  });
  afterEach(async () => { await live.server?.close(); });
  return live;
}

// The preview canvas's RGBA bytes, as a Buffer: passed as base64 text,
// since an array of numbers takes the driver seconds.
export const canvasPixels = async (page) => Buffer.from(await page.evaluate(() => {
  const canvas = document.getElementById("preview");
  const bytes = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
  let text = "";
  for (let i = 0; i < bytes.length; i += 0x8000)
    text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(text);
}), "base64");

// The lobe view's picture, as bytes, once it shows the newest state.
export const lobePicture = async (page) => {
  await page.waitForFunction(() => {
    const img = document.querySelector("#lobe-view img");
    return window.quillane.views?.version === window.quillane.state.version &&
        img.complete && img.naturalWidth > 0 && img.src.endsWith(window.quillane.views.lobe.url);
  });
  return page.evaluate(() => fetch(document.querySelector("#lobe-view img").src)
      .then((r) => r.arrayBuffer()).then((b) => Array.from(new Uint8Array(b))));
};

// Waits until the canvas shows the newest state, refined.
export const settled = (page) => page.waitForFunction(() =>
  window.quillane.frameVersion === window.quillane.state.version &&
  window.quillane.framePass === "refined");
