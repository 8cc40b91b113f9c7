#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"
#include "Support/Scheduler.h"

#include <QWidget>

class QPlainTextEdit;

namespace mivora {

// The multi-line box in which the user tries dictation: a placeholder while empty, a focus ring in the
// accent colour, and keyboard focus taken 0.3 s after the field comes on screen.
class PracticeField final : public QWidget {
    Q_OBJECT
public:
    PracticeField(Scheduler& scheduler, const QString& placeholder, double height, QWidget* parent = nullptr);
    ~PracticeField() override;

    QString text() const;
    void setText(const QString& text);
    QPlainTextEdit* editor() const { return editor_; }
    // 0 without focus, 1 with the focus ring fully shown.
    double focusRing() const { return ring_.value().toDouble(); }

signals:
    void textChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void tintPlaceholder();
    Scheduler& scheduler_;
    QPlainTextEdit* editor_;
    Scheduler::TimerId focusTimer_ = 0;
    SpringAnimation ring_{0.0};
};

} // namespace mivora
