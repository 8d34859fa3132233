#pragma once
// A progress bar that keeps its position inside its range, as the transfer
// code expects: a position set or stepped past the maximum stays at the
// maximum, below the minimum at the minimum. A new position is painted with
// the window's next repaint, not at once: the transfer code sets it between
// two exchanges, and the bar is painted while the next exchange waits.

#include <QProgressBar>

class TProgressBar : public QProgressBar {
public:
    explicit TProgressBar(QWidget* parent = nullptr) : QProgressBar(parent) {}

    int Position() const { return value(); }
    void SetPosition(int position) {
        const int bounded = qBound(minimum(), position, maximum());
        if (bounded == value())
            return;
        // The base paints a changed bar at once; with updates held back for
        // the change it is only scheduled. (Held back already, nothing paints.)
        if (!updatesEnabled()) {
            QProgressBar::setValue(bounded);
            return;
        }
        setUpdatesEnabled(false);
        QProgressBar::setValue(bounded);
        setUpdatesEnabled(true);
        update();
    }
    void StepBy(int delta) { SetPosition(Position() + delta); }
    // Hides the base's setValue, which ignores a value outside the range.
    void setValue(int position) { SetPosition(position); }
};
