#include "ui/table_view.h"

#include <algorithm>

namespace ohmkit::ui {

TableViewCell::TableViewCell(Style style, std::string reuseIdentifier)
    : View(Kind::TableCell), reuseIdentifier_(std::move(reuseIdentifier)), style_(style)
{
    // A change inside the cell is a change of the cell for whoever draws it.
    textLabel_->addObserver([this] { changed(); });
    detailTextLabel_->addObserver([this] { changed(); });
    imageView_->addObserver([this] { changed(); });
}

void TableViewCell::setContentBackgroundColor(Color color)
{
    if (contentBackground_ == color) return;
    contentBackground_ = color;
    changed();
}

void TableViewCell::setSelected(bool selected, bool)
{
    if (selected_ == selected) return;
    selected_ = selected;
    changed();
}

int TableView::numberOfSections() const
{
    return dataSource_ ? dataSource_->numberOfSectionsInTableView(const_cast<TableView&>(*this)) : 0;
}

int TableView::numberOfRowsInSection(int section) const
{
    if (!dataSource_ || section < 0 || section >= numberOfSections()) return 0;
    return dataSource_->tableViewNumberOfRowsInSection(const_cast<TableView&>(*this), section);
}

std::string TableView::titleForHeaderInSection(int section) const
{
    if (!dataSource_ || section < 0 || section >= numberOfSections()) return {};
    return dataSource_->tableViewTitleForHeaderInSection(const_cast<TableView&>(*this), section);
}

float TableView::heightForRow(IndexPath path) const
{
    if (delegate_)
        if (auto h = delegate_->tableViewHeightForRowAtIndexPath(const_cast<TableView&>(*this), path)) return *h;
    return rowHeight_;
}

void TableView::setRowHeight(float height)
{
    rowHeight_ = height;
    changed();
}

std::shared_ptr<TableViewCell> TableView::cellForRow(IndexPath path)
{
    if (!dataSource_ || path.row < 0 || path.row >= numberOfRowsInSection(path.section)) return nullptr;
    auto cell = dataSource_->tableViewCellForRowAtIndexPath(*this, path);
    if (cell && std::find(inUse_.begin(), inUse_.end(), cell) == inUse_.end()) inUse_.push_back(cell);
    return cell;
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto it = std::find_if(reusable_.begin(), reusable_.end(),
                           [&](const auto& cell) { return cell->reuseIdentifier() == identifier; });
    if (it == reusable_.end()) return nullptr;
    auto cell = *it;
    reusable_.erase(it);
    return cell;
}

void TableView::reloadData()
{
    // Every cell handed out so far may be reused for the new rows.
    for (auto& cell : inUse_) reusable_.push_back(cell);
    inUse_.clear();
    ++reloads_;
    if (selectedRow_ && selectedRow_->row >= numberOfRowsInSection(selectedRow_->section)) selectedRow_.reset();
    changed();
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>&, TableViewRowAnimation)
{
    selectedRow_.reset();
    reloadData();
}

void TableView::setEditing(bool editing, bool)
{
    if (editing_ == editing) return;
    editing_ = editing;
    changed();
}

TableViewCellEditingStyle TableView::editingStyleForRow(IndexPath path) const
{
    if (!delegate_) return TableViewCellEditingStyle::Delete;
    return delegate_->tableViewEditingStyleForRowAtIndexPath(const_cast<TableView&>(*this), path);
}

void TableView::userSelect(IndexPath path)
{
    if (path.row < 0 || path.row >= numberOfRowsInSection(path.section)) return;
    std::optional<IndexPath> target = path;
    if (delegate_) target = delegate_->tableViewWillSelectRowAtIndexPath(*this, path);
    if (!target) return;
    selectedRow_ = *target;
    changed();
    if (delegate_) delegate_->tableViewDidSelectRowAtIndexPath(*this, *target);
}

void TableView::userDelete(IndexPath path)
{
    if (!editing_ || !dataSource_) return;
    if (path.row < 0 || path.row >= numberOfRowsInSection(path.section)) return;
    if (editingStyleForRow(path) != TableViewCellEditingStyle::Delete) return;
    dataSource_->tableViewCommitEditingStyle(*this, TableViewCellEditingStyle::Delete, path);
}

}  // namespace ohmkit::ui
