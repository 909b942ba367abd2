#pragma once

#include <optional>

#include <QWidget>

class QLabel;

namespace nabbit {

// One setting: its title (with an optional tag such as "BETA") and an optional caption on the
// left, the control that changes it on the right. The control is named after the title for
// screen readers, unless it has a name of its own (a button's text), and the caption
// describes it.
class SettingRow : public QWidget {
    Q_OBJECT

  public:
    SettingRow(const QString& title, const std::optional<QString>& caption,
               const std::optional<QString>& badge, QWidget* trailing, QWidget* parent = nullptr);

    QString title() const;
    QString caption() const;
    void setCaption(const QString& caption);
    QWidget* trailing() const { return trailing_; }

  private:
    QLabel* title_ = nullptr;
    QLabel* caption_ = nullptr;
    QWidget* trailing_ = nullptr;
};

}  // namespace nabbit
