#pragma once
// Re-enables tab sheets after a profile or a page button has shown them:
// holds whether the main window's pages may be used and applies that to a
// control's enabled state (it never shows or hides one).

class QWidget;

class TPageAnAusVisible {
public:
    TPageAnAusVisible() = default;

    void SetVisible(bool visible) { visible_ = visible; }
    // Sets the control's enabled state to the stored flag.
    void Apply(QWidget* control) const;

private:
    bool visible_ = true;
};
