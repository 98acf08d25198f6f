#include "tools/wires/info_wires_view.h"

#include "platform/files.h"
#include "ui/utils.h"

namespace ohmkit::wires {

InfoWiresView::InfoWiresView() : ui::ViewController("InfoWiresView") {}

void InfoWiresView::loadView()
{
    setTitle("Wire current load limits");
    m_cHTMLData = addOutlet<ui::WebView>("m_cHTMLData");
}

void InfoWiresView::viewDidLoad()
{
    setRightBarImage("wire_small.png");
    // The page among the program's resources.
    const std::string path = platform::resourcePath("Wires", "htm");
    // Load it; without the page the web view stays empty.
    if (!path.empty()) m_cHTMLData->loadRequest(ui::fileURLWithPath(path));
}

}  // namespace ohmkit::wires
