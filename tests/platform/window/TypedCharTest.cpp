// What the key handlers get for a key press.
#include "platform/window/TypedChar.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

#include <optional>
#include <tuple>

TEST(TypedChar, KeysBecomeTheHandlersBytesOrGoOnToTheWidget) {
    constexpr std::optional<char> none;
    const std::tuple<int, QString, std::optional<char>> cases[] = {
        // Return, Enter, Esc and Backspace by their key, with or without text.
        {Qt::Key_Return, "\r", '\r'},
        {Qt::Key_Enter, {}, '\r'},
        {Qt::Key_Escape, {}, 27},
        {Qt::Key_Backspace, {}, '\b'},
        // Printable characters as their Windows-1252 byte.
        {Qt::Key_A, "A", 'A'},
        {Qt::Key_Adiaeresis, QString(QChar(0xE4)), '\xE4'},
        {0, QString(QChar(0x20AC)), '\x80'},
        // Printable, but no Windows-1252 byte: dropped.
        {0, QString(QChar(0x3A9)), '\0'},
        {0, QString::fromUtf8("\xF0\x9F\x98\x80"), '\0'},
        // No character of their own (none, or a control character): the widget's.
        {Qt::Key_Left, {}, none},
        {Qt::Key_Tab, "\t", none},
        {Qt::Key_Delete, "\x7f", none},
        {0, QString(QChar(0x81)), none},
    };
    for (const auto& [key, text, typed] : cases) {
        const QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        EXPECT_EQ(TypedChar(press), typed) << "key " << key << " text " << text.toStdString();
    }
}
