#include "platform/window/FitText.h"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include <algorithm>

namespace {

// Room between a grown control and the one it moves aside, and inside a
// group box around what it holds.
constexpr int Gap = 6;
constexpr int Margin = 8;

int TextWidth(const QWidget* w, QString text) {
    text.remove('&');
    int widest = 0;
    for (const QString& line : text.split('\n'))
        widest = std::max(widest, w->fontMetrics().horizontalAdvance(line));
    return widest;
}

// Placed by something else than its own geometry: a layout, a page stack,
// a scroll area or the main window.
bool Placed(const QWidget* w) {
    const QWidget* p = w->parentWidget();
    if (!p || w->isWindow())
        return true;
    if (p->layout() && p->layout()->indexOf(const_cast<QWidget*>(w)) >= 0)
        return true;
    if (qobject_cast<const QStackedWidget*>(p))
        return true;
    if (auto* area = qobject_cast<const QAbstractScrollArea*>(p->parentWidget()))
        if (area->viewport() == p)
            return true;
    if (auto* main = qobject_cast<const QMainWindow*>(p))
        return main->centralWidget() == w;
    return false;
}

// A frame that holds controls placed by hand and may grow around them.
bool Holds(const QWidget* w) {
    if (qobject_cast<const QGroupBox*>(w))
        return true;
    return qobject_cast<const QFrame*>(w) && !qobject_cast<const QLabel*>(w) &&
           !qobject_cast<const QStackedWidget*>(w) && !qobject_cast<const QAbstractScrollArea*>(w);
}

QList<QWidget*> Children(const QWidget* w) {
    QList<QWidget*> kids;
    for (QWidget* k : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!k->isWindow())
            kids.push_back(k);
    // Left to right, top to bottom: a control moves only what lies after it.
    std::stable_sort(kids.begin(), kids.end(), [](const QWidget* a, const QWidget* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    return kids;
}

// The controls a widget holds by hand, as one rectangle.
QRect HeldRect(const QWidget* w) {
    QRect all;
    for (const QWidget* k : Children(w))
        if (!Placed(k))
            all = all.united(k->geometry());
    return all;
}

// Moves every sibling of moved from edge on (to the right of it, or below
// it) by the same distance, so that columns and rows stay together.
void Shift(QWidget* moved, bool right, int edge, int by) {
    for (QWidget* s : Children(moved->parentWidget())) {
        if (s == moved || Placed(s))
            continue;
        if (right && s->x() >= edge)
            s->move(s->x() + by, s->y());
        else if (!right && s->y() >= edge)
            s->move(s->x(), s->y() + by);
    }
}

// moved grew from old: the controls it now covers, and did not cover before,
// make room to its right or below it, together with everything beyond them.
void MakeRoom(QWidget* moved, const QRect& old) {
    if (!moved->parentWidget())
        return;
    for (QWidget* s : Children(moved->parentWidget())) {
        const QRect wanted = moved->geometry().adjusted(0, 0, Gap, Gap);
        const QRect g = s->geometry();
        if (s == moved || Placed(s) || !g.intersects(wanted) || g.intersects(old))
            continue;
        if (g.left() >= old.right())
            Shift(moved, true, g.left(), wanted.right() + 1 - g.left());
        else if (g.top() >= old.bottom())
            Shift(moved, false, g.top(), wanted.bottom() + 1 - g.top());
    }
}

void Fit(QWidget* w) {
    for (QWidget* k : Children(w))
        Fit(k);
    if (w->isWindow()) {
        // A dialog grows around what it holds; the main window lays out its own.
        if (!qobject_cast<QMainWindow*>(w) && !w->layout()) {
            const QRect held = HeldRect(w);
            const QSize size =
                w->size().expandedTo(QSize(held.right() + 1 + Margin, held.bottom() + 1 + Margin));
            // A dialog of fixed size keeps it fixed, at the size its texts need.
            const bool fixed = w->minimumSize() == w->maximumSize();
            w->setMaximumSize(w->maximumSize().expandedTo(size));
            if (fixed)
                w->setMinimumSize(size);
            w->resize(size);
        }
        return;
    }
    if (Placed(w))
        return;
    QSize size = w->size();
    size.setWidth(std::max(size.width(), TextNeed(w)));
    if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap())
        size.setHeight(std::max(size.height(), label->heightForWidth(size.width())));
    if (w->layout()) {
        size = size.expandedTo(w->minimumSizeHint());
    } else if (Holds(w)) {
        const QRect held = HeldRect(w);
        if (held.isValid() && held.right() + 2 > size.width())
            size.setWidth(held.right() + 1 + Margin);
        if (held.isValid() && held.bottom() + 2 > size.height())
            size.setHeight(held.bottom() + 1 + Margin);
    }
    if (size == w->size())
        return;
    const QRect old = w->geometry();
    auto* label = qobject_cast<QLabel*>(w);
    // A right-aligned label keeps its right edge where there is room for it.
    const int grow = size.width() - old.width();
    if (label && (label->alignment() & Qt::AlignRight) && old.x() >= grow)
        w->move(old.x() - grow, old.y());
    w->resize(size);
    MakeRoom(w, old);
}

} // namespace

int TextNeed(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty() || label->wordWrap() || !label->pixmap().isNull())
            return 0;
        return label->sizeHint().width();
    }
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
        auto* b = static_cast<const QAbstractButton*>(w);
        return b->text().isEmpty() ? 0 : b->sizeHint().width();
    }
    if (auto* b = qobject_cast<const QPushButton*>(w)) {
        if (b->text().isEmpty())
            return 0;
        const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
        return TextWidth(w, b->text()) + icon + 12;
    }
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title().isEmpty() ? 0 : TextWidth(w, g->title()) + 16;
    return 0;
}

void FitToTexts(QWidget* root) {
    if (root)
        Fit(root);
}
