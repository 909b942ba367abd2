#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace nabbit {

enum class PreferenceType { boolean, integer, stringList, removedOnly };

struct PreferenceKey {
    std::string_view name;
    PreferenceType type;
};

// Every preference Nabbit reads or writes, under the prefix "com.nabbit.app.".
namespace keys {
inline constexpr std::string_view prefix = "com.nabbit.app.";
inline constexpr std::string_view hasSetup = "com.nabbit.app.hasSetup";
inline constexpr std::string_view currentOnboardingStep = "com.nabbit.app.currentOnboardingStep";
inline constexpr std::string_view useNativeNotifications = "com.nabbit.app.useNativeNotifications";
inline constexpr std::string_view showNotificationOverlay =
    "com.nabbit.app.showNotificationOverlay";
inline constexpr std::string_view notificationPosition = "com.nabbit.app.notificationPosition";
inline constexpr std::string_view globalShortcutEnabled = "com.nabbit.app.globalShortcutEnabled";
inline constexpr std::string_view autoPasteEnabled = "com.nabbit.app.autoPasteEnabled";
inline constexpr std::string_view markAsReadEnabled = "com.nabbit.app.markAsReadEnabled";
inline constexpr std::string_view emailDetectionEnabled = "com.nabbit.app.emailDetectionEnabled";
inline constexpr std::string_view notificationDetectionEnabled =
    "com.nabbit.app.notificationDetectionEnabled";
inline constexpr std::string_view ignoredNotificationApps =
    "com.nabbit.app.ignoredNotificationApps";
inline constexpr std::string_view restoreContentsDelayTime =
    "com.nabbit.app.restoreContentsDelayTime";
inline constexpr std::string_view shouldAutoLaunch = "com.nabbit.app.shouldAutoLaunch";
inline constexpr std::string_view debugLoggingEnabled = "com.nabbit.app.debugLoggingEnabled";
inline constexpr std::string_view menuBarIconVisible = "com.nabbit.app.menuBarIconVisible";
}  // namespace keys

inline constexpr std::array<PreferenceKey, 15> preferenceKeys = {{
    {keys::hasSetup, PreferenceType::boolean},
    {keys::currentOnboardingStep, PreferenceType::removedOnly},
    {keys::useNativeNotifications, PreferenceType::boolean},
    {keys::showNotificationOverlay, PreferenceType::boolean},
    {keys::notificationPosition, PreferenceType::integer},
    {keys::globalShortcutEnabled, PreferenceType::boolean},
    {keys::autoPasteEnabled, PreferenceType::boolean},
    {keys::markAsReadEnabled, PreferenceType::boolean},
    {keys::emailDetectionEnabled, PreferenceType::boolean},
    {keys::notificationDetectionEnabled, PreferenceType::boolean},
    {keys::ignoredNotificationApps, PreferenceType::stringList},
    {keys::restoreContentsDelayTime, PreferenceType::integer},
    {keys::shouldAutoLaunch, PreferenceType::boolean},
    {keys::debugLoggingEnabled, PreferenceType::boolean},
    {keys::menuBarIconVisible, PreferenceType::boolean},
}};

// The entry of a known key; absent for any other text.
constexpr std::optional<PreferenceKey> findPreferenceKey(std::string_view name) {
    for (const auto& key : preferenceKeys) {
        if (key.name == name) {
            return key;
        }
    }
    return std::nullopt;
}

}  // namespace nabbit
