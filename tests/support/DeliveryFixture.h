#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QDBusConnection>
#include <QTest>

#include "X11TestClient.h"
#include "app/CodeDelivery.h"
#include "app/PermissionsService.h"
#include "core/AppStateManager.h"
#include "platform/fake/FakeFileReveal.h"
#include "platform/freedesktop/FreedesktopNotifications.h"
#include "platform/freedesktop/FreedesktopScreenLock.h"
#include "platform/x11/X11AccessibilityCheck.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11KeySynthesis.h"
#include "platform/x11/X11PasteKeyMonitor.h"
#include "ui/WidgetViewFactory.h"

namespace nabbit::test {

// The code delivery on the X11 and freedesktop facilities the program uses, with the preferences
// of a fresh home made explicit: a 1 s restore, the overlay at the top left, nothing else on.
class DeliveryFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(x_.connected());
        auto& preferences = AppStateManager::shared();
        preferences.setRestoreContentsDelayTime(1);
        preferences.setAutoPasteEnabled(false);
        preferences.setUseNativeNotifications(false);
        preferences.setShowNotificationOverlay(true);
        preferences.setNotificationPosition(0);
        preferences.setMarkAsReadEnabled(false);
        // The first publication of a subscription is only recorded.
        delivery_.handleMessagesUpdate({});
    }

    // Overlays of one test would still be on screen in the next.
    void TearDown() override { closeOverlays(); }

    void closeOverlays() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (qobject_cast<OverlayWindow*>(window) != nullptr) {
                window->close();
            }
        }
        (void)QTest::qWaitFor([this] { return overlays().empty(); }, 2000);
    }
    // The overlays on the X server, as another client sees them.
    std::vector<X11TestClient::Window> overlays() { return x_.findWindows("Nabbit", true); }

    static CodeEntry entry(const std::string& guid, const std::string& code,
                           std::optional<std::string> service = std::nullopt) {
        return {Message{1, guid, "Your code is " + code, "+15555550100", std::nullopt, false},
                ParsedOTP{std::move(service), code}};
    }

    void deliver(const CodeEntry& entry) { delivery_.deliverCode(entry.message, entry.otp); }

    X11TestClient x_;
    X11Clipboard clipboard_;
    X11KeySynthesis keys_;
    X11PasteKeyMonitor monitor_;
    FreedesktopNotifications notifications_;
    X11AccessibilityCheck accessibility_;
    FakeFileReveal reveal_;
    PermissionsService permissions_{accessibility_, reveal_};
    WidgetViewFactory views_;
    // No logind on the private bus: only a screen saver service can lock.
    FreedesktopScreenLock screenLock_{QDBusConnection::sessionBus(), QDBusConnection::sessionBus()};
    std::vector<std::string> printed_;
    CodeDelivery delivery_{{clipboard_, keys_, monitor_, notifications_, permissions_, views_,
                            screenLock_,
                            [this](const std::string& line) { printed_.push_back(line); }}};
};

}  // namespace nabbit::test
