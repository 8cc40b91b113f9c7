#pragma once

#include <QWidget>

class QAbstractButton;

namespace mivora {

class AppModel;
class PageDots;
class PageStack;

// The first-run welcome over the main window: a hero, the permission steps, the three lessons in their
// compact form and a closing page, with page dots. Pages slide the way the user goes. Every page after
// the hero can be skipped, so no missing microphone, recogniser or account keeps anyone in it; the last
// page (or skipping it) ends the welcome for good.
class WelcomeFlow final : public QWidget {
    Q_OBJECT
public:
    enum PageIndex { hero = 0, permissions = 1, firstLesson = 2, done = 5, pageCount = 6 };

    explicit WelcomeFlow(AppModel& model, QWidget* parent = nullptr);

    int current() const { return current_; }
    QWidget* page() const;
    QAbstractButton* skipButton() const { return skip_; }
    // Goes to page `index` (forward when it lies ahead); the same page changes nothing.
    void goTo(int index);
    // The next page; from the last one, the end of the welcome.
    void next();

private:
    QWidget* makePage(int index);
    QWidget* makeHero();
    QWidget* makePermissions();
    QWidget* makeDone();

    AppModel& model_;
    PageStack* pages_;
    PageDots* dots_;
    QAbstractButton* skip_;
    int current_ = hero;
    int furthest_ = hero;
};

} // namespace mivora
