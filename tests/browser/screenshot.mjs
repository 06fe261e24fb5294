// Screenshots of the look-dev page for the docs: node screenshot.mjs OUT.png
import {launchBrowser, openPage, sceneFolder, startServer} from "./harness.mjs";

const out = process.argv[2] ?? "lookdev.png";
const server = await startServer(["--scenes", sceneFolder()]);
const browser = await launchBrowser();
try {
  const page = await openPage(browser, server.url);
  await page.waitForFunction(() => window.quillane.framePass === "refined");
  await page.screenshot({path: out});
} finally {
  await browser.close();
  await server.close();
}
