#include "app/OverlayWindow.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QRegion>
#include <QScreen>

#include "app/ViewFactory.h"
#include "core/AppStateManager.h"

namespace nabbit {

namespace {

constexpr int kOpaque = 250;

Qt::WindowFlags overlayFlags(bool raised) {
    // Bypassing the window manager keeps it from placing, decorating or focusing the window.
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                            Qt::X11BypassWindowManagerHint;
    if (raised) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    return flags;
}

}  // namespace

OverlayWindow::OverlayWindow(const QString& line1, const std::optional<QString>& line2,
                             const ViewFactory& views, bool raised)
    : QWidget(nullptr, overlayFlags(raised)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Nabbit"));

    const auto position =
        notificationPositionFromRaw(AppStateManager::shared().notificationPosition())
            .value_or(NotificationPosition::leftEdgeTop);
    QRect frame(0, 0, width, height);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        frame = frameFor(position, screen->geometry(), screen->availableGeometry());
    }
    setGeometry(frame);

    content_ = views.makeOverlayView(line1, line2, this);
    content_->adjustSize();
    content_->move((width - content_->width()) / 2, (height - content_->height()) / 2);
    shapeToContent();

    show();
    closeTimer_.setSingleShot(true);
    connect(&closeTimer_, &QTimer::timeout, this, &QWidget::close);
    closeTimer_.start(lifetimeMs);
}

QRect OverlayWindow::frameFor(NotificationPosition position, const QRect& screen,
                              const QRect& available) {
    const bool left = position == NotificationPosition::leftEdgeTop ||
                      position == NotificationPosition::leftEdgeBottom;
    const bool top = position == NotificationPosition::leftEdgeTop ||
                     position == NotificationPosition::rightEdgeTop;
    const int x = left ? screen.left() + margin : available.right() + 1 - margin - width;
    const int y = top ? available.top() + margin : screen.bottom() + 1 - margin - height;
    return {x, y, width, height};
}

void OverlayWindow::shapeToContent() {
    // Only the content's opaque pixels belong to the window: without a compositing manager the
    // transparent rest would show as a black box, and half-transparent edge pixels as a dark
    // fringe.
    QImage image(content_->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    content_->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] = qAlpha(line[x]) >= kOpaque ? line[x] | 0xFF000000U : 0;
        }
    }
    const QBitmap shape = QBitmap::fromImage(image.createAlphaMask(Qt::ThresholdAlphaDither));
    setMask(QRegion(shape).translated(content_->pos()));
}

}  // namespace nabbit
