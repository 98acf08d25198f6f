#pragma once
// The wire current-load page: a read-only reference table (the page resource "Wires" of type
// "htm") shown in a web view.
#include "ui/view_controller.h"

namespace ohmkit::wires {

class InfoWiresView : public ui::ViewController {
public:
    InfoWiresView();

    void loadView() override;
    void viewDidLoad() override;

    ui::WebView* m_cHTMLData = nullptr;
};

}  // namespace ohmkit::wires
