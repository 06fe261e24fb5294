// The node's panel as the host shows it, as text.
#pragma once

#include <string>

#include "standin/host/host.h"

namespace standin {

// The panel's label, then one line per control: its label, class and the
// value the panel's get function gives now, or "(hidden ...)" when it gives
// none; then the wired inputs. Opens the panel if it is not open. Throws
// HostError when the module builds no panel.
std::string PrintPanel(Host& host, HostNode& node);

}  // namespace standin
