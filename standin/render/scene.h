// The stand-in host's scene: camera, objects, lights, the node's input wiring
// and its saved data, plus reading and writing scene files (JSON, described
// in docs/scene-format.md).
//
// The renderer knows nothing about the module: the node's saved data is an
// opaque string (the host's text container form) and input names are only
// checked against the list of the node's input names, so that a misspelt
// input is reported with its file and key.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/inputs.h"
#include "standin/render/texture.h"
#include "standin/render/vec3.h"

namespace standin {

class MeshTracer;

// A malformed scene. what() is one line naming the file and the place:
//   "FILE: line 3, column 14: <what the JSON parser found>"
//   "FILE: key objects[1].size: expected a number greater than 0"
//   "FILE: key objects[0].shape: missing required key"
//   "FILE: key camera.fieldOfView: unknown key"
//   "FILE: key \"size\" appears twice in one object"
//   "FILE: the scene must be a JSON object"
//   "FILE: cannot read the scene file"
struct SceneError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Camera {
  Vec3 position{0.0, 1.0, 6.0};
  Vec3 target{0.0, 0.0, 0.0};
  Vec3 up{0.0, 1.0, 0.0};
  double fov = 30.0;  // vertical field of view, degrees, in (0, 180)
};

enum class Shape { Sphere, Disc, Plane, Cylinder, Torus, Mesh };

// How an object gives each spot its UV (w is always 0):
//   Planar:    local x and y over the object's extent, centred at 0.5:
//              u = 0.5 + x / (2 size), v = 0.5 + y / (2 size).
//   Spherical: longitude and latitude about the object's local Y axis:
//              u = 0.5 + atan2(x, z) / 2pi, v = 0.5 + asin(y / |p|) / pi.
//   Constant:  the same (u, v) everywhere (Object::uvConstant).
//   Cylindrical: around and along the local Y axis:
//              u = 0.5 + atan2(x, z) / 2pi, v = 0.5 + y / height.
//   Toroidal:  around the local Y axis and around the tube:
//              u = 0.5 + atan2(x, z) / 2pi,
//              v = 0.5 + atan2(y, sqrt(x^2 + z^2) - size) / 2pi.
//   Mesh:      the mesh file's own texture coordinates.
enum class UvMode { Planar, Spherical, Constant, Cylindrical, Toroidal, Mesh };

// One object. Local space: the sphere is centred at the origin with radius
// `size`; the disc (radius `size`) and the plane (a square of half-width
// `size`) lie in the local XY plane facing local +Z; the cylinder (an open
// tube of radius `size` and length `height`) and the torus (ring radius
// `size`, tube radius `tube`) are centred at the origin around local Y; a
// mesh is its file's vertices scaled by `size` (so local units are scene
// units for every shape).
// `rotation` is in degrees about X, then Y, then Z (R = Rz * Ry * Rx).
// toWorld / toLocal are derived from `rotation` by PlaceObject(); code that
// builds an Object by hand must call it after setting `rotation`.
struct Object {
  std::string name;
  Shape shape = Shape::Sphere;
  Vec3 position;
  Vec3 rotation;
  double size = 1.0;
  UvMode uvMode = UvMode::Planar;
  std::array<double, 2> uvConstant{0.5, 0.5};
  double height = 2.0;  // cylinder length
  double tube = 0.25;   // torus tube radius
  std::string mesh;     // mesh file as written in the scene (.obj, .gltf, .glb)
  Mat3 toWorld{1, 0, 0, 0, 1, 0, 0, 0, 1};  // local to world, rotation only
  Mat3 toLocal{1, 0, 0, 0, 1, 0, 0, 0, 1};  // its inverse (the transpose)
};

// Fills object.toWorld and object.toLocal from object.rotation.
void PlaceObject(Object& object);
// An object of `shape` at `position`, turned by `rotation` (degrees) and
// placed, the rest as Object gives it.
Object PlacedObject(const char* name, Shape shape, Vec3 position, Vec3 rotation, UvMode uv,
                    double size = 1.0);

enum class LightType { Distant, Point, Spot, Rectangle, Disc, Environment };

struct EnvironmentMap;

// A scene light. Colour and intensity multiply; there is no falloff with
// distance. What each type reads (the rest is ignored):
//
// | type        | keys                                        |
// |-------------|---------------------------------------------|
// | Distant     | direction (the way the light travels)       |
// | Point       | position                                    |
// | Spot        | position, direction (the cone's axis), coneAngle, softEdge |
// | Rectangle   | position (centre), direction (the way it faces), size, samples |
// | Disc        | position (centre), direction (the way it faces), radius, samples |
// | Environment | image or preset, rotation, samples          |
//
// Area lights emit from their front face only, radiance colour x intensity.
// The environment's map gives radiance by direction (lighting.h).
// `direction` need not be unit length and is never zero.
struct Light {
  std::string name;
  LightType type = LightType::Distant;
  Vec3 direction{0.0, -1.0, 0.0};
  Vec3 position;
  Vec3 color{1.0, 1.0, 1.0};
  double intensity = 1.0;
  bool affectsSpecular = true;  // false: the host reports light flag bit 4
  bool shadows = true;          // false: geometry never blocks this light
  std::vector<std::string> excludedFrom;  // object names
  double coneAngle = 30.0;  // spot: half-angle of the cone, degrees, (0, 90]
  double softEdge = 5.0;    // spot: degrees inside the edge over which it fades
  std::array<double, 2> size{1.0, 1.0};  // rectangle: width, height
  double radius = 0.5;      // disc
  std::string image;        // environment: lat-long map file, as written
  std::string imagePath;    // where it is read from (relative to the scene's folder)
  std::string preset;       // environment: a built-in map ("studio", "sky")
  double rotation = 0.0;    // environment: degrees about world +Y
  int samples = 1;          // area and environment: items in the host's list
  // Environment: the map ready to sample: a preset's as soon as the scene
  // names it, an image's once loaded (LoadSceneAssets).
  std::shared_ptr<const EnvironmentMap> environment;
};

// Whether the light is sampled (area and environment lights): such a light
// is listed `samples` times in the host's item list.
bool IsSampled(LightType type);

// Which of the scene's lights the host lists: All, or Plain (distant and
// point lights only, the scene's look without studio lighting).
enum class Lighting { All, Plain };

// What a wired node input yields at a spot.
enum class SourceKind {
  Number,         // a constant scalar (InputSource::value[0])
  Vector,         // a constant triple (InputSource::value)
  Uv,             // the spot's (u, v, 0)
  U,              // the spot's u (scalar)
  V,              // the spot's v (scalar)
  Position,       // world position
  Normal,         // world normal (facing the ray)
  LocalPosition,  // position in the object's local frame, relative to its centre
  LocalNormal,    // the normal in the object's local frame
  Tangent,        // world direction of increasing u along the surface
  LocalTangent,   // the same in the object's local frame
  Image,          // an image sampled at the spot's UV (InputSource::image)
};

struct InputSource {
  InputSource(SourceKind k = SourceKind::Number, std::array<double, 3> v = {0.0, 0.0, 0.0},
              std::shared_ptr<const ImageInput> i = nullptr)
      : kind(k), value(v), image(std::move(i)) {}

