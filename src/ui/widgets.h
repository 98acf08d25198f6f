#pragma once
// The controls of the widget model: label, text field, button, picker, image view, web view,
// activity indicator and scroll view. Tables are in table_view.h.
#include "ui/view.h"

namespace ohmkit::ui {

class Label : public View {
public:
    Label() : View(Kind::Label) {}
    const std::string& text() const { return text_; }
    void setText(const std::string& text);
    // Width at which a multi-line label wraps its text (0: no preference).
    float preferredMaxLayoutWidth() const { return preferredWidth_; }
    void setPreferredMaxLayoutWidth(float width);
    bool isBold() const { return bold_; }
    float fontSize() const { return fontSize_; }
    void setFont(float size, bool bold);
    enum class Alignment { Natural, Center };
    Alignment alignment() const { return alignment_; }
    void setAlignment(Alignment alignment);

private:
    std::string text_;
    float preferredWidth_ = 0;
    float fontSize_ = 17;
    bool bold_ = false;
    Alignment alignment_ = Alignment::Natural;
};

// A label that wraps its text at its own width after every resize: when the width changes,
// a deferred call on the main run loop sets the preferred wrapping width to the width the
// label has when the call runs (so the last resize wins).
class LabelResizable : public Label {
public:
    void setBounds(const Rect& bounds) override;
};

class TextField;

class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    // The return key; a delegate that does not answer lets the key through (true).
    virtual bool textFieldShouldReturn(TextField&) { return true; }
};

class TextField : public View {
public:
    TextField() : View(Kind::TextField) {}

    const std::string& text() const { return text_; }
    void setText(const std::string& text);          // by code: sends no event
    const std::string& placeholder() const { return placeholder_; }
    void setPlaceholder(const std::string& text);
    enum class Keyboard { Default, Numbers, Decimal };
    Keyboard keyboard() const { return keyboard_; }
    void setKeyboard(Keyboard keyboard);

    TextFieldDelegate* delegate() const { return delegate_; }
    void setDelegate(TextFieldDelegate* delegate) { delegate_ = delegate; }
    // The action wired to the editing-changed event.
    void setEditingChanged(std::function<void(TextField&)> action) { editingChanged_ = std::move(action); }

    bool isFirstResponder() const { return firstResponder_; }
    bool becomeFirstResponder();
    bool resignFirstResponder();

    // Gestures: the user replaces the text (editing-changed event), presses return.
    void userEdit(const std::string& text);
    void userReturn();

private:
    std::string text_;
    std::string placeholder_;
    Keyboard keyboard_ = Keyboard::Default;
    TextFieldDelegate* delegate_ = nullptr;
    std::function<void(TextField&)> editingChanged_;
    bool firstResponder_ = false;
};

class Button : public View {
public:
    Button() : View(Kind::Button) {}
    const std::string& title() const { return title_; }
    void setTitle(const std::string& title);
    // Name of an image resource drawn on the button instead of (or beside) the title.
    const std::string& imageName() const { return imageName_; }
    void setImageName(const std::string& name);
    // The action operation this button is wired to, by name ("onLedsIncrease").
    const std::string& actionName() const { return actionName_; }
    void setAction(std::string name, std::function<void()> action);
    void userTap();

private:
    std::string title_;
    std::string imageName_;
    std::string actionName_;
    std::function<void()> action_;
};

class ImageView : public View {
public:
    ImageView() : View(Kind::Image) {}
    // The image resource's name as the program names it ("res_small.png", "cap_normal");
    // empty for no image.
    const std::string& imageName() const { return imageName_; }
    void setImageName(const std::string& name);

private:
    std::string imageName_;
};

class PickerView;

class PickerViewDataSource {
public:
    virtual ~PickerViewDataSource() = default;
    virtual int numberOfComponentsInPickerView(PickerView& picker) = 0;
    virtual int pickerViewNumberOfRowsInComponent(PickerView& picker, int component) = 0;
};

// For pickers whose wheels are lists of texts: the row count of a wheel and the text of one of
// its rows, where `rows` is null for a wheel that does not exist. A row outside the wheel has
// no text (nullptr).
inline int wheelRowCount(const std::vector<std::string>* rows)
{
    return rows ? static_cast<int>(rows->size()) : 0;
}
inline const std::string* wheelRowText(const std::vector<std::string>* rows, int row)
{
    if (!rows || row < 0 || row >= static_cast<int>(rows->size())) return nullptr;
    return &(*rows)[static_cast<std::size_t>(row)];
}

