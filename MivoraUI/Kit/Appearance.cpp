#include "MivoraUI/Kit/Appearance.h"

namespace mivora::Appearance {

QPalette palette(bool dark) {
    if (!dark) return QPalette();
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, QColor(0x28, 0x28, 0x28));
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor(0x32, 0x32, 0x32));
    p.setColor(QPalette::ButtonText, Qt::white);
    return p;
}

} // namespace mivora::Appearance
