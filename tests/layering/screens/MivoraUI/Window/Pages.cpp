// The window hosts the pages: allowed.
#include "MivoraUI/Home/HomePage.h"
#include "MivoraUI/Settings/SettingsPage.h"
