// Wiring the node's inputs from the page: a constant, one of the host's
// built-in sources (the object's UV first), or a scene image; and unwiring.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "standin/host/host.h"
#include "standin/render/scene.h"

namespace standin {

// How the page names a wiring: {"kind": "none"}, {"kind": "constant",
// "value": number or [3 numbers]}, {"kind": "uv"} (or another built-in
// source name), {"kind": "image", "name": ...}.
nlohmann::json WiringJson(const HostInput& input);

// Whether `request` asks to unwire: {"kind": "none"}.
bool IsUnwiring(const nlohmann::json& request);

// The source `request` names for an input that is `scalar` or not. Throws
// RequestError for a malformed request, a constant of the wrong size or not
// finite, a source of the wrong kind, or an unknown image.
InputSource ParseSource(const nlohmann::json& request, bool scalar, const Scene& scene);

// The built-in sources the page offers: [{"name": "uv", "scalar": false},
// ...], the object's UV first.
nlohmann::json BuiltInSources();

// Whether input `name` takes one number (else three).
bool IsScalarInput(const std::string& name);

// Unwires the input and tells the node, as the host does when a connection
// is removed. Throws HostError for an unknown input.
void Unwire(Host& host, HostNode& node, const std::string& name);

}  // namespace standin
