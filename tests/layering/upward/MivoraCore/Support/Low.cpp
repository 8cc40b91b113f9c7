// A low layer that reaches up: the layering check must refuse this tree.
#include "Dictation/VoiceController.h"
