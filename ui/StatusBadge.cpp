#include "ui/StatusBadge.h"

#include <QHBoxLayout>

#include "ui/Labels.h"
#include "ui/StatusDot.h"
#include "ui/Theme.h"

namespace nabbit {

using namespace theme::statusBadge;

StatusBadge::StatusBadge(const QString& label, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    dot_ = new StatusDot(dotSize, this);
    label_ =
        makeLabel(label, theme::font(labelFontSize, QFont::Medium), QPalette::WindowText, this);
    detailLabel_ = makeLabel(QString(), theme::font(detailFontSize), theme::secondaryRole, this);
    row->addWidget(dot_, 0, Qt::AlignVCenter);
    row->addWidget(label_, 0, Qt::AlignVCenter);
    row->addWidget(detailLabel_, 0, Qt::AlignVCenter);
    row->addStretch(1);
}

void StatusBadge::setStatus(const QString& detail, const QColor& color) {
    detail_ = detail;
    detailLabel_->setText(QStringLiteral("— ") + detail);
    dot_->setColor(color);
    setAccessibleName(label_->text() + QStringLiteral(": ") + detail);
}

QString StatusBadge::label() const {
    return label_->text();
}

QColor StatusBadge::color() const {
    return dot_->color();
}

}  // namespace nabbit
