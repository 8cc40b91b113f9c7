#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"
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

    // How a change of the fields shows: at once, along the kit's smooth spring (the row's marks and its
    // height), or for reduced motion as a short fade of the marks with the height set at once.
    enum class Motion { none, spring, fade };

    explicit StepRow(Fields fields, QWidget* parent = nullptr);

    void setFields(Fields fields, Motion motion = Motion::none);
    const Fields& fields() const { return fields_; }
    // How far the drawing has come towards done and towards active, 0 to 1.
    double shownDone() const;
    double shownActive() const;
    // The change under way, from 0 (the old drawing and height) to 1 (the new).
    const SpringAnimation& change() const { return change_; }
    // The button shown now, or null once the step is done.
    QAbstractButton* button() const;
    // The hint drawing, or null while none is shown.
    PermissionHint* hint() const { return hint_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void apply(Motion motion);
    void follow();
    void settled();

    Fields fields_;
    QLabel* title_;
    QLabel* detail_;
    QVBoxLayout* text_;
    PermissionHint* hint_ = nullptr;
    PrimaryButton* primary_;
    SoftButton* soft_;
    SpringAnimation change_{1.0};
    // Where the change runs from and to: done and active as 0 or 1 (or a point on the way), and the height
    // while it grows or shrinks (none when the height was set at once).
    double fromDone_ = 0, toDone_ = 0, fromActive_ = 0, toActive_ = 0;
    std::optional<std::pair<int, int>> heights_;
};

} // namespace mivora
