#pragma once
// A page control whose change event belongs to the user: OnChange runs when
// the user picks another tab, never when code shows, hides or selects one.

#include <QTabWidget>

#include <functional>

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    QWidget* ActivePage() const { return currentWidget(); }
    // Selects page without running OnChange.
    void SetActivePage(QWidget* page);
    // Shows or hides page's tab and enables or disables the page's
    // controls, without running OnChange when that moves the selection.
    void SetTabShown(QWidget* page, bool shown);
    void SetTabVisibleOnly(QWidget* page, bool visible);
    bool TabShown(QWidget* page) const;
    // The width the tabs of pages take side by side, shown or not.
    int TabRowWidth(const QList<QWidget*>& pages) const;

    std::function<void()> OnChange;

private:
    int codeChanging_ = 0;
};
