#pragma once

#include <QAbstractButton>

class QLabel;

namespace mivora {

class AppModel;
class StatusDot;

// The setup summary under the sidebar: "就绪" with a green dot when dictation can work now, otherwise how
// many steps are left. A click opens the home page when ready, otherwise the settings, where the steps
// and the account are.
class SidebarFooter final : public QAbstractButton {
    Q_OBJECT
public:
    explicit SidebarFooter(AppModel& model, QWidget* parent = nullptr);

    // The setup model's readiness: the three permissions, a recogniser, and a signed-in account where this
    // build requires one.
    bool ready() const;
    QString headline() const;
    QString subline() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    AppModel& model_;
    StatusDot* dot_;
    QLabel* headline_;
    QLabel* subline_;
};

} // namespace mivora
