#include "uiautomation/KeyboardKey.h"

namespace korvane {

std::optional<KeyboardKey> KeyboardKey::parse(QStringView)
{
    // The key table arrives with the command language.
    return std::nullopt;
}

} // namespace korvane
