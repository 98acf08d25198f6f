#include "tools/components/info_solar_calc_view.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <iterator>

#include "platform/text.h"
#include "tools/quantity.h"
#include "ui/utils.h"

namespace ohmkit::components {

using platform::format;

namespace {

const char* const kCellIdentifier = "tblCell";
const ui::Color kLightRow = ui::Color::rgb(0.95f, 0.95f, 0.95f, 1.0f);

// The losses of charging and discharging: the panels make 1.55 Wh for each Wh used.
constexpr double kLossFactor = 1.55;

// A field's number in single precision; none when the field is empty or holds no number.
std::optional<float> fieldValue(const tools::Reading& reading)
{
    if (!reading.ok()) return std::nullopt;
    return platform::roundToFloat(reading.value);
}

}  // namespace

InfoSolarCalcView::InfoSolarCalcView() : ui::ViewController("InfoSolarCalcView") {}

void InfoSolarCalcView::loadView()
{
    setTitle("Solar battery calc");
    scrollView = addOutlet<ui::ScrollView>("scrollView");
    mainTable = addOutlet<ui::TableView>("mainTable");
    textItemName = addOutlet<ui::TextField>("textItemName");
    textItemPower = addOutlet<ui::TextField>("textItemPower");
    textItemUsage = addOutlet<ui::TextField>("textItemUsage");
    textVoltage = addOutlet<ui::TextField>("textVoltage");
    textSunHours = addOutlet<ui::TextField>("textSunHours");
    textPanelPower = addOutlet<ui::TextField>("textPanelPower");
    labelResult1 = addOutlet<ui::Label>("labelResult1");
    labelResult2 = addOutlet<ui::Label>("labelResult2");
    labelResult3 = addOutlet<ui::Label>("labelResult3");
    labelResult4 = addOutlet<ui::Label>("labelResult4");
    labelResult5 = addOutlet<ui::Label>("labelResult5");
    labelResult6 = addOutlet<ui::Label>("labelResult6");
    labelResultPeakCurrent = addOutlet<ui::Label>("labelResultPeakCurrent");
    addButton("onButtonAddItem", "Add", [this] { onButtonAddItem(this); });
    addButton("onButtonDelItems", "Delete", [this] { onButtonDelItems(this); });

    // The phone form as designed: the scroll view has this size until the window lays it out
    // to the visible part of the screen, so a content size taken from it covers the whole form.
    scrollView->setBounds({0, 0, 375, 780});
    scrollView->setCenter({375.0f / 2, 64 + 780.0f / 2});

    mainTable->setDataSource(this);
    mainTable->setDelegate(this);
    for (ui::TextField* field : {textItemName, textItemPower, textItemUsage, textVoltage, textSunHours, textPanelPower}) {
        field->setDelegate(this);
        field->setEditingChanged([this](ui::TextField& f) { textFieldDidChanged(f); });
        field->setKeyboard(ui::TextField::Keyboard::Decimal);
    }
    textItemName->setKeyboard(ui::TextField::Keyboard::Default);
}

void InfoSolarCalcView::viewDidLoad()
{
    setRightBarImage("sol_small.png");

    // An empty list, not in delete mode.
    items.clear();
    items.reserve(128);
    bDeleteMode = false;

    // The list's look: light grey, a thin border, rounded corners that clip the rows.
    mainTable->setBackgroundColor(kLightRow);
    mainTable->setLayer({1, ui::Color::lightGray(), 5, true});

    // The suggested consumer and the supply.
    textItemName->setText("LED lamp");
    textItemPower->setText("9");
    textItemUsage->setText("4.0");
    textVoltage->setText("12");
    textSunHours->setText("5");
    textPanelPower->setText("100");

    // The scroll view scrolls over its own size; the tablet form is larger.
    scrollView->setContentSize(scrollView->bounds().size());
    if (ui::AppDelegate::isIPad()) {
        scrollView->setBounds({0, 0, 740, 1090});
        scrollView->setCenter({380, 505});
        scrollView->setContentSize({700, 1080});
    }

    calculateResults();
    scrollView->flashScrollIndicators();
}

void InfoSolarCalcView::onButtonAddItem(const void*)
{
    const std::optional<float> power = fieldValue(tools::readQuantity(textItemPower->text(), "W"));
    const std::optional<float> usage = fieldValue(tools::readNumber(textItemUsage->text(), "h"));
    textItemName->resignFirstResponder();
    textItemPower->resignFirstResponder();
    textItemUsage->resignFirstResponder();
    // An empty field or one that is no number would add a 0 Wh consumer; a negative power or
    // usage would cancel real consumers, and a day has 24 hours; figures too large to print
    // come only from absurd input. Such a consumer is not added.
    if (!power || !usage || !isConsumer(*power, *usage)) return showIncorrectInputFrom(0);
    items.emplace_back(textItemName->text(), *power, *usage);
    mainTable->reloadData();
    calculateResults();
}

bool InfoSolarCalcView::isConsumer(float power, float usage)
{
    return power >= 0.0f && usage >= 0.0f && usage <= 24.0f && platform::isShowableResult(power) && platform::isShowableResult(usage) &&
           platform::isShowableResult(power * usage);
}

void InfoSolarCalcView::onButtonDelItems(const void*)
{
    if (!bDeleteMode && items.empty()) return;
    bDeleteMode = !bDeleteMode;
    mainTable->setEditing(bDeleteMode, true);
}

void InfoSolarCalcView::textFieldDidChanged(ui::TextField&) { calculateResults(); }

bool InfoSolarCalcView::textFieldShouldReturn(ui::TextField& field)
{
    field.resignFirstResponder();
    calculateResults();
    return true;
}

void InfoSolarCalcView::showIncorrectInputFrom(std::size_t first)
{
    ui::Label* const labels[] = {labelResult1, labelResult2, labelResult3, labelResult4,
                                 labelResult5, labelResult6, labelResultPeakCurrent};
    for (std::size_t i = first; i < std::size(labels); ++i) labels[i]->setText(i == first ? "Incorrect input" : "--");
}

void InfoSolarCalcView::calculateResults()
{
    // Bad input shows "Incorrect input" in place of the first result it spoils and "--" after
    // it: a negative voltage, sun hour count or panel power, or a result too large to print.
    // An empty field, or one that is no number, is bad input too.
    const std::optional<float> voltage = fieldValue(tools::readQuantity(textVoltage->text(), "V"));
    const std::optional<float> sunHours = fieldValue(tools::readNumber(textSunHours->text(), "h"));
    const std::optional<float> panelPower = fieldValue(tools::readQuantity(textPanelPower->text(), "W"));

    // The daily energy, summed in list order.
    float E = 0.0f;
    for (const auto& item : items) E += item.fDailyUsage * item.fPower;
    if (!platform::isShowableResult(E)) return showIncorrectInputFrom(0);
    labelResult1->setText(format("%.1f Wh", static_cast<double>(E)));

    // Battery capacity and charge current, for a usable voltage.
    if (!voltage || *voltage < 0.0f) return showIncorrectInputFrom(1);
    const float V = *voltage;
    float Ic = 0.0f;
    if (static_cast<double>(V) > 0.1) {
        const float C = platform::roundToFloat(static_cast<double>(E) * 1.2 / static_cast<double>(V));
        if (!platform::isShowableResult(C + C)) return showIncorrectInputFrom(1);
        labelResult2->setText(format("%.1f Ah", static_cast<double>(C)));
        labelResult3->setText(format("%.1f Ah", static_cast<double>(C + C)));
        Ic = static_cast<float>(static_cast<double>(C) * 0.2);
    } else {
        labelResult2->setText("--");
        labelResult3->setText("--");
    }

    labelResult4->setText(format("%.1f A", static_cast<double>(Ic)));

    // Panel results only for usable inputs.
    if (!sunHours || !panelPower || *sunHours < 0.0f || *panelPower < 0.0f) return showIncorrectInputFrom(4);
    const float H = *sunHours;
    const float P = *panelPower;
    // Any load at all needs a panel; with none there is nothing to size.
    if (!(static_cast<double>(V) > 0.1 && E > 0.0f && H < 24.0f &&
          static_cast<double>(H) > 0.1 && static_cast<double>(P) > 0.1)) {
        labelResult5->setText("--");
        labelResult6->setText("--");
        labelResultPeakCurrent->setText("--");
        return;
    }

    // One panel's output averaged over the day.
    const float k = static_cast<float>(static_cast<double>(H) / 1.55) / 24.0f;
    const float Pd = P * k;

    // Panels needed: the day's energy with the losses over what one panel makes in the day's
    // sun hours, rounded up; at least one.
    const double needed = std::max(
        1.0, std::ceil(static_cast<double>(E) * kLossFactor / (static_cast<double>(P) * static_cast<double>(H))));
    if (!platform::isShowableResult(needed) || !platform::isShowableResult(Pd)) return showIncorrectInputFrom(4);
    const long long N = platform::truncToLongLong(needed);

    // The peak current of all panels together, computed before the panel results are shown
    // so that one too large to print spoils them all.
    const float peak = (static_cast<float>(N) * P) / V;
    if (!platform::isShowableResult(peak)) return showIncorrectInputFrom(4);

    // Count and averaged output, and the peak.
    labelResult5->setText(format("%lld", N));
    labelResult6->setText(format("%.1f W", static_cast<double>(Pd)));
    labelResultPeakCurrent->setText(format("%.1f A", static_cast<double>(peak)));
}

int InfoSolarCalcView::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int InfoSolarCalcView::tableViewNumberOfRowsInSection(ui::TableView&, int) { return static_cast<int>(items.size()); }

std::optional<float> InfoSolarCalcView::tableViewHeightForRowAtIndexPath(ui::TableView&, ui::IndexPath) { return 40.0f; }

std::shared_ptr<ui::TableViewCell> InfoSolarCalcView::tableViewCellForRowAtIndexPath(ui::TableView& table,
                                                                                     ui::IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCell::Style::Default, kCellIdentifier);
    cell->setContentBackgroundColor(path.row % 2 == 1 ? kLightRow : ui::Color::clear());
    ui::Label& label = cell->textLabel();
    label.setBackgroundColor(ui::Color::clear());
    label.setFont(15, true);
    if (path.row >= 0 && path.row < static_cast<int>(items.size())) {
        const InfoSolarCalcItem& item = items[static_cast<std::size_t>(path.row)];
        const float energy = item.fPower * item.fDailyUsage;
        label.setText(format("%s, %.1fh, %.1fWh", item.sName.c_str(), static_cast<double>(item.fDailyUsage),
                             static_cast<double>(energy)));
    }
    return cell;
}

std::optional<ui::IndexPath> InfoSolarCalcView::tableViewWillSelectRowAtIndexPath(ui::TableView&, ui::IndexPath)
{
    return std::nullopt;
}

void InfoSolarCalcView::tableViewDidSelectRowAtIndexPath(ui::TableView&, ui::IndexPath) {}

ui::TableViewCellEditingStyle InfoSolarCalcView::tableViewEditingStyleForRowAtIndexPath(ui::TableView&, ui::IndexPath)
{
    return bDeleteMode ? ui::TableViewCellEditingStyle::Delete : ui::TableViewCellEditingStyle::None;
}

void InfoSolarCalcView::tableViewCommitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle,
                                                    ui::IndexPath path)
{
    if (path.row < 0 || path.row >= static_cast<int>(items.size())) return;
    items.erase(items.begin() + path.row);
    table.deleteRowsAtIndexPaths({path}, ui::TableViewRowAnimation::Fade);
    calculateResults();
    if (items.empty()) {
        bDeleteMode = false;
        table.setEditing(false, false);
    }
}

}  // namespace ohmkit::components
