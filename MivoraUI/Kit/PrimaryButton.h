#pragma once

#include "MivoraUI/Kit/CapsuleButton.h"

namespace mivora {

// The main action of a view: semibold text on the accent colour; pressed, it shrinks and dims.
class PrimaryButton final : public CapsuleButton {
    Q_OBJECT
public:
    explicit PrimaryButton(const QString& text, QWidget* parent = nullptr)
        : CapsuleButton(Look::primary, text, parent) {}
};

} // namespace mivora
