#include "standin/serve/event_hub.h"

namespace standin {

void EventHub::Publish(const std::string& type, const std::string& data) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back({++sequence_, "event: " + type + "\ndata: " + data + "\n\n"});
    while (events_.size() > kKept) events_.pop_front();
  }
  changed_.notify_all();
}

std::optional<std::string> EventHub::Next(std::uint64_t* cursor,
                                          std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, wait, [&] { return closed_ || sequence_ > *cursor; });
  if (closed_) return std::nullopt;
  std::string text;
  for (const Event& event : events_)
    if (event.sequence > *cursor) text += event.text;
  *cursor = sequence_;
  return text;
}

std::uint64_t EventHub::Latest() {
  std::lock_guard lock(mutex_);
  return sequence_;
}

void EventHub::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

bool EventHub::OpenStream() {
  std::lock_guard lock(mutex_);
  if (closed_ || streams_ >= kMaxStreams) return false;
  ++streams_;
  return true;
}

void EventHub::CloseStream() {
  std::lock_guard lock(mutex_);
  --streams_;
}

}  // namespace standin
