#pragma once

#include <QMainWindow>

#include <functional>

class QLabel;

namespace mivora {

class WindowModel;

// The main window's frame: follows the model's section, keeps its place in the settings, and only hides
// when closed. The pages come with their own window code; until then the page is empty but for the title.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int width = 960;
    static constexpr int height = 640;
    static constexpr int narrowest = 920; // a restored frame narrower than this is replaced

    explicit MainWindow(WindowModel& model, QWidget* parent = nullptr);

    // Restores the saved geometry, if any; a missing or too narrow one becomes 960 × 640 centred.
    void place(const QByteArray& savedGeometry);
    // Called when the user closes the window (it is hidden, not destroyed).
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void centre();
    void showSection();

    WindowModel& model_;
    QLabel* page_;
};

} // namespace mivora
