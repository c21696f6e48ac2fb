// The window around a top-level panel that may grow: below the panel's own
// size it scrolls, above it the panel's graph area grows with the window
// while its control column keeps its place. Internal to the platform layer.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

#include <QPointer>
#include <QRect>
#include <QScrollArea>
#include <utility>
#include <vector>

namespace platform {

// Where a panel grows, given on the panel in its Designer file (dynamic
// properties, pixels of the panel's own size):
//   growColumn  controls left of this x keep their place; between it and
//   growRight   they spread over the width the window gives beyond the
//               panel's (right of growRight they move with the right edge);
//   growTop     below this y (and above growBottom) they also grow in height;
//   growBottom  from this y down (the status line) they move with the bottom.
// A control with the property keepPlace (a box the program places itself)
// is left alone. A panel without growColumn keeps its own size.
struct GrowRule {
    int column = 0, right = 0, top = 0, bottom = 0;
    QSize natural;
    // Where a control placed at `at` on the panel's own size goes on `size`.
    QRect Place(const QRect& at, const QSize& size) const;
};

class PanelWindow : public QScrollArea {
public:
    PanelWindow(QWidget* panel, const GrowRule& rule);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Lay();

    QPointer<QWidget> panel_;
    GrowRule rule_;
    std::vector<std::pair<QPointer<QWidget>, QRect>> placed_;  // each control's place on the panel's own size
};

// The growth rule a panel's Designer file gives, if any.
bool PanelGrowRule(const QWidget* panel, GrowRule& rule);

}  // namespace platform
