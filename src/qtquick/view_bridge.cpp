#include "qtquick/view_bridge.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QVariantMap>

#include "platform/files.h"
#include "qtquick/images.h"
#include "ui/document_kind.h"
#include "ui/utils.h"

namespace ohmkit::qtquick {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

QColor toQColor(const ui::Color& c) { return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha); }

// Stores a new value; true when it differs from the old one.
template <typename T>
bool assign(T& field, const T& value)
{
    if (field == value) return false;
    field = value;
    return true;
}

}  // namespace

// ---- ViewBridge -----------------------------------------------------------------------------

ViewBridge* ViewBridge::create(std::shared_ptr<ui::ViewController> owner, ui::View& view, const QString& outletName,
                               QObject* parent)
{
    ViewBridge* bridge = nullptr;
    switch (view.kind()) {
    case ui::View::Kind::Label: bridge = new LabelBridge(std::move(owner), view, outletName, parent); break;
    case ui::View::Kind::TextField: bridge = new TextFieldBridge(std::move(owner), view, outletName, parent); break;
    case ui::View::Kind::Button: bridge = new ButtonBridge(std::move(owner), view, outletName, parent); break;
    case ui::View::Kind::Picker: bridge = new PickerBridge(std::move(owner), view, outletName, parent); break;
    case ui::View::Kind::Image: bridge = new ImageBridge(std::move(owner), view, outletName, parent); break;
    case ui::View::Kind::Web: bridge = new WebBridge(std::move(owner), view, outletName, parent); break;
    case ui::View::Kind::Table: bridge = new TableBridge(std::move(owner), view, outletName, parent); break;
    case ui::View::Kind::Activity: bridge = new ActivityBridge(std::move(owner), view, outletName, parent); break;
    case ui::View::Kind::Scroll: bridge = new ScrollBridge(std::move(owner), view, outletName, parent); break;
    case ui::View::Kind::TableCell: bridge = new ViewBridge(std::move(owner), view, outletName, parent); break;
    }
    bridge->modelChanged();
    return bridge;
}

ViewBridge::ViewBridge(std::shared_ptr<ui::ViewController> owner, ui::View& view, const QString& outletName,
                       QObject* parent)
    : QObject(parent), owner_(std::move(owner)), view_(view), outletName_(outletName)
{
    observer_ = view_.addObserver([this] { modelChanged(); });
}

ViewBridge::~ViewBridge() { view_.removeObserver(observer_); }

QString ViewBridge::kind() const
{
    switch (view_.kind()) {
    case ui::View::Kind::Label: return QStringLiteral("label");
    case ui::View::Kind::TextField: return QStringLiteral("textField");
    case ui::View::Kind::Button: return QStringLiteral("button");
    case ui::View::Kind::Picker: return QStringLiteral("picker");
    case ui::View::Kind::Image: return QStringLiteral("image");
    case ui::View::Kind::Web: return QStringLiteral("web");
    case ui::View::Kind::Table: return QStringLiteral("table");
    case ui::View::Kind::TableCell: return QStringLiteral("tableCell");
    case ui::View::Kind::Activity: return QStringLiteral("activity");
    case ui::View::Kind::Scroll: return QStringLiteral("scroll");
    }
    return {};
}

void ViewBridge::reportSize(qreal width, qreal height)
{
    ui::Rect bounds = view_.bounds();
    bounds.width = static_cast<float>(width);
    bounds.height = static_cast<float>(height);
    view_.setBounds(bounds);   // the model ignores a size it already has
}

void ViewBridge::modelChanged()
{
    bool any = assign(hidden_, view_.isHidden());
    any |= assign(background_, toQColor(view_.backgroundColor()));
    const ui::Layer& layer = view_.layer();
    any |= assign(borderWidth_, qreal(layer.borderWidth));
    any |= assign(borderColor_, toQColor(layer.borderColor));
    any |= assign(cornerRadius_, qreal(layer.cornerRadius));
    const ui::Rect b = view_.bounds();
    any |= assign(bounds_, QRectF(b.x, b.y, b.width, b.height));
    any |= assign(center_, QPointF(view_.center().x, view_.center().y));
    any |= readOwn();
    if (any) emit changed();
}

// ---- LabelBridge ----------------------------------------------------------------------------

QString keepTogether(const QString& text)
{
    static const QRegularExpression numberThenUnit(QStringLiteral("(?<=\\d) (?=[\\p{L}%\\x{00b0}])"));
    static const QRegularExpression commaThenNumber(QStringLiteral("(?<=%,) (?=\\d)"));
    static const QRegularExpression equals(QStringLiteral(" (?==)|(?<==) "));
    const QString space(QChar(0x00a0));
    QString shown = text;
    shown.replace(numberThenUnit, space);
    shown.replace(commaThenNumber, space);
    shown.replace(equals, space);
    return shown;
}

