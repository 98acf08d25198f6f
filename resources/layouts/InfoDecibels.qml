// Decibels: each field converts on the result line under it.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    component Conversion: ColumnLayout {
        id: conversion
        required property string caption
        required property string field
        required property string result
        Layout.fillWidth: true
        spacing: OStyle.tightSpacing
        ONumberRow { caption: conversion.caption; outlet: conversion.field }
        OResult { outlet: conversion.result; emphasized: true; Layout.fillWidth: true }
    }

    OForm {
        OHeading { text: qsTr("Ratios") }
        Conversion { caption: qsTr("Voltage ratio V2/V1"); field: "textVoltageRatio"; result: "labelVoltageRatio" }
        Conversion { caption: qsTr("Power ratio P2/P1"); field: "textPowerRatio"; result: "labelPowerRatio" }
        Conversion { caption: qsTr("Gain, dB"); field: "textDecibels"; result: "labelDecibels" }
        OHeading { text: qsTr("Levels") }
        Conversion { caption: qsTr("Level, dBm"); field: "textDBm"; result: "labelDBm" }
        Conversion { caption: qsTr("Power, W"); field: "textWatts"; result: "labelWatts" }
        Conversion { caption: qsTr("Voltage, V rms"); field: "textVolts"; result: "labelVolts" }
        Conversion { caption: qsTr("Level, dBV or dBu"); field: "textLevel"; result: "labelLevel" }
        OHelpLine { outlet: "labelHelp" }
    }
}
