// Screenshots of the look-dev page for the docs: node screenshot.mjs OUT.png
import {launchBrowser, openPage, sceneFolder, startServer} from "./harness.mjs";

const out = process.argv[2] ?? "lookdev.png";
const server = await startServer(["--scenes", sceneFolder()]);
const browser = await launchBrowser();
try {
  const page = await openPage(browser, server.url);
  // One change, so that the host calls it caused are listed.
  await page.locator('.control[data-label="U Glossiness"] input[type=number]').fill("20");
  await page.waitForFunction(() =>
    window.quillane.state.lastChange && window.quillane.framePass === "refined" &&
    window.quillane.frameVersion === window.quillane.state.version);
  await page.screenshot({path: out});
} finally {
  await browser.close();
  await server.close();
}
