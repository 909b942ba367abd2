#include "ui/MainWindowView.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppDelegate.h"
#include "app/MainWindowState.h"
#include "app/NotificationPosition.h"
#include "app/UpdateController.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/LogoView.h"
#include "ui/PageScrollArea.h"
#include "ui/RecentCodeRow.h"
#include "ui/RoundedPanel.h"
#include "ui/SettingRow.h"
#include "ui/SettingsSection.h"
#include "ui/StatusBadge.h"
#include "ui/SymbolCircle.h"
#include "ui/Theme.h"
#include "ui/ToggleSwitch.h"

namespace nabbit {

namespace {

using namespace theme::settings;
using buttons::Kind;
using buttons::Size;

QString mailCaption(bool mailFound) {
    return mailFound ? QStringLiteral(
                           "Scans incoming emails in Apple Mail for verification codes. "
                           "Detection isn't reliable yet across every Mail schema — your mileage "
                           "may vary.")
                     : QStringLiteral(
                           "Apple Mail isn't set up on this computer yet — toggle is a no-op "
                           "until Mail has been launched at least once.");
}

QString autoPasteCaption(AccessibilityCheck::Status status) {
    switch (status) {
        case AccessibilityCheck::Status::granted:
            return QStringLiteral(
                "Paste detected codes into the focused field. Requires permission to send key "
                "events.");
        case AccessibilityCheck::Status::needsConsent:
            return QStringLiteral(
                "Needs your consent: switching this on asks the desktop to let Nabbit type the "
                "paste keys. If you refused, switch it off and on again.");
        case AccessibilityCheck::Status::refused:
            return QStringLiteral(
                "The desktop refused to let Nabbit type the paste keys. Switch this off and on "
                "again to be asked once more.");
        case AccessibilityCheck::Status::unavailable:
            break;
    }
    return QStringLiteral(
        "Needs permission to send key events, which this desktop does not give Nabbit. If "
        "you've granted it but this still says missing, click Restart Nabbit in the Application "
        "section below — Nabbit only looks for it at launch.");
}

QString shortcutCaption(bool everyWindow) {
    return everyWindow
               ? QStringLiteral("Press the shortcut anywhere to force a resync.")
               : QStringLiteral(
                     "This desktop does not give Nabbit the shortcut in every window: bind the "
                     "command nabbit resync to a key in the desktop's keyboard settings (on "
                     "sway: bindsym Ctrl+Shift+e exec nabbit resync).");
}

QString restoreCaption(bool pasteKeysSeen) {
    return pasteKeysSeen
               ? QStringLiteral("Puts your previous clipboard back after the delay.")
               : QStringLiteral(
                     "Puts your previous clipboard back after the delay. On Wayland, Nabbit "
                     "cannot see a Ctrl+V you type: after an auto-paste, your clipboard comes "
                     "back 5 seconds later; without one, after the delay.");
}

QString accessibilityText(AccessibilityCheck::Status status) {
    switch (status) {
        case AccessibilityCheck::Status::granted:
            return QStringLiteral("Key events ✓");
        case AccessibilityCheck::Status::needsConsent:
            return QStringLiteral("Key events need your consent");
        case AccessibilityCheck::Status::refused:
            return QStringLiteral("Key events refused");
        case AccessibilityCheck::Status::unavailable:
            break;
    }
    return QStringLiteral("Key events not available on this desktop");
}

QString notificationsCaption(NotificationManager::State state) {
    return state == NotificationManager::State::unavailable
               ? QStringLiteral(
                     "This desktop doesn't let Nabbit read notifications: its session bus refuses "
                     "to let programs watch them. Messages and Mail still work.")
               : QStringLiteral(
                     "Reads the notifications other apps show — SMS from your phone through KDE "
                     "Connect or GSConnect, mail clients, messengers.");
}

// The look of a text field on a settings card: set off from the card by the window's colour
// and a border like a button's, which turns to the accent colour while the field has the focus.
QString textFieldStyleSheet(const QPalette& palette) {
    const auto rgba = [](const QColor& color) { return color.name(QColor::HexArgb); };
    return QStringLiteral(
               "QLineEdit { color: %1; background-color: %2; border: %4px solid %3;"
               " border-radius: %5px; padding: 0px %6px; }"
               "QLineEdit:focus { border: %8px solid %7; padding: 0px %9px; }")
        .arg(rgba(palette.color(QPalette::Text)), rgba(theme::windowBackground(palette)),
             rgba(palette.color(QPalette::Mid)))
        .arg(theme::button::borderWidth)
        .arg(textFieldRadius)
        .arg(textFieldPadding)
        .arg(rgba(theme::faded(theme::accent(palette), theme::interaction::focusRingOpacity)))
        .arg(theme::button::focusWidth)
        .arg(textFieldPadding - (theme::button::focusWidth - theme::button::borderWidth));
}

// The ignore list as the user reads and writes it: names separated by commas.
QString joinedNames(const std::vector<std::string>& names) {
    QStringList joined;
    for (const auto& name : names) {
        joined << QString::fromStdString(name);
    }
    return joined.join(QStringLiteral(", "));
}

std::vector<std::string> splitNames(const QString& text) {
    std::vector<std::string> names;
    for (const QString& each : text.split(QLatin1Char(','))) {
        const QString name = each.trimmed();
        if (!name.isEmpty() &&
            std::find(names.begin(), names.end(), name.toStdString()) == names.end()) {
            names.push_back(name.toStdString());
        }
    }
    return names;
}

// "Version 1.2.0 (1.2.0)": the application's version stands for both the version and the
// build; "—" where it has none.
QString versionText() {
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty()) {
        version = QStringLiteral("—");
    }
    return QStringLiteral("Version ") + version + QStringLiteral(" (") + version +
           QStringLiteral(")");
}

QHBoxLayout* bareRow() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    return row;
}

}  // namespace

