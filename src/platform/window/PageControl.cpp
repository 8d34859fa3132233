#include "platform/window/PageControl.h"

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent) {
    connect(this, &QTabWidget::currentChanged, this, [this](int) {
        if (codeChanging_ == 0 && OnChange)
            OnChange();
    });
}

void TPageControl::SetActivePage(QWidget* page) {
    ++codeChanging_;
    if (indexOf(page) >= 0)
        setCurrentWidget(page);
    --codeChanging_;
}

void TPageControl::SetTabShown(QWidget* page, bool shown) {
    if (indexOf(page) < 0)
        return;
    SetTabVisibleOnly(page, shown);
    page->setEnabled(shown);
}

void TPageControl::SetTabVisibleOnly(QWidget* page, bool visible) {
    const int i = indexOf(page);
    if (i < 0)
        return;
    ++codeChanging_;
    setTabVisible(i, visible);
    --codeChanging_;
}

bool TPageControl::TabShown(QWidget* page) const {
    const int i = indexOf(page);
    return i >= 0 && isTabVisible(i);
}
