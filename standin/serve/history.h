// Undo and redo of the page's changes: each step is one setting, one
// wiring, the camera or the environment, with its value before and after.
// A run of changes to one control within one gesture (a slider drag) is
// one step.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace standin {

struct HistoryStep {
  enum class Kind { Value, Wiring, Camera, Environment } kind = Kind::Value;
  unsigned long control = 0;  // Value: the panel control
  std::string input;          // Wiring: the input's name
  nlohmann::json before;
  nlohmann::json after;
  std::string gesture;  // empty: never merged
};

class History {
 public:
  static constexpr std::size_t kLimit = 500;

  // Records a step done now; drops the steps that were undone. A step of
  // the same kind, control or input and non-empty gesture as the last one
  // merges into it.
  void Record(HistoryStep step);
  // The step to undo (moving back over it), or nullopt.
  std::optional<HistoryStep> Undo();
  // The step to redo (moving forward over it), or nullopt.
  std::optional<HistoryStep> Redo();
  // Puts back a step taken by Undo or Redo that could not be applied.
  void Revert(bool wasUndo);
  void Clear();

  std::size_t undoCount() const { return position_; }
  std::size_t redoCount() const { return steps_.size() - position_; }

 private:
  std::deque<HistoryStep> steps_;
  std::size_t position_ = 0;  // steps before it are done
};

}  // namespace standin
