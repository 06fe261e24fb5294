// The look-dev page's files (web/), compiled into the program at build time.
#pragma once

#include <string_view>

namespace standin {

struct WebAsset {
  std::string_view path;  // "/index.html", "/app.js", ...
  std::string_view type;  // media type for Content-Type
  std::string_view body;
};

// The file served at `path` ("/" is "/index.html"), or null.
const WebAsset* FindWebAsset(std::string_view path);

}  // namespace standin
