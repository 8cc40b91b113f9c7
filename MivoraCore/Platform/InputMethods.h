#pragma once

#include <QtGlobal>

namespace mivora {

// Whether an input method stands between the keyboard and an application: letters typed there may be held
// in a composition instead of reaching the field.
class InputMethods {
public:
    virtual ~InputMethods() = default;
    // True only when it is known that an input method takes the keys of application `pid` and is switched
    // on: the application was started to type through one, that one runs on this desktop, and it does not
    // say it is switched off (letters go straight through). False when that cannot be told.
    virtual bool composesFor(qint64 pid) = 0;
};

} // namespace mivora
