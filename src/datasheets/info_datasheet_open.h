#pragma once
// The datasheet viewer: shows one file of the documents directory, with a wait cursor that
// spins until the load has finished. Leaving the screen stops an unfinished load.
//
// For a file the viewer cannot show, the screen offers its size and type and a button that
// opens it with the desktop's default application; when nothing can open it, it says so.
#include <string>

#include "ui/document_kind.h"
#include "ui/view_controller.h"

namespace ohmkit::datasheets {

// A document's kind is the web view's notion of what it can show.
using ui::DocumentKind;
using ui::documentKindOfFile;

class InfoDatasheetOpen : public ui::ViewController, public ui::WebViewDelegate {
public:
    InfoDatasheetOpen();
    ~InfoDatasheetOpen() override;

    void loadView() override;
    void viewDidLoad() override;
    void didMoveToParentViewController(ui::ViewController* parent) override;

    void webViewDidStartLoad(ui::WebView& webView) override;
    void webViewDidFinishLoad(ui::WebView& webView) override;
    // Hands the file to the desktop's default application.
    void onButtonOpenExternally();

    // The full path of the file shown ("DIR/NAME").
    std::string filePath() const;
    // How the front end renders it.
    DocumentKind documentKind() const { return documentKindOfFile(filePath()); }

    std::string fileName;   // set by the list before the screen loads
    ui::WebView* webView = nullptr;
    ui::ActivityIndicatorView* waitCursor = nullptr;
    ui::Label* labelFileInfo = nullptr;    // "8 B · ZIP file"
    ui::Label* labelOpenError = nullptr;   // hidden until opening externally fails
};

}  // namespace ohmkit::datasheets
