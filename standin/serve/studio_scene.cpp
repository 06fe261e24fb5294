// Opening, saving and downloading scenes from the look-dev page.
#include <fstream>
#include <sstream>

#include "standin/assets/scene_assets.h"
#include "standin/serve/studio.h"

namespace standin {
namespace {

std::string ReadSceneText(const std::filesystem::path& path, const std::string& name) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  if (!(text << file.rdbuf())) throw SceneError(name + ": cannot read the scene file");
  return text.str();
}

}  // namespace

// Loads the scene's node data into a scratch node, so that bad data is
// refused before the open scene is given up.
void Studio::CheckNodeData(const Scene& scene, const std::string& name) {
  if (scene.nodeData.empty()) return;
  HostNode& scratch = host_->CreateNode();
  try {
    host_->Load(scratch, scene.nodeData, ContainerForm::kText, name + ": key node");
  } catch (...) {
    host_->DestroyNode(scratch);
    throw;
  }
  host_->DestroyNode(scratch);
}

std::uint64_t Studio::OpenScene(const std::string& name) {
  ChangeGate gate(*this);
  const std::filesystem::path path = folder_.ForReading(name);
  auto scene = std::make_unique<Scene>(
      ParseScene(ReadSceneText(path, name), name, path.parent_path().string()));
  LoadSceneAssets(*scene, folder_.root());
  CheckNodeData(*scene, name);
  auto previous = std::make_unique<Scene>(*scene_);
  previous->nodeData = session_->SaveNodeText();
  const std::string previousName = sceneName_;
  try {
    StartSession(std::move(scene), name);
  } catch (...) {
    StartSession(std::move(previous), previousName);
    throw;
  }
  history_.Clear();
  nlohmann::json calls = nlohmann::json::array();
  calls.push_back({{"call", "load"}, {"detail", "the scene's node data through the module's load"}});
  return Commit("open " + name, std::move(calls));
}

std::string Studio::SceneText() {
  ChangeGate gate(*this);
  Scene saved = *scene_;
  saved.nodeData = session_->SaveNodeText();
  return FormatScene(saved);
}

void Studio::SaveScene(const std::string& name) {
  ChangeGate gate(*this);
  const std::filesystem::path path = folder_.ForWriting(name);
  Scene saved = *scene_;
  saved.nodeData = session_->SaveNodeText();
  WriteSceneFile(path.string(), saved);
  nlohmann::json calls = nlohmann::json::array();
  calls.push_back({{"call", "save"}, {"detail", "the node data through the module's save, to " + name}});
  Commit("save " + name, std::move(calls));
}

}  // namespace standin