bool LabelBridge::readOwn()
{
    const auto& label = static_cast<const ui::Label&>(view());
    bool any = false;
    if (assign(text_, qs(label.text()))) {
        drawn_ = drawUnits(keepTogether(text_));
        any = true;
        emit textChanged();
    }
    any |= assign(fontSize_, qreal(label.fontSize()));
    any |= assign(bold_, label.isBold());
    any |= assign(centered_, label.alignment() == ui::Label::Alignment::Center);
    any |= assign(preferredWidth_, qreal(label.preferredMaxLayoutWidth()));
    return any;
}

// ---- TextFieldBridge ------------------------------------------------------------------------

bool TextFieldBridge::readOwn()
{
    bool any = assign(text_, qs(field().text()));
    any |= assign(placeholder_, qs(field().placeholder()));
    QString keyboard = QStringLiteral("default");
    if (field().keyboard() == ui::TextField::Keyboard::Numbers) keyboard = QStringLiteral("numbers");
    if (field().keyboard() == ui::TextField::Keyboard::Decimal) keyboard = QStringLiteral("decimal");
    any |= assign(keyboard_, keyboard);
    any |= assign(firstResponder_, field().isFirstResponder());
    return any;
}

void TextFieldBridge::userEdit(const QString& text) { field().userEdit(text.toStdString()); }

void TextFieldBridge::userReturn() { field().userReturn(); }

void TextFieldBridge::userFocus(bool focused)
{
    if (focused == field().isFirstResponder()) return;
    if (focused) {
        field().becomeFirstResponder();
        if (assign(firstResponder_, true)) emit changed();   // the model does not announce it
    } else {
        field().resignFirstResponder();
    }
}

// ---- ButtonBridge ---------------------------------------------------------------------------

bool ButtonBridge::readOwn()
{
    const auto& button = static_cast<const ui::Button&>(view());
    bool any = assign(title_, qs(button.title()));
    any |= assign(imageName_, qs(button.imageName()));
    any |= assign(image_, imageUrl(button.imageName()));
    any |= assign(actionName_, qs(button.actionName()));
    return any;
}

void ButtonBridge::userTap() { static_cast<ui::Button&>(view()).userTap(); }

// ---- ImageBridge ----------------------------------------------------------------------------

bool ImageBridge::readOwn()
{
    const auto& image = static_cast<const ui::ImageView&>(view());
    bool any = assign(imageName_, qs(image.imageName()));
    any |= assign(image_, imageUrl(image.imageName()));
    return any;
}

// ---- PickerBridge ---------------------------------------------------------------------------

bool PickerBridge::readOwn()
{
    const auto& picker = static_cast<const ui::PickerView&>(view());
    QVariantList wheels;
    QVariantList selected;
    for (int c = 0; c < picker.numberOfComponents(); ++c) {
        QVariantList rows;
        for (int r = 0; r < picker.numberOfRowsInComponent(c); ++r) {
            const auto look = picker.rowLook(r, c);
            rows.append(QVariantMap{{QStringLiteral("text"), qs(look.text)},
                                    {QStringLiteral("hasSwatch"), look.swatch.has_value()},
                                    {QStringLiteral("swatch"), toQColor(look.swatch.value_or(ui::Color::clear()))},
                                    {QStringLiteral("name"), qs(look.name)}});
        }
        wheels.append(QVariantMap{{QStringLiteral("rows"), rows},
                                  {QStringLiteral("rowHeight"), qreal(picker.rowHeightForComponent(c))}});
        selected.append(picker.selectedRowInComponent(c));
    }
    if (assign(wheels_, wheels)) emit wheelsChanged();
    if (assign(selected_, selected)) emit selectionChanged();
    return false;
}

void PickerBridge::userSelect(int wheel, int row) { static_cast<ui::PickerView&>(view()).userSelect(wheel, row); }

// ---- TableBridge ----------------------------------------------------------------------------

TableBridge::TableBridge(std::shared_ptr<ui::ViewController> owner, ui::View& view, const QString& outletName,
                         QObject* parent)
    : ViewBridge(std::move(owner), view, outletName, parent)
{
}

TableBridge::~TableBridge() { releaseCells(); }

void TableBridge::releaseCells()
{
    for (auto& c : cells_) c.cell->removeObserver(c.observer);
    cells_.clear();
}

// Asks the data source for every row's cell. Only after a reload: the table hands cells back
// for reuse only then, so asking on every change would make new cells for nothing.
void TableBridge::fetchCells()
{
    releaseCells();
    reloadCount_ = table().reloadCount();
    for (int s = 0; s < table().numberOfSections(); ++s)
        for (int r = 0; r < table().numberOfRowsInSection(s); ++r) {
            auto cell = table().cellForRow({s, r});
            if (!cell) continue;
            // A screen may change a cell it has handed out (a new text or icon).
            int id = cell->addObserver([this] { readRows(); });
            cells_.push_back({std::move(cell), {s, r}, id});
        }
}

