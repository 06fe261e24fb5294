#include "standin/serve/lookdev_views.h"

namespace standin {

nlohmann::json LookdevViews() {
  const nlohmann::json missing = {
      {"available", false},
      {"reason", "not in this build yet: it comes with the look-dev library"}};
  return {{"lobe", missing}, {"frame", missing}};
}

}  // namespace standin
