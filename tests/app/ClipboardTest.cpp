// The user's clipboard around delivered codes, for real: under Xvfb, with other programs on the
// clipboard as separate X clients (an owner of several formats, a frozen owner, a clipboard
// manager that copies and keeps, one that takes every copy over), read back with xclip.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "DeliveryFixture.h"
#include "DesktopSession.h"
#include "FixtureDatabases.h"
#include "core/PreferencesStore.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

namespace nabbit {
namespace {

using test::clipboardHolds;
using test::readClipboard;

// Bytes of noise, standing for an image: the clipboard passes every format on as it is.
std::string noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

// Another program on the clipboard (nabbit-test-clipboard), stopped when the object goes.
class ClipboardPeer {
  public:
    explicit ClipboardPeer(const QStringList& arguments) {
        process_.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit-test-clipboard"), arguments);
        ready_ = waitFor("ready");
    }
    ~ClipboardPeer() {
        process_.kill();
        process_.waitForFinished();
    }
    ClipboardPeer(const ClipboardPeer&) = delete;
    ClipboardPeer& operator=(const ClipboardPeer&) = delete;

    bool ready() const { return ready_; }
    bool waitFor(const QByteArray& line, int timeoutMs = 5000) {
        return QTest::qWaitFor(
            [&] {
                output_ += process_.readAllStandardOutput();
                const qsizetype at = output_.indexOf(line + '\n');
                if (at < 0) {
                    return false;
                }
                output_.remove(0, at + line.size() + 1);
                return true;
            },
            timeoutMs);
    }

  private:
    QProcess process_;
    QByteArray output_;
    bool ready_ = false;
};

// What a user typically has on the clipboard besides plain text: a format of text and one of
// bytes stand for the rest (every one that is not plain text is passed on alike).
struct UserContents {
    std::string text = "my own text";
    std::string html = "<b>my own</b> text";
    std::string image = noise(9000);

    QStringList arguments(const QString& imageFile) const {
        return {QStringLiteral("own"), QString::fromStdString("UTF8_STRING=" + text),
                QString::fromStdString("text/html=" + html), "image/png=@" + imageFile};
    }

