#include "datasheets/info_datasheet_open.h"

#include "datasheets/datasheet_files.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text.h"
#include "ui/application.h"
#include "ui/utils.h"

namespace ohmkit::datasheets {

using platform::format;

InfoDatasheetOpen::InfoDatasheetOpen() : ui::ViewController("InfoDatasheetOpen") {}

InfoDatasheetOpen::~InfoDatasheetOpen()
{
    if (webView && webView->delegate() == this) webView->setDelegate(nullptr);
}

void InfoDatasheetOpen::loadView()
{
    webView = addOutlet<ui::WebView>("webView");
    waitCursor = addOutlet<ui::ActivityIndicatorView>("waitCursor");
    labelFileInfo = addOutlet<ui::Label>("labelFileInfo");
    labelOpenError = addOutlet<ui::Label>("labelOpenError");
    addButton("onButtonOpenExternally", "Open with default application", [this] { onButtonOpenExternally(); });
    labelOpenError->setHidden(true);
    webView->setDelegate(this);
}

std::string InfoDatasheetOpen::filePath() const
{
    return format("%s/%s", platform::documentsDirectory().c_str(), fileName.c_str());
}

void InfoDatasheetOpen::viewDidLoad()
{
    setTitle(fileName);
    const std::string path = filePath();
    const DatasheetFile file = describeFile(platform::documentsDirectory(), fileName);
    labelFileInfo->setText(format("%s \u00b7 %s", file.folder ? "Folder" : humanSize(file.size).c_str(),
                                  typeDescription(file).c_str()));
    // Spin until the file, loaded by its file address, is shown.
    waitCursor->startAnimating();
    webView->loadRequest(ui::fileURLWithPath(path));
}

void InfoDatasheetOpen::onButtonOpenExternally()
{
    if (ui::Application::shared().openURL(ui::fileURLWithPath(filePath()))) {
        labelOpenError->setHidden(true);
        return;
    }
    platform::logFormat("No application opened %s", filePath().c_str());
    labelOpenError->setText(format("No application on this computer could open \u201c%s\u201d.", fileName.c_str()));
    labelOpenError->setHidden(false);
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
