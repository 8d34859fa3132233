#pragma once
// The main window's client area: the page controls and the picture behind
// them fill it, the hint line sits below them, and the window is never
// smaller than its widest tab row, its fullest page or its tool bar. The
// tool bar shows our pictures with the captions beside them.

#include <QObject>
#include <QSvgRenderer>

class TForm1;
class QIcon;

class TMainWindowLayout : public QObject {
public:
    explicit TMainWindowLayout(TForm1& form);

    // Fits every text of the window and sizes the window to its pages:
    // after each retranslation and each time a page is filled.
    void Refit();

    // One of the program's pictures (a file name of the resources) as an icon.
    static QIcon Picture(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpToolBar();
    // Sizes the window to its pages and its tool bar as they are now.
    void Resize();
    // Places the controls of the client area for its present size.
    void Arrange();
    QSize NeededClientSize() const;

    TForm1& form_;
    QSvgRenderer background_;
};
