#include "ui/FeatureRow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/Assets.h"
#include "ui/Labels.h"
#include "ui/Theme.h"

namespace nabbit {

using namespace theme::featureRow;

FeatureRow::FeatureRow(const QString& icon, const QString& title, const QString& description,
                       QWidget* parent)
    : QWidget(parent), icon_(icon) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    symbol_ = new QLabel(this);
    symbol_->setFixedWidth(symbolFrameWidth);
    symbol_->setAlignment(Qt::AlignCenter);
    row->addWidget(symbol_, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(textSpacing);
    texts->addStretch(1);
    texts->addWidget(
        makeLabel(title, theme::font(titleFontSize, QFont::DemiBold), QPalette::WindowText, this));
    texts->addWidget(makeWrappingLabel(description, theme::font(descriptionFontSize),
                                       theme::secondaryRole, this));
    texts->addStretch(1);
    row->addLayout(texts, 1);
    setAccessibleName(title);
    setAccessibleDescription(description);
    restyle();
}

void FeatureRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        restyle();
    }
}

void FeatureRow::restyle() {
    symbol_->setPixmap(assets::tinted(QStringLiteral("symbols/") + icon_,
                                      QSize(symbolSize, symbolSize), theme::accent(palette()),
                                      devicePixelRatioF()));
}

}  // namespace nabbit
