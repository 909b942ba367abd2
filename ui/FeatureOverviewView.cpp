#include "ui/FeatureOverviewView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Buttons.h"
#include "ui/Divider.h"
#include "ui/FeatureRow.h"
#include "ui/Labels.h"
#include "ui/OnboardingHeader.h"
#include "ui/PageScrollArea.h"
#include "ui/Theme.h"

namespace nabbit {

using namespace theme::onboarding;

FeatureOverviewView::FeatureOverviewView(std::function<void()> onComplete, QWidget* parent)
    : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    addOnboardingHeader(this, column, QStringLiteral("How Nabbit Works"));

    scroll_ = new PageScrollArea(this);
    // A tab stop, so that the list can be scrolled from the keyboard.
    scroll_->setAccessibleName(QStringLiteral("Features"));
    features_ = new QWidget(scroll_);
    auto* list = new QVBoxLayout(features_);
    list->setContentsMargins(featuresHorizontal, featuresVertical, featuresHorizontal,
                             featuresVertical);
    list->setSpacing(featuresSpacing);
    struct Feature {
        const char* icon;
        const char* title;
        const char* description;
    };
    static constexpr Feature rows[] = {
        {"doc.on.clipboard.fill", "Auto-Copy & Paste",
         "Nabbit automatically extracts codes and copies them to your clipboard. If sending "
         "key events is allowed, it even pastes them for you!"},
        {"bell.fill", "Smart Notifications",
         "See the code immediately in a custom overlay or native notification."},
        {"menubar.arrow.up.rectangle", "Menu Bar Access",
         "Access your last 3 codes anytime from the menu bar. No need to open Messages."},
        {"keyboard", "Keyboard Shortcuts",
         "Press Ctrl+Shift+E to resync if iMessage misses a code. Use Ctrl+V to paste normally "
         "(Nabbit restores your original clipboard after 5 seconds)."},
    };
    for (const auto& feature : rows) {
        list->addWidget(new FeatureRow(QString::fromUtf8(feature.icon),
                                       QString::fromUtf8(feature.title),
                                       QString::fromUtf8(feature.description), features_));
    }
    list->addStretch(1);
    scroll_->setWidget(features_);
    column->addWidget(scroll_, 1);
    column->addWidget(new Divider(this));

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(bottomHorizontal, bottomVertical, bottomHorizontal, bottomVertical);
    bottom->addStretch(1);
    complete_ = buttons::make(QStringLiteral("Got it, let's go!"), buttons::Kind::prominent,
                              buttons::Size::large, this);
    complete_->setMinimumWidth(completeMinimumWidth);
    connect(complete_, &QPushButton::clicked, this,
            [onComplete = std::move(onComplete)] { onComplete(); });
    bottom->addWidget(complete_);
    column->addLayout(bottom);
}

// The page's height with the whole list shown, so that the window can make room for it.
int FeatureOverviewView::heightForWidth(int width) const {
    return layout()->totalSizeHint().height() - scroll_->sizeHint().height() +
           features_->heightForWidth(width);
}

void FeatureOverviewView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        buttons::restyle(this);
    }
}

}  // namespace nabbit
