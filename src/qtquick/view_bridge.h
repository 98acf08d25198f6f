#pragma once
// The QML faces of the widget model's controls.
//
// One bridge object per control of a screen. It reads the control's state into Qt properties
// whenever the model reports a change (notify signals fire only when a value really changed),
// and its `user...` invokables turn the gestures of a QML component into the model's gesture
// calls, which send the events the screen's controller listens to.
//
// Lifetime: every bridge keeps its screen's controller alive (the controller owns the control
// and is the data source of pickers and tables), so a QML page that outlives its screen on
// the navigation stack never reaches freed memory. Single-threaded, like the model.
#include <QColor>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <vector>

#include "qtquick/unit_symbols.h"
#include "ui/view_controller.h"

namespace ohmkit::qtquick {

class ViewBridge : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    Q_PROPERTY(QString kind READ kind CONSTANT)
    Q_PROPERTY(QString outletName READ outletName CONSTANT)
    Q_PROPERTY(bool hidden READ hidden NOTIFY changed)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor NOTIFY changed)
    Q_PROPERTY(qreal borderWidth READ borderWidth NOTIFY changed)
    Q_PROPERTY(QColor borderColor READ borderColor NOTIFY changed)
    Q_PROPERTY(qreal cornerRadius READ cornerRadius NOTIFY changed)
    Q_PROPERTY(QRectF bounds READ bounds NOTIFY changed)
    Q_PROPERTY(QPointF center READ center NOTIFY changed)

public:
    // Makes the bridge that fits the control's kind, with the model's current state read in.
    static ViewBridge* create(std::shared_ptr<ui::ViewController> owner, ui::View& view, const QString& outletName,
                              QObject* parent);
    ~ViewBridge() override;

    QString kind() const;
    QString outletName() const { return outletName_; }
    bool hidden() const { return hidden_; }
    QColor backgroundColor() const { return background_; }
    qreal borderWidth() const { return borderWidth_; }
    QColor borderColor() const { return borderColor_; }
    qreal cornerRadius() const { return cornerRadius_; }
    QRectF bounds() const { return bounds_; }
    QPointF center() const { return center_; }

    // The component tells the model the size it was laid out at (labels wrap by it).
    Q_INVOKABLE void reportSize(qreal width, qreal height);

signals:
    void changed();

protected:
    ViewBridge(std::shared_ptr<ui::ViewController> owner, ui::View& view, const QString& outletName, QObject* parent);
    // Reads the kind's own properties; true when one of those notified by changed() differs.
    virtual bool readOwn() { return false; }
    ui::View& view() const { return view_; }

private:
    void modelChanged();

    std::shared_ptr<ui::ViewController> owner_;
    ui::View& view_;
    QString outletName_;
    int observer_ = 0;
    bool hidden_ = false;
    QColor background_;
    qreal borderWidth_ = 0;
    QColor borderColor_;
    qreal cornerRadius_ = 0;
    QRectF bounds_;
    QPointF center_;
};

// The text a label shows: the model's text with the spaces that must not break a line made
// non-breaking (between a number and its unit, around " = ", and between a tolerance and the
// coefficient after it: "+-1%, 100ppm"), one character for one, so a position in one is the
// same position in the other.
QString keepTogether(const QString& text);

class LabelBridge : public ViewBridge {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    // The text notifies only its own changes, so a layout that follows the label's size does
    // not redraw the text when it reports that size.
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    // The text as drawn (see keepTogether and drawUnits); copies take `text`.
    Q_PROPERTY(QString displayText READ displayText NOTIFY textChanged)
    Q_PROPERTY(qreal fontSize READ fontSize NOTIFY changed)
    Q_PROPERTY(bool bold READ bold NOTIFY changed)
    Q_PROPERTY(bool centered READ centered NOTIFY changed)
    Q_PROPERTY(qreal preferredMaxLayoutWidth READ preferredMaxLayoutWidth NOTIFY changed)

public:
    using ViewBridge::ViewBridge;
    QString text() const { return text_; }
    QString displayText() const { return drawn_.text; }
    // The part of `text` drawn at positions [start, end) of `displayText`.
    Q_INVOKABLE QString textBetween(int start, int end) const { return drawn_.originalBetween(text_, start, end); }
    qreal fontSize() const { return fontSize_; }
    bool bold() const { return bold_; }
    bool centered() const { return centered_; }
    qreal preferredMaxLayoutWidth() const { return preferredWidth_; }

signals:
    void textChanged();

protected:
    bool readOwn() override;

private:
    QString text_;
    DrawnUnits drawn_;
    qreal fontSize_ = 17;
    bool bold_ = false;
    bool centered_ = false;
    qreal preferredWidth_ = 0;
};

