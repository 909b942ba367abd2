#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

namespace nabbit {

class StatusDot;

// One source's line in the status card: a dot in the status colour, the source's name and
// "— " with what is known about it.
class StatusBadge : public QWidget {
    Q_OBJECT

  public:
    explicit StatusBadge(const QString& label, QWidget* parent = nullptr);

    void setStatus(const QString& detail, const QColor& color);
    QString label() const;
    QString detail() const { return detail_; }
    QColor color() const;

  private:
    StatusDot* dot_ = nullptr;
    QLabel* label_ = nullptr;
    QLabel* detailLabel_ = nullptr;
    QString detail_;
};

}  // namespace nabbit
