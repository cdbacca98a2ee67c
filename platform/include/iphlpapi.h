// The IP Helper calls and records.
#pragma once

#include <windows.h>

#include "platform/iphlp/iphlpapi.h"
