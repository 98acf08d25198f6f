#include "qtquick/dark_drawings.h"

#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

namespace ohmkit::qtquick {

namespace {

// The lightness of the dark look's background (OStyle.background, #1c1c1e).
constexpr float kGround = 0.11f;

}  // namespace

QColor darkDrawingColor(const QColor& c)
{
    const float lightness = c.lightnessF();
    const float hue = c.hslHueF();
    const float saturation = c.hslSaturationF();
    // Ink: dark colours, greys or not (a navy outline), become as light as they were dark.
    if (lightness < 0.3f) return QColor::fromHslF(hue, saturation, 0.95f - 0.5f * lightness, c.alphaF());
    // Paper: white and the palest greys sink to the background.
    if (lightness > 0.85f && saturation < 0.2f)
        return QColor::fromHslF(hue, saturation, kGround + 0.5f * (1.0f - lightness), c.alphaF());
    return c;
}

QByteArray darkDrawing(const QByteArray& svg)
{
    static const QRegularExpression colour(QStringLiteral("#([0-9a-fA-F]{6}|[0-9a-fA-F]{3})(?![0-9a-zA-Z])"));
    const QString text = QString::fromUtf8(svg);
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    auto it = colour.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(at, m.capturedStart() - at);
        out += darkDrawingColor(QColor(m.captured(0))).name(QColor::HexRgb);
        at = m.capturedEnd();
    }
    out += QStringView(text).mid(at);
    return out.toUtf8();
}

DrawingProvider::DrawingProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage DrawingProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    const QString prefix = QStringLiteral("dark");
    QImage image;
    QFile file(id.mid(prefix.size()));
    if (id.startsWith(prefix) && file.open(QIODevice::ReadOnly)) {
        QSvgRenderer renderer(darkDrawing(file.readAll()));
        if (renderer.isValid()) {
            // The size asked for, or the drawing's own scaled to the one side that was asked.
            const QSizeF own = renderer.defaultSize();
            QSizeF drawn = own;
            if (requestedSize.width() > 0 && requestedSize.height() > 0)
                drawn = own.scaled(requestedSize, Qt::KeepAspectRatio);
            else if (requestedSize.width() > 0 && own.width() > 0)
                drawn = own * (requestedSize.width() / own.width());
            else if (requestedSize.height() > 0 && own.height() > 0)
                drawn = own * (requestedSize.height() / own.height());
            image = QImage(drawn.toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            renderer.render(&painter);
        }
    }
    if (size) *size = image.size();
    return image;
}

}  // namespace ohmkit::qtquick
