#pragma once

#include <QDateTime>
#include <QObject>

#include <optional>

namespace mivora {

// What the main window shows and what the shell tells it: the open section, whether the first-run
// welcome stands in front of the pages, the lesson of the user's last success, and whether the window is
// on screen.
class WindowModel final : public QObject {
    Q_OBJECT
public:
    enum class Section { home = 0, tutorial = 1, memories = 2, settings = 3 };
    Q_ENUM(Section)
    enum class Lesson { dictate, recall, typing };
    struct Success {
        Lesson lesson;
        QDateTime at;
        bool operator==(const Success&) const = default;
    };

    explicit WindowModel(bool showWelcome, QObject* parent = nullptr)
        : QObject(parent), showWelcome_(showWelcome) {}

    Section section() const { return section_; }
    void open(Section section) {
        if (section == section_) return;
        section_ = section;
        emit sectionChanged();
    }
    bool showWelcome() const { return showWelcome_; }
    std::optional<Success> lastSuccess() const { return lastSuccess_; }
    void setLastSuccess(Success success) { lastSuccess_ = success, emit lastSuccessChanged(); }
    bool windowVisible() const { return windowVisible_; }
    void setWindowVisible(bool visible) { windowVisible_ = visible, emit windowVisibleChanged(); }

signals:
    void sectionChanged();
    void lastSuccessChanged();
    void windowVisibleChanged();

private:
    Section section_ = Section::home;
    bool showWelcome_;
    std::optional<Success> lastSuccess_;
    bool windowVisible_ = true;
};

} // namespace mivora
