#include "ui/PermissionRow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Assets.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/RoundedPanel.h"
#include "ui/SymbolCircle.h"
#include "ui/Theme.h"

namespace nabbit {

using namespace theme::permissionRow;

PermissionRow::PermissionRow(const QString& icon, const QString& title, const QString& description,
                             std::function<void()> action, QWidget* parent)
    : QWidget(parent), icon_(icon), title_(title) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new RoundedPanel(QPalette::Base, radius, this);
    outer->addWidget(card);
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(margin, margin, margin, margin);
    row->setSpacing(spacing);

    circle_ = new SymbolCircle(iconSize, symbolSize, iconOpacity, card);
    row->addWidget(circle_, 0, Qt::AlignVCenter);
    // The texts stay together, centred beside the taller circle.
    auto* texts = new QVBoxLayout;
    texts->setSpacing(textSpacing);
    texts->addStretch(1);
    texts->addWidget(
        makeLabel(title, theme::font(titleFontSize, QFont::DemiBold), QPalette::WindowText, card));
    texts->addWidget(makeWrappingLabel(description, theme::font(descriptionFontSize),
                                       theme::secondaryRole, card));
    texts->addStretch(1);
    row->addLayout(texts, 1);

    grant_ = buttons::make(QStringLiteral("Grant Access"), buttons::Kind::bordered,
                           buttons::Size::small, card);
    connect(grant_, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    row->addWidget(grant_, 0, Qt::AlignVCenter);

    granted_ = new QWidget(card);
    auto* grantedRow = new QHBoxLayout(granted_);
    grantedRow->setContentsMargins(0, 0, 0, 0);
    grantedRow->setSpacing(grantedSpacing);
    grantedSymbol_ = new QLabel(granted_);
    grantedSymbol_->setFixedSize(grantedSymbolSize, grantedSymbolSize);
    grantedRow->addWidget(grantedSymbol_);
    grantedRow->addWidget(makeLabel(QStringLiteral("Granted"),
                                    theme::font(grantedFontSize, QFont::Medium),
                                    theme::secondaryRole, granted_));
    granted_->setAccessibleName(title + QStringLiteral(": Granted"));
    row->addWidget(granted_, 0, Qt::AlignVCenter);

    restyle();
    setStatus(PermissionStatus::needed);
}

void PermissionRow::setStatus(PermissionStatus status) {
    status_ = status;
    const bool granted = status == PermissionStatus::granted;
    grant_->setVisible(!granted);
    grant_->setText(status == PermissionStatus::refused ? QStringLiteral("Ask Again")
                                                        : QStringLiteral("Grant Access"));
    grant_->setAccessibleName(grant_->text() + QStringLiteral(": ") + title_);
    granted_->setVisible(granted);
    circle_->setSymbol(icon_, granted ? theme::accent(palette()) : theme::grey(palette()));
}

void PermissionRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        restyle();
        setStatus(status_);
    }
}

void PermissionRow::restyle() {
    buttons::restyle(this);
    grantedSymbol_->setPixmap(assets::tinted(QStringLiteral("symbols/checkmark.circle.fill"),
                                             QSize(grantedSymbolSize, grantedSymbolSize),
                                             theme::green(palette()), devicePixelRatioF()));
}

}  // namespace nabbit
