#pragma once

namespace mivora {

// Posts the program's own keyboard events (the paste shortcut) into the desktop's event stream.
class SyntheticKeys {
public:
    virtual ~SyntheticKeys() = default;
    // Posts the paste shortcut (Ctrl+V here). False when it could not be posted.
    virtual bool postPaste() = 0;
};

} // namespace mivora
