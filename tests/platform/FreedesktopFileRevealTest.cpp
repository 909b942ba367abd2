#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QUrl>

#include "TestHome.h"
#include "platform/freedesktop/FreedesktopFileReveal.h"

// A file manager on the private session bus, recording what it is asked to show.
class RecordingFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

  public:
    QStringList calls;

  public slots:
    void ShowFolders(const QStringList& uris, const QString&) {
        calls << "ShowFolders " + uris.join(' ');
    }
    void ShowItems(const QStringList& uris, const QString&) {
        calls << "ShowItems " + uris.join(' ');
    }
};

// Stands for the desktop's default handler of file: URLs.
class RecordingUrlHandler : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> opened;

  public slots:
    void open(const QUrl& url) { opened << url; }
};

namespace nabbit {
namespace {

// Runs under dbus-run-session: the bus is private to this test.
TEST(FreedesktopFileRevealTest, AsksTheFileManagerAndFallsBackToTheDefaultHandler) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    const auto folder = test::testHome() / "Library" / "Messages";
    const QString folderUrl =
        QUrl::fromLocalFile(QString::fromStdString(folder.string())).toString();

    RecordingUrlHandler handler;
    QDesktopServices::setUrlHandler("file", &handler, "open");
    FreedesktopFileReveal reveal;

    // No file manager on the bus: the folder goes to the default handler.
    reveal.openFolder(folder);
    reveal.revealFile(folder / "chat.db");
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler.opened.size() == 2; }));
    EXPECT_EQ(handler.opened[0].toString(), folderUrl);
    EXPECT_EQ(handler.opened[1].toString(), folderUrl);  // the file's folder

    RecordingFileManager manager;
    ASSERT_TRUE(bus.registerObject("/org/freedesktop/FileManager1", &manager,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService("org.freedesktop.FileManager1"));
    reveal.openFolder(folder);
    reveal.revealFile(folder / "chat.db");
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.calls.size() == 2; }));
    EXPECT_EQ(manager.calls[0], "ShowFolders " + folderUrl);
    EXPECT_EQ(manager.calls[1], "ShowItems " + folderUrl + "/chat.db");
    EXPECT_EQ(handler.opened.size(), 2);  // nothing more went to the fallback

    QDesktopServices::unsetUrlHandler("file");
    bus.unregisterService("org.freedesktop.FileManager1");
}

}  // namespace
}  // namespace nabbit

#include "FreedesktopFileRevealTest.moc"
