#pragma once

#include "MivoraUI/Model/AppModel.h"

#include <QWidget>

#include <functional>

class QAbstractButton;

namespace mivora {

class PageDots;
class PageStack;

// The first-run welcome over the main window: a hero, the permission steps, the sign-in where the build
// needs an account for dictation, the three lessons in their compact form and a closing page, with page
// dots. Pages slide the way the user goes. Every page between the hero and the closing one can be
// skipped, so no missing microphone, recogniser or account keeps anyone in it; the closing page says
// what is still missing, if anything, and its button ends the welcome for good.
//
// A take refused while the welcome shows brings the welcome to its page for what is missing (the
// permissions or the sign-in), never opens something hidden under it.
class WelcomeFlow final : public QWidget {
    Q_OBJECT
public:
    // Every page the flow can have; `account` only where the build needs an account.
    enum PageIndex { hero = 0, permissions = 1, account = 2, firstLesson = 3, done = 6, pageCount = 7 };

    explicit WelcomeFlow(AppModel& model, QWidget* parent = nullptr);

    int current() const { return current_; }
    QWidget* page() const;
    QAbstractButton* skipButton() const { return skip_; }
    // Whether this flow has page `index` (the sign-in page only where the build needs an account).
    bool has(int index) const;
    // The page's place among the pages this flow has, from 0 (its dot).
    int position(int index) const;
    // Goes to page `index` (forward when it lies ahead); the same page, or one the flow lacks, changes
    // nothing.
    void goTo(int index);
    // The next page; from the last one, the end of the welcome.
    void next();

private:
    QWidget* makePage(int index);
    QWidget* makeHero();
    QWidget* makePermissions();
    QWidget* makeAccount();
    // A page that hosts a block of the window (the steps, the account block) under its title and line,
    // with "继续" below it; `width` wide.
    QWidget* hostingPage(const QString& title, const QString& line,
                         const std::function<QWidget*(QWidget* parent)>& block, int width);
    QWidget* makeDone();
    void askedFor(AppModel::Need need);

    AppModel& model_;
    const bool signInPage_;
    PageStack* pages_;
    PageDots* dots_;
    QAbstractButton* skip_;
    int current_ = hero;
    int furthest_ = hero;
};

} // namespace mivora
