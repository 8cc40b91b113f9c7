// A hosted screen that reaches back into the window that hosts it.
#include "MivoraUI/Window/MainView.h"
// What it hosts and the kit are fine.
#include "MivoraUI/Account/AccountSection.h"
#include "MivoraUI/Kit/UI.h"
