// The look-dev page's latency: time from a change in the page to the
// first preview image that shows it, measured in the browser, on the
// default scene (environment-lit). CHANGES changes of U Glossiness, the
// first made as soon as the page shows its first image (the first five
// are reported apart), then as many camera moves of one orbit drag. The
// page opens in a tab of a browser already running, as a user's is:
// chromium spends about half a second after a window opens loading its own
// omnibox UI in a renderer of its own, which a fresh browser's first
// changes would wait for (COLD=1 measures that too).
// node latency.mjs [CHANGES]
import {launchBrowser, sceneFolder, showPage, startServer} from "./harness.mjs";

const changes = Number(process.argv[2] ?? 50);
const server = await startServer(["--scenes", sceneFolder(), "--threads", "2"]);
const browser = await launchBrowser();

// "median M ms, p90 P ms, max X ms" of `times`.
function summary(times) {
  const sorted = [...times].sort((a, b) => a - b);
  const pick = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
  return `median ${pick(0.5).toFixed(1)} ms, p90 ${pick(0.9).toFixed(1)} ms, ` +
         `max ${sorted[sorted.length - 1].toFixed(1)} ms`;
}

// Makes `count` changes with `make(i)`, each once the last one's first
// image landed and a refining pass had time to start; returns the times.
const measure = (page, count, kind) => page.evaluate(async ({count, kind}) => {
  const slider = document.querySelector('.control[data-label="U Glossiness"] input[type=range]');
  const camera = window.quillane.state.camera;
  const gesture = `latency-${Date.now()}`;
  const make = {
    value: (i) => {
      slider.value = String(20 + (i % 2) * 30 + i * 0.5);
      slider.dispatchEvent(new Event("input"));
    },
    camera: (i) => window.quillane.sendCamera(window.quillane.orbit(camera, 4 * (i + 1), 0), gesture),
  }[kind];
  const lat = window.quillane.latencies;
  const start = lat.length;
  for (let i = 0; i < count; ++i) {
    make(i);
    while (lat.length <= start + i) await new Promise((r) => setTimeout(r, 1));
    await new Promise((r) => setTimeout(r, 30));
  }
  return lat.slice(start);
}, {count, kind});

try {
  const page = await browser.newPage({viewport: {width: 1400, height: 820}});
  if (!process.env.COLD) await new Promise((r) => setTimeout(r, 2000));
  await showPage(page, server.url);
  const values = await measure(page, changes, "value");
  console.log(`first five changes: ${values.slice(0, 5).map((t) => t.toFixed(0)).join(", ")} ms`);
  console.log(`changes ${values.length}: ${summary(values)}`);
  console.log(`after the first five: ${summary(values.slice(5))}`);
  // A page without a camera to drag (an older build) measures the rest.
  if (await page.evaluate(() => Boolean(window.quillane.orbit))) {
    const moves = await measure(page, changes, "camera");
    console.log(`camera moves ${moves.length}: ${summary(moves)}`);
  }
} finally {
  await browser.close();
  await server.close();
}
