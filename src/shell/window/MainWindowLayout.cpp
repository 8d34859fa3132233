#include "shell/window/MainWindowLayout.h"

#include "pages/window/Pages.h"
#include "platform/window/FitText.h"
#include "shell/window/Form1.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QPixmap>
#include <QTabBar>
#include <QToolBar>

#include <algorithm>
#include <utility>

namespace {

// The client area as designed: the pages below the browser line, the hint
// line below the pages.
constexpr int PagesLeft = 4;
constexpr int PagesTop = 20;
constexpr int DesignPagesWidth = 792;
constexpr int DesignPagesHeight = 480;
constexpr int HintGap = 6;
constexpr int HintHeight = 18;
// Room inside a page around its controls, and around a tab row.
constexpr int PageMargin = 8;
constexpr int TabRowSlack = 8;
// Room around the picture behind the empty window.
constexpr int PictureMargin = 16;

QList<QWidget*> Pages(const QTabWidget* pages) {
    QList<QWidget*> all;
    for (int i = 0; i < pages->count(); ++i)
        all.push_back(pages->widget(i));
    return all;
}

// The controls that page places by hand, as one rectangle; a page with a
// layout lets it fill the page.
QRect HeldRect(const QWidget* page) {
    QRect all;
    for (QWidget* k : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!k->isWindow() && !(page->layout() && page->layout()->indexOf(k) >= 0))
            all = all.united(k->geometry());
    return all;
}

QPixmap Render(QSvgRenderer& renderer, const QSize& size, qreal ratio) {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

} // namespace

TMainWindowLayout::TMainWindowLayout(TForm1& form)
    : QObject(&form), form_(form), background_(QStringLiteral(":/pictures/background.svg")) {
    SetUpToolBar();
    form_.centralWidget()->installEventFilter(this);
    // A button that appears (the browser, scan, service and converter buttons
    // of service mode) widens the tool bar: the window grows with it, so that
    // no button ends up in the bar's overflow menu.
    for (QAction* action : form_.ui.ToolBar1->actions())
        connect(action, &QAction::visibleChanged, this, [this] { Resize(); });
}

QIcon TMainWindowLayout::Picture(const QString& name) {
    QSvgRenderer renderer(QStringLiteral(":/pictures/") + name);
    QIcon icon;
    if (!renderer.isValid())
        return icon;
    for (int side : {16, 20, 24, 32, 48})
        icon.addPixmap(Render(renderer, QSize(side, side), 1.0));
    return icon;
}

void TMainWindowLayout::SetUpToolBar() {
    Ui::TForm1& ui = form_.ui;
    // Pictures with their captions beside them, as technicians know it.
    ui.ToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ui.ToolBar1->setIconSize(QSize(20, 20));
    const std::pair<QAction*, const char*> pictures[] = {{ui.ToolButton1, "exit.svg"},
                                                         {ui.ToolButton2, "clear.svg"},
                                                         {ui.openbutton, "open.svg"},
                                                         {ui.savebutton, "save.svg"},
                                                         {ui.down_load, "read.svg"},
                                                         {ui.up_load, "write.svg"},
                                                         {ui.funk, "radio.svg"},
                                                         {ui.einstellung, "device.svg"},
                                                         {ui.SaveToStrg, "filetodevice.svg"}};
    for (const auto& [action, file] : pictures)
        action->setIcon(Picture(QString::fromLatin1(file)));
}

QSize TMainWindowLayout::NeededClientSize() const {
    Ui::TForm1& ui = form_.ui;
    int width = DesignPagesWidth;
    int height = DesignPagesHeight;
    for (TPageControl* pages : {ui.PageControl1, ui.PageControl2, ui.PageControl3}) {
        const int row =
            pages == ui.PageControl2 ? WidestSettingsTabRow() : pages->TabRowWidth(Pages(pages));
        width = std::max(width, row + TabRowSlack);
        // A page lies below its tab row inside a thin frame.
        const int top = pages->tabBar()->sizeHint().height() + 2;
        for (QWidget* page : Pages(pages)) {
            const QRect held = HeldRect(page);
            if (!held.isValid())
                continue;
            width = std::max(width, held.right() + 1 + PageMargin + 4);
            height = std::max(height, top + held.bottom() + 1 + PageMargin + 2);
        }
    }
    width = std::max(width, ui.ToolBar1->sizeHint().width() - 2 * PagesLeft);
    return {width + 2 * PagesLeft, PagesTop + height + HintGap + HintHeight + 2};
}

void TMainWindowLayout::Refit() {
    FitToTexts(form_.centralWidget());
    Resize();
}

void TMainWindowLayout::Resize() {
    form_.centralWidget()->setMinimumSize(NeededClientSize());
    form_.resize(form_.size().expandedTo(form_.minimumSizeHint()));
    Arrange();
}

void TMainWindowLayout::Arrange() {
    Ui::TForm1& ui = form_.ui;
    const QSize client = form_.centralWidget()->size();
    const QRect pages(PagesLeft, PagesTop, client.width() - 2 * PagesLeft,
                      client.height() - PagesTop - HintGap - HintHeight - 2);
    for (QWidget* w :
         {static_cast<QWidget*>(ui.Bild1), static_cast<QWidget*>(ui.PageControl1),
          static_cast<QWidget*>(ui.PageControl2), static_cast<QWidget*>(ui.PageControl3)})
        w->setGeometry(pages);
    ui.Label5->setGeometry(2 * PagesLeft, pages.bottom() + 1 + HintGap,
                           client.width() - 4 * PagesLeft, HintHeight);
    ui.browser_label->resize(client.width() - 4 * PagesLeft, ui.browser_label->height());
    // The picture keeps its proportions at any window size.
    if (background_.isValid()) {
        const QSize room = pages.size() - QSize(PictureMargin, PictureMargin);
        const QSize size = background_.defaultSize().scaled(room, Qt::KeepAspectRatio);
        if (size.isValid() && !size.isEmpty())
            ui.Bild1->setPixmap(Render(background_, size, form_.devicePixelRatioF()));
    }
}

bool TMainWindowLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_.centralWidget() && event->type() == QEvent::Resize)
        Arrange();
    return QObject::eventFilter(watched, event);
}
