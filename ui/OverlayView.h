#pragma once

#include <optional>

#include <QString>
#include <QWidget>

namespace nabbit {

// The overlay's content: the message bubble icon beside one or two lines of white text, on a
// blue rounded bubble inside a transparent margin. Sized to its content.
class OverlayView : public QWidget {
    Q_OBJECT

  public:
    OverlayView(const QString& line1, const std::optional<QString>& line2,
                QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace nabbit
