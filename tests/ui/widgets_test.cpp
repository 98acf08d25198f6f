#include "ui/application.h"
#include "ui/view_controller.h"

#include <gtest/gtest.h>

#include "platform/run_loop.h"

using namespace ohmkit::ui;
using ohmkit::platform::RunLoop;
using namespace std::chrono_literals;

namespace {

struct Wheels : PickerViewDataSource, PickerViewDelegate {
    std::vector<std::pair<int, int>> selected;
    int numberOfComponentsInPickerView(PickerView&) override { return 2; }
    int pickerViewNumberOfRowsInComponent(PickerView&, int c) override { return c == 0 ? 3 : 0; }
    void pickerViewDidSelectRow(PickerView&, int row, int component) override { selected.emplace_back(component, row); }
};

struct Returns : TextFieldDelegate {
    int calls = 0;
    bool textFieldShouldReturn(TextField& field) override
    {
        ++calls;
        field.resignFirstResponder();
        return true;
    }
};

}  // namespace

TEST(TextField, CodeChangesSendNoEventButUserEditsDo)
{
    TextField field;
    int changes = 0;
    field.setEditingChanged([&](TextField&) { ++changes; });
    field.setText("12");
    EXPECT_EQ(changes, 0);
    field.userEdit("5");
    EXPECT_EQ(field.text(), "5");
    EXPECT_EQ(changes, 1);
    Returns delegate;
    field.setDelegate(&delegate);
    field.userReturn();
    EXPECT_EQ(delegate.calls, 1);
    EXPECT_FALSE(field.isFirstResponder());
}

TEST(PickerView, SelectionPerWheelAndEventsOnlyFromTheUser)
{
    Wheels wheels;
    PickerView picker;
    picker.setDataSource(&wheels);
    picker.setDelegate(&wheels);
    EXPECT_EQ(picker.selectedRowInComponent(0), 0);
    EXPECT_EQ(picker.selectedRowInComponent(1), -1);   // a wheel without rows has no selection
    EXPECT_EQ(picker.selectedRowInComponent(7), -1);
    picker.selectRow(2, 0);
    EXPECT_TRUE(wheels.selected.empty());
    picker.userSelect(0, 1);
    picker.userSelect(0, 9);                            // no such row: ignored
    EXPECT_EQ(wheels.selected, (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(picker.rowHeightForComponent(0), 32.0f);
}

// A swatch row carries its view's colour, text and accessibility label (the colour's name,
// which the window writes on the swatch); a title row has no swatch and no name.
TEST(PickerView, RowLookOfSwatchesAndTitles)
{
    struct Swatches : Wheels {
        std::shared_ptr<View> pickerViewViewForRow(PickerView&, int row, int component, View*) override
        {
            if (component != 0 || row != 1) return nullptr;
            auto swatch = std::make_shared<Label>();
            swatch->setBackgroundColor(Color::rgb(1, 0, 0));
            swatch->setAccessibilityLabel("Red");
            return swatch;
        }
        std::optional<std::string> pickerViewTitleForRow(PickerView&, int row, int) override
        {
            return "row " + std::to_string(row);
        }
    } wheels;
    PickerView picker;
    picker.setDataSource(&wheels);
    picker.setDelegate(&wheels);
    const auto swatch = picker.rowLook(1, 0);
    EXPECT_EQ(swatch.swatch, Color::rgb(1, 0, 0));
    EXPECT_EQ(swatch.name, "Red");
    EXPECT_EQ(swatch.text, "");
    const auto title = picker.rowLook(2, 0);
    EXPECT_FALSE(title.swatch.has_value());
    EXPECT_EQ(title.name, "");
    EXPECT_EQ(title.text, "row 2");
}

TEST(LabelResizable, WrapsAtTheNewWidthOnALaterTurn)
{
    auto label = std::make_shared<LabelResizable>();
    label->setBounds({0, 0, 100, 20});
    EXPECT_EQ(label->preferredMaxLayoutWidth(), 0.0f);   // never inside the call
    RunLoop::main().runUntil([&] { return label->preferredMaxLayoutWidth() == 100.0f; }, 2s);
    EXPECT_EQ(label->preferredMaxLayoutWidth(), 100.0f);
    label->setBounds({0, 0, 200, 20});
    label->setBounds({0, 0, 150, 20});                    // the width at run time wins
    RunLoop::main().runUntil([] { return false; }, 50ms);
    EXPECT_EQ(label->preferredMaxLayoutWidth(), 150.0f);
    EXPECT_FALSE(RunLoop::main().hasPendingWork() && RunLoop::main().nextTimeout() == 0ms);
    label->setBounds({5, 5, 150, 30});                    // same width: nothing scheduled
    EXPECT_FALSE(RunLoop::main().runOnce());
}

TEST(WebView, LoadsFinishOnLaterTurnsWithoutAFrontEnd)
{
    struct Events : WebViewDelegate {
        int started = 0, finished = 0;
        void webViewDidStartLoad(WebView&) override { ++started; }
        void webViewDidFinishLoad(WebView&) override { ++finished; }
    } events;
    auto web = std::make_shared<WebView>();
    web->setDelegate(&events);
    web->loadRequest("file:///tmp/x.pdf");
    EXPECT_TRUE(web->isLoading());
    EXPECT_EQ(events.started, 0);
    RunLoop::main().runUntil([&] { return events.finished == 1; }, 2s);
    EXPECT_EQ(events.started, 1);
    EXPECT_FALSE(web->isLoading());

    web->loadHTMLString("<B>x</B>", "");
    web->stopLoading();
    RunLoop::main().runUntil([] { return false; }, 30ms);
    EXPECT_EQ(events.finished, 1);                          // a stopped load never finishes
    EXPECT_EQ(web->stoppedLoads(), 1);
}

namespace {

struct Rows : TableViewDataSource, TableViewDelegate {
    std::vector<std::string> names{"a", "b", "c"};
    std::vector<int> selected;
    bool selectable = true;
    int tableViewNumberOfRowsInSection(TableView&, int) override { return static_cast<int>(names.size()); }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath path) override
    {
        auto cell = table.dequeueReusableCellWithIdentifier("Cell");
        if (!cell) cell = std::make_shared<TableViewCell>(TableViewCell::Style::Default, "Cell");
        cell->textLabel().setText(names[static_cast<std::size_t>(path.row)]);
        return cell;
    }
    void tableViewCommitEditingStyle(TableView& table, TableViewCellEditingStyle, IndexPath path) override
    {
        names.erase(names.begin() + path.row);
        table.deleteRowsAtIndexPaths({path}, TableViewRowAnimation::Fade);
    }
    std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView&, IndexPath path) override
    {
        if (!selectable) return std::nullopt;
        return path;
    }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath path) override { selected.push_back(path.row); }
};

}  // namespace

