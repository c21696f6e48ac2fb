#include "platform/panel_window.h"

#include <QEvent>
#include <QScrollBar>
#include <QVariant>

namespace platform {

QRect GrowRule::Place(const QRect& at, const QSize& size) const {
    const int dW = std::max(0, size.width() - natural.width());
    const int dH = std::max(0, size.height() - natural.height());
    QRect r = at;
    // Across: the graph area spreads its extra width over its controls in
    // proportion; one that reaches into it from the column stretches its right edge.
    const double sx = static_cast<double>(right - column + dW) / (right - column);
    auto spread = [&](int x) {
        return x < column ? x : x > right ? x + dW : column + static_cast<int>((x - column) * sx + 0.5);
    };
    if (at.right() >= column) {
        r.setLeft(spread(at.left()));
        r.setRight(spread(at.right() + 1) - 1);
    }
    // Down: the graph area below `top` grows in height; from `bottom` down
    // everything moves with the window's lower edge.
    if (at.top() >= bottom) {
        r.translate(0, dH);
    } else if (at.left() >= column && at.top() >= top && at.bottom() < bottom) {
        const double sy = static_cast<double>(bottom - top + dH) / (bottom - top);
        const int y1 = top + static_cast<int>((at.top() - top) * sy + 0.5);
        const int y2 = top + static_cast<int>((at.bottom() + 1 - top) * sy + 0.5);
        r.setTop(y1);
        r.setBottom(y2 - 1);
    }
    return r;
}

bool PanelGrowRule(const QWidget* panel, GrowRule& rule) {
    const QVariant column = panel->property("growColumn");
    if (!column.isValid())
        return false;
    rule.column = column.toInt();
    rule.right = panel->property("growRight").toInt();
    rule.top = panel->property("growTop").toInt();
    rule.bottom = panel->property("growBottom").toInt();
    rule.natural = panel->size();
    return rule.column > 0 && rule.column < rule.right && rule.right <= rule.natural.width() &&
           rule.top < rule.bottom;
}

PanelWindow::PanelWindow(QWidget* panel, const GrowRule& rule) : panel_(panel), rule_(rule) {
    setWindowFlags(Qt::Window);
    setWindowTitle(panel->windowTitle());
    setFrameShape(QFrame::NoFrame);
    for (QObject* o : panel->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->property("keepPlace").toBool())
            placed_.emplace_back(w, w->geometry());
    panel->setMinimumSize(rule.natural);
    setWidget(panel);
    setWidgetResizable(true);
    // Opens at the panel's own size where the screen has room for it.
    resize(rule.natural);
    panel->installEventFilter(this);
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_ && event->type() == QEvent::Resize)
        Lay();
    return QScrollArea::eventFilter(watched, event);
}

void PanelWindow::Lay() {
    for (auto& [w, at] : placed_)
        if (w)
            w->setGeometry(rule_.Place(at, panel_->size()));
}

}  // namespace platform
