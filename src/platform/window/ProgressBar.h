#pragma once
// A progress bar that keeps its position inside its range, as the transfer
// code expects: a position set or stepped past the maximum stays at the
// maximum, below the minimum at the minimum.

#include <QProgressBar>

class TProgressBar : public QProgressBar {
public:
    explicit TProgressBar(QWidget* parent = nullptr) : QProgressBar(parent) {}

    int Position() const { return value(); }
    void SetPosition(int position) {
        QProgressBar::setValue(qBound(minimum(), position, maximum()));
    }
    void StepBy(int delta) { SetPosition(Position() + delta); }
    // Hides the base's setValue, which ignores a value outside the range.
    void setValue(int position) { SetPosition(position); }
};
