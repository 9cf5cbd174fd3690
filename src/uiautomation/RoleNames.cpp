// SPDX-License-Identifier: GPL-3.0-or-later
#include "uiautomation/RoleNames.h"

namespace korvane {

QString RoleNames::role(AccessibleRole role)
{
    switch (role) {
    case AccessibleRole::unknown:
        return QStringLiteral("AXUnknown");
    case AccessibleRole::application:
        return QStringLiteral("AXApplication");
    case AccessibleRole::window:
        return QStringLiteral("AXWindow");
    case AccessibleRole::button:
    case AccessibleRole::closeButton:
        return QStringLiteral("AXButton");
    case AccessibleRole::menuButton:
        return QStringLiteral("AXMenuButton");
    case AccessibleRole::checkBox:
        return QStringLiteral("AXCheckBox");
    case AccessibleRole::radioButton:
        return QStringLiteral("AXRadioButton");
    case AccessibleRole::popUpButton:
        return QStringLiteral("AXPopUpButton");
    case AccessibleRole::comboBox:
        return QStringLiteral("AXComboBox");
    case AccessibleRole::textField:
    case AccessibleRole::secureTextField:
    case AccessibleRole::searchField:
        return QStringLiteral("AXTextField");
    case AccessibleRole::textArea:
        return QStringLiteral("AXTextArea");
    case AccessibleRole::menuItem:
        return QStringLiteral("AXMenuItem");
    case AccessibleRole::menu:
        return QStringLiteral("AXMenu");
    case AccessibleRole::menuBar:
        return QStringLiteral("AXMenuBar");
    case AccessibleRole::tabGroup:
        return QStringLiteral("AXTabGroup");
    case AccessibleRole::link:
        return QStringLiteral("AXLink");
    case AccessibleRole::staticText:
        return QStringLiteral("AXStaticText");
    case AccessibleRole::row:
        return QStringLiteral("AXRow");
    case AccessibleRole::cell:
        return QStringLiteral("AXCell");
    case AccessibleRole::group:
        return QStringLiteral("AXGroup");
    case AccessibleRole::webArea:
        return QStringLiteral("AXWebArea");
    case AccessibleRole::toolbar:
        return QStringLiteral("AXToolbar");
    case AccessibleRole::scrollArea:
        return QStringLiteral("AXScrollArea");
    case AccessibleRole::scrollBar:
        return QStringLiteral("AXScrollBar");
    case AccessibleRole::slider:
        return QStringLiteral("AXSlider");
    case AccessibleRole::incrementor:
        return QStringLiteral("AXIncrementor");
    case AccessibleRole::splitGroup:
        return QStringLiteral("AXSplitGroup");
    case AccessibleRole::progressIndicator:
        return QStringLiteral("AXProgressIndicator");
    case AccessibleRole::levelIndicator:
        return QStringLiteral("AXLevelIndicator");
    case AccessibleRole::image:
        return QStringLiteral("AXImage");
    case AccessibleRole::list:
        return QStringLiteral("AXList");
    case AccessibleRole::table:
        return QStringLiteral("AXTable");
    case AccessibleRole::outline:
        return QStringLiteral("AXOutline");
    case AccessibleRole::helpTag:
        return QStringLiteral("AXHelpTag");
    }
    return QStringLiteral("AXUnknown");
}

QString RoleNames::subrole(AccessibleRole role)
{
    switch (role) {
    case AccessibleRole::closeButton:
        return QStringLiteral("AXCloseButton");
    case AccessibleRole::secureTextField:
        return QStringLiteral("AXSecureTextField");
    case AccessibleRole::searchField:
        return QStringLiteral("AXSearchField");
    default:
        return {};
    }
}

} // namespace korvane
