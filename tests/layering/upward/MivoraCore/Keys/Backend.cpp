// A service that names a backend: only the shell may.
#include "Platform/Linux/X11Display.h"
