// The whole of the host's plug-in interface, for code that plays the host.
#pragma once

#include "hostapi/handles.h"
#include "hostapi/module.h"
#include "hostapi/panel.h"
#include "hostapi/saved.h"
#include "hostapi/services.h"
