#include "ui/SettingsSection.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/Divider.h"
#include "ui/Labels.h"
#include "ui/RoundedPanel.h"
#include "ui/Theme.h"

namespace nabbit {

using namespace theme::settings;

SettingsSection::SettingsSection(const QString& title, const std::optional<QString>& subtitle,
                                 QWidget* parent)
    : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(sectionSpacing);

    auto* header = new QHBoxLayout;
    header->setSpacing(sectionHeaderSpacing);
    const QFont headerFont =
        theme::spaced(sectionTitleFontSize, QFont::DemiBold, sectionLetterSpacing);
    QLabel* titleLabel = makeLabel(title.toUpper(), headerFont, theme::secondaryRole, this);
    titleLabel->setAccessibleName(title);
    header->addWidget(titleLabel, 0, Qt::AlignBaseline);
    if (subtitle) {
        subtitle_ =
            makeLabel(*subtitle, theme::font(sectionTitleFontSize), QPalette::WindowText, this);
        header->addWidget(subtitle_, 0, Qt::AlignBaseline);
    }
    header->addStretch(1);
    column->addLayout(header);

    auto* card = new RoundedPanel(QPalette::Base, cardRadius, this);
    content_ = new QVBoxLayout(card);
    content_->setContentsMargins(cardMargin, cardMargin, cardMargin, cardMargin);
    content_->setSpacing(cardSpacing);
    column->addWidget(card);
    restyle();
}

void SettingsSection::addRow(QWidget* row) {
    Divider* divider = nullptr;
    if (!rows_.empty()) {
        divider = new Divider(this);
        content_->addWidget(divider);
    }
    content_->addWidget(row);
    rows_.push_back({row, divider, true});
    updateDividers();
}

void SettingsSection::setRowShown(QWidget* row, bool shown) {
    for (auto& each : rows_) {
        if (each.widget == row) {
            each.shown = shown;
        }
    }
    updateDividers();
}

void SettingsSection::updateDividers() {
    bool anyAbove = false;
    for (const auto& row : rows_) {
        row.widget->setVisible(row.shown);
        if (row.divider != nullptr) {
            row.divider->setVisible(row.shown && anyAbove);
        }
        anyAbove = anyAbove || row.shown;
    }
}

void SettingsSection::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        restyle();
    }
}

void SettingsSection::restyle() {
    if (subtitle_ == nullptr) {
        return;
    }
    // The secondary colour, fainter still.
    QPalette colors = subtitle_->palette();
    colors.setColor(QPalette::WindowText,
                    theme::faded(theme::secondary(palette()), subtitleOpacity));
    subtitle_->setPalette(colors);
}

}  // namespace nabbit
