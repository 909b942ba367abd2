#include "ui/PopoverContentView.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

#include "app/AppDelegate.h"
#include "app/Assets.h"
#include "app/MainWindowState.h"
#include "core/AppStateManager.h"
#include "ui/PopoverCodeRow.h"
#include "ui/StatusDot.h"
#include "ui/Theme.h"

namespace nabbit {

namespace {

using namespace theme::popover;

QLabel* label(const QString& text, const QFont& font, QPalette::ColorRole role, QWidget* parent) {
    auto* result = new QLabel(text, parent);
    result->setFont(font);
    result->setForegroundRole(role);
    return result;
}

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    line->setFixedHeight(1);
    return line;
}

// A dot and a text, 5 apart.
QWidget* statusLine(StatusDot*& dot, QLabel*& text, QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(dotSpacing);
    dot = new StatusDot(dotSize, line);
    text = label(QString(), theme::font(statusFontSize), theme::secondaryRole, line);
    layout->addWidget(dot, 0, Qt::AlignVCenter);
    layout->addWidget(text, 1);
    return line;
}

QLabel* caption(const QString& text, QWidget* parent) {
    return label(text, theme::font(captionFontSize, QFont::DemiBold), theme::secondaryRole, parent);
}

QPushButton* actionButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setIconSize(QSize(buttonSymbolSize, buttonSymbolSize));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setAccessibleName(text);
    return button;
}

QPushButton* linkButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setFont(theme::font(footerFontSize));
    button->setCursor(Qt::PointingHandCursor);
    button->setAccessibleName(text);
    return button;
}

void setTextColor(QPushButton* button, const QColor& color) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    button->setPalette(palette);
}

}  // namespace

PopoverContentView::PopoverContentView(MainWindowState& state, AppDelegate* appDelegate,
                                       QWidget* parent)
    : QWidget(parent), state_(state), appDelegate_(appDelegate) {
    setFixedWidth(theme::popover::width);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Header: the name and one status line per source.
    auto* header = new QVBoxLayout;
    header->setContentsMargins(horizontalMargin, headerTop, horizontalMargin, headerBottom);
    header->setSpacing(headerSpacing);
    header->addWidget(label(QStringLiteral("Nabbit"), theme::font(titleFontSize, QFont::DemiBold),
                            QPalette::WindowText, this));
    messagesStatus_ = statusLine(messagesDot_, messagesLine_, this);
    header->addWidget(messagesStatus_);
    mailStatus_ = statusLine(mailDot_, mailLine_, this);
    header->addWidget(mailStatus_);
    notificationsStatus_ = statusLine(notificationsDot_, notificationsLine_, this);
    header->addWidget(notificationsStatus_);
    column->addLayout(header);
    column->addWidget(divider(this));

    // Body: recent codes and quick actions.
    auto* body = new QVBoxLayout;
    body->setContentsMargins(bodyMargin, bodyMargin, bodyMargin, bodyMargin);
    body->setSpacing(bodySpacing);
    auto* recent = new QVBoxLayout;
    recent->setSpacing(groupSpacing);
    recent->addWidget(caption(QStringLiteral("RECENT CODES"), this));
    rows_ = new QVBoxLayout;
    rows_->setSpacing(rowSpacing);
    recent->addLayout(rows_);
    body->addLayout(recent);

    auto* actions = new QVBoxLayout;
    actions->setSpacing(groupSpacing);
    actions->addWidget(caption(QStringLiteral("QUICK ACTIONS"), this));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(groupSpacing);
    test_ = actionButton(QStringLiteral("Test"), this);
    resync_ = actionButton(QStringLiteral("Resync"), this);
    buttons->addWidget(test_);
    buttons->addWidget(resync_);
    actions->addLayout(buttons);
    body->addLayout(actions);
    column->addLayout(body);
    column->addWidget(divider(this));

    // Footer: settings at the left, quit at the right.
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(horizontalMargin, footerVertical, horizontalMargin, footerVertical);
    footer->setSpacing(footerSpacing);
    settings_ = linkButton(QStringLiteral("Settings…"), this);
    quit_ = linkButton(QStringLiteral("Quit"), this);
    footer->addWidget(settings_);
    footer->addStretch(1);
    footer->addWidget(quit_);
    column->addLayout(footer);

    connect(test_, &QPushButton::clicked, this, [this] {
        if (appDelegate_) {
            appDelegate_->onPressTestNotification();
        }
    });
    connect(resync_, &QPushButton::clicked, this, [this] {
        if (appDelegate_) {
            appDelegate_->resync();
        }
    });
    connect(settings_, &QPushButton::clicked, this, [this] {
        if (appDelegate_) {
            appDelegate_->openMainWindow();
            appDelegate_->closePopover();
        }
    });
    connect(quit_, &QPushButton::clicked, this, [] { QCoreApplication::quit(); });

    for (auto signal :
         {&MainWindowState::recentMessagesChanged, &MainWindowState::hasFullDiskAccessChanged,
          &MainWindowState::emailEnvelopeIndexFoundChanged, &MainWindowState::messageAccessChanged,
          &MainWindowState::notificationStateChanged}) {
        connect(&state_, signal, this, &PopoverContentView::render);
    }
    restyle();
    render();
}

