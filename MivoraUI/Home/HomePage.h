#pragma once

#include "Support/Scheduler.h"

#include <QWidget>

#include <optional>

class QAbstractButton;
class QLabel;

namespace mivora {

class AppModel;
class PracticeField;
class Reveal;
class RollingNumber;
class StyledLabel;
class TipText;

// The home section: a greeting by the hour, whether setup is complete (with a banner leading to the
// settings while it is not), one card per lesson opening the tutorial at it, the usage figures beside a
// practice field that can take the last dictated text, and a tip that changes every 8 s while the page
// is on screen. Its blocks rise into place one after another when the page first shows. It redraws on
// every change of the setup, the figures and the last text, and acts only through the model and the
// clipboard.
class HomePage final : public QWidget {
    Q_OBJECT
public:
    static constexpr double tipInterval = 8;

    explicit HomePage(AppModel& model, QWidget* parent = nullptr);
    ~HomePage() override;

    // The six tips, the hotkey and the tray named as on this desktop.
    static QStringList tips(const QString& hotkey);
    // The greeting for an hour of the day (0 to 23).
    static QString greeting(int hour);

    int tip() const { return tip_; }
    bool appeared() const { return appeared_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* header();
    QWidget* setupBanner();
    QWidget* cards();
    QWidget* statsCard();
    QWidget* tryCard();
    QWidget* tipCard();
    void refresh();
    // What the setup banner says is left to do.
    QString bannerDetail() const;
    void showTip(int index, bool animate);
    void copyLast();

    AppModel& model_;
    const QString hotkey_;
    int tip_ = 0;
    bool appeared_ = false;
    Scheduler::TimerId tipTimer_ = 0;
    std::optional<QString> lastText_;
    QList<Reveal*> reveals_;
    StyledLabel* greeting_ = nullptr;
    StyledLabel* status_ = nullptr;
    QWidget* banner_ = nullptr;
    StyledLabel* bannerTitle_ = nullptr;
    StyledLabel* bannerDetail_ = nullptr;
    RollingNumber* today_ = nullptr;
    RollingNumber* chars_ = nullptr;
    RollingNumber* minutes_ = nullptr;
    QAbstractButton* copy_ = nullptr;
    PracticeField* trial_ = nullptr;
    TipText* tipText_ = nullptr;
};

} // namespace mivora
