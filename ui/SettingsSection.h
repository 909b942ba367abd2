#pragma once

#include <optional>
#include <vector>

#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace nabbit {

class Divider;

// A titled group of settings: a header line (the title in small capitals and an optional
// subtitle) over a card that holds the rows, a divider between each two rows shown.
class SettingsSection : public QWidget {
    Q_OBJECT

  public:
    SettingsSection(const QString& title, const std::optional<QString>& subtitle,
                    QWidget* parent = nullptr);

    // Appends a row to the card.
    void addRow(QWidget* row);
    // A row that is not shown is absent, and so is the divider above it.
    void setRowShown(QWidget* row, bool shown);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    struct Row {
        QWidget* widget;
        Divider* divider;  // above the row; none above the first
        bool shown;
    };

    void restyle();
    void updateDividers();

    QLabel* subtitle_ = nullptr;
    QVBoxLayout* content_ = nullptr;
    std::vector<Row> rows_;
};

}  // namespace nabbit
