#include "pages/window/PageAnAusVisible.h"

#include <QWidget>

void TPageAnAusVisible::Apply(QWidget* control) const {
    // For a tab sheet this enables its controls; its tab stays as it is.
    if (control)
        control->setEnabled(visible_);
}
