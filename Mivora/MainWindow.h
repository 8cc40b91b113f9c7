#pragma once

#include <QMainWindow>

#include <functional>

class QLabel;
class QStackedWidget;

namespace mivora {

class Clock;
class Defaults;
class MemoriesView;
class MemoryStore;
class AppModel;

// The main window's frame: follows the model's section, keeps its place in the settings, and only hides
// when closed. The memories section shows the memories page; the other sections are empty but for the title
// until their pages exist.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int width = 960;
    static constexpr int height = 640;
    static constexpr int narrowest = 920; // a restored frame narrower than this is replaced

    // `defaults` name the hotkey the pages speak of.
    MainWindow(AppModel& model, MemoryStore& memories, const Clock& clock, const Defaults& defaults,
               QWidget* parent = nullptr);

    // Restores the saved geometry, if any; a missing or too narrow one becomes 960 × 640 centred.
    void place(const QByteArray& savedGeometry);
    // Called when the user closes the window (it is hidden, not destroyed).
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void centre();
    void showSection();

    AppModel& model_;
    QStackedWidget* pages_;
    QLabel* placeholder_;
    MemoriesView* memories_;
};

} // namespace mivora
