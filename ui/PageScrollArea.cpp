#include "ui/PageScrollArea.h"

#include <QEvent>
#include <QScrollBar>

#include "ui/Theme.h"

namespace nabbit {

namespace {

// A thin rounded handle in a faint shade of the text colour, without arrows or track.
QString scrollBarStyleSheet(const QPalette& palette) {
    using namespace theme::scrollBar;
    const QColor text = palette.color(QPalette::WindowText);
    return QStringLiteral(
               "QScrollBar:vertical { width: %1px; background: transparent; margin: 0px; }"
               "QScrollBar::handle:vertical { background: %2; border-radius: %3px;"
               " min-height: %4px; margin: %5px; }"
               "QScrollBar::handle:vertical:hover { background: %6; }"
               "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
               "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical {"
               " background: transparent; }")
        .arg(width)
        .arg(theme::faded(text, handleOpacity).name(QColor::HexArgb))
        .arg((width - 2 * handleMargin) / 2)
        .arg(minimumHandle)
        .arg(handleMargin)
        .arg(theme::faded(text, handleHoverOpacity).name(QColor::HexArgb));
}

}  // namespace

PageScrollArea::PageScrollArea(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundRole(QPalette::Window);
    restyle();
}

void PageScrollArea::changeEvent(QEvent* event) {
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        restyle();
    }
}

void PageScrollArea::restyle() {
    verticalScrollBar()->setStyleSheet(scrollBarStyleSheet(palette()));
}

}  // namespace nabbit
