// The look-dev page's latency: time from a change of U Glossiness in the
// page to the first preview image that shows it, over 50 changes, measured
// in the browser. node latency.mjs [CHANGES]
import {launchBrowser, openPage, sceneFolder, startServer} from "./harness.mjs";

const changes = Number(process.argv[2] ?? 50);
const server = await startServer(["--scenes", sceneFolder(), "--threads", "2"]);
const browser = await launchBrowser();
try {
  const page = await openPage(browser, server.url);
  await page.waitForFunction(() => window.quillane.framePass === "refined");
  const times = await page.evaluate(async (count) => {
    const slider = document.querySelector('.control[data-label="U Glossiness"] input[type=range]');
    const lat = window.quillane.latencies;
    const start = lat.length;
    for (let i = 0; i < count; ++i) {
      slider.value = String(20 + (i % 2) * 30 + i * 0.5);
      slider.dispatchEvent(new Event("input"));
      while (lat.length <= start + i) await new Promise((r) => setTimeout(r, 1));
      // Let the refined pass start, so the next change interrupts it.
      await new Promise((r) => setTimeout(r, 30));
    }
    return lat.slice(start);
  }, changes);
  const sorted = [...times].sort((a, b) => a - b);
  const pick = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
  console.log(`changes ${times.length}: median ${pick(0.5).toFixed(1)} ms, ` +
              `p90 ${pick(0.9).toFixed(1)} ms, min ${sorted[0].toFixed(1)} ms, ` +
              `max ${sorted[sorted.length - 1].toFixed(1)} ms`);
} finally {
  await browser.close();
  await server.close();
}
