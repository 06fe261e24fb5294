// Screenshots of the look-dev page for the docs: node screenshot.mjs OUT.png
import {launchBrowser, openPage, sceneFolder, startServer} from "./harness.mjs";

const out = process.argv[2] ?? "lookdev.png";
const server = await startServer(["--scenes", sceneFolder()]);
const browser = await launchBrowser();
try {
  const page = await openPage(browser, server.url, {width: 1400, height: 760});
  // Settled first (refined, views drawn), as a user finds the page.
  await page.waitForFunction(() => window.quillane.framePass === "refined" &&
                                   window.quillane.views?.version === window.quillane.state.version);
  await page.mouse.move(0, 0);
  // A spot picked on the ball, marked over the preview.
  const box = await page.locator("#preview").boundingBox();
  await page.locator("#preview").click({position: {x: 0.33 * box.width, y: 0.4 * box.height}});
  await page.waitForFunction(() => window.quillane.state.spot !== null);
  // One change, so that the host calls it caused are listed.
  await page.locator('.control[data-label="U Glossiness"] input[type=number]').fill("20");
  await page.waitForFunction(() =>
    window.quillane.state.lastChange && window.quillane.framePass === "refined" &&
    window.quillane.frameVersion === window.quillane.state.version);
  // And the views beside the preview, for that change.
  await page.waitForFunction(() =>
    window.quillane.views?.version === window.quillane.state.version &&
    [...document.querySelectorAll(".view img")].every((img) => img.complete && img.naturalWidth > 0));
  await page.screenshot({path: out, fullPage: true});
} finally {
  await browser.close();
  await server.close();
}
