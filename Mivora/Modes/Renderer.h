#pragma once

#include <QJsonArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace mivora {

// Draws views into PNG files of one folder, each in the light and the dark appearance
// ("<name>-light.png", "<name>-dark.png"), and lists them in "index.json" with their size and the number of
// their texts' characters that no installed font can draw.
class Renderer {
public:
    explicit Renderer(QString folder);

    // Builds the view anew for each appearance (so it starts from its first state), lays it out at `size`
    // (its own size hint when empty, or only its width when the height is 0), lets it settle (longer for a
    // window-sized view, or `settleMs` when given: a view that fades in) and draws it.
    void shoot(const QString& name, const std::function<QWidget*()>& make, QSize size = {}, int settleMs = 0);

    // Runs the event loop until `done` holds or 10 s have passed (a view waiting for a reply).
    static bool until(const std::function<bool()>& done);

    // Writes the index; the files that could not be written (pictures in the order drawn, then "index.json"),
    // none when all were.
    QStringList finish();

    // Characters of the widget tree's texts (labels, buttons, fields, their placeholders) that the fonts
    // lack, so they would be drawn as boxes.
    static int missingGlyphs(const QWidget& root);

private:
    void draw(const QString& file, QWidget& view, QSize size, bool dark, int settleMs);

    QString folder_;
    QJsonArray index_;
};

} // namespace mivora
