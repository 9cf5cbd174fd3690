// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace korvane {

// What an accessible element is, in the desktop's own terms. Backends map their toolkit's
// roles onto these; the names the user and the model read are made from them one level up.
enum class AccessibleRole {
    unknown,
    application,
    window,
    button,
    // A button that closes its window or tab.
    closeButton,
    // A button that opens a menu.
    menuButton,
    checkBox,
    radioButton,
    // A list that only pops up to choose from: nothing can be typed into it.
    popUpButton,
    // A field with a list to choose from that can also be typed into.
    comboBox,
    textField,
    // A field whose contents are never read (a password).
    secureTextField,
    searchField,
    textArea,
    menuItem,
    menu,
    menuBar,
    tabGroup,
    link,
    staticText,
    row,
    cell,
    group,
    webArea,
    toolbar,
    scrollArea,
    scrollBar,
    slider,
    incrementor,
    splitGroup,
    progressIndicator,
    levelIndicator,
    image,
    list,
    table,
    outline,
    helpTag,
};

// The texts an element may carry, in the order names are looked for.
enum class AccessibleText {
    title,
    description,
    value,
    help,
    placeholder,
    identifier,
};

} // namespace korvane