MainWindowView::MainWindowView(MainWindowState& state, AppDelegate* appDelegate, QWidget* parent)
    : QWidget(parent), state_(state), appDelegate_(appDelegate) {
    setFocusPolicy(Qt::ClickFocus);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    scroll_ = new PageScrollArea(this);
    // Not a tab stop of its own: it scrolls to whichever control takes the focus.
    scroll_->setFocusPolicy(Qt::NoFocus);
    outer->addWidget(scroll_);

    auto* page = new QWidget(scroll_);
    page->setBackgroundRole(QPalette::Window);
    page->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(pageHorizontal, pageTop, pageHorizontal, pageBottom);
    column->setSpacing(pageSpacing);
    column->addWidget(buildHeader());
    column->addWidget(buildStatusCard());
    column->addWidget(buildRecentCodes());
    column->addWidget(buildQuickActions());
    buildSettings(column);
    column->addSpacing(footerExtra);
    column->addWidget(buildFooter());
    scroll_->setWidget(page);

    for (auto signal :
         {&MainWindowState::recentMessagesChanged, &MainWindowState::hasFullDiskAccessChanged,
          &MainWindowState::hasAccessibilityChanged,
          &MainWindowState::emailEnvelopeIndexFoundChanged, &MainWindowState::messageAccessChanged,
          &MainWindowState::notificationStateChanged}) {
        connect(&state_, signal, this, &MainWindowView::scheduleRender);
    }
    connect(&preferencesWatcher_, &QFileSystemWatcher::directoryChanged, this,
            &MainWindowView::scheduleRender);
    connect(&preferencesWatcher_, &QFileSystemWatcher::fileChanged, this,
            &MainWindowView::scheduleRender);
    restyle();
    render();
}

// ---------------------------------------------------------------------------------------------
// Building the page, top to bottom

QWidget* MainWindowView::buildHeader() {
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(headerSpacing);
    row->addWidget(new LogoView(logoSize, header));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(titleSpacing);
    titles->addStretch(1);
    titles->addWidget(makeLabel(QStringLiteral("Nabbit"), theme::font(titleFontSize, QFont::Bold),
                                QPalette::WindowText, header));
    titles->addWidget(makeLabel(QStringLiteral("Verification codes, autopiloted"),
                                theme::font(taglineFontSize), theme::secondaryRole, header));
    titles->addStretch(1);
    row->addLayout(titles);
    row->addStretch(1);
    return header;
}

