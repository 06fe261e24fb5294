#include "host/services.h"

HostServices gHost = {};
