#include "app/command_line.h"

#include <iostream>
#include <ostream>

#include "app/routes.h"
#include "app/serve_command.h"
#include "platform/run_loop.h"
#include "platform/text.h"
#include "ui/application.h"

namespace ohmkit::app {

namespace {

// Lets deferred work that is already due run (a screen's first load, a web view's load),
// without waiting for timers that repeat for ever.
void settle()
{
    auto& loop = platform::RunLoop::main();
    for (int i = 0; i < 200; ++i) {
        auto next = loop.nextTimeout();
        if (!next || next->count() > 0) {
            if (!loop.runOnce()) break;
        } else {
            loop.runOnce();
        }
    }
}

std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

void printOutlets(const ui::ViewController& screen, std::ostream& out)
{
    for (const auto& [name, view] : screen.outlets()) {
        switch (view->kind()) {
        case ui::View::Kind::Label:
            out << name << ": " << escaped(static_cast<ui::Label*>(view)->text()) << "\n";
            break;
        case ui::View::Kind::TextField:
            out << name << ": " << escaped(static_cast<ui::TextField*>(view)->text()) << "\n";
            break;
        case ui::View::Kind::Button:
            out << name << ": " << escaped(static_cast<ui::Button*>(view)->title()) << "\n";
            break;
        case ui::View::Kind::Image:
            out << name << ": " << static_cast<ui::ImageView*>(view)->imageName() << "\n";
            break;
        case ui::View::Kind::Web: {
            auto* web = static_cast<ui::WebView*>(view);
            out << name << ": " << escaped(web->url().empty() ? web->html() : web->url()) << "\n";
            break;
        }
        case ui::View::Kind::Picker: {
            auto* picker = static_cast<ui::PickerView*>(view);
            out << name << ":";
            for (int c = 0; c < picker->numberOfComponents(); ++c) out << " " << picker->selectedRowInComponent(c);
            out << "\n";
            break;
        }
        case ui::View::Kind::Table: {
            auto* table = static_cast<ui::TableView*>(view);
            int index = 0;
            for (int s = 0; s < table->numberOfSections(); ++s)
                for (int r = 0; r < table->numberOfRowsInSection(s); ++r) {
                    auto cell = table->cellForRow({s, r});
                    out << name << "[" << index++ << "]: " << escaped(cell ? cell->textLabel().text() : "") << "\n";
                }
            table->reloadData();
            break;
        }
        case ui::View::Kind::Activity:
            out << name << ": " << (static_cast<ui::ActivityIndicatorView*>(view)->isAnimating() ? "animating" : "stopped")
                << "\n";
            break;
        case ui::View::Kind::Scroll: {
            auto size = static_cast<ui::ScrollView*>(view)->contentSize();
            out << name << ": " << platform::format("%g x %g", size.width, size.height) << "\n";
            break;
        }
        case ui::View::Kind::TableCell:
            break;
        }
    }
}

bool parseIndex(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    value = std::stoi(text);
    return true;
}

// Applies one step to the top screen; returns an error text, empty on success.
std::string applyStep(ui::NavigationController& nav, const std::string& step)
{
    ui::ViewController* screen = nav.topViewController();
    if (step == "back") {
        nav.popViewControllerAnimated(true);
        return {};
    }
    auto colon = step.find(':');
    auto equals = step.find('=');
    if (equals != std::string::npos && (colon == std::string::npos || equals < colon)) {
        std::string name = step.substr(0, equals);
        auto* view = screen->outlet(name);
        if (!view) return "unknown outlet: " + name;
        if (view->kind() != ui::View::Kind::TextField) return "not a text field: " + name;
        static_cast<ui::TextField*>(view)->userEdit(step.substr(equals + 1));
        return {};
    }
    if (colon == std::string::npos) return "malformed step: " + step;
    std::string verb = step.substr(0, colon);
    std::string rest = step.substr(colon + 1);
    if (verb == "return") {
        auto* view = screen->outlet(rest);
        if (!view) return "unknown outlet: " + rest;
        if (view->kind() != ui::View::Kind::TextField) return "not a text field: " + rest;
        static_cast<ui::TextField*>(view)->userReturn();
        return {};
    }
    if (verb == "tap") {
        auto* button = screen->buttonForAction(rest);
        if (!button) return "unknown action: " + rest;
        button->userTap();
        return {};
    }
    if (verb == "pick") {
        auto c1 = rest.find(':');
        auto c2 = c1 == std::string::npos ? c1 : rest.find(':', c1 + 1);
        if (c2 == std::string::npos) return "malformed step: " + step;
        std::string name = rest.substr(0, c1);
        int component = 0, row = 0;
        if (!parseIndex(rest.substr(c1 + 1, c2 - c1 - 1), component) || !parseIndex(rest.substr(c2 + 1), row))
            return "malformed step: " + step;
        auto* view = screen->outlet(name);
        if (!view) return "unknown outlet: " + name;
        if (view->kind() != ui::View::Kind::Picker) return "not a picker: " + name;
        auto* picker = static_cast<ui::PickerView*>(view);
        if (component >= picker->numberOfComponents() || row >= picker->numberOfRowsInComponent(component))
            return "no such wheel row: " + step;
        picker->userSelect(component, row);
        return {};
    }
    if (verb == "row") {
        auto c1 = rest.find(':');
        if (c1 == std::string::npos) return "malformed step: " + step;
        std::string name = rest.substr(0, c1);
        int row = 0;
        if (!parseIndex(rest.substr(c1 + 1), row)) return "malformed step: " + step;
        auto* view = screen->outlet(name);
        if (!view) return "unknown outlet: " + name;
        if (view->kind() != ui::View::Kind::Table) return "not a table: " + name;
        // ROW counts over every section, as the rows are printed.
        auto* table = static_cast<ui::TableView*>(view);
        for (int s = 0; s < table->numberOfSections(); ++s) {
            const int rows = table->numberOfRowsInSection(s);
            if (row < rows) {
                table->userSelect({s, row});
                return {};
            }
            row -= rows;
        }
        return "no such row: " + step;
    }
    return "malformed step: " + step;
}

}  // namespace

std::string usageText()
{
    return "usage:\n"
           "  ohmkit                      open the window\n"
           "  ohmkit --tablet             open the window in the tablet layout\n"
           "  ohmkit script ROUTE [STEP ...]\n"
           "      open a screen by its route (ShowResistor, ShowLedCalc, ...), apply the steps,\n"
           "      print the screen's outlets. Steps:\n"
           "        OUTLET=TEXT              type TEXT into a text field\n"
           "        return:OUTLET            press return in a text field\n"
           "        tap:ACTION               tap the button wired to ACTION\n"
           "        pick:OUTLET:WHEEL:ROW    turn a picker wheel to a row\n"
           "        row:OUTLET:ROW           select a table row\n"
           "        back                     the back button\n"
           "      example: ohmkit script ShowResistor pick:pickerView:3:2\n"
           "  ohmkit serve [--port N] [--documents DIR] [--max-clients N] [--max-per-address N]\n"
           "               [--idle-timeout SECONDS] [--data-timeout SECONDS]\n"
           "      serve the datasheet store over FTP until interrupted (limits: 256 clients,\n"
           "      32 per address, 300 s without a command or transfer progress, 60 s for a\n"
           "      data connection to come)\n";
}

int runScript(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << "script: a route is needed\n" << usageText();
        return 2;
    }
    auto nav = makeAppNavigationController();
    ui::Application::shared().setRootNavigationController(nav);
    settle();
    const std::string& route = args[0];
    ui::ViewController* menu = nav->topViewController();
    if (!nav->hasRoute(route) || !nav->performSegue(route, *menu, menu)) {
        err << "script: unknown route: " << route << "\n";
        ui::Application::shared().setRootNavigationController(nullptr);
        return 2;
    }
    settle();
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string problem = applyStep(*nav, args[i]);
        if (!problem.empty()) {
            err << "script: " << problem << "\n";
            ui::Application::shared().setRootNavigationController(nullptr);
            return 2;
        }
        settle();
    }
    printOutlets(*nav->topViewController(), out);
    // Leave every screen so that whatever it runs (a server, a timer) stops.
    while (nav->popViewControllerAnimated(false)) settle();
    ui::Application::shared().setRootNavigationController(nullptr);
    return 0;
}

int runCommandLine(int argc, char** argv)
{
    if (argc < 2) return -1;
    std::string mode = argv[1];
    std::vector<std::string> rest(argv + 2, argv + argc);
    if (mode == "script") return runScript(rest, std::cout, std::cerr);
    if (mode == "serve") return app::serveCommand(rest, std::cout, std::cerr);
    if (mode == "--help" || mode == "-h" || mode == "help") {
        std::cout << usageText();
        return 0;
    }
    return -1;
}

}  // namespace ohmkit::app