QWidget* MainWindowView::buildStatusCard() {
    auto* card = new RoundedPanel(QPalette::Base, cardRadius, this);
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(statusMargin, statusMargin, statusMargin, statusMargin);
    row->setSpacing(statusSpacing);
    statusIcon_ = new SymbolCircle(statusIconSize, statusSymbolSize, statusIconOpacity, card);
    row->addWidget(statusIcon_, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(statusColumnSpacing);
    headline_ = makeLabel(QString(), theme::font(headlineFontSize, QFont::DemiBold),
                          QPalette::WindowText, card);
    texts->addWidget(headline_);
    auto* sources = new QVBoxLayout;
    sources->setSpacing(sourceLineSpacing);
    messagesBadge_ = new StatusBadge(QStringLiteral("iMessage"), card);
    mailBadge_ = new StatusBadge(QStringLiteral("Apple Mail"), card);
    notificationsBadge_ = new StatusBadge(QStringLiteral("Desktop notifications"), card);
    sources->addWidget(messagesBadge_);
    sources->addWidget(mailBadge_);
    sources->addWidget(notificationsBadge_);
    texts->addLayout(sources);
    permissionsLine_ =
        makeLabel(QString(), theme::font(permissionsFontSize), theme::secondaryRole, card);
    texts->addWidget(permissionsLine_);
    row->addLayout(texts, 1);

    openSetup_ =
        actionButton(buttons::make(QStringLiteral("Open Setup"), Kind::bordered, Size::small, card),
                     [](AppDelegate& app) { app.openOnboardingWindow(); });
    row->addWidget(openSetup_, 0, Qt::AlignTop);
    return card;
}

QWidget* MainWindowView::buildRecentCodes() {
    auto* section = new SettingsSection(QStringLiteral("Recent Codes"),
                                        QStringLiteral("Click any code to copy it"), this);
    auto* list = new QWidget(section);
    recentRows_ = new QVBoxLayout(list);
    recentRows_->setContentsMargins(0, 0, 0, 0);
    recentRows_->setSpacing(recentSpacing);
    section->addRow(list);
    return section;
}

QWidget* MainWindowView::buildQuickActions() {
    auto* actions = new QWidget(this);
    auto* row = new QHBoxLayout(actions);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(quickActionSpacing);
    const auto quickAction = [&](const QString& text, const QString& symbol,
                                 std::function<void(AppDelegate&)> action) {
        QPushButton* button = actionButton(
            buttons::make(text, Kind::bordered, Size::large, actions, symbol), std::move(action));
        button->setFixedHeight(theme::button::largeHeight + 2 * quickActionExtra);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row->addWidget(button, 1);
    };
    quickAction(QStringLiteral("Send Test Notification"), QStringLiteral("bell.badge"),
                [](AppDelegate& app) { app.onPressTestNotification(); });
    quickAction(QStringLiteral("Resync Messages"), QStringLiteral("arrow.clockwise"),
                [](AppDelegate& app) { app.resync(); });
    return actions;
}

void MainWindowView::buildSettings(QVBoxLayout* page) {
    const auto section = [&](const QString& title) {
        auto* result = new SettingsSection(title, std::nullopt, this);
        page->addWidget(result);
        return result;
    };
    const auto row = [this](const QString& title, const QString& caption, QWidget* trailing,
                            const std::optional<QString>& badge = std::nullopt) {
        return new SettingRow(title, caption, badge, trailing, this);
    };

    notifications_ = section(QStringLiteral("Notifications"));
    notifications_->addRow(row(QStringLiteral("Use desktop notifications"),
                               QStringLiteral("Follows Do Not Disturb. Disable to use the custom "
                                              "overlay."),
                               bindSwitch(keys::useNativeNotifications, false)));
    overlayRow_ = row(QStringLiteral("Show overlay when a code is copied"),
                      QStringLiteral("Disable for privacy during screen recordings."),
                      bindSwitch(keys::showNotificationOverlay, true));
    notifications_->addRow(overlayRow_);
    std::vector<std::pair<QString, int>> positions;
    for (const auto position : allNotificationPositions) {
        positions.emplace_back(QString::fromUtf8(label(position).data()),
                               static_cast<int>(position));
    }
    positionRow_ = row(QStringLiteral("Overlay position"),
                       QStringLiteral("Where the notification appears on screen."),
                       bindPicker(keys::notificationPosition, 0, positions, positionPickerWidth));
    notifications_->addRow(positionRow_);

    detection_ = section(QStringLiteral("Detection"));
    SettingsSection* detection = detection_;
    mailRow_ = row(QStringLiteral("Detect codes from Apple Mail"), mailCaption(false),
                   bindSwitch(keys::emailDetectionEnabled, false,
                              [this](bool) {
                                  if (appDelegate_) {
                                      appDelegate_->updateEmailManager();
                                  }
                              }),
                   QStringLiteral("Beta"));
    detection->addRow(mailRow_);
    notificationsRow_ = row(QStringLiteral("Detect codes from desktop notifications"),
                            notificationsCaption(NotificationManager::State::monitoring),
                            bindSwitch(keys::notificationDetectionEnabled, true, [this](bool) {
                                if (appDelegate_) {
                                    appDelegate_->updateNotificationManager();
                                    state_.refresh();
                                }
                            }));
    detection->addRow(notificationsRow_);
    ignoredRow_ = row(QStringLiteral("Ignored apps"),
                      QStringLiteral("Notifications from these apps are never read. Separate "
                                     "names with commas."),
                      buildIgnoredApplications());
    detection->addRow(ignoredRow_);
    detection->addRow(
        row(QStringLiteral("Mark messages as read after copying"),
            QStringLiteral("Updates the iMessage database to mark OTP messages as read."),
            bindSwitch(keys::markAsReadEnabled, false)));

    SettingsSection* behavior = section(QStringLiteral("Behavior"));
    autoPasteRow_ = row(QStringLiteral("Auto-paste codes"),
                        autoPasteCaption(AccessibilityCheck::Status::unavailable),
                        bindSwitch(keys::autoPasteEnabled, false, [this](bool on) {
                            if (on && appDelegate_) {
                                appDelegate_->autoPasteSwitchedOn();
                            }
                        }));
    behavior->addRow(autoPasteRow_);
    shortcutRow_ =
        row(QStringLiteral("Global resync shortcut (Ctrl+Shift+E)"), shortcutCaption(true),
            bindSwitch(keys::globalShortcutEnabled, false, [this](bool) {
                if (appDelegate_) {
                    appDelegate_->updateGlobalHotKey();
                }
            }));
    behavior->addRow(shortcutRow_);
    restoreRow_ =
        row(QStringLiteral("Restore clipboard after copying a code"), restoreCaption(true),
            bindPicker(keys::restoreContentsDelayTime, 5,
                       {{QStringLiteral("Disabled"), 0},
                        {QStringLiteral("5 sec"), 5},
                        {QStringLiteral("10 sec"), 10},
                        {QStringLiteral("15 sec"), 15},
                        {QStringLiteral("20 sec"), 20}},
                       delayPickerWidth, [this] {
                           // "Disabled" also ends the watch for Ctrl+V.
                           if (appDelegate_) {
                               appDelegate_->delivery().updateClipboardRestoreKeyMonitor();
                           }
                       }));
    behavior->addRow(restoreRow_);

    SettingsSection* startup = section(QStringLiteral("Startup"));
    startup->addRow(row(QStringLiteral("Open Nabbit at login"),
                        QStringLiteral("Starts Nabbit automatically when you sign in."),
                        bindSwitch(keys::shouldAutoLaunch, false, [this](bool enabled) {
                            if (appDelegate_) {
                                appDelegate_->setLoginItemEnabled(enabled);
                            }
                        })));

    advanced_ = section(QStringLiteral("Advanced"));
    advanced_->addRow(row(QStringLiteral("Debug logging"),
                          QStringLiteral("Writes to ~/Documents/Nabbit_Debug.log."),
                          bindSwitch(keys::debugLoggingEnabled, false)));
    logButtons_ = new QWidget(this);
    QHBoxLayout* logRow = bareRow();
    logButtons_->setLayout(logRow);
    logRow->setSpacing(logButtonSpacing);
    logRow->addWidget(actionButton(buttons::make(QStringLiteral("Open Log in File Manager"),
                                                 Kind::bordered, Size::small, logButtons_),
                                   [](AppDelegate& app) { app.onPressOpenDebugLog(); }));
    logRow->addWidget(actionButton(
        buttons::make(QStringLiteral("Clear Log"), Kind::bordered, Size::small, logButtons_),
        [](AppDelegate& app) { app.onPressClearDebugLog(); }));
    logRow->addStretch(1);
    advanced_->addRow(logButtons_);

    SettingsSection* updates = section(QStringLiteral("Updates"));
    automaticUpdates_ = new ToggleSwitch(this);
    focusOrder_.push_back(automaticUpdates_);
    connect(automaticUpdates_, &ToggleSwitch::clicked, this, [this](bool enabled) {
        // Without the application object there is no updater: the change is dropped.
        if (appDelegate_) {
            appDelegate_->updaterController().setAutomaticallyDownloadsUpdates(enabled);
        }
        render();
    });
    updates->addRow(row(QStringLiteral("Automatically download updates"),
                        QStringLiteral("Nabbit checks for updates daily. When enabled, new "
                                       "versions are downloaded and verified in the background "
                                       "with no action needed — otherwise you'll be asked to "
                                       "confirm before each download."),
                        automaticUpdates_));
    updates->addRow(row(
        QStringLiteral("Check for updates now"),
        QStringLiteral("Manually check without waiting for the daily check."),
        actionButton(buttons::make(QStringLiteral("Check Now"), Kind::bordered, Size::small, this),
                     [](AppDelegate& app) { app.updaterController().checkForUpdates(); })));

    SettingsSection* application = section(QStringLiteral("Application"));
    application->addRow(row(QStringLiteral("Show menu bar icon"),
                            QStringLiteral("Toggle off to hide the icon. You can still open this "
                                           "window from the applications menu."),
                            bindSwitch(keys::menuBarIconVisible, true, [this](bool visible) {
                                if (appDelegate_) {
                                    appDelegate_->setStatusItemVisible(visible);
                                    appDelegate_->updateActivationPolicy();
                                }
                            })));
    application->addRow(
        row(QStringLiteral("Restart Nabbit"),
            QStringLiteral("Use this if you've allowed sending key events in your desktop's "
                           "settings but the app still says it's missing — Nabbit checks that "
                           "permission again when it starts."),
            actionButton(buttons::make(QStringLiteral("Restart"), Kind::bordered, Size::small, this,
                                       QStringLiteral("arrow.clockwise")),
                         [](AppDelegate& app) { app.relaunchApp(); })));
    auto* quitRow = new QWidget(this);
    QHBoxLayout* quitLayout = bareRow();
    quitRow->setLayout(quitLayout);
    quitLayout->addStretch(1);
    QPushButton* quit = buttons::make(QStringLiteral("Quit Nabbit"), Kind::destructive,
                                      Size::regular, quitRow, QStringLiteral("power"));
    // Quitting needs nothing from the application object.
    connect(quit, &QPushButton::clicked, this, [] { QCoreApplication::quit(); });
    focusOrder_.push_back(quit);
    quitLayout->addWidget(quit);
    application->addRow(quitRow);
}

QWidget* MainWindowView::buildFooter() {
    QLabel* version =
        makeLabel(versionText(), theme::font(footerFontSize), theme::secondaryRole, this);
    version->setAlignment(Qt::AlignCenter);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return version;
}

QLineEdit* MainWindowView::buildIgnoredApplications() {
    ignoredApplications_ = new QLineEdit(this);
    ignoredApplications_->setFixedSize(ignoredAppsWidth, pickerHeight);
    ignoredApplications_->setFont(theme::font(pickerFontSize));
    ignoredApplications_->setPlaceholderText(QStringLiteral("e.g. Signal, Thunderbird"));
    ignoredApplications_->setClearButtonEnabled(true);
    focusOrder_.push_back(ignoredApplications_);
    // Written when the user is done with it (Enter, or the focus leaves), in a tidy form.
    connect(ignoredApplications_, &QLineEdit::editingFinished, this, [this] {
        const auto names = splitNames(ignoredApplications_->text());
        if (names != PreferencesStore()
                         .stringListValue(keys::ignoredNotificationApps)
                         .value_or(std::vector<std::string>{})) {
            PreferencesStore().setStringList(keys::ignoredNotificationApps, names);
        }
        ignoredApplications_->setText(joinedNames(names));
    });
    return ignoredApplications_;
}

ToggleSwitch* MainWindowView::bindSwitch(std::string_view key, bool fallback,
                                         std::function<void(bool)> after) {
    auto* control = new ToggleSwitch(this);
    switches_.push_back({control, key, fallback});
    focusOrder_.push_back(control);
    // `clicked` comes from the user only: showing a stored value never writes it back.
    connect(control, &ToggleSwitch::clicked, this,
            [this, key, after = std::move(after)](bool checked) {
                PreferencesStore().setBool(key, checked);
                if (after) {
                    after(checked);
                }
                render();
            });
    return control;
}

QComboBox* MainWindowView::bindPicker(std::string_view key, int fallback,
                                      const std::vector<std::pair<QString, int>>& choices,
                                      int width, std::function<void()> after) {
    auto* control = new QComboBox(this);
    control->setFixedWidth(width);
    control->setFont(theme::font(pickerFontSize));
    control->setFocusPolicy(Qt::StrongFocus);
    std::vector<int> values;
    for (const auto& [text, value] : choices) {
        control->addItem(text, value);
        values.push_back(value);
    }
    pickers_.push_back({control, key, fallback, values});
    focusOrder_.push_back(control);
    // `activated` comes from the user only, like a switch's `clicked`.
    connect(control, &QComboBox::activated, this,
            [this, key, values, after = std::move(after)](int index) {
                if (index >= 0 && index < static_cast<int>(values.size())) {
                    PreferencesStore().setInteger(key, values[static_cast<std::size_t>(index)]);
                    if (after) {
                        after();
                    }
                }
                render();
            });
    return control;
}

QPushButton* MainWindowView::actionButton(QPushButton* button,
                                          std::function<void(AppDelegate&)> action) {
    focusOrder_.push_back(button);
    connect(button, &QPushButton::clicked, this, [this, action = std::move(action)] {
        if (appDelegate_) {
            action(*appDelegate_);
        }
    });
    return button;
}

// ---------------------------------------------------------------------------------------------
// Showing the state and the preferences

void MainWindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The page itself holds the focus at first, so that no control shows a focus ring before
    // the user presses Tab.
    if (window()->focusWidget() == nullptr) {
        setFocus(Qt::OtherFocusReason);
    }
    state_.refresh();
}

