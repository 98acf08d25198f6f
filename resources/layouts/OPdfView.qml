// OPdfView: the pages of a PDF document, for OWebView. `finished` when it is read or fails.
import QtQuick
import QtQuick.Pdf

PdfMultiPageView {
    id: view
    property alias source: document.source
    signal finished()
    document: PdfDocument {
        id: document
        onStatusChanged: if (status === PdfDocument.Ready || status === PdfDocument.Error) view.finished()
    }
}
