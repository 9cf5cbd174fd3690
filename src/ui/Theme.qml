// SPDX-License-Identifier: GPL-3.0-or-later
pragma Singleton
import QtQuick

// Colours, type sizes and spacing shared by every view.
QtObject {
    readonly property color windowBackground: "#f4f5f8"
    readonly property color workspaceTop: "#f8f9fc"
    readonly property color workspaceBottom: "#eceef4"
    readonly property color panel: "#ffffff"
    readonly property color panelAlt: "#f7f8fa"
    readonly property color divider: "#dfe2e8"
    readonly property color outline: "#cfd4dc"
    readonly property color text: "#1d1f24"
    readonly property color secondaryText: "#6b7280"
    readonly property color tertiaryText: "#9aa1ad"
    readonly property color accent: "#0a7cff"
    readonly property color accentSoft: "#e7f1ff"
    readonly property color failure: "#c62828"
    readonly property color cardShadow: "#14000000"
    // Text on the microphone, on filled buttons and on slides.
    readonly property color onTint: "#ffffff"
    readonly property color micRing: Qt.rgba(1, 1, 1, 0.55)

    // The artifact status chip: running, ready, needs review.
    readonly property color runningChip: "#fff4e0"
    readonly property color runningChipText: "#a15c00"
    readonly property color readyChip: "#e6f6ec"
    readonly property color readyChipText: "#1d7a45"
    readonly property color reviewChip: "#fdecec"
    readonly property color reviewChipText: "#b3261e"

    // Slides: the dark stage, the default background, the scrim under text and the body text.
    readonly property color slideStage: "#1b1e26"
    readonly property color slideTop: "#2a3350"
    readonly property color slideBottom: "#151823"
    readonly property color slideScrimTop: "#59000000"
    readonly property color slideScrimBottom: "#a6000000"
    readonly property color slideText: "#eef0f4"

    readonly property int largeTitle: 30
    readonly property int title1: 26
    readonly property int title2: 21
    readonly property int title3: 18
    readonly property int headline: 15
    readonly property int body: 14
    readonly property int caption: 11

    readonly property int spacing: 8
    readonly property int padding: 20
    readonly property int radius: 12
    readonly property int smallRadius: 6
    readonly property int mediumRadius: 10
}
