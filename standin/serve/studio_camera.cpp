// The page's camera and its choice of the spot the lobe plot shows.
#include "standin/render/scene_json.h"
#include "standin/serve/panel_values.h"
#include "standin/serve/studio.h"

namespace standin {
namespace {

using nlohmann::json;

// What requests are called in messages: "request: key camera.fov: ...".
const std::string kRequest = "request";

const json& AsObject(const json& request) {
  if (!request.is_object()) throw RequestError("expected a JSON object");
  return request;
}

}  // namespace

std::uint64_t Studio::SetCamera(const json& request) {
  ChangeGate gate(*this);
  const SceneErrors errors{kRequest};
  SceneObject in(SceneJson{AsObject(request), "", errors});
  const Camera camera = ReadCamera(in.Required("camera"));
  std::string gesture;
  in.Optional("gesture", [&](const SceneJson& v) { gesture = v.String(); });
  in.Finish();
  const json before = CameraJson(scene_->camera);
  scene_->camera = camera;
  history_.Record({HistoryStep::Kind::Camera, 0, {}, before, CameraJson(camera), gesture});
  // The module is told nothing: the next render sees the new view.
  return Commit("camera", json::array());
}

std::uint64_t Studio::SetSpot(const json& request) {
  ChangeGate gate(*this);
  const SceneErrors errors{kRequest};
  SceneObject in(SceneJson{AsObject(request), "", errors});
  const auto [width, height] = PreviewSize(scene_->render);
  const int x = in.Required("x").IntegerIn(0, width - 1);
  const int y = in.Required("y").IntegerIn(0, height - 1);
  in.Finish();
  spot_ = std::pair{x, y};
  return Commit("spot " + std::to_string(x) + ", " + std::to_string(y), json::array());
}

}  // namespace standin
