// The preview worker: after every change it renders the quick pass, then
// the first full-size pass, then probes the views beside the preview, then
// refines the preview pass by pass; it
// keeps the newest frame and views for the page and announces them as
// "frame" and "views" events. A change made meanwhile interrupts the views
// or the refining pass in flight and starts over with the new version; the
// quick pass in flight is finished and shown first, so that images keep
// coming while a slider is dragged. The views are drawn on a
// thread of their own at a lower priority, so that drawing them never
// delays the next change's first image.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "standin/serve/event_hub.h"
#include "standin/serve/studio.h"

namespace standin {

class PreviewWorker {
 public:
  PreviewWorker(Studio& studio, EventHub& events, int threads);
  ~PreviewWorker();
  PreviewWorker(const PreviewWorker&) = delete;
  PreviewWorker& operator=(const PreviewWorker&) = delete;

  // Tells the worker that the state changed.
  void Wake();
  // The newest frame, or null before the first.
  std::shared_ptr<const PreviewFrame> Latest();
  // Tells the worker that a page drew frame `frame`.
  void Drawn(std::uint64_t frame);
  // The newest views, or null before the first.
  std::shared_ptr<const ViewImages> Views();

 private:
  void Run();
  bool Pending();
  void RenderNext();
  void RenderViews(std::uint64_t version);
  // Leaves the machine to the page for `delay` while it fetches and draws
  // the frame just published; true when a change came meanwhile (or stop).
  bool Breathe(std::uint64_t version, std::chrono::milliseconds delay);
  // Leaves the machine to the page while it fetches and draws the quick
  // pass's frame; true when a change came meanwhile (or stop).
  bool AwaitDrawn(std::uint64_t version);
  void DrawLoop();
  void Publish(PreviewFrame frame);

  Studio& studio_;
  EventHub& events_;
  int threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<const PreviewFrame> latest_;
  std::uint64_t shown_ = 0;  // the version of the newest frame
  bool final_ = false;       // whether that frame was the last pass
  bool quickShown_ = false;  // whether that frame was the quick pass
  std::uint64_t drawn_ = 0;  // the newest frame a page drew
  std::shared_ptr<const ViewImages> views_;
  std::uint64_t viewsVersion_ = 0;  // the version the views were made for
  std::uint64_t viewsMade_ = 0;
  std::optional<ViewProbe> toDraw_;  // the newest probe not yet drawn
  std::condition_variable drawWake_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::thread drawer_;
};

}  // namespace standin
