// What the look-dev page works on: the loaded module, the stand-in host,
// the open scene with its node, the undo history and the host calls of the
// last change. Every call into the module happens here, under one lock; the
// preview renders through RenderPreview under the same lock: a quick pass
// in flight finishes before a waiting change goes ahead, a refining pass or
// the views give way to it at once.
#pragma once

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "standin/host/host.h"
#include "standin/host/scene_host.h"
#include "standin/render/renderer.h"
#include "standin/serve/display_table.h"
#include "standin/serve/history.h"
#include "standin/serve/lookdev_views.h"
#include "standin/serve/scene_folder.h"

namespace standin {

// One rendered preview image, as 8-bit RGBA for the page's canvas.
struct PreviewFrame {
  std::uint64_t id = 0;
  std::uint64_t version = 0;  // the state version it shows
  std::string pass;           // "quick", "refining" or "refined" (the last)
  bool final = false;         // no further pass follows for this version
  int samples = 0;            // samples per pixel so far
  int totalSamples = 0;       // the scene's samples per pixel
  int width = 0;
  int height = 0;
  std::string rgba;
};

// The preview's size: the scene's, fitted in 1024 x 1024.
std::pair<int, int> PreviewSize(const RenderDefaults& render);

class Studio {
 public:
  // Loads the module and the scene at `scenePath` (empty: the built-in
  // preview scene). Throws ModuleError, SceneError, ContainerError,
  // HostError.
  Studio(const std::string& modulePath, const std::string& scenePath, SceneFolder folder);
  ~Studio();

  // The page's whole state as of the last change (see docs/serve.md).
  // Does not wait for a preview in flight.
  nlohmann::json State();
  std::uint64_t version() const { return version_.load(); }

  // Changes; each throws RequestError (or SceneError, ContainerError,
  // ScenePathError, FileError) and then changes nothing. They return the
  // new version.
  std::uint64_t SetValue(const nlohmann::json& request);
  std::uint64_t Wire(const nlohmann::json& request);
  // The camera, {"camera": {position, target, up, fov}, "gesture"}; the
  // moves of one gesture (a drag) are one undo step.
  std::uint64_t SetCamera(const nlohmann::json& request);
  // The pixel of the preview whose spot the lobe plot shows, {"x", "y"}.
  std::uint64_t SetSpot(const nlohmann::json& request);
  // The scene's environment light: {"rotation"?, "image"? | "preset"?,
  // "gesture"?}, an image of the folder's HDR images.
  std::uint64_t SetEnvironment(const nlohmann::json& request);
  std::uint64_t Undo();
  std::uint64_t Redo();
  std::uint64_t OpenScene(const std::string& name);
  void SaveScene(const std::string& name);

  // The current scene as a scene file, the node's data written by the
  // module's own save.
  std::string SceneText();

  // Renders the preview of the current version: the quick pass (one
  // sample per pixel, small) unless `shown` is that version, else the next
  // refining pass. Nullopt when a change was waiting before it began, or
  // interrupted a refining pass, or `stop` interrupted it.
  std::optional<PreviewFrame> RenderPreview(std::uint64_t shown, int threads,
                                            const std::atomic<bool>& stop);

  // Probes the views beside the preview for `version`, from its last
  // preview image. Nullopt when that version is gone or a change or `stop`
  // interrupted it.
  std::optional<ViewProbe> ProbeViews(std::uint64_t version, int threads,
                                      const std::atomic<bool>& stop);

 private:
  // Holds the lock for a change; while it waits, a refining pass or the
  // views in flight give way.
  class ChangeGate {
   public:
    explicit ChangeGate(Studio& studio) {
      ++studio.waiting_;
      lock_ = std::unique_lock(studio.mutex_);
      --studio.waiting_;
    }

   private:
    std::unique_lock<std::mutex> lock_;
  };

  void ApplyValue(PanelId id, const nlohmann::json& value, nlohmann::json& calls);
  void ApplyWiring(const std::string& input, const nlohmann::json& source,
                   nlohmann::json& calls);
  void Apply(const HistoryStep& step, bool forward);
  // Undo (forward false) or redo the next step.
  std::uint64_t Step(bool forward);
  std::string ApplyStep(const HistoryStep& step, const nlohmann::json& value,
                        nlohmann::json& calls);
  Light& EnvironmentLight();
  void ApplyEnvironment(const nlohmann::json& value);
  nlohmann::json EnvironmentState();
  int PreviewSamples() const;
  bool Rendering(const std::function<bool()>& interrupted,
                 const std::function<void(const SampleShader&)>& render);
  PreviewFrame Finish(PreviewFrame frame, Image image, bool fullSize);
  void EmptySums();
  std::uint64_t Commit(const std::string& what, nlohmann::json calls);
  HostPanel& Panel();
  void StartSession(std::unique_ptr<Scene> scene, const std::string& name);
  void CheckNodeData(const Scene& scene, const std::string& name);
  nlohmann::json BuildState();

  std::mutex mutex_;
  std::atomic<int> waiting_{0};  // changes waiting for the lock
  std::atomic<std::uint64_t> version_{1};
  std::uint64_t frames_ = 0;
  Image lastPreview_;             // linear, the newest full-size preview pass
  std::optional<DisplayTable> display_;  // for the newest frames' exposure
  SampleSums sums_;               // the refining passes of the current version
                                  // (none yet: samples 0, the sums stale)
  std::optional<std::pair<int, int>> spot_;  // the pixel chosen for the lobe plot
  std::uint64_t lastPreviewVersion_ = 0;
  SceneFolder folder_;
  std::unique_ptr<ModuleFile> module_;
  std::unique_ptr<Host> host_;
  std::unique_ptr<Scene> scene_;
  std::string sceneName_;
  std::unique_ptr<SceneSession> session_;
  History history_;
  nlohmann::json lastChange_;
  std::mutex stateMutex_;     // guards state_ alone
  nlohmann::json state_;      // BuildState() after the last change
};

}  // namespace standin