class TextFieldBridge : public ViewBridge {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    Q_PROPERTY(QString text READ text NOTIFY changed)
    Q_PROPERTY(QString placeholder READ placeholder NOTIFY changed)
    // "default", "numbers" or "decimal".
    Q_PROPERTY(QString keyboard READ keyboard NOTIFY changed)
    Q_PROPERTY(bool firstResponder READ firstResponder NOTIFY changed)

public:
    using ViewBridge::ViewBridge;
    QString text() const { return text_; }
    QString placeholder() const { return placeholder_; }
    QString keyboard() const { return keyboard_; }
    bool firstResponder() const { return firstResponder_; }

    Q_INVOKABLE void userEdit(const QString& text);
    Q_INVOKABLE void userReturn();
    // The field got or lost the keyboard focus in the window.
    Q_INVOKABLE void userFocus(bool focused);

protected:
    bool readOwn() override;

private:
    ui::TextField& field() const { return static_cast<ui::TextField&>(view()); }
    QString text_;
    QString placeholder_;
    QString keyboard_;
    bool firstResponder_ = false;
};

class ButtonBridge : public ViewBridge {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString imageName READ imageName NOTIFY changed)
    Q_PROPERTY(QUrl image READ image NOTIFY changed)
    Q_PROPERTY(QString actionName READ actionName NOTIFY changed)

public:
    using ViewBridge::ViewBridge;
    QString title() const { return title_; }
    QString imageName() const { return imageName_; }
    QUrl image() const { return image_; }
    QString actionName() const { return actionName_; }

    Q_INVOKABLE void userTap();

protected:
    bool readOwn() override;

private:
    QString title_;
    QString imageName_;
    QUrl image_;
    QString actionName_;
};

class ImageBridge : public ViewBridge {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    Q_PROPERTY(QString imageName READ imageName NOTIFY changed)
    Q_PROPERTY(QUrl image READ image NOTIFY changed)

public:
    using ViewBridge::ViewBridge;
    QString imageName() const { return imageName_; }
    QUrl image() const { return image_; }

protected:
    bool readOwn() override;

private:
    QString imageName_;
    QUrl image_;
};

// The wheels of a picker. `wheels` holds one entry per wheel: {rows: [...], rowHeight}; each
// row is {text, swatch (a colour), hasSwatch, name (a swatch's colour name, or empty)}.
// Turning a wheel is userSelect(wheel, row).
class PickerBridge : public ViewBridge {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    Q_PROPERTY(QVariantList wheels READ wheels NOTIFY wheelsChanged)
    Q_PROPERTY(QVariantList selectedRows READ selectedRows NOTIFY selectionChanged)

public:
    using ViewBridge::ViewBridge;
    QVariantList wheels() const { return wheels_; }
    QVariantList selectedRows() const { return selected_; }

    Q_INVOKABLE void userSelect(int wheel, int row);

signals:
    void wheelsChanged();
    void selectionChanged();

protected:
    bool readOwn() override;

private:
    QVariantList wheels_;
    QVariantList selected_;
};

// A table's rows, flattened over its sections. Each row is {section, row, sectionTitle (the
// section's heading on its first row, else empty), text, detail (the subtitle), iconName, icon
// (a URL), background (the content background colour), height, deletable}.
class TableBridge : public ViewBridge {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    Q_PROPERTY(QVariantList rows READ rows NOTIFY rowsChanged)
    Q_PROPERTY(bool editing READ editing NOTIFY changed)

public:
    TableBridge(std::shared_ptr<ui::ViewController> owner, ui::View& view, const QString& outletName, QObject* parent);
    ~TableBridge() override;
    QVariantList rows() const { return rows_; }
    bool editing() const { return editing_; }

