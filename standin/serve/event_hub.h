// Server-sent events for the open pages: each event has a sequence number,
// and every stream reads the events after the last one it sent. Only the
// newest events are kept; a stream that falls behind skips to them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace standin {

class EventHub {
 public:
  // Adds an event of `type` with `data` (one line of JSON).
  void Publish(const std::string& type, const std::string& data);

  // The text of the events after `*cursor` ("event: ...\ndata: ...\n\n"
  // each), advancing the cursor; waits up to `wait` for one. Empty after the
  // wait; nullopt once the hub is closed.
  std::optional<std::string> Next(std::uint64_t* cursor, std::chrono::milliseconds wait);

  // The sequence number of the newest event (a new stream starts there).
  std::uint64_t Latest();

  // Ends every stream.
  void Close();

  // Streams may be opened only while fewer than the limit are open.
  bool OpenStream();
  void CloseStream();

  static constexpr int kMaxStreams = 8;
  static constexpr size_t kKept = 64;

 private:
  struct Event {
    std::uint64_t sequence;
    std::string text;
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Event> events_;
  std::uint64_t sequence_ = 0;
  int streams_ = 0;
  bool closed_ = false;
};

}  // namespace standin