  SourceKind kind = SourceKind::Number;
  std::array<double, 3> value{0.0, 0.0, 0.0};
  // Image: the binding, and once loaded (LoadSceneAssets) the texture.
  std::shared_ptr<const ImageInput> image;
};

// True for the kinds that yield one number (Number, U, V). An image yields
// one number when its binding reads one channel.
bool IsScalarSource(SourceKind kind);

// The node's input names in the node's order, and whether each is scalar,
// read from the module's own table of its inputs. Scene files and eval
// lines may wire only these; a scalar input takes a number or a scalar
// source, the others three numbers or a vector source.
struct InputName {
  const char* name;
  bool scalar;
};
inline constexpr std::array<InputName, quillane::kNodeInputs.size()> kInputNames = [] {
  std::array<InputName, quillane::kNodeInputs.size()> names{};
  for (size_t i = 0; i < names.size(); ++i)
    names[i] = {quillane::kNodeInputs[i].name, quillane::kNodeInputs[i].type == kConnectionScalar};
  return names;
}();

// Which optional host services the scene's host offers the node.
struct Services {
  bool itemInfo = true;    // "LW Item Info 4"
  bool objectInfo = true;  // "LW Object Info 7"
  bool lightInfo = true;   // "LW Light Info 4"
};

// Render defaults; the command line may override size and exposure.
struct RenderDefaults {
  int width = 640;      // 1 .. 16384
  int height = 360;     // 1 .. 16384
  double exposure = 1.0;  // linear scale before display encoding, > 0
  int supersample = 2;  // samples per pixel along each axis, 1 .. 8
  Vec3 background{0.0, 0.0, 0.0};  // linear colour of rays that hit nothing
};

struct Scene {
  Camera camera;
  RenderDefaults render;
  std::vector<Object> objects;
  std::vector<Light> lights;  // in the host's item order
  Lighting lighting = Lighting::All;
  std::map<std::string, InputSource> inputs;  // wired inputs by name
  Services services;
  // The node's saved data in the host's text container form; empty means
  // no saved data (the node keeps the values it was created with).
  std::string nodeData;
  // The folder that relative mesh and image files are read from (the scene
  // file's folder; empty: the working folder). Not written to scene files.
  std::string folder;
  // The scene's meshes ready to trace, once loaded (LoadSceneAssets).
  std::shared_ptr<const MeshTracer> meshes;
};

// Index of the object called `name`, or -1.
int FindObject(const Scene& scene, const std::string& name);

// Whether light `light` is excluded from object `object` (indices; out of
// range answers false).
bool IsExcluded(const Scene& scene, int light, int object);

// Parses scene JSON. `name` is used in messages (normally the file path);
// relative mesh and image files are taken from `folder`. Throws SceneError.
Scene ParseScene(const std::string& text, const std::string& name,
                 const std::string& folder = "");

// `file` as read from `folder`: unchanged when absolute or when folder is
// empty.
std::string ResolvePath(const std::string& folder, const std::string& file);

// Reads and parses a scene file. Throws SceneError (also when the file
// cannot be read).
Scene LoadSceneFile(const std::string& path);

// The scene as JSON text (two-space indent, trailing newline); ParseScene
// of the result gives back an equal scene.
std::string FormatScene(const Scene& scene);

// Writes FormatScene(scene) to `path` as one output file (see
// output_files.h; built with the renderer). Throws FileError.
void WriteSceneFile(const std::string& path, const Scene& scene);

// The built-in preview scene: a sphere ("Ball") and a disc ("Plate") side
// by side on a dark background, the camera looking slightly down, a warm
// and a cool light, the warm one excluded from the disc, and the "studio"
// environment (lighting Plain: the two lights alone). The disc's planar
// UV is centred at 0.5 and wired to "UV", so the tangent turns radially;
// the sphere's constant UV (1, 0.5) leaves its tangent unsteered.
Scene DefaultScene();

}  // namespace standin