void TableBridge::readRows()
{
    QVariantList rows;
    for (const auto& c : cells_) {
        const auto& cell = *c.cell;
        rows.append(QVariantMap{
            {QStringLiteral("section"), c.path.section},
            {QStringLiteral("row"), c.path.row},
            {QStringLiteral("sectionTitle"), c.path.row == 0 ? qs(table().titleForHeaderInSection(c.path.section)) : QString()},
            {QStringLiteral("text"), qs(cell.textLabel().text())},
            {QStringLiteral("detail"), qs(cell.detailTextLabel().text())},
            {QStringLiteral("iconName"), qs(cell.imageView().imageName())},
            {QStringLiteral("icon"), imageUrl(cell.imageView().imageName())},
            {QStringLiteral("background"), toQColor(cell.contentBackgroundColor())},
            {QStringLiteral("height"), qreal(table().heightForRow(c.path))},
            {QStringLiteral("deletable"), table().editingStyleForRow(c.path) == ui::TableViewCellEditingStyle::Delete},
        });
    }
    if (assign(rows_, rows)) emit rowsChanged();
}

bool TableBridge::readOwn()
{
    if (reloadCount_ != table().reloadCount()) fetchCells();
    readRows();
    return assign(editing_, table().isEditing());
}

void TableBridge::userSelect(int section, int row) { table().userSelect({section, row}); }

void TableBridge::userDelete(int section, int row) { table().userDelete({section, row}); }

// ---- WebBridge ------------------------------------------------------------------------------

bool WebBridge::readOwn()
{
    bool any = assign(loading_, web().isLoading());
    const QString html = qs(web().html());
    const QString url = qs(web().url());
    if (html == html_ && url == url_) return any;
    html_ = html;
    url_ = url;
    content_.clear();
    source_.clear();
    if (url.isEmpty()) {
        // The screen's own page draws its units as symbols, as labels do; a copy takes the
        // page as written (plainText).
        contentKind_ = QStringLiteral("html");
        content_ = drawUnits(html).text;
    } else {
        // The model keeps file URLs unescaped ("file://" + path): the path is taken as it is,
        // so blanks, '%' and non-ASCII letters in names survive.
        const std::string path = ui::pathOfFileURL(web().url());
        source_ = QUrl::fromLocalFile(qs(path));
        // The renderer by the file's content and name (see datasheets/document_kind.h).
        switch (ui::documentKindOfFile(path)) {
        case ui::DocumentKind::Html:
            contentKind_ = QStringLiteral("html");
            content_ = qs(platform::readFile(path).value_or(std::string()));
            break;
        case ui::DocumentKind::Text:
            contentKind_ = QStringLiteral("text");
            content_ = qs(platform::readFile(path).value_or(std::string()));
            break;
        case ui::DocumentKind::Pdf: contentKind_ = QStringLiteral("pdf"); break;
        case ui::DocumentKind::Image: contentKind_ = QStringLiteral("image"); break;
        case ui::DocumentKind::Unsupported: contentKind_ = QStringLiteral("other"); break;
        }
    }
    emit contentChanged();
    return any;
}

QString WebBridge::plainText() const
{
    if (contentKind_ != QStringLiteral("html")) return content_;
    return QTextDocumentFragment::fromHtml(url_.isEmpty() ? html_ : content_).toPlainText();
}

void WebBridge::loadDidStart() { web().loadDidStart(); }

void WebBridge::loadDidFinish() { web().loadDidFinish(); }

namespace {

QtMessageHandler handlerBeforePdfSource = nullptr;

void withoutNullReceiverWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message == QLatin1String("QCoreApplication::postEvent: Unexpected null receiver")) return;
    if (handlerBeforePdfSource) handlerBeforePdfSource(type, context, message);
}

}  // namespace

void WebBridge::setPdfSource(QObject* document, const QUrl& source)
{
    if (!document) return;
    handlerBeforePdfSource = qInstallMessageHandler(withoutNullReceiverWarning);
    document->setProperty("source", source);
    qInstallMessageHandler(handlerBeforePdfSource);
}

// ---- ActivityBridge, ScrollBridge -----------------------------------------------------------

bool ActivityBridge::readOwn()
{
    return assign(animating_, static_cast<const ui::ActivityIndicatorView&>(view()).isAnimating());
}

bool ScrollBridge::readOwn()
{
    const auto& scroll = static_cast<const ui::ScrollView&>(view());
    bool any = assign(contentWidth_, qreal(scroll.contentSize().width));
    any |= assign(contentHeight_, qreal(scroll.contentSize().height));
    any |= assign(flashCount_, scroll.flashCount());
    return any;
}

// ---- Clipboard ------------------------------------------------------------------------------

void Clipboard::setText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

QString Clipboard::text() const { return QGuiApplication::clipboard()->text(); }

}  // namespace ohmkit::qtquick
