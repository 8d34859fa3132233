// What the key handlers get for a key press.
#include "platform/window/TypedChar.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

#include <tuple>

// Return, Enter, Esc, Backspace by their key; printable characters as their Windows-1252 byte
// ('\0' without one); the rest (no character, or a control character) goes on to the widget.
TEST(TypedChar, KeysBecomeTheHandlersBytesOrGoOnToTheWidget) {
    const std::tuple<int, QString, std::optional<char>> cases[] = {
        // clang-format off
        {Qt::Key_Return, "\r", '\r'}, {Qt::Key_Enter, {}, '\r'}, {Qt::Key_Escape, {}, 27},
        {Qt::Key_Backspace, {}, '\b'}, {Qt::Key_A, "A", 'A'},
        {Qt::Key_Adiaeresis, QString(QChar(0xE4)), '\xE4'}, {0, QString(QChar(0x20AC)), '\x80'},
        {0, QString(QChar(0x3A9)), '\0'}, {0, QString::fromUtf8("\xF0\x9F\x98\x80"), '\0'},
        {Qt::Key_Left, {}, std::nullopt}, {Qt::Key_Tab, "\t", std::nullopt},
        {Qt::Key_Delete, "\x7f", std::nullopt}, {0, QString(QChar(0x81)), std::nullopt}
        // clang-format on
    };
    for (const auto& [key, text, typed] : cases) {
        const QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        EXPECT_EQ(TypedChar(press), typed) << "key " << key << " text " << text.toStdString();
    }
}
