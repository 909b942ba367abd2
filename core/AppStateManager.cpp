#include "core/AppStateManager.h"

#include <limits>
#include <string_view>

#include "core/DebugLogger.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"

namespace nabbit {

namespace {

bool readBool(std::string_view key, bool fallback) {
    return PreferencesStore().boolValue(key).value_or(fallback);
}

void writeBool(std::string_view key, bool value) {
    PreferencesStore().setBool(key, value);
}

std::optional<int> readInt(std::string_view key) {
    const auto number = PreferencesStore().integerValue(key);
    if (!number || *number < std::numeric_limits<int>::min() ||
        *number > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

void writeInt(std::string_view key, int value) {
    PreferencesStore().setInteger(key, value);
}

}  // namespace

AppStateManager& AppStateManager::shared() {
    static AppStateManager instance;
    return instance;
}

bool AppStateManager::hasSetup() const {
    return readBool(keys::hasSetup, false);
}
void AppStateManager::setHasSetup(bool value) const {
    writeBool(keys::hasSetup, value);
}

void AppStateManager::removeCurrentOnboardingStep() const {
    PreferencesStore().remove(keys::currentOnboardingStep);
}

bool AppStateManager::useNativeNotifications() const {
    return readBool(keys::useNativeNotifications, false);
}
void AppStateManager::setUseNativeNotifications(bool value) const {
    writeBool(keys::useNativeNotifications, value);
}

bool AppStateManager::showNotificationOverlay() const {
    return readBool(keys::showNotificationOverlay, true);
}
void AppStateManager::setShowNotificationOverlay(bool value) const {
    writeBool(keys::showNotificationOverlay, value);
}

int AppStateManager::notificationPosition() const {
    const auto position = readInt(keys::notificationPosition);
    return position && *position >= 0 && *position <= 3 ? *position : 0;
}
void AppStateManager::setNotificationPosition(int value) const {
    writeInt(keys::notificationPosition, value);
}

bool AppStateManager::globalShortcutEnabled() const {
    return readBool(keys::globalShortcutEnabled, false);
}
void AppStateManager::setGlobalShortcutEnabled(bool value) const {
    writeBool(keys::globalShortcutEnabled, value);
}

bool AppStateManager::autoPasteEnabled() const {
    return readBool(keys::autoPasteEnabled, false);
}
void AppStateManager::setAutoPasteEnabled(bool value) const {
    writeBool(keys::autoPasteEnabled, value);
}

bool AppStateManager::markAsReadEnabled() const {
    return readBool(keys::markAsReadEnabled, false);
}
void AppStateManager::setMarkAsReadEnabled(bool value) const {
    writeBool(keys::markAsReadEnabled, value);
}

bool AppStateManager::notificationDetectionEnabled() const {
    return readBool(keys::notificationDetectionEnabled, true);
}
void AppStateManager::setNotificationDetectionEnabled(bool value) const {
    writeBool(keys::notificationDetectionEnabled, value);
}

std::vector<std::string> AppStateManager::ignoredNotificationApps() const {
    return PreferencesStore()
        .stringListValue(keys::ignoredNotificationApps)
        .value_or(std::vector<std::string>{});
}
void AppStateManager::setIgnoredNotificationApps(const std::vector<std::string>& value) const {
    PreferencesStore().setStringList(keys::ignoredNotificationApps, value);
}

bool AppStateManager::emailDetectionEnabled() const {
    return readBool(keys::emailDetectionEnabled, false);
}
void AppStateManager::setEmailDetectionEnabled(bool value) const {
    writeBool(keys::emailDetectionEnabled, value);
}

int AppStateManager::restoreContentsDelayTime() const {
    return readInt(keys::restoreContentsDelayTime).value_or(5);
}
void AppStateManager::setRestoreContentsDelayTime(int value) const {
    writeInt(keys::restoreContentsDelayTime, value);
}

bool AppStateManager::shouldAutoLaunch() const {
    return readBool(keys::shouldAutoLaunch, false);
}
void AppStateManager::setShouldAutoLaunch(bool value) const {
    writeBool(keys::shouldAutoLaunch, value);
}

bool AppStateManager::debugLoggingEnabled() const {
    return readBool(keys::debugLoggingEnabled, false);
}
void AppStateManager::setDebugLoggingEnabled(bool value) const {
    writeBool(keys::debugLoggingEnabled, value);
    if (value) {
        DebugLogger::shared().log("Debug logging enabled", "SYSTEM");
    }
}

bool AppStateManager::menuBarIconVisible() const {
    return readBool(keys::menuBarIconVisible, true);
}
void AppStateManager::setMenuBarIconVisible(bool value) const {
    writeBool(keys::menuBarIconVisible, value);
}

}  // namespace nabbit
