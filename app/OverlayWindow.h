#pragma once

#include <optional>

#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "app/NotificationPosition.h"

namespace nabbit {

class ViewFactory;

// The small borderless window that announces a copied code ("Copied to Clipboard") or a
// restored clipboard, in the screen corner the user chose. It shows itself at once, never
// takes the keyboard focus or activates Nabbit (a code pasted right after must reach the field
// the user was typing in), and closes and deletes itself after 5 s.
class OverlayWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int width = 300;
    static constexpr int height = 150;
    static constexpr int margin = 15;
    static constexpr int lifetimeMs = 5000;

    // `raised`: kept above other windows, for codes; a notice stays at the normal level.
    OverlayWindow(const QString& line1, const std::optional<QString>& line2,
                  const ViewFactory& views, bool raised);

    // The window's frame for a corner of the primary screen: 15 from the screen's own left and
    // bottom edges, 15 inside the top and right edges of its available area (without panels).
    static QRect frameFor(NotificationPosition position, const QRect& screen,
                          const QRect& available);

  private:
    void shapeToContent();

    QWidget* content_ = nullptr;  // a child
    QTimer closeTimer_;
};

}  // namespace nabbit
