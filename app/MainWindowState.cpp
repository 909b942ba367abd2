#include "app/MainWindowState.h"

#include <filesystem>

#include "app/AppDelegate.h"
#include "app/PermissionsService.h"
#include "core/Paths.h"

namespace nabbit {

namespace {

// A Mail data version folder (V<n>) directly in ~/Library/Mail.
bool mailDataFolderExists() {
    std::error_code ec;
    std::filesystem::directory_iterator entries(paths::mailDirectory(), ec);
    if (ec) {
        return false;
    }
    for (const auto& entry : entries) {
        const auto name = entry.path().filename().string();
        if (!name.empty() && name[0] == 'V') {
            return true;
        }
    }
    return false;
}

}  // namespace

MainWindowState::MainWindowState(const PermissionsService& permissions, QObject* parent)
    : QObject(parent), permissions_(permissions) {
    refreshTimer_.setInterval(refreshIntervalMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &MainWindowState::refresh);
}

void MainWindowState::refresh() {
    const MessageAccess access = permissions_.checkMessageAccess();
    hasFullDiskAccess_ = access.messagesDatabase && access.granted;
    emit hasFullDiskAccessChanged();
    hasMessagesDatabase_ = access.messagesDatabase;
    hasMessageAccess_ = access.granted;
    emit messageAccessChanged();
    hasAccessibility_ = permissions_.checkAccessibility();
    accessibilityStatus_ = permissions_.accessibilityStatus();
    emit hasAccessibilityChanged();
    recentMessages_ = appDelegate_ ? appDelegate_->delivery().mostRecentMessages() : CodeEntries{};
    emit recentMessagesChanged();
    emailEnvelopeIndexFound_ = mailDataFolderExists();
    emit emailEnvelopeIndexFoundChanged();
    const NotificationManager* notifications =
        appDelegate_ ? appDelegate_->notificationManager() : nullptr;
    notificationState_ =
        notifications ? notifications->state() : NotificationManager::State::stopped;
    emit notificationStateChanged();
}

void MainWindowState::startRefreshing(AppDelegate* appDelegate) {
    appDelegate_ = appDelegate;
    refresh();
    refreshTimer_.start();  // restarts a running timer: still one
}

void MainWindowState::stopRefreshing() {
    refreshTimer_.stop();
}

}  // namespace nabbit
