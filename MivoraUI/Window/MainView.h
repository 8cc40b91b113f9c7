#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"
#include "MivoraUI/Welcome/WelcomeFlow.h"

#include <QPointer>
#include <QWidget>

class QSplitter;

namespace mivora {

class AppModel;
class LayerEffect;
class PageStack;
class Sidebar;

// The main window's content: the sidebar beside the page of the selected section and, while the
// first-run welcome is on, the welcome over everything with the rest faded out, blurred and unusable
// behind it. Follows the window model and tells everything below whether the window can be seen.
class MainView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int narrowest = 920;
    static constexpr int lowest = 620;

    explicit MainView(AppModel& model, QWidget* parent = nullptr);

    Sidebar* sidebar() const { return sidebar_; }
    QSplitter* splitView() const { return split_; }
    // The page on screen (the one coming in during a change).
    QWidget* page() const;
    // The welcome while it shows or is leaving; null otherwise.
    WelcomeFlow* welcome() const { return welcome_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showSection();
    void followWelcome(bool animated);
    void applyWelcome(double shown);
    void welcomeSettled();
    void dropWelcome();
    void holdPageMinimum();

    AppModel& model_;
    QSplitter* split_;
    Sidebar* sidebar_;
    PageStack* pages_;
    QPointer<WelcomeFlow> welcome_;
    LayerEffect* splitLook_ = nullptr;
    LayerEffect* welcomeLook_ = nullptr;
    // 1 while the welcome covers the window, 0 once it is gone.
    SpringAnimation welcomeShown_{0.0};
};

} // namespace mivora
