// Names of the built-in input sources in scene files.
#pragma once

#include <array>

#include "standin/render/scene.h"

namespace standin {

struct SourceName {
  const char* name;
  SourceKind kind;
};

inline constexpr std::array<SourceName, 7> kSourceNames{{
    {"uv", SourceKind::Uv},
    {"u", SourceKind::U},
    {"v", SourceKind::V},
    {"position", SourceKind::Position},
    {"normal", SourceKind::Normal},
    {"localPosition", SourceKind::LocalPosition},
    {"localNormal", SourceKind::LocalNormal},
}};

}  // namespace standin
