#pragma once

#include "MivoraUI/Kit/CapsuleButton.h"

namespace mivora {

// A secondary action: text in the inherited colour on a faint capsule that darkens while pressed.
class SoftButton final : public CapsuleButton {
    Q_OBJECT
public:
    explicit SoftButton(const QString& text, QWidget* parent = nullptr)
        : CapsuleButton(Look::soft, text, parent) {}
};

} // namespace mivora
