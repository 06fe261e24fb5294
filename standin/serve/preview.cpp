#include "standin/serve/preview.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <iostream>

namespace standin {
namespace {

// The first full-size pass waits until a page says it drew the quick
// pass's frame, or kUnwatched when none does; the views wait kViewsDelay
// after that pass. On a machine of two cores the renders would otherwise
// fill, the page's fetch and draw waited for them: a frame's bytes, once
// sent, took the browser 5-35 ms more to reach the page.
constexpr std::chrono::milliseconds kUnwatched{250};
constexpr std::chrono::milliseconds kViewsDelay{60};

}  // namespace

PreviewWorker::PreviewWorker(Studio& studio, EventHub& events, int threads)
    : studio_(studio), events_(events), threads_(threads) {
  thread_ = std::thread([this] { Run(); });
  drawer_ = std::thread([this] { DrawLoop(); });
}

PreviewWorker::~PreviewWorker() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  drawWake_.notify_all();
  thread_.join();
  drawer_.join();
}

void PreviewWorker::Wake() {
  std::lock_guard lock(mutex_);
  wake_.notify_all();
}

std::shared_ptr<const PreviewFrame> PreviewWorker::Latest() {
  std::lock_guard lock(mutex_);
  return latest_;
}

void PreviewWorker::Drawn(std::uint64_t frame) {
  {
    std::lock_guard lock(mutex_);
    // No further than the newest frame: a report of one to come would
    // start the next refining pass before its quick frame was drawn.
    drawn_ = std::max(drawn_, std::min(frame, latest_ ? latest_->id : 0));
  }
  wake_.notify_all();
}

std::shared_ptr<const ViewImages> PreviewWorker::Views() {
  std::lock_guard lock(mutex_);
  return views_;
}

// Whether anything is left to do for the current version (mutex_ held).
bool PreviewWorker::Pending() {
  return studio_.version() != shown_ || viewsVersion_ != shown_ || !final_;
}

void PreviewWorker::Run() {
  while (!stop_) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, std::chrono::seconds(1), [&] { return stop_ || Pending(); });
      if (stop_) return;
      if (!Pending()) continue;
    }
    RenderNext();
  }
}

void PreviewWorker::RenderNext() {
  std::uint64_t shown, views;
  bool quickShown;
  {
    std::lock_guard lock(mutex_);
    shown = shown_;
    views = viewsVersion_;
    quickShown = quickShown_;
  }
  // The views come right after the first full-size pass of the version
  // shown.
  if (shown == studio_.version() && views != shown && !quickShown) {
    RenderViews(shown);
    return;
  }
  if (shown == studio_.version() && quickShown && AwaitDrawn(shown)) return;
  std::optional<PreviewFrame> frame;
  try {
    frame = studio_.RenderPreview(shown, threads_, stop_);
  } catch (const std::exception& e) {
    // Nothing the page sends can make a render fail; should one fail all
    // the same, say so and wait for the next change.
    std::cerr << "quillane serve: preview failed: " << e.what() << "\n";
    std::lock_guard lock(mutex_);
    shown_ = studio_.version();
    final_ = true;
    return;
  }
  if (!frame) {
    // A change is waiting for the lock: let it through first.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return;
  }
  Publish(std::move(*frame));
}

bool PreviewWorker::Breathe(std::uint64_t version, std::chrono::milliseconds delay) {
  std::unique_lock lock(mutex_);
  return wake_.wait_for(lock, delay, [&] { return stop_ || studio_.version() != version; });
}

bool PreviewWorker::AwaitDrawn(std::uint64_t version) {
  std::unique_lock lock(mutex_);
  const auto changed = [&] { return stop_ || studio_.version() != version; };
  const std::uint64_t quick = latest_ ? latest_->id : 0;
  wake_.wait_for(lock, kUnwatched, [&] { return changed() || drawn_ >= quick; });
  return changed();
}

void PreviewWorker::RenderViews(std::uint64_t version) {
  // A change meanwhile comes first.
  if (Breathe(version, kViewsDelay)) return;
  std::optional<ViewProbe> probe;
  try {
    probe = studio_.ProbeViews(version, threads_, stop_);
  } catch (const std::exception& e) {
    std::cerr << "quillane serve: views failed: " << e.what() << "\n";
    std::lock_guard lock(mutex_);
    viewsVersion_ = version;
    return;
  }
  if (!probe) {
    // A change is waiting for the lock: let it through first.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return;
  }
  {
    std::lock_guard lock(mutex_);
    viewsVersion_ = version;
    toDraw_ = std::move(probe);
  }
  drawWake_.notify_all();
}

void PreviewWorker::DrawLoop() {
  // Nice 10 for this thread alone (Linux gives each thread its own).
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
  while (true) {
    std::optional<ViewProbe> probe;
    {
      std::unique_lock lock(mutex_);
      drawWake_.wait(lock, [&] { return stop_ || toDraw_; });
      if (stop_) return;
      probe = std::move(toDraw_);
      toDraw_.reset();
    }
    // Views of a state already changed again would be stale on arrival.
    if (studio_.version() != probe->version) continue;
    auto views = std::make_shared<ViewImages>(DrawViews(*probe));
    std::string data;
    {
      std::lock_guard lock(mutex_);
      views->id = ++viewsMade_;
      views_ = views;
      data = "{\"id\":" + std::to_string(views->id) + ",\"version\":" +
             std::to_string(views->version) + "}";
    }
    events_.Publish("views", data);
  }
}

void PreviewWorker::Publish(PreviewFrame frame) {
  const std::string data = "{\"id\":" + std::to_string(frame.id) +
                           ",\"version\":" + std::to_string(frame.version) +
                           ",\"pass\":\"" + frame.pass + "\",\"samples\":" +
                           std::to_string(frame.samples) + "}";
  {
    std::lock_guard lock(mutex_);
    shown_ = frame.version;
    final_ = frame.final;
    quickShown_ = frame.pass == "quick";
    latest_ = std::make_shared<const PreviewFrame>(std::move(frame));
  }
  events_.Publish("frame", data);
}

}  // namespace standin
