#pragma once

#include <QWidget>

class QLabel;

namespace nabbit {

// One feature on the overview page: a blue symbol, then its name over what it does.
class FeatureRow : public QWidget {
    Q_OBJECT

  public:
    FeatureRow(const QString& icon, const QString& title, const QString& description,
               QWidget* parent = nullptr);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void restyle();

    QString icon_;
    QLabel* symbol_ = nullptr;
};

}  // namespace nabbit
