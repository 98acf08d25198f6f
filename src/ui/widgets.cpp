#include "ui/widgets.h"

#include "platform/run_loop.h"

namespace ohmkit::ui {

// ---- Label ----------------------------------------------------------------------------------

void Label::setText(const std::string& text)
{
    if (text_ == text) return;
    text_ = text;
    changed();
}

void Label::setPreferredMaxLayoutWidth(float width)
{
    if (preferredWidth_ == width) return;
    preferredWidth_ = width;
    changed();
}

void Label::setFont(float size, bool bold)
{
    if (fontSize_ == size && bold_ == bold) return;
    fontSize_ = size;
    bold_ = bold;
    changed();
}

void Label::setAlignment(Alignment alignment)
{
    if (alignment_ == alignment) return;
    alignment_ = alignment;
    changed();
}

void LabelResizable::setBounds(const Rect& bounds)
{
    Label::setBounds(bounds);
    if (bounds.width == preferredMaxLayoutWidth()) return;
    // The deferred update keeps the label alive until it has run.
    auto self = std::static_pointer_cast<LabelResizable>(shared_from_this());
    platform::RunLoop::main().post([self] { self->setPreferredMaxLayoutWidth(self->bounds().width); });
}

// ---- TextField ------------------------------------------------------------------------------

void TextField::setText(const std::string& text)
{
    if (text_ == text) return;
    text_ = text;
    changed();
}

void TextField::setPlaceholder(const std::string& text)
{
    placeholder_ = text;
    changed();
}

void TextField::setKeyboard(Keyboard keyboard)
{
    keyboard_ = keyboard;
    changed();
}

bool TextField::becomeFirstResponder()
{
    firstResponder_ = true;
    return true;
}

bool TextField::resignFirstResponder()
{
    if (!firstResponder_) return true;
    firstResponder_ = false;
    changed();
    return true;
}

void TextField::userEdit(const std::string& text)
{
    firstResponder_ = true;
    setText(text);
    // Editing-changed is sent even when the text is the same (the user typed and undid).
    if (editingChanged_) {
        auto action = editingChanged_;
        action(*this);
    }
}

void TextField::userReturn()
{
    if (delegate_) delegate_->textFieldShouldReturn(*this);
}

// ---- Button ---------------------------------------------------------------------------------

void Button::setTitle(const std::string& title)
{
    if (title_ == title) return;
    title_ = title;
    changed();
}

void Button::setImageName(const std::string& name)
{
    if (imageName_ == name) return;
    imageName_ = name;
    changed();
}

void Button::setAction(std::string name, std::function<void()> action)
{
    actionName_ = std::move(name);
    action_ = std::move(action);
}

void Button::userTap()
{
    if (isHidden() || !action_) return;
    auto action = action_;
    action();
}

// ---- ImageView ------------------------------------------------------------------------------

void ImageView::setImageName(const std::string& name)
{
    if (imageName_ == name) return;
    imageName_ = name;
    changed();
}

// ---- PickerView -----------------------------------------------------------------------------

int PickerView::numberOfComponents() const
{
    return dataSource_ ? dataSource_->numberOfComponentsInPickerView(const_cast<PickerView&>(*this)) : 0;
}

int PickerView::numberOfRowsInComponent(int component) const
{
    if (!dataSource_ || component < 0 || component >= numberOfComponents()) return 0;
    return dataSource_->pickerViewNumberOfRowsInComponent(const_cast<PickerView&>(*this), component);
}

float PickerView::rowHeightForComponent(int component) const
{
    if (delegate_)
        if (auto h = delegate_->pickerViewRowHeightForComponent(const_cast<PickerView&>(*this), component)) return *h;
    return 32.0f;
}

int PickerView::selectedRowInComponent(int component) const
{
    int rows = numberOfRowsInComponent(component);
    if (rows <= 0) return -1;
    auto it = selected_.find(component);
    int row = it == selected_.end() ? 0 : it->second;
    return row < rows ? row : rows - 1;
}

void PickerView::selectRow(int row, int component)
{
    int rows = numberOfRowsInComponent(component);
    if (rows <= 0) return;
    if (row < 0) row = 0;
    if (row >= rows) row = rows - 1;
    if (selectedRowInComponent(component) == row && selected_.count(component)) return;
    selected_[component] = row;
    changed();
}

void PickerView::reloadAllComponents() { changed(); }

PickerView::RowLook PickerView::rowLook(int row, int component) const
{
    RowLook look;
    auto& self = const_cast<PickerView&>(*this);
    if (delegate_) {
        if (auto view = delegate_->pickerViewViewForRow(self, row, component, nullptr)) {
            look.swatch = view->backgroundColor();
            look.name = view->accessibilityLabel();
            if (view->kind() == Kind::Label) look.text = static_cast<Label&>(*view).text();
            return look;
        }
        if (auto title = delegate_->pickerViewTitleForRow(self, row, component)) look.text = *title;
    }
    return look;
}

void PickerView::userSelect(int component, int row)
{
    int rows = numberOfRowsInComponent(component);
    if (row < 0 || row >= rows) return;
    selectRow(row, component);
    if (delegate_) delegate_->pickerViewDidSelectRow(*this, row, component);
}

// ---- WebView --------------------------------------------------------------------------------

namespace {
bool frontEndLoads = false;
}

void WebView::setFrontEndLoads(bool frontEnd) { frontEndLoads = frontEnd; }

void WebView::loadHTMLString(const std::string& html, const std::string& /*baseURL*/)
{
    html_ = html;
    url_.clear();
    beginLoad();
}

void WebView::loadRequest(const std::string& url)
{
    html_.clear();
    url_ = url;
    beginLoad();
}

void WebView::beginLoad()
{
    if (loading_) ++stoppedLoads_;   // a new load replaces the unfinished one
    loading_ = true;
    int serial = ++loadSerial_;
    changed();
    if (frontEndLoads) return;
    // Without a front end the content is "shown" at once: start and finish on later turns.
    std::weak_ptr<View> weak = weak_from_this();
    auto finishLater = [weak, serial] {
        auto self = std::static_pointer_cast<WebView>(weak.lock());
        if (!self || self->loadSerial_ != serial || !self->loading_) return;
        self->loadDidStart();
        platform::RunLoop::main().post([weak, serial] {
            auto view = std::static_pointer_cast<WebView>(weak.lock());
            if (view && view->loadSerial_ == serial && view->loading_) view->loadDidFinish();
        });
    };
    if (weak.expired()) return;   // not owned by a shared_ptr: nothing can finish it
    platform::RunLoop::main().post(finishLater);
}

void WebView::stopLoading()
{
    if (!loading_) return;
    loading_ = false;
    ++stoppedLoads_;
    ++loadSerial_;
    changed();
}

void WebView::loadDidStart()
{
    if (delegate_) delegate_->webViewDidStartLoad(*this);
}

void WebView::loadDidFinish()
{
    if (!loading_) return;
    loading_ = false;
    changed();
    if (delegate_) delegate_->webViewDidFinishLoad(*this);
}

// ---- ActivityIndicatorView ------------------------------------------------------------------

void ActivityIndicatorView::startAnimating()
{
    if (animating_) return;
    animating_ = true;
    changed();
}

void ActivityIndicatorView::stopAnimating()
{
    if (!animating_) return;
    animating_ = false;
    changed();
}

// ---- ScrollView -----------------------------------------------------------------------------

void ScrollView::setContentSize(Size size)
{
    if (contentSize_ == size) return;
    contentSize_ = size;
    changed();
}

void ScrollView::flashScrollIndicators()
{
    ++flashes_;
    changed();
}

}  // namespace ohmkit::ui
