// The page's live updates in Debian's chromium: many tabs on one event
// stream, and a stream refused or dropped.
import assert from "node:assert/strict";
import {get} from "node:http";
import {test} from "node:test";
import {openPage, serveEachTest, startServer} from "./harness.mjs";

const live = serveEachTest();

const fieldShows = (page, value) => page.waitForFunction((v) =>
  document.querySelector('.control[data-label="U Glossiness"] input[type=number]').value === v, value);

// Sets U Glossiness (in percent) as another client would.
async function setFromElsewhere(percent) {
  const response = await fetch(`${live.server.url}api/set`, {
    method: "POST",
    headers: {"Content-Type": "application/json"},
    body: JSON.stringify({id: 0x8003, value: percent / 100}),
  });
  assert.equal(response.status, 200);
}

// Holds an event stream of the server until release().
function holdStream() {
  return new Promise((resolve, reject) => {
    const request = get(`${live.server.url}api/events`, (response) => {
      assert.equal(response.statusCode, 200);
      resolve({release: () => request.destroy()});
    });
    request.on("error", (e) => (e.code === "ECONNRESET" ? null : reject(e)));
  });
}

test("ten tabs of one browser stay live and in step", async () => {
  const context = await live.browser.newContext({viewport: {width: 1400, height: 820}});
  try {
    const tabs = [];
    for (let i = 0; i < 10; ++i) tabs.push(await openPage(context, live.server.url));
    await tabs[0].locator('.control[data-label="Classic Mode"] input').check();
    for (const tab of tabs)
      await tab.waitForFunction(() => document.querySelector('.control[data-label="Classic Mode"] input').checked);
    await tabs[9].locator('.control[data-label="U Glossiness"] input[type=number]').fill("12");
    for (const tab of tabs.slice(0, 9)) await fieldShows(tab, "12");
  } finally {
    await context.close();
  }
});

test("a page whose stream is refused or dropped says so and reconnects", async () => {
  const port = new URL(live.server.url).port;
  const losses = [
    {
      what: "refused: every stream the server allows is taken",
      notice: /refused/,
      async lose() {
        const held = [];
        for (let i = 0; i < 8; ++i) held.push(await holdStream());
        return () => held.forEach((stream) => stream.release());
      },
    },
    {
      what: "dropped: the server stops and starts again",
      notice: /lost|refused/,
      async lose() {
        await live.server.close();
        return async () => { live.server = await startServer(live.args, port); };
      },
    },
  ];
  let page;
  for (const [i, loss] of losses.entries()) {
    const restore = await loss.lose();
    page ??= await openPage(live.browser, live.server.url);
    const notice = page.locator("#stream");
    await notice.waitFor({state: "visible"});
    assert.match(await notice.textContent(), loss.notice, loss.what);
    await restore();
    await notice.waitFor({state: "hidden", timeout: 20000});
    await setFromElsewhere(20 + i);
    await fieldShows(page, String(20 + i));
  }
});