// The picker's delegate; each callback is optional.
class PickerViewDelegate {
public:
    virtual ~PickerViewDelegate() = default;
    virtual std::optional<float> pickerViewRowHeightForComponent(PickerView&, int) { return std::nullopt; }
    virtual std::optional<std::string> pickerViewTitleForRow(PickerView&, int /*row*/, int /*component*/)
    {
        return std::nullopt;
    }
    // A view drawn for the row instead of its title (the swatch of a colour wheel);
    // `reusing` is a view offered for reuse, which may be ignored.
    virtual std::shared_ptr<View> pickerViewViewForRow(PickerView&, int /*row*/, int /*component*/,
                                                       View* /*reusing*/)
    {
        return nullptr;
    }
    virtual void pickerViewDidSelectRow(PickerView&, int /*row*/, int /*component*/) {}
};

// A set of wheels ("components"), each with rows, one row selected per wheel.
class PickerView : public View {
public:
    PickerView() : View(Kind::Picker) {}

    void setDataSource(PickerViewDataSource* source) { dataSource_ = source; }
    void setDelegate(PickerViewDelegate* delegate) { delegate_ = delegate; }
    PickerViewDataSource* dataSource() const { return dataSource_; }
    PickerViewDelegate* delegate() const { return delegate_; }

    int numberOfComponents() const;
    int numberOfRowsInComponent(int component) const;
    float rowHeightForComponent(int component) const;   // 32 when the delegate does not say
    // The selected row of a wheel; -1 for a wheel that has no rows or does not exist.
    int selectedRowInComponent(int component) const;
    void selectRow(int row, int component);              // by code: sends no event
    void reloadAllComponents();

    // How a row is drawn: a swatch (colour and optional text) or a title. `name` is the
    // swatch view's accessibility label (the colour's name), empty when it has none.
    struct RowLook {
        std::string text;
        std::optional<Color> swatch;
        std::string name;
    };
    RowLook rowLook(int row, int component) const;

    // Gesture: the user turns a wheel to a row (the delegate's did-select event).
    void userSelect(int component, int row);

private:
    PickerViewDataSource* dataSource_ = nullptr;
    PickerViewDelegate* delegate_ = nullptr;
    std::map<int, int> selected_;
};

class WebView;

class WebViewDelegate {
public:
    virtual ~WebViewDelegate() = default;
    virtual void webViewDidStartLoad(WebView&) {}
    virtual void webViewDidFinishLoad(WebView&) {}
};

// Shows an HTML string or a document given by a file URL.
class WebView : public View {
public:
    WebView() : View(Kind::Web) {}

    void loadHTMLString(const std::string& html, const std::string& baseURL);
    void loadRequest(const std::string& url);            // "file:///path"
    const std::string& html() const { return html_; }
    const std::string& url() const { return url_; }      // empty while an HTML string is shown
    bool isLoading() const { return loading_; }
    void stopLoading();
    // Counts loads that were stopped before they finished (for the front end and tests).
    int stoppedLoads() const { return stoppedLoads_; }

    void setDelegate(WebViewDelegate* delegate) { delegate_ = delegate; }
    WebViewDelegate* delegate() const { return delegate_; }

    // The front end reports the progress of the current load.
    void loadDidStart();
    void loadDidFinish();

    // Who performs loads. Without a front end (scripted mode, tests), a load starts and
    // finishes on later turns of the main run loop; the Qt front end reports real progress.
    static void setFrontEndLoads(bool frontEnd);

private:
    void beginLoad();
    std::string html_;
    std::string url_;
    bool loading_ = false;
    int loadSerial_ = 0;
    int stoppedLoads_ = 0;
    WebViewDelegate* delegate_ = nullptr;
};

class ActivityIndicatorView : public View {
public:
    ActivityIndicatorView() : View(Kind::Activity) {}
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }

private:
    bool animating_ = false;
};

class ScrollView : public View {
public:
    ScrollView() : View(Kind::Scroll) {}
    Size contentSize() const { return contentSize_; }
    void setContentSize(Size size);
    void flashScrollIndicators();
    int flashCount() const { return flashes_; }

private:
    Size contentSize_;
    int flashes_ = 0;
};

}  // namespace ohmkit::ui
