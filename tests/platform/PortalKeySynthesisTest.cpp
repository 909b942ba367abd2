// Auto-paste through the RemoteDesktop portal against a stand-in portal on the private session
// bus (the real consent dialog cannot be answered headless): the calls and their order, the
// grant kept in a 0600 file and reused, a refusal and a revocation shown.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "StandInPortal.h"
#include "TestHome.h"
#include "platform/freedesktop/PortalKeySynthesis.h"

namespace nabbit {
namespace {

using test::StandInPortal;
using State = PortalKeySynthesis::State;

const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");

std::filesystem::path tokenFile() {
    return test::testHome() / ".local/state/nabbit/remote-desktop.token";
}

// A RemoteDesktop portal whose Start grants with a new restore token each time, or refuses.
class PortalKeySynthesisTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::remove(tokenFile());
        ASSERT_TRUE(portal_.running());
        portal_.setHandler(kRemoteDesktop + ".CreateSession", [this](const QDBusMessage& call) {
            const auto options = qdbus_cast<QVariantMap>(call.arguments().value(0));
            session_ = StandInPortal::objectPath("session", call.service(),
                                                 options.value("session_handle_token").toString());
            return StandInPortal::Answer{0, {{"session_handle", session_}}};
        });
        portal_.setHandler(kRemoteDesktop + ".SelectDevices", [](const QDBusMessage&) {
            return StandInPortal::Answer{0, {}};
        });
        portal_.setHandler(kRemoteDesktop + ".Start", [this](const QDBusMessage&) {
            if (refuse_) {
                return StandInPortal::Answer{1, {}};
            }
            return StandInPortal::Answer{
                0, {{"devices", 1U}, {"restore_token", QString("token-%1").arg(++grants_)}}};
        });
    }

    // The calls since the last look, without the interface's prefix.
    QStringList takeCalls() {
        QStringList calls = portal_.calls();
        portal_.clearCalls();
        for (QString& call : calls) {
            call.remove(kRemoteDesktop + '.');
        }
        return calls;
    }

    QVariantMap lastDevices() const {
        return qdbus_cast<QVariantMap>(
            portal_.lastArguments(kRemoteDesktop + ".SelectDevices").value(1));
    }

    bool waitFor(PortalKeySynthesis& keys, State state) {
        return QTest::qWaitFor([&] { return keys.state() == state; }, 3000);
    }

    StandInPortal portal_{{kRemoteDesktop}};
    QString session_;  // the last session made, written on the portal's thread
    int grants_ = 0;
    bool refuse_ = false;
};

TEST_F(PortalKeySynthesisTest, ConsentOnceThenTheKeptGrantIsReusedWithoutAsking) {
    EXPECT_TRUE(PortalKeySynthesis::available());
    {
        PortalKeySynthesis keys;
        // Nothing granted yet: a start, and a code arriving, ask nothing of the desktop.
        keys.resume();
        EXPECT_EQ(keys.state(), State::needsConsent);
        EXPECT_FALSE(keys.sendPaste());
        QTest::qWait(100);
        EXPECT_EQ(takeCalls(), QStringList());

        // The user switches auto-paste on.
        keys.requestConsent();
        ASSERT_TRUE(waitFor(keys, State::granted));
        EXPECT_EQ(takeCalls(), QStringList({"CreateSession", "SelectDevices", "Start"}));
        const QVariantMap devices = lastDevices();
        EXPECT_EQ(devices.value("types").toUInt(), 1U);  // the keyboard alone
        EXPECT_EQ(devices.value("persist_mode").toUInt(), 2U);
        EXPECT_FALSE(devices.contains("restore_token"));
        EXPECT_EQ(test::readFile(tokenFile()), "token-1\n");
        struct stat status {};
        ASSERT_EQ(::stat(tokenFile().c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600U);

        ASSERT_TRUE(keys.sendPaste());
        ASSERT_TRUE(QTest::qWaitFor([&] { return portal_.calls().size() == 4; }, 2000));
        const auto lastKey = portal_.lastArguments(kRemoteDesktop + ".NotifyKeyboardKeycode");
        EXPECT_EQ(lastKey.value(0).value<QDBusObjectPath>().path(), session_);
        EXPECT_EQ(lastKey.value(2).toInt(), 29);  // Control released last
        EXPECT_EQ(lastKey.value(3).toUInt(), 0U);
        EXPECT_EQ(takeCalls(), QStringList(4, "NotifyKeyboardKeycode"));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal_.calls().size() == 1; }, 2000));
    EXPECT_EQ(takeCalls(), QStringList({"org.freedesktop.portal.Session.Close"}));

    // The next start: the kept grant goes with the request, and its successor is kept.
    PortalKeySynthesis keys;
    keys.resume();
    ASSERT_TRUE(waitFor(keys, State::granted));
    EXPECT_EQ(takeCalls(), QStringList({"CreateSession", "SelectDevices", "Start"}));
    EXPECT_EQ(lastDevices().value("restore_token").toString(), "token-1");
    EXPECT_EQ(test::readFile(tokenFile()), "token-2\n");
}

TEST_F(PortalKeySynthesisTest, ARefusalAndARevocationAreShownAndForgetTheGrant) {
    refuse_ = true;
    PortalKeySynthesis keys;
    QSignalSpy changes(&keys, &PortalKeySynthesis::stateChanged);
    ::testing::internal::CaptureStderr();
    keys.requestConsent();
    ASSERT_TRUE(waitFor(keys, State::refused));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(
                  "[Nabbit] Auto-paste not allowed: the permission to type keys was refused"),
              std::string::npos);
    EXPECT_FALSE(keys.sendPaste());
    EXPECT_EQ(keys.status(), AccessibilityCheck::Status::refused);
    EXPECT_FALSE(std::filesystem::exists(tokenFile()));
    ASSERT_GE(changes.size(), 2);  // starting, then refused
    EXPECT_EQ(changes.back().at(0).value<State>(), State::refused);

    // Allowed on a second try, then revoked by the desktop.
    refuse_ = false;
    keys.requestConsent();
    ASSERT_TRUE(waitFor(keys, State::granted));
    ASSERT_TRUE(std::filesystem::exists(tokenFile()));
    ::testing::internal::CaptureStderr();
    portal_.emitSignal(session_, "org.freedesktop.portal.Session", "Closed", {QVariantMap()});
    ASSERT_TRUE(waitFor(keys, State::needsConsent));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(
                  "[Nabbit] Auto-paste not allowed: the desktop ended the permission to type keys"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(tokenFile()));
    portal_.clearCalls();
    EXPECT_FALSE(keys.sendPaste());
    keys.resume();  // nothing kept: no dialog on the next start either
    QTest::qWait(100);
    EXPECT_EQ(portal_.calls(), QStringList());
}

}  // namespace
}  // namespace nabbit
