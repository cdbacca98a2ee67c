// Socket layer start-up for framework programs.
#pragma once

#include "platform/framework/sockets.h"
