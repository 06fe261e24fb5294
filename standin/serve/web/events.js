// The page's live updates: one event stream from the server, shared by
// every open tab of the page. A browser opens at most six connections to a
// server, so a stream held by each tab would leave the seventh waiting.
// Runs as a SharedWorker (as a plain Worker, for one tab, where there is
// none): passes each event on to the tabs, tells them whether the stream is
// live, and opens it again when the server refuses or drops it.
"use strict";

const tabs = new Set();
let status = "connecting";  // "live", "refused" or "dropped" once known
let delay = 1000;           // before the next try after a refusal, ms

function tell(message) {
  for (const tab of tabs) tab.postMessage(message);
}

function setStatus(next) {
  status = next;
  tell({type: "status", status});
}

function connect() {
  const source = new EventSource("/api/events");
  source.addEventListener("open", () => {
    delay = 1000;
    setStatus("live");
  });
  for (const type of ["state", "frame", "views"])
    source.addEventListener(type, (e) => tell({type, data: JSON.parse(e.data)}));
  source.addEventListener("error", () => {
    // The browser opens a dropped stream again by itself, but not one the
    // server answered with an error.
    if (source.readyState !== EventSource.CLOSED) {
      setStatus("dropped");
      return;
    }
    setStatus("refused");
    setTimeout(connect, delay);
    delay = Math.min(delay * 2, 8000);
  });
}

function addTab(tab) {
  tabs.add(tab);
  tab.onmessage = (e) => {
    if (e.data === "closed") tabs.delete(tab);
  };
  tab.postMessage({type: "status", status});
}

if ("onconnect" in self) self.onconnect = (e) => addTab(e.ports[0]);
else addTab(self);
connect();
