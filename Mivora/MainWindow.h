#pragma once

#include <QMainWindow>

#include <functional>

namespace mivora {

class AppModel;
class MainView;

// The main window's frame around the window's content: keeps its place in the settings, only hides when
// closed, and says when it stops or starts being seen (closed, minimised, restored).
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int width = 960;
    static constexpr int height = 640;
    static constexpr int narrowest = 920; // a restored frame narrower than this is replaced

    explicit MainWindow(AppModel& model, QWidget* parent = nullptr);

    MainView* view() const { return view_; }
    // Restores the saved geometry, if any; a missing or too narrow one becomes 960 × 640 centred.
    void place(const QByteArray& savedGeometry);
    // Called when the user closes the window (it is hidden, not destroyed).
    std::function<void()> onClose;
    // Called when minimising or restoring changes whether the window can be seen.
    std::function<void(bool)> onVisibility;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void centre();

    MainView* view_;
};

} // namespace mivora
