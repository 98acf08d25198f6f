#include "datasheets/info_datasheet_open.h"

#include "app/utils.h"
#include "platform/files.h"
#include "platform/text.h"

namespace ohmkit::datasheets {

InfoDatasheetOpen::InfoDatasheetOpen() : ui::ViewController("InfoDatasheetOpen") {}

InfoDatasheetOpen::~InfoDatasheetOpen()
{
    if (webView && webView->delegate() == this) webView->setDelegate(nullptr);
}

void InfoDatasheetOpen::loadView()
{
    webView = addOutlet<ui::WebView>("webView");
    waitCursor = addOutlet<ui::ActivityIndicatorView>("waitCursor");
    webView->setDelegate(this);
}

std::string InfoDatasheetOpen::filePath() const
{
    return platform::format("%s/%s", platform::documentsDirectory().c_str(), fileName.c_str());
}

void InfoDatasheetOpen::viewDidLoad()
{
    // 1. The name is the title.
    setTitle(fileName);
    // 2. The path: directory, "/", name.
    const std::string path = filePath();
    // 3. Spin until the load has finished.
    waitCursor->startAnimating();
    // 4. Load the file by its file address.
    webView->loadRequest(app::fileURLWithPath(path));
}

void InfoDatasheetOpen::webViewDidStartLoad(ui::WebView&) { waitCursor->startAnimating(); }

void InfoDatasheetOpen::webViewDidFinishLoad(ui::WebView&) { waitCursor->stopAnimating(); }

void InfoDatasheetOpen::didMoveToParentViewController(ui::ViewController* parent)
{
    if (parent) return;
    // Removed from the stack: no more callbacks, and an unfinished load is stopped.
    webView->setDelegate(nullptr);
    if (webView->isLoading()) webView->stopLoading();
}

}  // namespace ohmkit::datasheets
