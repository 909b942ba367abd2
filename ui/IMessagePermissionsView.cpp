#include "ui/IMessagePermissionsView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Assets.h"
#include "app/PermissionsService.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/OnboardingHeader.h"
#include "ui/OnboardingViewModel.h"
#include "ui/PermissionRow.h"
#include "ui/Theme.h"

namespace nabbit {

using namespace theme::onboarding;

IMessagePermissionsView::IMessagePermissionsView(OnboardingViewModel& model,
                                                 std::function<void()> turnOnNotifications,
                                                 QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    QVBoxLayout* header = addOnboardingHeader(this, column, QStringLiteral("Welcome to Nabbit"));
    header->addWidget(makeLabel(QStringLiteral("Automatically copy verification codes from "
                                               "iMessage"),
                                theme::font(subtitleFontSize), theme::secondaryRole, this),
                      0, Qt::AlignHCenter);

    auto* permissions = new QVBoxLayout;
    permissions->setContentsMargins(permissionsHorizontal, permissionsVertical,
                                    permissionsHorizontal, permissionsVertical);
    permissions->setSpacing(permissionsSpacing);
    QLabel* title = makeLabel(QStringLiteral("Required Permissions"),
                              theme::font(permissionsTitleFontSize, QFont::DemiBold),
                              QPalette::WindowText, this);
    title->setContentsMargins(0, 0, 0, permissionsTitleBelow);
    permissions->addWidget(title);
    const PermissionsService& service = model_.permissions();
    fullDiskAccess_ = new PermissionRow(
        QStringLiteral("externaldrive.fill"), QStringLiteral("Messages Database"),
        QStringLiteral("Required to read verification codes from Messages and Mail"),
        [&service] { service.openFullDiskAccessSettings(); }, this);
    accessibility_ = new PermissionRow(
        QStringLiteral("hand.raised.fill"), QStringLiteral("Key Events (optional)"),
        QStringLiteral("Only needed if you want Nabbit to auto-paste codes into focused fields. "
                       "You can grant this later from Settings."),
        [&service] { service.requestAccessibility(); }, this);
    messageAccess_ = new PermissionRow(
        QStringLiteral("bell.fill"), QStringLiteral("Message access"),
        QStringLiteral("Nabbit reads codes from the notifications your desktop shows: SMS from "
                       "your phone through KDE Connect or GSConnect, mail clients, messengers."),
        std::move(turnOnNotifications), this);
    permissions->addWidget(fullDiskAccess_);
    permissions->addWidget(messageAccess_);
    permissions->addWidget(accessibility_);
    refresh_ = buttons::make(QStringLiteral("Refresh Status"), buttons::Kind::plain,
                             buttons::Size::regular, this, QStringLiteral("arrow.clockwise"));
    refresh_->setFont(theme::font(refreshFontSize));
    connect(refresh_, &QPushButton::clicked, &model_, &OnboardingViewModel::checkPermissions);
    auto* refreshLine = new QHBoxLayout;
    refreshLine->setContentsMargins(0, 0, 0, refreshBelow);
    refreshLine->addWidget(refresh_);
    refreshLine->addStretch(1);
    permissions->addLayout(refreshLine);
    column->addLayout(permissions);

    column->addStretch(1);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(bottomHorizontal, bottomVertical, bottomHorizontal, bottomVertical);
    bottom->setSpacing(bottomSpacing);
    bottom->addStretch(1);
    auto* message = new QHBoxLayout;
    message->setSpacing(messageSpacing);
    messageSymbol_ = new QLabel(this);
    messageSymbol_->setFixedSize(messageSymbolSize, messageSymbolSize);
    message_ = makeLabel(QString(), theme::font(messageFontSize), theme::secondaryRole, this);
    message->addWidget(messageSymbol_, 0, Qt::AlignVCenter);
    message->addWidget(message_, 0, Qt::AlignVCenter);
    bottom->addLayout(message);
    next_ = buttons::make(QStringLiteral("Close"), buttons::Kind::prominent, buttons::Size::regular,
                          this);
    next_->setMinimumWidth(theme::button::prominentMinimumWidth);
    connect(next_, &QPushButton::clicked, this, [this] {
        if (model_.hasMessageAccess()) {
            model_.setCurrentStep(OnboardingStep::featureOverview);
        } else {
            // Setup stays incomplete.
            window()->close();
        }
    });
    bottom->addWidget(next_, 0, Qt::AlignVCenter);
    column->addLayout(bottom);

    connect(&model_, &OnboardingViewModel::changed, this, &IMessagePermissionsView::render);
    restyle();
    render();
}

void IMessagePermissionsView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        restyle();
    }
}

void IMessagePermissionsView::restyle() {
    buttons::restyle(this);
    messageSymbol_->setPixmap(assets::tinted(QStringLiteral("symbols/checkmark.circle.fill"),
                                             QSize(messageSymbolSize, messageSymbolSize),
                                             theme::green(palette()), devicePixelRatioF()));
}

void IMessagePermissionsView::render() {
    const bool messagesDatabase = model_.hasMessagesDatabase();
    const bool access = model_.hasMessageAccess();
    const bool accessibility = model_.hasAccessibility();
    const PermissionStatus accessStatus =
        access ? PermissionStatus::granted : PermissionStatus::needed;
    fullDiskAccess_->setVisible(messagesDatabase);
    fullDiskAccess_->setStatus(accessStatus);
    messageAccess_->setVisible(!messagesDatabase);
    messageAccess_->setStatus(accessStatus);
    const bool refused = model_.accessibilityRefused();
    accessibility_->setStatus(accessibility ? PermissionStatus::granted
                              : refused     ? PermissionStatus::refused
                                            : PermissionStatus::needed);
    messageSymbol_->setVisible(access);
    message_->setText(
        !access         ? (messagesDatabase
                               ? QStringLiteral("Grant access to the Messages database to continue")
                               : QStringLiteral("Grant Message access to continue"))
        : accessibility ? QStringLiteral("All permissions granted")
        : refused       ? QStringLiteral("Ready to go. Key events were refused.")
                        : QStringLiteral("Ready to go. Skip key events for now if you want."));
    const QString label = access ? QStringLiteral("Next") : QStringLiteral("Close");
    if (next_->text() != label) {
        next_->setText(label);
        next_->setAccessibleName(label);
    }
}

}  // namespace nabbit
