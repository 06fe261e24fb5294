#include "standin/serve/preview.h"

#include <chrono>
#include <iostream>

namespace standin {

PreviewWorker::PreviewWorker(Studio& studio, EventHub& events, int threads)
    : studio_(studio), events_(events), threads_(threads) {
  thread_ = std::thread([this] { Run(); });
}

PreviewWorker::~PreviewWorker() {
  stop_ = true;
  wake_.notify_all();
  thread_.join();
}

void PreviewWorker::Wake() {
  std::lock_guard lock(mutex_);
  wake_.notify_all();
}

std::shared_ptr<const PreviewFrame> PreviewWorker::Latest() {
  std::lock_guard lock(mutex_);
  return latest_;
}

void PreviewWorker::Run() {
  while (!stop_) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, std::chrono::seconds(1), [&] {
        return stop_ || studio_.version() != shown_ || !final_;
      });
      if (stop_) return;
      if (studio_.version() == shown_ && final_) continue;
    }
    RenderNext();
  }
}

void PreviewWorker::RenderNext() {
  std::uint64_t shown;
  {
    std::lock_guard lock(mutex_);
    shown = shown_;
  }
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

void PreviewWorker::Publish(PreviewFrame frame) {
  const std::string data = "{\"id\":" + std::to_string(frame.id) +
                           ",\"version\":" + std::to_string(frame.version) +
                           ",\"pass\":\"" + (frame.refined ? "refined" : "quick") + "\"}";
  {
    std::lock_guard lock(mutex_);
    shown_ = frame.version;
    final_ = frame.final;
    latest_ = std::make_shared<const PreviewFrame>(std::move(frame));
  }
  events_.Publish("frame", data);
}

}  // namespace standin
