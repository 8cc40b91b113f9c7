#pragma once

#include <QBoxLayout>

namespace mivora::Layouts {

// A row or a column without margins, `spacing` apart, set on `owner` when given.
inline QHBoxLayout* row(int spacing, QWidget* owner = nullptr) {
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

inline QVBoxLayout* column(int spacing, QWidget* owner = nullptr) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace mivora::Layouts
