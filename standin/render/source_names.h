// Names of the built-in input sources in scene files.
#pragma once

#include <array>

#include "standin/render/scene.h"

namespace standin {

struct SourceName {
  const char* name;
  SourceKind kind;
};

inline constexpr std::array<SourceName, 9> kSourceNames{{
    {"uv", SourceKind::Uv},
    {"u", SourceKind::U},
    {"v", SourceKind::V},
    {"position", SourceKind::Position},
    {"normal", SourceKind::Normal},
    {"localPosition", SourceKind::LocalPosition},
    {"localNormal", SourceKind::LocalNormal},
    {"tangent", SourceKind::Tangent},
    {"localTangent", SourceKind::LocalTangent},
}};

struct ShapeName {
  const char* name;
  Shape shape;
  UvMode uv;  // the shape's UV unless the scene says otherwise
};

inline constexpr std::array<ShapeName, 6> kShapeNames{{
    {"sphere", Shape::Sphere, UvMode::Spherical},
    {"disc", Shape::Disc, UvMode::Planar},
    {"plane", Shape::Plane, UvMode::Planar},
    {"cylinder", Shape::Cylinder, UvMode::Cylindrical},
    {"torus", Shape::Torus, UvMode::Toroidal},
    {"mesh", Shape::Mesh, UvMode::Mesh},
}};

struct UvModeName {
  const char* name;
  UvMode mode;
};

inline constexpr std::array<UvModeName, 5> kUvModeNames{{
    {"planar", UvMode::Planar},
    {"spherical", UvMode::Spherical},
    {"cylindrical", UvMode::Cylindrical},
    {"toroidal", UvMode::Toroidal},
    {"mesh", UvMode::Mesh},
}};

struct LightTypeName {
  const char* name;
  LightType type;
};

inline constexpr std::array<LightTypeName, 6> kLightTypeNames{{
    {"distant", LightType::Distant},
    {"point", LightType::Point},
    {"spot", LightType::Spot},
    {"rectangle", LightType::Rectangle},
    {"disc", LightType::Disc},
    {"environment", LightType::Environment},
}};

}  // namespace standin