void MainWindowView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        restyle();
        render();
    }
}

void MainWindowView::restyle() {
    buttons::restyle(this);
    ignoredApplications_->setStyleSheet(textFieldStyleSheet(palette()));
}

// The state announces its four fields one by one at each refresh: one render for all four.
void MainWindowView::scheduleRender() {
    if (renderPending_) {
        return;
    }
    renderPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            renderPending_ = false;
            render();
        },
        Qt::QueuedConnection);
}

void MainWindowView::render() {
    watchPreferences();
    const PreferencesStore preferences;
    for (const auto& each : switches_) {
        each.control->setChecked(preferences.boolValue(each.key).value_or(each.fallback));
    }
    for (const auto& each : pickers_) {
        const auto stored = preferences.integerValue(each.key);
        const long long value = stored.value_or(each.fallback);
        const auto found = std::find(each.values.begin(), each.values.end(), value);
        const int index =
            found == each.values.end() ? -1 : static_cast<int>(found - each.values.begin());
        if (each.control->currentIndex() != index) {
            each.control->setCurrentIndex(index);
        }
    }
    automaticUpdates_->setChecked(
        appDelegate_ ? appDelegate_->updaterController().automaticallyDownloadsUpdates() : true);

    const bool native = preferences.boolValue(keys::useNativeNotifications).value_or(false);
    notifications_->setRowShown(overlayRow_, !native);
    notifications_->setRowShown(positionRow_, !native);
    advanced_->setRowShown(logButtons_,
                           preferences.boolValue(keys::debugLoggingEnabled).value_or(false));
    mailRow_->setCaption(mailCaption(state_.emailEnvelopeIndexFound()));
    const bool notificationDetection =
        preferences.boolValue(keys::notificationDetectionEnabled).value_or(true);
    notificationsRow_->setCaption(notificationsCaption(state_.notificationState()));
    detection_->setRowShown(ignoredRow_, notificationDetection);
    // Never under the user's fingers: what they type stays until they are done.
    if (!ignoredApplications_->hasFocus()) {
        const QString stored =
            joinedNames(preferences.stringListValue(keys::ignoredNotificationApps)
                            .value_or(std::vector<std::string>{}));
        if (ignoredApplications_->text() != stored) {
            ignoredApplications_->setText(stored);
        }
    }
    autoPasteRow_->setCaption(autoPasteCaption(state_.accessibilityStatus()));
    if (appDelegate_) {
        shortcutRow_->setCaption(shortcutCaption(appDelegate_->shortcutReachesEveryWindow()));
        restoreRow_->setCaption(restoreCaption(appDelegate_->pasteKeysSeenEverywhere()));
    }

    renderStatus(preferences.boolValue(keys::emailDetectionEnabled).value_or(false),
                 notificationDetection);
    renderRecentCodes();
}

