#include "app/view_controller.h"

#include "app/home_page.h"
#include "platform/files.h"
#include "platform/text.h"
#include "ui/application.h"
#include "ui/utils.h"

namespace ohmkit::app {

void OhmkitViewTableCell::setImageIcon(const std::string& iconName) { m_cIcon->setImageName(iconName); }

ViewController::ViewController() : ui::ViewController("ViewController") {}

namespace {

// One menu row: its title, its icon, the route it opens and the words it is also found by.
struct MenuRow {
    const char* name;
    const char* icon;
    const char* route;
    const char* keywords;
};

struct MenuGroupRows {
    const char* title;
    std::vector<MenuRow> rows;
};

// The menu: a tool is one row of its group.
const std::vector<MenuGroupRows>& menuTable()
{
    static const std::vector<MenuGroupRows> table = {
        {"Resistors",
         {
             {"Resistor colors", "res_colors", "ShowResistor", "band colour color code"},
             {"Resistor values", "res_numbers", "ShowResistanceValues", "standard nearest series E12 E24 E96"},
             {"Resistor SMD codes", "res_smd", "ShowResistorsSMD", "marking code EIA-96 surface mount"},
         }},
        {"Components",
         {
             {"Capacitor codes", "cap_normal", "ShowCapacitor", "capacitance marking code pF nF uF"},
             {"Inductor colors", "ind_normal", "ShowInductorView", "inductance band colour color code uH"},
             {"LED calc", "led_normal", "ShowLedCalc", "diode series resistor current"},
             {"NE555 timer calc", "ne555_normal", "ShowNE555View", "555 astable monostable oscillator frequency pulse"},
             {"Solar battery calc", "sol_normal", "ShowSolarCalc", "panel charge consumers energy"},
             {"Battery life", "battery_normal", "ShowBatteryLife", "capacity mAh runtime hours days duty cycle sleep"},
         }},
        {"Circuits",
         {
             {"Ohm's law", "ohm_normal", "ShowOhmsLaw", "ohms voltage current resistance power watt"},
             {"RC RL and LC", "filter_normal", "ShowFilters",
              "time constant filter cut-off cutoff frequency resonance reactance capacitor inductor"},
             {"Decibels", "db_normal", "ShowDecibels", "dB dBm dBV dBu gain ratio level"},
         }},
        {"Wires and PCB",
         {
             {"Wire current load limits", "wire_normal", "ShowWiresView", "AWG ampacity cable current table"},
             {"Wire voltage drop", "wire_normalV", "ShowWiresVoltageDrop", "AWG cable copper aluminium"},
             {"PCB trace width", "trace_normal", "ShowTraceWidth", "IPC-2221 track copper current temperature rise oz"},
         }},
        {"Datasheets",
         {
             {"Datasheets storage", "doc_normal", "ShowDatasheetsView", "documents pdf upload ftp browser"},
         }},
    };
    return table;
}

// ASCII letters folded to lower case: the titles and keywords are ASCII.
std::string folded(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

void ViewController::loadView()
{
    textSearch = addOutlet<ui::TextField>("textSearch");
    textSearch->setPlaceholder("Search tools");
    textSearch->setDelegate(this);
    textSearch->setEditingChanged([this](ui::TextField& field) { filterTools(field.text()); });
    labelNoMatch = addOutlet<ui::Label>("labelNoMatch");
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
    groups.clear();
    for (const MenuGroupRows& group : menuTable()) {
        MenuGroup& made = groups.emplace_back(MenuGroup{group.title, {}});
        for (const MenuRow& row : group.rows) {
            const std::string route = row.route;
            auto item = std::make_shared<OhmkitViewItem>(
                row.name, row.icon, [this, route] { performSegueWithIdentifier(route, this); }, row.keywords);
            made.items.push_back(item);
            items.push_back(std::move(item));
        }
    }
    clearFilesAttributes();
    filterTools(textSearch->text());
}

bool ViewController::matchesQuery(const OhmkitViewItem& item, const std::string& groupTitle, std::string_view query)
{
    const std::string haystack = folded(item.sName + " " + item.sKeywords + " " + groupTitle);
    const std::string words = folded(query);
    std::size_t at = 0;
    while (at < words.size()) {
        if (platform::isWhiteSpace(words[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < words.size() && !platform::isWhiteSpace(words[end])) ++end;
        if (haystack.find(words.substr(at, end - at)) == std::string::npos) return false;
        at = end;
    }
    return true;
}

void ViewController::filterTools(std::string_view query)
{
    shown.clear();
    for (const MenuGroup& group : groups) {
        MenuGroup kept{group.title, {}};
        for (const auto& item : group.items)
            if (matchesQuery(*item, group.title, query)) kept.items.push_back(item);
        if (!kept.items.empty()) shown.push_back(std::move(kept));
    }
    labelNoMatch->setText(shown.empty() ? platform::format("No tool matches \"%.*s\".", static_cast<int>(query.size()), query.data())
                                        : std::string());
    labelNoMatch->setHidden(!shown.empty());
    tableData->reloadData();
}

bool ViewController::textFieldShouldReturn(ui::TextField& field)
{
    // Return opens the first tool the search left.
    field.resignFirstResponder();
    if (!shown.empty()) tableViewDidSelectRowAtIndexPath(*tableData, {0, 0});
    return true;
}

int ViewController::numberOfSectionsInTableView(ui::TableView&) { return static_cast<int>(shown.size()); }

std::string ViewController::tableViewTitleForHeaderInSection(ui::TableView&, int section)
{
    if (section < 0 || section >= static_cast<int>(shown.size())) return {};
    return shown[static_cast<std::size_t>(section)].title;
}

int ViewController::tableViewNumberOfRowsInSection(ui::TableView&, int section)
{
    if (section < 0 || section >= static_cast<int>(shown.size())) return 0;
    return static_cast<int>(shown[static_cast<std::size_t>(section)].items.size());
}

namespace {

const std::shared_ptr<OhmkitViewItem>* itemAt(const std::vector<MenuGroup>& shown, ui::IndexPath path)
{
    if (path.section < 0 || path.section >= static_cast<int>(shown.size())) return nullptr;
    const auto& rows = shown[static_cast<std::size_t>(path.section)].items;
    if (path.row < 0 || path.row >= static_cast<int>(rows.size())) return nullptr;
    return &rows[static_cast<std::size_t>(path.row)];
}

}  // namespace

std::shared_ptr<ui::TableViewCell> ViewController::tableViewCellForRowAtIndexPath(ui::TableView& table, ui::IndexPath path)
{
    auto reused = table.dequeueReusableCellWithIdentifier(OhmkitViewTableCell::kReuseIdentifier);
    auto cell = std::dynamic_pointer_cast<OhmkitViewTableCell>(reused);
    if (!cell)
        cell = std::make_shared<OhmkitViewTableCell>(ui::TableViewCell::Style::Default,
                                                     OhmkitViewTableCell::kReuseIdentifier);
    cell->setContentBackgroundColor(path.row % 2 == 1 ? ui::Color::rgb(0.95f, 0.95f, 0.95f, 1.0f) : ui::Color::clear());
    if (const auto* item = itemAt(shown, path)) {
        cell->m_cDescription->setText((*item)->sName);
        cell->setImageIcon((*item)->sIconName);
    }
    return cell;
}

std::optional<float> ViewController::tableViewHeightForRowAtIndexPath(ui::TableView&, ui::IndexPath) { return 64.0f; }

void ViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&, ui::IndexPath path)
{
    const auto* found = itemAt(shown, path);
    if (!found) return;
    auto item = *found;
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
