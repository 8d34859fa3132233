#pragma once
// The character a key press types, as the program's key handlers take it:
// one Windows-1252 byte, with Return and Enter as 13, Esc as 27 and
// Backspace as 8.

#include <optional>

class QKeyEvent;

// The byte the key types for the handlers. Nothing for a key that types no
// character of its own (Tab, the caret and function keys, Delete, Ctrl
// combinations and other control characters): such a key goes on to the
// widget, which does with it what it always does. 0 for a printable
// character that Windows-1252 has no byte for: the program cannot hold it,
// and the caller drops the key.
std::optional<char> TypedChar(const QKeyEvent& key);
