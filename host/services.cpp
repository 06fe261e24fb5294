#include "host/services.h"

namespace quillane {

HostServices gHost = {};

}  // namespace quillane