void MainWindowView::renderStatus(bool mailDetection, bool notificationDetection) {
    const QPalette& colors = palette();
    const bool fullDiskAccess = state_.hasFullDiskAccess();
    const bool mailFound = mailDetection && state_.emailEnvelopeIndexFound();
    // Without a Messages database there is no Full Disk Access to ask for: what counts is
    // whether any source can be read.
    const bool messagesDatabase = state_.hasMessagesDatabase();
    const bool access = messagesDatabase ? fullDiskAccess : state_.hasMessageAccess();
    const QString accessName = messagesDatabase ? QStringLiteral("Messages database access")
                                                : QStringLiteral("Message access");
    const QColor status = access ? theme::green(colors) : theme::orange(colors);

    statusIcon_->setSymbol(access ? QStringLiteral("checkmark.circle.fill")
                                  : QStringLiteral("exclamationmark.triangle.fill"),
                           status);
    headline_->setText(access ? QStringLiteral("Connected") : accessName + " required");
    messagesBadge_->setVisible(messagesDatabase);
    messagesBadge_->setStatus(
        fullDiskAccess ? QStringLiteral("chat.db readable") : QStringLiteral("needs read access"),
        fullDiskAccess ? theme::green(colors) : theme::orange(colors));
    mailBadge_->setVisible(mailDetection);
    mailBadge_->setStatus(mailFound ? QStringLiteral("Envelope Index readable")
                                    : QStringLiteral("Mail not set up yet"),
                          mailFound ? theme::green(colors) : theme::orange(colors));
    const bool monitoring = state_.notificationState() == NotificationManager::State::monitoring;
    notificationsBadge_->setVisible(notificationDetection);
    notificationsBadge_->setStatus(
        monitoring ? QStringLiteral("reading notifications") : QStringLiteral("unavailable"),
        monitoring ? theme::green(colors) : theme::orange(colors));
    permissionsLine_->setText(QStringLiteral("Permissions: ") + accessName +
                              (access ? QStringLiteral(" ✓") : QStringLiteral(" missing")) +
                              QStringLiteral("  •  ") +
                              accessibilityText(state_.accessibilityStatus()));
}

