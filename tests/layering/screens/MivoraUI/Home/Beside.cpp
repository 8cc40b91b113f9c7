// A page that reaches into a screen it does not host, though that one stands lower.
#include "MivoraUI/Memories/MemoriesView.h"
