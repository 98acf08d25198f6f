// OPicker: a picker outlet, one wheel (Tumbler) per component.
//
//   OPicker { screen: root.screen; outlet: "pickerView"; Layout.fillWidth: true }
//
// Each row is drawn as the screen describes it: a colour swatch (with its text centred, "-"
// for "none") or a title. Rows are as tall as the screen's row height; `visibleRows` rows
// show at once. When a wheel comes to rest on a new row, the model gets the did-select event
// for that wheel; rows the screen selects by code turn the wheel without an event.
// Wheel i is the child with objectName "<outlet>:<i>".
import QtQuick
import QtQuick.Controls
import Ohmkit

Item {
    id: picker
    property ScreenBridge screen
    property string outlet
    readonly property PickerBridge view: screen && outlet ? screen.outlet(outlet) : null
    property int visibleRows: 5
    property real spacing: 6
    readonly property int wheelCount: view ? view.wheels.length : 0
    readonly property real rowHeight: {
        let h = 32
        if (view) for (const w of view.wheels) h = Math.max(h, w.rowHeight)
        return h
    }

    objectName: outlet
    visible: view ? !view.hidden : false
    implicitWidth: 320
    implicitHeight: rowHeight * visibleRows

    // The band behind the selected row of every wheel.
    Rectangle {
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        height: picker.rowHeight + 4
        radius: 8
        color: "#eef0f4"
    }

    Row {
        anchors.fill: parent
        spacing: picker.spacing

        Repeater {
            model: picker.view ? picker.view.wheels : []

            delegate: Tumbler {
                id: wheel
                required property var modelData
                required property int index
                // Until the first sync the wheel's index is Tumbler's own, not the user's.
                property bool syncing: true

                objectName: picker.outlet + ":" + index
                width: picker.wheelCount > 0 ? (picker.width - picker.spacing * (picker.wheelCount - 1)) / picker.wheelCount : 0
                height: picker.height
                visibleItemCount: picker.visibleRows
                wrap: false
                model: modelData.rows

                delegate: Item {
                    id: row
                    required property var modelData
                    required property int index
                    opacity: 1.0 - Math.min(Math.abs(Tumbler.displacement) / (picker.visibleRows / 2 + 0.5), 0.7)

                    Rectangle {
                        visible: row.modelData.hasSwatch
                        anchors.centerIn: parent
                        width: Math.min(parent.width - 6, 56)
                        height: parent.height - 6
                        radius: 5
                        color: row.modelData.swatch
                        border.width: 1
                        border.color: Qt.darker(row.modelData.swatch, 1.25)
                    }
                    Text {
                        anchors.fill: parent
                        text: row.modelData.text
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        font.pixelSize: OStyle.fontSize
                        font.bold: row.modelData.hasSwatch
                        elide: Text.ElideRight
                        color: {
                            if (!row.modelData.hasSwatch) return OStyle.text
                            const c = row.modelData.swatch
                            return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b < 0.55 ? "#ffffff" : "#000000"
                        }
                    }
                }

                function sync() {
                    if (!picker.view || moving) return
                    syncing = true
                    currentIndex = picker.view.selectedRows[index]
                    syncing = false
                }
                // A wheel at rest on a row the model has not selected: the user chose it.
                function commit() {
                    if (syncing || moving || !picker.view || currentIndex < 0) return
                    if (currentIndex !== picker.view.selectedRows[index]) picker.view.userSelect(index, currentIndex)
                }
                Component.onCompleted: sync()
                onCurrentIndexChanged: commit()
                onMovingChanged: commit()

                Connections {
                    target: picker.view
                    function onSelectionChanged() { wheel.sync() }
                }
            }
        }
    }
}
