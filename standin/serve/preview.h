// The preview worker: after every change it renders the quick pass, then
// the refined one, keeps the newest frame for the page and announces it as
// a "frame" event. A change made meanwhile interrupts the render in flight
// and starts over with the new version.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
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

 private:
  void Run();
  void RenderNext();
  void Publish(PreviewFrame frame);

  Studio& studio_;
  EventHub& events_;
  int threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<const PreviewFrame> latest_;
  std::uint64_t shown_ = 0;  // the version of the newest frame
  bool final_ = false;       // whether that frame was the last pass
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace standin
