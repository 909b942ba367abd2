// The KDE global shortcut route against a stand-in of KDE's shortcut service on the private
// session bus: the calls and their order, presses followed, the key taken or rebound, and what
// is left behind when the shortcut is switched off or Nabbit quits.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QKeySequence>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <optional>

#include "platform/freedesktop/KGlobalAccelShortcut.h"

namespace {

// Records every call; setShortcut answers the active keys with `activeKeys` (empty: the
// combination belongs to another program) and echoes the default ones, as the service does.
class StandInKGlobalAccel : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KGlobalAccel")

  public:
    QStringList calls() const {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
    void reset(QList<int> activeKeys) {
        QMutexLocker lock(&mutex_);
        calls_.clear();
        activeKeys_ = std::move(activeKeys);
    }

  public slots:
    void doRegister(const QStringList& actionId) { record("doRegister " + actionId.join(',')); }
    QList<int> setShortcut(const QStringList& actionId, const QList<int>& keys, uint flags) {
        QStringList texts;
        for (const int key : keys) {
            texts << QKeySequence(key).toString(QKeySequence::PortableText);
        }
        record(QStringLiteral("setShortcut %1 %2 flags=%3")
                   .arg(actionId.mid(0, 2).join(','), texts.join(';'))
                   .arg(flags));
        QMutexLocker lock(&mutex_);
        return (flags & 1) != 0 ? keys : activeKeys_;
    }
    bool unRegister(const QStringList& actionId) {
        record("unRegister " + actionId.mid(0, 2).join(','));
        return true;
    }
    void setInactive(const QStringList& actionId) {
        record("setInactive " + actionId.mid(0, 2).join(','));
    }

  private:
    void record(const QString& call) {
        QMutexLocker lock(&mutex_);
        calls_ << call;
    }

    mutable QMutex mutex_;
    QStringList calls_;
    QList<int> activeKeys_;
};

}  // namespace

namespace nabbit {
namespace {

const int kCtrlShiftE = QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_E).toCombined();
const int kCtrlAltR = QKeyCombination(Qt::CTRL | Qt::ALT, Qt::Key_R).toCombined();

// The stand-in serves from a thread of its own on a connection of its own, as another process
// would: Nabbit's calls block until answered.
class KGlobalAccelShortcutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        thread_.start();
        service_.moveToThread(&thread_);
        ASSERT_TRUE(bus_.isConnected());
        ASSERT_TRUE(
            bus_.registerObject("/kglobalaccel", &service_, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus_.registerService("org.kde.kglobalaccel"));
    }
    void TearDown() override {
        bus_.unregisterService("org.kde.kglobalaccel");
        bus_.unregisterObject("/kglobalaccel");
        QDBusConnection::disconnectFromBus("kglobalaccel");
        thread_.quit();
        thread_.wait();
    }

    void press(const QString& component, const QString& action) {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/component/" + component, "org.kde.kglobalaccel.Component", "globalShortcutPressed");
        signal << component << action << qlonglong(1);
        bus_.send(signal);
    }

    QThread thread_;
    StandInKGlobalAccel service_;
    QDBusConnection bus_ =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "kglobalaccel");
    KGlobalAccelShortcut shortcut_;
};

TEST_F(KGlobalAccelShortcutTest, RegistersAndFollowsItsOwnPresses) {
    EXPECT_TRUE(KGlobalAccelShortcut::available());
    service_.reset({kCtrlShiftE});
    auto hotKey = shortcut_.registerHotKey();
    ASSERT_TRUE(hotKey);
    EXPECT_EQ(service_.calls(), QStringList({"doRegister nabbit,resync,Nabbit,Resync Messages",
                                             "setShortcut nabbit,resync Ctrl+Shift+E flags=3",
                                             "setShortcut nabbit,resync Ctrl+Shift+E flags=2"}));

    int presses = 0;
    auto handler = shortcut_.installHandler([&] { ++presses; });
    ASSERT_TRUE(handler);
    press("nabbit", "resync");
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, 2000));
    press("nabbit", "other");  // an action of ours that does not exist
    press("kwin", "resync");   // another program's action of the same name
    press("nabbit", "resync");
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 2; }, 2000));
    QTest::qWait(100);
    EXPECT_EQ(presses, 2);
}

TEST_F(KGlobalAccelShortcutTest, TheKeysTheServiceAnswersDecide) {
    struct Case {
        const char* name;
        QList<int> answered;
        bool registered;
        std::string logged;
    };
    const Case cases[] = {
        {"rebound by the user",
         {kCtrlAltR},
         true,
         "[Nabbit] Global shortcut: resync is bound to Ctrl+Alt+R in the desktop's shortcut "
         "settings\n"},
        {"taken by another program (a zero key)",
         {0},
         false,
         "[Nabbit] Global shortcut Ctrl+Shift+E not registered: another program already uses it. "
         "Choose another key for Nabbit's \"Resync Messages\" in the desktop's shortcut "
         "settings.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service_.reset(c.answered);
        ::testing::internal::CaptureStderr();
        auto hotKey = shortcut_.registerHotKey();
        const std::string logged = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(hotKey != nullptr, c.registered);
        EXPECT_NE(logged.find(c.logged), std::string::npos) << logged;
        hotKey.reset();
        // Switched off, registered or not: nothing stays behind.
        EXPECT_EQ(service_.calls().back(), "unRegister nabbit,resync");
    }
}

// Last: runs the application's event loop to its end.
TEST_F(KGlobalAccelShortcutTest, QuittingLeavesTheActionInactiveSoARebindingSurvives) {
    service_.reset({kCtrlAltR});
    auto hotKey = shortcut_.registerHotKey();
    ASSERT_TRUE(hotKey);
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    service_.reset({});
    hotKey.reset();
    EXPECT_EQ(service_.calls(), QStringList({"setInactive nabbit,resync"}));
}

}  // namespace
}  // namespace nabbit

#include "KGlobalAccelShortcutTest.moc"
