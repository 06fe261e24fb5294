#include "standin/serve/history.h"

namespace standin {

void History::Record(HistoryStep step) {
  steps_.resize(position_);
  if (!steps_.empty() && !step.gesture.empty()) {
    HistoryStep& last = steps_.back();
    if (last.gesture == step.gesture && last.kind == step.kind &&
        last.control == step.control && last.input == step.input) {
      last.after = std::move(step.after);
      return;
    }
  }
  steps_.push_back(std::move(step));
  if (steps_.size() > kLimit) steps_.pop_front();
  position_ = steps_.size();
}

std::optional<HistoryStep> History::Undo() {
  if (position_ == 0) return std::nullopt;
  return steps_[--position_];
}

std::optional<HistoryStep> History::Redo() {
  if (position_ == steps_.size()) return std::nullopt;
  return steps_[position_++];
}

void History::Revert(bool wasUndo) {
  if (wasUndo) ++position_;
  else --position_;
}

void History::Clear() {
  steps_.clear();
  position_ = 0;
}

}  // namespace standin