    // Every format is on the clipboard as the user had it.
    void expectOnClipboard() const {
        EXPECT_EQ(readClipboard(), text);
        EXPECT_EQ(readClipboard("text/html"), html);
        EXPECT_EQ(readClipboard("image/png"), image);
    }
};

class ClipboardTest : public test::DeliveryFixture {
  protected:
    test::TempDir files_;
};

// The code goes on as a secret; after the delay every format of the user's clipboard comes
// back, and the secret hint goes with the code.
TEST_F(ClipboardTest, EveryFormatComesBackWithoutTheSecretHint) {
    const UserContents user;
    const QString imageFile = QString::fromStdString((files_.path() / "image.png").string());
    ASSERT_TRUE(test::writeFile(files_.path() / "image.png", user.image));
    ClipboardPeer owner(user.arguments(imageFile));
    ASSERT_TRUE(owner.ready());

    deliver(entry("a", "482913"));
    ASSERT_TRUE(clipboardHolds("482913"));
    EXPECT_EQ(readClipboard("x-kde-passwordManagerHint"), "secret");
    ASSERT_TRUE(clipboardHolds(user.text, 3000));
    user.expectOnClipboard();
    EXPECT_EQ(readClipboard("TARGETS").find("x-kde-passwordManagerHint"), std::string::npos);
}

// Codes in a burst: the clipboard the user had before the first comes back once, a full delay
// after the newest; no earlier code is ever put back.
TEST_F(ClipboardTest, ABurstRestoresTheUserTextOnceAFullDelayAfterTheNewestCode) {
    AppStateManager::shared().setRestoreContentsDelayTime(2);
    ClipboardPeer owner({QStringLiteral("own"), QStringLiteral("UTF8_STRING=before the burst")});
    ASSERT_TRUE(owner.ready());
    deliver(entry("a", "111111"));
    ASSERT_TRUE(clipboardHolds("111111"));
    QTest::qWait(1200);
    deliver(entry("b", "222222"));
    ASSERT_TRUE(clipboardHolds("222222"));
    // Past the first code's delay: the newest code keeps its own.
    QTest::qWait(1100);
    EXPECT_EQ(readClipboard(), "222222");
    ASSERT_TRUE(clipboardHolds("before the burst", 3000));
    QTest::qWait(2200);
    EXPECT_EQ(readClipboard(), "before the burst");
}

// What the user copies while a restore is pending stays; a resync keeps the pending restore.
TEST_F(ClipboardTest, TextCopiedMeanwhileStaysAndAResyncKeepsTheRestore) {
    ClipboardPeer owner({QStringLiteral("own"), QStringLiteral("UTF8_STRING=first text")});
    ASSERT_TRUE(owner.ready());
    deliver(entry("a", "333333"));
    ASSERT_TRUE(clipboardHolds("333333"));
    test::writeClipboardElsewhere("copied since");
    QTest::qWait(1800);
    EXPECT_EQ(readClipboard(), "copied since");

    deliver(entry("b", "444444"));
    ASSERT_TRUE(clipboardHolds("444444"));
    delivery_.resetForResync();
    EXPECT_TRUE(clipboardHolds("copied since", 3000));
}

// A program that holds the clipboard and never answers holds neither Nabbit's event loop nor
// the code back; nothing is saved, so nothing is restored over the code.
TEST_F(ClipboardTest, AFrozenOwnerHoldsNothingBack) {
    ClipboardPeer frozen({QStringLiteral("frozen")});
    ASSERT_TRUE(frozen.ready());
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    sinceTick.start();
    ticks.start(10);
    deliver(entry("a", "555555"));
    EXPECT_TRUE(clipboardHolds("555555", 1000));
    ticks.stop();
    EXPECT_LT(longestGap, 250) << "the event loop stood still for " << longestGap << " ms";
    QTest::qWait(1200);
    EXPECT_EQ(readClipboard(), "555555");
}

// A clipboard manager that takes every copy over still offers the code: the restore counts it
// as Nabbit's and puts the user's text back. The same code again while it is on the clipboard
// is not delivered again; after the restore it is.
TEST_F(ClipboardTest, AManagerTakingEveryCopyAndTheSameCodeTwice) {
    ClipboardPeer owner({QStringLiteral("own"), QStringLiteral("UTF8_STRING=kept by the manager")});
    ASSERT_TRUE(owner.ready());
    ClipboardPeer manager({QStringLiteral("take")});
    ASSERT_TRUE(manager.ready());
    test::writeClipboardElsewhere("kept by the manager");
    ASSERT_TRUE(manager.waitFor("serving"));

    deliver(entry("a", "777777"));
    ASSERT_TRUE(manager.waitFor("serving"));
    ASSERT_TRUE(clipboardHolds("777777"));
    const QPointer<OverlayWindow> first = delivery_.overlayWindow();
    ASSERT_TRUE(first);
    deliver(entry("b", "777777"));  // the same SMS, shown by a second program
    QTest::qWait(400);
    EXPECT_EQ(delivery_.overlayWindow(), first.data());
    ASSERT_TRUE(clipboardHolds("kept by the manager", 3000));

    deliver(entry("c", "777777"));
    EXPECT_TRUE(clipboardHolds("777777"));
}

// Contents above the cap are not saved: the code goes on and stays.
TEST_F(ClipboardTest, ContentsAboveTheCapAreNotSaved) {
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("application/octet-stream"),
                  QByteArray(static_cast<qsizetype>(ClipboardContents::kMaxBytes) + 1, 'x'));
    data->setText(QStringLiteral("beside a huge format"));
    QApplication::clipboard()->setMimeData(data.release());
    std::optional<Clipboard::ReadResult> result;
    clipboard_.read([&](Clipboard::ReadResult read) { result = std::move(read); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    ASSERT_FALSE(*result);
    EXPECT_EQ(result->error(), ClipboardReadError::tooLarge);

    deliver(entry("a", "626262"));
    ASSERT_TRUE(clipboardHolds("626262"));
    EXPECT_FALSE(delivery_.clipboardRestore().isRestorePending());
    // Qt, the owner here, keeps an abandoned transfer (and its copy of the data) until its own
    // clipboard timeout of 5 s; ending the test program sooner would report that as a leak.
    QTest::qWait(5500);
}

// A large format arrives in pieces (INCR) and is read whole.
TEST_F(ClipboardTest, LargeContentsAreReadWhole) {
    const std::string big = noise(1024 * 1024);
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("image/png"), QByteArray::fromStdString(big));
    data->setText(QStringLiteral("an image"));
    QApplication::clipboard()->setMimeData(data.release());
    std::optional<Clipboard::ReadResult> result;
    clipboard_.read([&](Clipboard::ReadResult read) { result = std::move(read); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    ASSERT_TRUE(*result);
    const ClipboardFormat* image = (*result)->find("image/png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, big);
    EXPECT_EQ((*result)->text(), "an image");
}

// Quitting during the restore window puts the user's contents back first (as the timed restore
// does, every format), so that a clipboard manager keeps them once Nabbit is gone.
TEST(ClipboardQuit, QuittingRestoresFirstAndTheManagerKeepsTheUserContents) {
    test::TempDir home;
    test::createDatabaseFromFixture(home.path() / "Library/Messages/chat.db", "chat-db.sql");
    PreferencesStore preferences(home.path() / ".config/nabbit/nabbit.conf");
    preferences.setBool("com.nabbit.app.hasSetup", true);
    preferences.setInteger("com.nabbit.app.restoreContentsDelayTime", 30);

    ClipboardPeer manager({QStringLiteral("keep")});
    ASSERT_TRUE(manager.ready());
    {
        ClipboardPeer owner({QStringLiteral("own"), QStringLiteral("UTF8_STRING=my own text")});
        ASSERT_TRUE(owner.ready());
        ASSERT_TRUE(manager.waitFor("copied 1"));
    }
    ASSERT_TRUE(manager.waitFor("serving"));

    test::NabbitProcess nabbit(home.path());
    nabbit.start();
    ASSERT_TRUE(nabbit.waitForError("Running as accessory")) << nabbit.error().toStdString();
    auto writer = simulate::ChatDatabaseWriter::open(
        (home.path() / "Library/Messages/chat.db").string(), false);
    ASSERT_TRUE(writer);
    simulate::SimulatedMessage message;
    message.text = "Your Acme verification code is 902211";
    ASSERT_TRUE(writer->insert(message));
    ASSERT_TRUE(clipboardHolds("902211", 5000));

    nabbit.process().terminate();
    ASSERT_TRUE(nabbit.waitForExit());
    EXPECT_TRUE(clipboardHolds("my own text", 3000));
}

}  // namespace
}  // namespace nabbit
