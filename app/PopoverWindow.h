#pragma once

#include <QPolygon>
#include <QRect>
#include <QWidget>

namespace nabbit {

// The small panel under the tray icon: frameless, above other windows, with rounded corners,
// able to take the keyboard focus. It reports when it loses the focus, so that its owner can
// close it; it is hidden and shown again, never destroyed on close.
class PopoverWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int minimumWidth = 360;
    static constexpr int minimumHeight = 120;
    static constexpr int cornerRadius = 10;

    explicit PopoverWindow(QWidget* content);

    // The frame for content of `fitting` size hanging below `anchor` (the icon, or the cursor
    // as a point), kept on the screen area `available`: above the anchor when there is no room
    // below it (a panel at the bottom of the screen).
    static QRect frameFor(QSize fitting, const QRect& anchor, const QRect& available);

  signals:
    void resignedKey();

  protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QPolygon shape_;  // the outline drawn along the window's rounded edge
};

}  // namespace nabbit
