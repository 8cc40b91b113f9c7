#pragma once

#include <QWidget>

#include <optional>

class QAbstractButton;

namespace mivora {

class StyledLabel;
class SoftButton;

// One line of the sync area: an icon in the secondary colour in an 18-point column, a title that wraps,
// and at the trailing edge at most one button, which emits `triggered`.
class SyncRow final : public QWidget {
    Q_OBJECT
public:
    explicit SyncRow(QWidget* parent = nullptr);

    // `button` absent: no button.
    void set(const QString& icon, const QString& title, const std::optional<QString>& button);
    QString icon() const { return icon_; }
    QString title() const;
    QAbstractButton* button() const;

signals:
    void triggered();

private:
    class Symbol;
    QString icon_;
    Symbol* symbol_;
    StyledLabel* title_;
    SoftButton* button_;
};

} // namespace mivora
