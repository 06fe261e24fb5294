// The built-in preview scene.
#include "standin/render/environment_preset.h"
#include "standin/render/scene.h"

namespace standin {

Scene DefaultScene() {
  Scene scene;
  scene.camera.position = {0.0, 1.3, 7.0};
  scene.camera.target = {0.0, 0.0, 0.0};
  scene.camera.fov = 30.0;
  scene.render.background = {0.012, 0.013, 0.016};

  // A ball on the left; a disc on the right turned toward the camera.
  Object ball = PlacedObject("Ball", Shape::Sphere, {-1.25, 0.0, 0.0}, {}, UvMode::Constant);
  ball.uvConstant = {1.0, 0.5};
  scene.objects.push_back(ball);
  scene.objects.push_back(
      PlacedObject("Plate", Shape::Disc, {1.25, 0.0, 0.0}, {-10.0, -10.0, 0.0}, UvMode::Planar));

  // A warm key light from the upper left, nearly frontal so its shadow
  // edge stays near the ball's outline, kept off the disc...
  Light warm;
  warm.name = "Warm Key";
  warm.type = LightType::Distant;
  warm.direction = {0.35, -0.35, -0.87};
  warm.color = {1.0, 0.72, 0.42};
  warm.intensity = 1.0;
  warm.excludedFrom = {"Plate"};
  scene.lights.push_back(warm);

  // ...and a cool point light at the upper right that lights both.
  Light cool;
  cool.name = "Cool Fill";
  cool.type = LightType::Point;
  cool.position = {3.0, 2.5, 5.0};
  cool.color = {0.45, 0.65, 1.0};
  cool.intensity = 1.0;
  scene.lights.push_back(cool);

  // Studio lighting around both: soft boxes over a dark ground. "lighting":
  // "plain" leaves the two lights above alone.
  Light studio;
  studio.name = "Studio";
  studio.type = LightType::Environment;
  studio.preset = "studio";
  studio.environment = PresetMap(*FindEnvironmentPreset(studio.preset));
  studio.intensity = 0.2;
  studio.samples = 4;
  scene.lights.push_back(studio);

  scene.inputs["UV"] = {SourceKind::Uv, {0.0, 0.0, 0.0}};
  return scene;
}

}  // namespace standin
