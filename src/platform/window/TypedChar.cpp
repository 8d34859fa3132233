#include "platform/window/TypedChar.h"

#include "platform/Text.h"

#include <QKeyEvent>

std::optional<char> TypedChar(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return '\r';
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Backspace:
        return '\b';
    default:
        break;
    }
    const QString text = key.text();
    if (text.isEmpty())
        return std::nullopt;
    const char16_t unit = text[0].unicode();
    // C0 and C1 control characters and DEL type nothing printable.
    if (unit < 0x20 || (unit >= 0x7F && unit < 0xA0))
        return std::nullopt;
    const int byte = text.size() == 1 ? Cp1252FromUnicode(unit) : -1;
    return byte < 0 ? '\0' : static_cast<char>(byte);
}
