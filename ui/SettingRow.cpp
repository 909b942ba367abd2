#include "ui/SettingRow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/BetaBadge.h"
#include "ui/Labels.h"
#include "ui/Theme.h"

namespace nabbit {

using namespace theme::settings;

SettingRow::SettingRow(const QString& title, const std::optional<QString>& caption,
                       const std::optional<QString>& badge, QWidget* trailing, QWidget* parent)
    : QWidget(parent), trailing_(trailing) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(rowSpacing);

    // The texts stay together, centred beside a taller control.
    auto* texts = new QVBoxLayout;
    texts->setSpacing(rowTextSpacing);
    texts->addStretch(1);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(rowTitleBadgeSpacing);
    title_ = makeLabel(title, theme::font(rowTitleFontSize), QPalette::WindowText, this);
    titleLine->addWidget(title_, 0, Qt::AlignVCenter);
    if (badge) {
        titleLine->addWidget(new BetaBadge(*badge, this), 0, Qt::AlignVCenter);
    }
    titleLine->addStretch(1);
    texts->addLayout(titleLine);
    caption_ = makeWrappingLabel(caption.value_or(QString()), theme::font(captionFontSize),
                                 theme::secondaryRole, this);
    caption_->setVisible(caption.has_value());
    texts->addWidget(caption_);
    texts->addStretch(1);
    row->addLayout(texts, 1);

    // The flexible space between the texts and the control is at least this wide.
    row->addSpacing(rowMinimumGap);
    if (trailing_ != nullptr) {
        trailing_->setParent(this);
        if (trailing_->accessibleName().isEmpty()) {
            trailing_->setAccessibleName(title);
        }
        trailing_->setAccessibleDescription(caption.value_or(QString()));
        row->addWidget(trailing_, 0, Qt::AlignVCenter);
    }
}

QString SettingRow::title() const {
    return title_->text();
}

QString SettingRow::caption() const {
    return caption_->text();
}

void SettingRow::setCaption(const QString& caption) {
    if (caption == caption_->text()) {
        return;
    }
    caption_->setText(caption);
    caption_->setVisible(true);
    if (trailing_ != nullptr) {
        trailing_->setAccessibleDescription(caption);
    }
}

}  // namespace nabbit
