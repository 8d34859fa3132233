// What the key handlers get for a key press.
#include "platform/window/TypedChar.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

#include <optional>

TEST(TypedChar, KeysBecomeTheHandlersBytesOrGoOnToTheWidget) {
    constexpr std::optional<char> none;
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        std::optional<char> typed;
    } cases[] = {
        // Return, Enter, Esc and Backspace by their key, with or without text.
        {Qt::Key_Return, {}, "\r", '\r'},
        {Qt::Key_Enter, {}, {}, '\r'},
        {Qt::Key_Escape, {}, {}, 27},
        {Qt::Key_Escape, {}, "\x1b", 27},
        {Qt::Key_Backspace, {}, {}, '\b'},
        // Printable characters as their Windows-1252 byte.
        {Qt::Key_A, Qt::ShiftModifier, "A", 'A'},
        {0, {}, "5", '5'},
        {Qt::Key_Adiaeresis, {}, QString(QChar(0xE4)), '\xE4'},
        {0, {}, QString(QChar(0x20AC)), '\x80'},
        // Printable, but no Windows-1252 byte: dropped.
        {0, {}, QString(QChar(0x3A9)), '\0'},
        {0, {}, QString::fromUtf8("\xF0\x9F\x98\x80"), '\0'},
        // No character of their own: the widget's.
        {Qt::Key_Tab, {}, "\t", none},
        {Qt::Key_Backtab, Qt::ShiftModifier, {}, none},
        {Qt::Key_Delete, {}, "\x7f", none},
        {Qt::Key_Left, {}, {}, none},
        {Qt::Key_F5, {}, {}, none},
        {Qt::Key_V, Qt::ControlModifier, "\x16", none},
        {0, {}, QString(QChar(0x81)), none},
    };
    for (const auto& c : cases) {
        const QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, c.text);
        EXPECT_EQ(TypedChar(press), c.typed) << "key " << c.key << " text " << c.text.toStdString();
    }
}
