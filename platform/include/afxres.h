// What a program's resource data is written with: the framework's standard
// ids and the resource records of the window layer.
#pragma once

#include <windows.h>

#include "platform/framework/afx_ids.h"
#include "platform/framework/module.h"
