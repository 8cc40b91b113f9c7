#pragma once

#include "Platform/FrontApplication.h"

namespace mivora {

// Posts the program's own keyboard events (the paste shortcut) into the desktop's event stream.
class SyntheticKeys {
public:
    virtual ~SyntheticKeys() = default;
    // Posts the paste shortcut `keys`. False when it could not be posted.
    virtual bool postPaste(PasteKeys keys = PasteKeys::controlV) = 0;
};

} // namespace mivora