void MainWindowView::renderRecentCodes() {
    if (codesRendered_ && shownCodes_ == state_.recentMessages()) {
        return;  // nothing new: keep the rows, and the keyboard focus on them
    }
    codesRendered_ = true;
    shownCodes_ = state_.recentMessages();
    codeRows_.clear();
    while (auto item = std::unique_ptr<QLayoutItem>(recentRows_->takeAt(0))) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
    }
    QWidget* list = recentRows_->parentWidget();
    if (shownCodes_.empty()) {
        QLabel* empty = makeWrappingLabel(
            QStringLiteral("No codes detected yet. Send yourself a test message or wait for a "
                           "real 2FA code."),
            theme::font(emptyFontSize), theme::secondaryRole, list);
        empty->setContentsMargins(0, emptyExtra, 0, emptyExtra);
        recentRows_->addWidget(empty);
    }
    // Newest first.
    for (auto entry = shownCodes_.rbegin(); entry != shownCodes_.rend(); ++entry) {
        auto* row = new RecentCodeRow(*entry, list);
        connect(row, &RecentCodeRow::clicked, this, [this, code = entry->otp.code] {
            if (appDelegate_) {
                // The saved text is dropped: a copy from the list is never restored.
                appDelegate_->delivery().copyToClipboard(code);
            }
        });
        recentRows_->addWidget(row);
        codeRows_.push_back(row);
    }
    applyTabOrder();
}

void MainWindowView::applyTabOrder() {
    std::vector<QWidget*> order;
    order.reserve(focusOrder_.size() + codeRows_.size());
    // Open Setup, then the codes, then everything below them.
    order.push_back(openSetup_);
    order.insert(order.end(), codeRows_.begin(), codeRows_.end());
    for (QWidget* control : focusOrder_) {
        if (control != openSetup_) {
            order.push_back(control);
        }
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void MainWindowView::watchPreferences() {
    // Written by another process too (`nabbit defaults write`): the file is replaced on each
    // write, so its folder is watched, and the file again whenever it is back.
    const std::filesystem::path file = PreferencesStore().file();
    for (const auto& path : {file.parent_path(), file}) {
        std::error_code ec;
        const QString name = QString::fromStdString(path.string());
        if (std::filesystem::exists(path, ec) && !preferencesWatcher_.files().contains(name) &&
            !preferencesWatcher_.directories().contains(name)) {
            preferencesWatcher_.addPath(name);
        }
    }
}

}  // namespace nabbit