void PopoverContentView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        restyle();
        render();
    }
}

void PopoverContentView::restyle() {
    const QPalette& colors = palette();
    test_->setIcon(
        assets::symbol(QStringLiteral("bell.badge"), colors.color(QPalette::ButtonText)));
    resync_->setIcon(
        assets::symbol(QStringLiteral("arrow.clockwise"), colors.color(QPalette::ButtonText)));
    setTextColor(settings_, theme::accent(colors));
    setTextColor(quit_, theme::secondary(colors));
}

void PopoverContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    state_.refresh();
}

void PopoverContentView::render() {
    const QPalette& colors = palette();
    const bool messages = state_.hasFullDiskAccess();
    // A machine without a Messages database has no iMessage to speak of.
    messagesStatus_->setVisible(state_.hasMessagesDatabase());
    messagesDot_->setColor(messages ? theme::green(colors) : theme::orange(colors));
    messagesLine_->setText(messages ? QStringLiteral("iMessage")
                                    : QStringLiteral("iMessage — needs Messages database access"));
    const bool mail = AppStateManager::shared().emailDetectionEnabled();
    mailStatus_->setVisible(mail);
    const bool mailFound = state_.emailEnvelopeIndexFound();
    mailDot_->setColor(mailFound ? theme::green(colors) : theme::orange(colors));
    mailLine_->setText(mailFound ? QStringLiteral("Apple Mail")
                                 : QStringLiteral("Apple Mail — not set up"));
    const auto& preferences = AppStateManager::shared();
    notificationsStatus_->setVisible(preferences.notificationDetectionEnabled());
    const bool monitoring = state_.notificationState() == NotificationManager::State::monitoring;
    notificationsDot_->setColor(monitoring ? theme::green(colors) : theme::orange(colors));
    notificationsLine_->setText(monitoring ? QStringLiteral("Desktop notifications")
                                           : QStringLiteral("Desktop notifications — unavailable"));
    renderRows();
}

void PopoverContentView::renderRows() {
    if (rowsRendered_ && shownRows_ == state_.recentMessages()) {
        return;  // a refresh with nothing new: keep the rows (and the keyboard focus on them)
    }
    rowsRendered_ = true;
    shownRows_ = state_.recentMessages();
    while (auto item = std::unique_ptr<QLayoutItem>(rows_->takeAt(0))) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
    }
    if (shownRows_.empty()) {
        auto* empty = label(QStringLiteral("No codes yet"), theme::font(emptyFontSize),
                            theme::secondaryRole, this);
        empty->setContentsMargins(0, emptyExtra, 0, emptyExtra);
        rows_->addWidget(empty);
    }
    // Newest first.
    for (auto entry = shownRows_.rbegin(); entry != shownRows_.rend(); ++entry) {
        auto* row = new PopoverCodeRow(*entry, this);
        connect(row, &PopoverCodeRow::clicked, this, [this, code = entry->otp.code] {
            if (appDelegate_) {
                // The saved text is dropped: a copy from the list is not restored later.
                appDelegate_->delivery().copyToClipboard(code);
            }
        });
        rows_->addWidget(row);
    }
    if (QWidget* window = this->window(); window != nullptr && window != this) {
        window->adjustSize();
    }
}

}  // namespace nabbit
