#pragma once
// A table of rows in sections, with reusable cells, row heights, selection and a delete mode.
#include "ui/widgets.h"

namespace ohmkit::ui {

struct IndexPath {
    int section = 0;
    int row = 0;
    bool operator==(const IndexPath&) const = default;
};

// One row's view: a text label and an image view over a content background; the subtitle
// style adds a second, smaller line under the text (the detail text label).
class TableViewCell : public View {
public:
    enum class Style { Default, Subtitle };
    TableViewCell(Style style, std::string reuseIdentifier);

    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    Style style() const { return style_; }
    Label& textLabel() { return *textLabel_; }
    ImageView& imageView() { return *imageView_; }
    // Empty and unused in the default style.
    Label& detailTextLabel() { return *detailTextLabel_; }
    const Label& textLabel() const { return *textLabel_; }
    const ImageView& imageView() const { return *imageView_; }
    const Label& detailTextLabel() const { return *detailTextLabel_; }
    Color contentBackgroundColor() const { return contentBackground_; }
    void setContentBackgroundColor(Color color);

    virtual void setSelected(bool selected, bool animated);
    bool isSelected() const { return selected_; }

private:
    std::string reuseIdentifier_;
    Style style_;
    std::shared_ptr<Label> textLabel_ = std::make_shared<Label>();
    std::shared_ptr<Label> detailTextLabel_ = std::make_shared<Label>();
    std::shared_ptr<ImageView> imageView_ = std::make_shared<ImageView>();
    Color contentBackground_ = Color::clear();
    bool selected_ = false;
};

class TableView;

enum class TableViewCellEditingStyle { None, Delete };
enum class TableViewRowAnimation { None, Fade, Automatic };

class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView&) { return 1; }
    virtual int tableViewNumberOfRowsInSection(TableView& table, int section) = 0;
    // The heading shown above a section's rows; empty for none.
    virtual std::string tableViewTitleForHeaderInSection(TableView&, int) { return {}; }
    virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath path) = 0;
    virtual void tableViewCommitEditingStyle(TableView&, TableViewCellEditingStyle, IndexPath) {}
};

// Each callback is optional.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual std::optional<float> tableViewHeightForRowAtIndexPath(TableView&, IndexPath) { return std::nullopt; }
    // Which row to select instead (nullopt: none); by default the row itself.
    virtual std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView&, IndexPath path) { return path; }
    virtual void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath) {}
    virtual TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&, IndexPath)
    {
        return TableViewCellEditingStyle::Delete;
    }
};

class TableView : public View {
public:
    TableView() : View(Kind::Table) {}

    void setDataSource(TableViewDataSource* source) { dataSource_ = source; }
    void setDelegate(TableViewDelegate* delegate) { delegate_ = delegate; }

    int numberOfSections() const;
    int numberOfRowsInSection(int section) const;
    std::string titleForHeaderInSection(int section) const;
    float heightForRow(IndexPath path) const;
    float rowHeight() const { return rowHeight_; }
    void setRowHeight(float height);
    // The cell the data source makes for a row (what the front end draws).
    std::shared_ptr<TableViewCell> cellForRow(IndexPath path);
    // A cell given back for reuse, or nullptr when none with that identifier is free.
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

    void reloadData();
    // How many times reloadData() has run: a front end asks for cells again only after one.
    int reloadCount() const { return reloads_; }
    void deleteRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);
    bool isEditing() const { return editing_; }
    void setEditing(bool editing, bool animated);
    TableViewCellEditingStyle editingStyleForRow(IndexPath path) const;
    std::optional<IndexPath> indexPathForSelectedRow() const { return selectedRow_; }

    // Gestures: the user taps a row; the user confirms the delete control of a row.
    void userSelect(IndexPath path);
    void userDelete(IndexPath path);

private:
    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    float rowHeight_ = 44;
    bool editing_ = false;
    int reloads_ = 0;
    std::optional<IndexPath> selectedRow_;
    std::vector<std::shared_ptr<TableViewCell>> inUse_;
    std::vector<std::shared_ptr<TableViewCell>> reusable_;
};

}  // namespace ohmkit::ui
