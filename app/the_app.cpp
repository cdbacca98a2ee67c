// The one application object.
#include "app/lease_app.h"

CLeaseApp theApp;
