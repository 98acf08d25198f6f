// The window: a navigation bar over a StackView that mirrors the model's navigation stack.
// Each screen's page is the layout named after its controller class, given the screen's
// bridge as `screen`. The top page has the keyboard focus; Escape (when no field is being
// edited) and the platform's back key go back.
import QtQuick
import QtQuick.Controls
import Ohmkit

ApplicationWindow {
    id: window
    required property NavigationBridge navigation

    width: navigation.tablet ? OStyle.tabletWindow.width : OStyle.phoneWindow.width
    height: navigation.tablet ? OStyle.tabletWindow.height : OStyle.phoneWindow.height
    // Small enough for a phone held sideways (667 x 375) under a window manager.
    minimumWidth: OStyle.minimumWindow.width
    minimumHeight: OStyle.minimumWindow.height
    visible: true
    title: "Ohmkit"
    color: OStyle.background

    // The Quick Controls inside (scroll and busy indicators, the Tumbler's own parts) take
    // their colours from OStyle too.
    palette.window: OStyle.background
    palette.windowText: OStyle.text
    palette.base: OStyle.fieldBackground
    palette.text: OStyle.text
    palette.button: OStyle.secondaryButton
    palette.buttonText: OStyle.accent
    palette.highlight: OStyle.accent
    palette.highlightedText: OStyle.primaryButtonText
    palette.placeholderText: OStyle.secondaryText
    palette.mid: OStyle.secondaryText
    palette.dark: OStyle.secondaryText

    header: ONavigationBar {
        screen: window.navigation.top
        canGoBack: window.navigation.depth > 1
        backTitle: window.navigation.depth > 1 ? window.navigation.screens[window.navigation.depth - 2].title : ""
        onBack: window.navigation.back()
    }

    StackView {
        id: stack
        objectName: "stack"
        anchors.fill: parent
        focus: true
        onCurrentItemChanged: if (currentItem) currentItem.forceActiveFocus()
    }

    function pushScreen(screen, operation) {
        stack.push(screen.layout.toString(), { screen: screen }, operation)
    }

    Component.onCompleted: {
        for (const screen of navigation.screens) pushScreen(screen, StackView.Immediate)
    }

    Connections {
        target: window.navigation
        function onPushed(screen) { window.pushScreen(screen, StackView.PushTransition) }
        function onPopped(screen) { stack.pop() }
    }

    Shortcut {
        sequences: [StandardKey.Back, "Escape"]
        onActivated: window.navigation.back()
    }
}
