#pragma once

#include "MivoraUI/Steps/PermissionHint.h"

#include <QWidget>

#include <functional>
#include <optional>

class QAbstractButton;
class QLabel;
class QVBoxLayout;

namespace mivora {

class PrimaryButton;
class SoftButton;

// One numbered setup step: the number in a filled circle (a check mark once done), the title and the
// detail, the hint drawing while the step is the active one, and while not done a button that runs the
// step's action, prominent on the active step.
class StepRow final : public QWidget {
    Q_OBJECT
public:
    struct Fields {
        int n = 0;
        bool done = false;
        bool active = false;
        QString title;
        QString detail;
        QString button;
        std::optional<PermissionHint::Kind> hint;
        std::function<void()> action;
    };

    explicit StepRow(Fields fields, QWidget* parent = nullptr);

    void setFields(Fields fields);
    const Fields& fields() const { return fields_; }
    // The button shown now, or null once the step is done.
    QAbstractButton* button() const;
    // The hint drawing, or null while none is shown.
    PermissionHint* hint() const { return hint_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void apply();

    Fields fields_;
    QLabel* title_;
    QLabel* detail_;
    QVBoxLayout* text_;
    PermissionHint* hint_ = nullptr;
    PrimaryButton* primary_;
    SoftButton* soft_;
};

} // namespace mivora