TEST(TableView, SelectionDeletionAndCellReuse)
{
    Rows rows;
    TableView table;
    table.setDataSource(&rows);
    table.setDelegate(&rows);
    auto first = table.cellForRow({0, 0});
    table.reloadData();
    EXPECT_EQ(table.cellForRow({0, 2}), first);   // a reloaded table hands its cells out again
    EXPECT_EQ(first->textLabel().text(), "c");

    table.userSelect({0, 1});
    rows.selectable = false;
    table.userSelect({0, 2});
    EXPECT_EQ(rows.selected, std::vector<int>{1});

    table.userDelete({0, 0});                     // not editing: no delete control
    EXPECT_EQ(rows.names.size(), 3u);
    table.setEditing(true, true);
    table.userDelete({0, 0});
    EXPECT_EQ(rows.names, (std::vector<std::string>{"b", "c"}));
}

namespace {

class Screen : public ViewController {
public:
    explicit Screen(std::string name, std::vector<std::string>* log) : ViewController(std::move(name)), log_(log) {}
    void loadView() override { addOutlet<Label>("label"); }
    void viewDidLoad() override { log_->push_back(className() + " load"); }
    void viewWillAppear(bool) override { log_->push_back(className() + " appear"); }
    void didMoveToParentViewController(ViewController* parent) override
    {
        log_->push_back(className() + (parent ? " moved" : " removed"));
    }
    void prepareForSegue(StoryboardSegue& segue, const void*) override
    {
        log_->push_back(className() + " prepare " + segue.identifier + " for " + segue.destination->className() +
                        (segue.destination->isViewLoaded() ? " (loaded)" : ""));
    }

private:
    std::vector<std::string>* log_;
};

}  // namespace

TEST(NavigationController, RoutesPushWithPrepareBeforeLoadAndBackPops)
{
    std::vector<std::string> log;
    NavigationController nav;
    nav.bindRoute("ShowB", [&] { return std::make_shared<Screen>("B", &log); });
    nav.setRootViewController(std::make_shared<Screen>("A", &log));
    auto* root = nav.topViewController();
    root->performSegueWithIdentifier("ShowB", root);
    root->performSegueWithIdentifier("Nowhere", root);
    EXPECT_EQ(nav.viewControllers().size(), 2u);
    EXPECT_NE(nav.topViewController()->outlet("label"), nullptr);
    EXPECT_EQ(nav.topViewController()->outlet("missing"), nullptr);
    auto popped = nav.popViewControllerAnimated(true);
    EXPECT_EQ(popped->className(), "B");
    EXPECT_EQ(nav.popViewControllerAnimated(true), nullptr);   // the root stays
    EXPECT_EQ(log, (std::vector<std::string>{"A load", "A appear", "A moved", "A prepare ShowB for B", "B load",
                                             "B appear", "B moved", "B removed", "A appear"}));
}

// Replacing the root tells every screen that leaves, top first, as popping them would.
TEST(NavigationController, ReplacingTheRootTellsTheScreensThatLeave)
{
    std::vector<std::string> log;
    NavigationController nav;
    auto menu = std::make_shared<Screen>("Menu", &log);
    auto tool = std::make_shared<Screen>("Tool", &log);
    nav.setRootViewController(menu);
    nav.pushViewController(tool, true);
    log.clear();
    nav.setRootViewController(std::make_shared<Screen>("Other", &log));
    EXPECT_EQ(log, (std::vector<std::string>{"Tool removed", "Menu removed", "Other load", "Other appear", "Other moved"}));
    EXPECT_EQ(menu->navigationController(), nullptr);
    EXPECT_EQ(tool->navigationController(), nullptr);
    EXPECT_EQ(nav.viewControllers().size(), 1u);
}
