#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace nabbit {

// A symbol in a circle tinted with its own colour: the status card's state, a permission's
// icon.
class SymbolCircle : public QWidget {
    Q_OBJECT

  public:
    SymbolCircle(int diameter, int symbolSize, float fillOpacity, QWidget* parent = nullptr);

    void setSymbol(const QString& name, const QColor& color);
    const QString& symbol() const { return symbol_; }
    const QColor& color() const { return color_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int symbolSize_;
    float fillOpacity_;
    QString symbol_;
    QColor color_;
};

}  // namespace nabbit
