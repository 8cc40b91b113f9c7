// The kit stands below every screen.
#include "MivoraUI/HUD/HUDPill.h"
