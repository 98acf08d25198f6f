#include "tools/components/info_capacitors_view.h"

#include "platform/text.h"

namespace ohmkit::components {

using platform::format;

namespace {

// The capacitance texts of one multiplier: templates taking the two digits, and the texts
// used for the digits 1, 0 instead (the templates would keep trailing zeros there).
struct Multiplier {
    int digit;
    const char* pF;
    const char* nF;
    const char* uF;
    const char* pF10;
    const char* nF10;
    const char* uF10;
};

constexpr Multiplier kMultipliers[] = {
    {9, "%d.%d", "0.00%d%d", "0.00000%d%d", "1.0", "0.001", "0.000001"},         // x 0.1
    {0, "%d%d", "0.0%d%d", "0.0000%d%d", "10", "0.01", "0.00001"},               // x 1
    {1, "%d%d0", "0.%d%d", "0.000%d%d", "100", "0.1", "0.0001"},                 // x 10
    {2, "%d%d00", "%d.%d", "0.00%d%d", "1000", "1.0", "0.001"},                  // x 100
    {3, "%d%d000", "%d%d", "0.0%d%d", "10000", "10", "0.01"},                    // x 1000
    {4, "%d%d0000", "%d%d0", "0.%d%d", "100000", "100", "0.1"},                  // x 10000
    {5, "%d%d00000", "%d%d00", "%d.%d", "1000000", "1000", "1.0"},               // x 100000
};

// Tolerance text of a letter; the space row (no letter) and anything else give "".
const char* toleranceText(char letter)
{
    switch (letter) {
    case 'E': return "+/- 0.5%";
    case 'F': return "+/- 1%";
    case 'G': return "+/- 2%";
    case 'H': return "+/- 3%";
    case 'J': return "+/- 5%";
    case 'K': return "+/- 10%";
    case 'M': return "+/- 20%";
    case 'P': return "+100%, -0%";
    case 'Z': return "+80%, -20%";
    case 'B': return "+/- 0.1 pF";
    case 'C': return "+/- 0.25 pF";
    case 'D': return "+/- 0.5 pF";
    default: return "";
    }
}

// Fills a template of the table above with the two digits (each template has exactly two %d).
std::string fill(const char* pattern, int d1, int d2) { return format(pattern, d1, d2); }

const char* const kHead = "<head><style type=\"text/css\"> body { -webkit-text-size-adjust: none; } </style></head>";

}  // namespace

InfoCapacitorsView::InfoCapacitorsView() : ui::ViewController("InfoCapacitorsView") {}

void InfoCapacitorsView::loadView()
{
    setTitle("Capacitor codes");
    m_cPickerView = addOutlet<ui::PickerView>("m_cPickerView");
    m_cResultsHTMLView = addOutlet<ui::WebView>("m_cResultsHTMLView");
    m_cPickerView->setDataSource(this);
    m_cPickerView->setDelegate(this);
}

void InfoCapacitorsView::viewDidLoad()
{
    setRightBarImage("cap_small.png");
    m_cArrayData1 = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    m_cArrayData2 = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    m_cArrayData3 = {"9", "0", "1", "2", "3", "4", "5"};
    m_cArrayData4 = {" ", "E", "F", "G", "H", "J", "K", "M", "P", "Z", "B", "C", "D"};
    m_cPickerView->reloadAllComponents();
    showResults(0, 0, 0, 0);
}

const std::vector<std::string>* InfoCapacitorsView::wheel(int component) const
{
    switch (component) {
    case 0: return &m_cArrayData1;
    case 1: return &m_cArrayData2;
    case 2: return &m_cArrayData3;
    case 3: return &m_cArrayData4;
    default: return nullptr;
    }
}

int InfoCapacitorsView::numberOfComponentsInPickerView(ui::PickerView&) { return 4; }

int InfoCapacitorsView::pickerViewNumberOfRowsInComponent(ui::PickerView&, int component)
{
    return ui::wheelRowCount(wheel(component));
}

std::optional<std::string> InfoCapacitorsView::pickerViewTitleForRow(ui::PickerView&, int row, int component)
{
    const std::string* text = ui::wheelRowText(wheel(component), row);
    return text ? *text : std::string();
}

void InfoCapacitorsView::pickerViewDidSelectRow(ui::PickerView&, int, int)
{
    showResults(m_cPickerView->selectedRowInComponent(0), m_cPickerView->selectedRowInComponent(1),
                m_cPickerView->selectedRowInComponent(2), m_cPickerView->selectedRowInComponent(3));
}

void InfoCapacitorsView::showResults(int data1, int data2, int data3, int data4)
{
    std::string page = resultPage(data1, data2, data3, data4);
    // Rows outside the wheels cannot be chosen; the page shown stays as it is.
    if (page.empty()) return;
    // Into the result web view, with no base URL.
    m_cResultsHTMLView->loadHTMLString(page, "");
}

std::string InfoCapacitorsView::resultPage(int data1, int data2, int data3, int data4) const
{
    auto at = [this](int component, int row) { return ui::wheelRowText(wheel(component), row); };
    const std::string* s1 = at(0, data1);
    const std::string* s2 = at(1, data2);
    const std::string* s3 = at(2, data3);
    const std::string* s4 = at(3, data4);
    if (!s1 || !s2 || !s3 || !s4) return {};

    // The digits, the multiplier digit and the letter (a space for none).
    const int d1 = platform::intValue(*s1);
    const int d2 = platform::intValue(*s2);
    const int m = platform::intValue(*s3);
    const std::string& letter = *s4;

    // Capacitance in pF, nF and uF: fixed texts for the digits 1, 0, else the templates.
    const Multiplier* mult = nullptr;
    for (const auto& row : kMultipliers)
        if (row.digit == m) mult = &row;
    if (!mult) return {};
    std::string pF, nF, uF;
    if (d1 == 1 && d2 == 0) {
        pF = mult->pF10, nF = mult->nF10, uF = mult->uF10;
    } else {
        pF = fill(mult->pF, d1, d2), nF = fill(mult->nF, d1, d2), uF = fill(mult->uF, d1, d2);
    }

    // Tolerance text from the letter's first character.
    const std::string tolerance = toleranceText(letter.empty() ? ' ' : letter[0]);

    // The page: head, code, capacitance, and the tolerance when there is one.
    if (!tolerance.empty())
        return format("%s<body>Selected capacitor: <B>%d%d%d%s</B><BR/><B>Capacitance:</B><BR/>%s pF<BR/>%s nF<BR/>%s "
                      "uF<BR/><B>Tolerance:</B> %s</body>",
                      kHead, d1, d2, m, letter.c_str(), pF.c_str(), nF.c_str(), uF.c_str(), tolerance.c_str());
    return format("%s<body>Selected capacitor: <B>%d%d%d%s</B><BR/><B>Capacitance:</B><BR/>%s pF<BR/>%s nF<BR/>%s "
                  "uF</body>",
                  kHead, d1, d2, m, letter.c_str(), pF.c_str(), nF.c_str(), uF.c_str());
}

}  // namespace ohmkit::components
