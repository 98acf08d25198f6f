#include "app/view_controller.h"

#include "app/home_page.h"
#include "platform/files.h"
#include "platform/text.h"
#include "ui/application.h"
#include "ui/utils.h"

namespace ohmkit::app {

void OhmkitViewTableCell::setImageIcon(const std::string& iconName) { m_cIcon->setImageName(iconName); }

ViewController::ViewController() : ui::ViewController("ViewController") {}

void ViewController::loadView()
{
    tableData = addOutlet<ui::TableView>("tableData");
    tableData->setDataSource(this);
    tableData->setDelegate(this);
    // The rate button opens the project's home page when the build names one.
    buttonRate_ = addButton("onButtonRate", "Rate", [this] { onButtonRate(nullptr); });
    buttonRate_->setHidden(std::string(OHMKIT_HOME_PAGE).empty());
    setTitle("Ohmkit");
}

void ViewController::viewDidLoad()
{
    items.clear();
    auto add = [this](const char* name, const char* icon, void (ViewController::*action)(const void*)) {
        items.push_back(std::make_shared<OhmkitViewItem>(name, icon, [this, action] { (this->*action)(nullptr); }));
    };
    add("Capacitor codes", "cap_normal", &ViewController::onShowCapacitor);
    add("Resistor colors", "res_colors", &ViewController::onShowResistor);
    add("Resistor values", "res_numbers", &ViewController::onShowResistorValues);
    add("Resistor SMD codes", "res_smd", &ViewController::onShowResistorSMD);
    add("Inductor colors", "ind_normal", &ViewController::onShowInd);
    add("LED calc", "led_normal", &ViewController::onShowLed);
    add("Wire current load limits", "wire_normal", &ViewController::onShowWires);
    add("Wire voltage drop", "wire_normalV", &ViewController::onShowVoltageDrop);
    add("NE555 timer calc", "ne555_normal", &ViewController::onShowNE555);
    add("Solar battery calc", "sol_normal", &ViewController::onShowSolarCalc);
    add("Datasheets storage", "doc_normal", &ViewController::onShowDatasheet);
    clearFilesAttributes();
    tableData->reloadData();
}

int ViewController::tableViewNumberOfRowsInSection(ui::TableView&, int) { return static_cast<int>(items.size()); }

std::shared_ptr<ui::TableViewCell> ViewController::tableViewCellForRowAtIndexPath(ui::TableView& table, ui::IndexPath path)
{
    auto reused = table.dequeueReusableCellWithIdentifier(OhmkitViewTableCell::kReuseIdentifier);
    auto cell = std::dynamic_pointer_cast<OhmkitViewTableCell>(reused);
    if (!cell)
        cell = std::make_shared<OhmkitViewTableCell>(ui::TableViewCell::Style::Default,
                                                     OhmkitViewTableCell::kReuseIdentifier);
    cell->setContentBackgroundColor(path.row % 2 == 1 ? ui::Color::rgb(0.95f, 0.95f, 0.95f, 1.0f) : ui::Color::clear());
    if (path.row >= 0 && path.row < static_cast<int>(items.size())) {
        const auto& item = items[static_cast<std::size_t>(path.row)];
        cell->m_cDescription->setText(item->sName);
        cell->setImageIcon(item->sIconName);
    }
    return cell;
}

std::optional<float> ViewController::tableViewHeightForRowAtIndexPath(ui::TableView&, ui::IndexPath) { return 64.0f; }

void ViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&, ui::IndexPath path)
{
    if (path.row < 0 || path.row >= static_cast<int>(items.size())) return;
    auto item = items[static_cast<std::size_t>(path.row)];
    if (item->pTapFunc) item->pTapFunc();
}

void ViewController::onShowCapacitor(const void*) { performSegueWithIdentifier("ShowCapacitor", this); }
void ViewController::onShowResistor(const void*) { performSegueWithIdentifier("ShowResistor", this); }
void ViewController::onShowResistorValues(const void*) { performSegueWithIdentifier("ShowResistanceValues", this); }
void ViewController::onShowResistorSMD(const void*) { performSegueWithIdentifier("ShowResistorsSMD", this); }
void ViewController::onShowInd(const void*) { performSegueWithIdentifier("ShowInductorView", this); }
void ViewController::onShowLed(const void*) { performSegueWithIdentifier("ShowLedCalc", this); }
void ViewController::onShowWires(const void*) { performSegueWithIdentifier("ShowWiresView", this); }
void ViewController::onShowVoltageDrop(const void*) { performSegueWithIdentifier("ShowWiresVoltageDrop", this); }
void ViewController::onShowNE555(const void*) { performSegueWithIdentifier("ShowNE555View", this); }
void ViewController::onShowSolarCalc(const void*) { performSegueWithIdentifier("ShowSolarCalc", this); }
void ViewController::onShowDatasheet(const void*) { performSegueWithIdentifier("ShowDatasheetsView", this); }

void ViewController::onButtonRate(const void*)
{
    const std::string page = OHMKIT_HOME_PAGE;
    if (!page.empty()) ui::Application::shared().openURL(page);
}

void ViewController::clearFilesAttributes()
{
    const std::string dir = platform::documentsDirectory();
    for (const auto& name : platform::directoryEntries(dir))
        ui::Utils::addSkipBackupAttributeToItemAtURL(ui::fileURLWithPath(platform::format("%s/%s", dir.c_str(), name.c_str())));
}

}  // namespace ohmkit::app
