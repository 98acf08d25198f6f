// OImage: an image view outlet.
//
//   OImage { outlet: "imageSchematic"; Layout.preferredHeight: 120 }
//
// Shows the image the screen names ("led_sch1.png" finds led_sch1.svg or .png among the
// resources' images), scaled to fit, in the dark look with light ink on the dark ground
// (OStyle.drawing); nothing when there is none. Set `sourceSize` to the
// size it is shown at to draw a drawing crisply.
import QtQuick
import Ohmkit

Image {
    id: image
    property ScreenBridge screen: ScreenPage.screen
    required property string outlet
    readonly property ImageBridge view: screen && outlet ? screen.outlet(outlet) : null

    objectName: outlet
    visible: view ? !view.hidden : false
    source: view ? OStyle.drawing(view.image) : ""
    fillMode: Image.PreserveAspectFit
    smooth: true
    onWidthChanged: if (view) view.reportSize(width, height)
}
