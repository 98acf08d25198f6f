#pragma once
// The app's drawings (the navigation bar's pictures, the schematics) are drawn in dark ink on
// white. In the dark look the window shows them through this image provider, which draws the
// same SVG with its colours turned for a dark ground: dark inks become light, white and
// near-white greys (the paper) become the dark background, and the real colours of the
// parts (a red LED, a yellow sun) stay as they are.
//
//   Image { source: "image://drawing/dark" + "/path/to/led_sch1.svg" }   (see OStyle.drawing)
#include <QColor>
#include <QQuickImageProvider>
#include <QString>

namespace ohmkit::qtquick {

// The colour a drawing's colour `c` is drawn in on the dark ground.
QColor darkDrawingColor(const QColor& c);

// An SVG document with every #rgb and #rrggbb colour turned by darkDrawingColor.
QByteArray darkDrawing(const QByteArray& svg);

class DrawingProvider : public QQuickImageProvider {
public:
    static constexpr const char* name = "drawing";
    DrawingProvider();
    // `id` is "dark" followed by the drawing's absolute path.
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;
};

}  // namespace ohmkit::qtquick