    Q_INVOKABLE void userSelect(int section, int row);
    Q_INVOKABLE void userDelete(int section, int row);

signals:
    void rowsChanged();

protected:
    bool readOwn() override;

private:
    ui::TableView& table() const { return static_cast<ui::TableView&>(view()); }
    void fetchCells();
    void readRows();
    void releaseCells();

    struct Cell {
        std::shared_ptr<ui::TableViewCell> cell;
        ui::IndexPath path;
        int observer;
    };
    std::vector<Cell> cells_;
    int reloadCount_ = -1;
    QVariantList rows_;
    bool editing_ = false;
};

// Shows an HTML string or a file. `contentKind` says how: "html" (the HTML string or an
// .htm/.html file, in `content`; the string with its units drawn as symbols, see drawUnits),
// "text" (a text file, in `content`), "image" or "pdf" (the file at `source`), "none". The
// component reports the load's progress back.
class WebBridge : public ViewBridge {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    Q_PROPERTY(QString html READ html NOTIFY contentChanged)
    Q_PROPERTY(QString url READ url NOTIFY contentChanged)
    Q_PROPERTY(QString contentKind READ contentKind NOTIFY contentChanged)
    Q_PROPERTY(QString content READ content NOTIFY contentChanged)
    // The content as plain text: an HTML page's text without its markup (what a copy takes).
    Q_PROPERTY(QString plainText READ plainText NOTIFY contentChanged)
    Q_PROPERTY(QUrl source READ source NOTIFY contentChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY changed)

public:
    using ViewBridge::ViewBridge;
    QString html() const { return html_; }
    QString url() const { return url_; }
    QString contentKind() const { return contentKind_; }
    QString content() const { return content_; }
    QString plainText() const;
    QUrl source() const { return source_; }
    bool loading() const { return loading_; }

    Q_INVOKABLE void loadDidStart();
    Q_INVOKABLE void loadDidFinish();
    // Sets the `source` of a PdfDocument. QtPdf 6.4 deletes a helper it only makes for
    // resources whenever the source changes, and that deletion of nothing warns
    // "QCoreApplication::postEvent: Unexpected null receiver": that one message is dropped
    // while the source is set.
    Q_INVOKABLE static void setPdfSource(QObject* document, const QUrl& source);

signals:
    void contentChanged();

protected:
    bool readOwn() override;

private:
    ui::WebView& web() const { return static_cast<ui::WebView&>(view()); }
    QString html_;
    QString url_;
    QString contentKind_ = QStringLiteral("none");
    QString content_;
    QUrl source_;
    bool loading_ = false;
};

class ActivityBridge : public ViewBridge {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    Q_PROPERTY(bool animating READ animating NOTIFY changed)

public:
    using ViewBridge::ViewBridge;
    bool animating() const { return animating_; }

protected:
    bool readOwn() override;

private:
    bool animating_ = false;
};

class ScrollBridge : public ViewBridge {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by a screen for each of its controls")
    Q_PROPERTY(qreal contentWidth READ contentWidth NOTIFY changed)
    Q_PROPERTY(qreal contentHeight READ contentHeight NOTIFY changed)
    // Grows by one each time the screen asks to flash the scroll indicators.
    Q_PROPERTY(int flashCount READ flashCount NOTIFY changed)

public:
    using ViewBridge::ViewBridge;
    qreal contentWidth() const { return contentWidth_; }
    qreal contentHeight() const { return contentHeight_; }
    int flashCount() const { return flashCount_; }

protected:
    bool readOwn() override;

private:
    qreal contentWidth_ = 0;
    qreal contentHeight_ = 0;
    int flashCount_ = 0;
};

// The system clipboard, for QML (which has none in this Qt): `Clipboard.setText(...)`.
class Clipboard : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;
    Q_INVOKABLE void setText(const QString& text);
    Q_INVOKABLE QString text() const;
};

}  // namespace ohmkit::qtquick
