#include "platform/window/PageControl.h"

#include <QTabBar>

namespace {

// A tab bar that tells the size of any of its tabs, hidden ones too.
class TabBar : public QTabBar {
public:
    using QTabBar::QTabBar;
    int TabWidth(int i) const { return tabSizeHint(i).width(); }
};

} // namespace

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new TabBar(this));
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
    // Setting a tab to the state it has is left out: the tab bar would take it
    // for a layout that needs no refresh and, while the control is hidden,
    // forget that an earlier change still needs one; it would then show its
    // tabs stretched over the room the old ones took.
    if (i < 0 || isTabVisible(i) == visible)
        return;
    ++codeChanging_;
    setTabVisible(i, visible);
    --codeChanging_;
}

bool TPageControl::TabShown(QWidget* page) const {
    const int i = indexOf(page);
    return i >= 0 && isTabVisible(i);
}

int TPageControl::TabRowWidth(const QList<QWidget*>& pages) const {
    const auto* bar = static_cast<const TabBar*>(tabBar());
    int width = 0;
    for (QWidget* page : pages)
        if (const int i = indexOf(page); i >= 0)
            width += bar->TabWidth(i);
    return width;
}
