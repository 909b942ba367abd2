// The update check for real: a feed and its files served over HTTPS on 127.0.0.1 with a
// certificate made here, releases signed with an Ed25519 key made here, and the controller's
// dialogs read and answered as the user would.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include "TestHome.h"
#include "app/Appcast.h"
#include "app/UpdateController.h"
#include "core/PreferencesStore.h"

namespace nabbit {
namespace {

struct Free {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(X509_EXTENSION* p) const { X509_EXTENSION_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
};
template <class T>
using Owned = std::unique_ptr<T, Free>;

// The releases' signing key.
class Signer {
  public:
    QByteArray publicKey() const {
        QByteArray raw(32, '\0');
        size_t size = 32;
        EVP_PKEY_get_raw_public_key(key_.get(), reinterpret_cast<unsigned char*>(raw.data()),
                                    &size);
        return raw;
    }
    QByteArray sign(QByteArrayView data) const {
        QByteArray signature(64, '\0');
        size_t size = 64;
        Owned<EVP_MD_CTX> context(EVP_MD_CTX_new());
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key_.get());
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size());
        return signature;
    }

  private:
    Owned<EVP_PKEY> key_{EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519")};
};

// A self-signed certificate for 127.0.0.1 and its key.
QSslConfiguration serverTls() {
    Owned<EVP_PKEY> key(EVP_EC_gen("P-256"));
    Owned<X509> cert(X509_new());
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 86400);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    X509V3_CTX context;
    X509V3_set_ctx(&context, cert.get(), cert.get(), nullptr, nullptr, 0);
    Owned<X509_EXTENSION> altName(
        X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, "IP:127.0.0.1"));
    X509_add_ext(cert.get(), altName.get(), -1);
    X509_sign(cert.get(), key.get(), EVP_sha256());
    auto pem = [](auto write) {
        Owned<BIO> bio(BIO_new(BIO_s_mem()));
        write(bio.get());
        char* data = nullptr;
        const long size = BIO_get_mem_data(bio.get(), &data);
        return QByteArray(data, size);
    };
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(
        QSslCertificate(pem([&](BIO* b) { PEM_write_bio_X509(b, cert.get()); })));
    tls.setPrivateKey(QSslKey(pem([&](BIO* b) {
                                  PEM_write_bio_PrivateKey(b, key.get(), nullptr, nullptr, 0,
                                                           nullptr, nullptr);
                              }),
                              QSsl::Ec));
    return tls;
}

// An HTTPS/1.1 server of fixed answers.
class Server {
  public:
    struct Answer {
        int status = 200;
        QByteArray body = {};
        QByteArray location = {};
        bool announceLength = true;
    };

    explicit Server(const QSslConfiguration& tls) {
        server_.setSslConfiguration(tls);
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::pendingConnectionAvailable, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                accept(socket);
            }
        });
    }

    QUrl url(const QString& path, const char* scheme = "https") const {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                        .arg(QLatin1String(scheme))
                        .arg(server_.serverPort())
                        .arg(path));
    }
    std::map<QString, Answer> answers;
    QStringList requests;

  private:
    void accept(QTcpSocket* socket) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            request_[socket] += socket->readAll();
            const QByteArray& text = request_[socket];
            if (!text.contains("\r\n\r\n")) {
                return;
            }
            const QString path = QString::fromLatin1(text.split(' ').value(1));
            request_.erase(socket);
            requests << path;
            const auto found = answers.find(path);
            const Answer answer =
                found != answers.end() ? found->second : Answer{.status = 404, .body = "no"};
            QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\n";
            if (answer.announceLength) {
                head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
            }
            if (!answer.location.isEmpty()) {
                head += "Location: " + answer.location + "\r\n";
            }
            socket->write(head + "Connection: close\r\n\r\n" + answer.body);
            socket->disconnectFromHost();
        };
        QObject::connect(socket, &QTcpSocket::readyRead, socket, read);
        read();
    }

    QSslServer server_;
    std::map<QTcpSocket*, QByteArray> request_;
};

QMessageBox* shownBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

QMessageBox* waitForBox(const QString& text, int timeoutMs = 15'000) {
    (void)QTest::qWaitFor([&] { return shownBox() && shownBox()->text() == text; }, timeoutMs);
    QMessageBox* box = shownBox();
    return box && box->text() == text ? box : nullptr;
}

bool press(QMessageBox* box, const QString& label) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == label) {
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
    }
    return false;
}

QByteArray item(const QString& version, const QUrl& url, qint64 length, const QByteArray& sig) {
    return QStringLiteral(R"(<item><title>Nabbit %1</title><sparkle:version>%1</sparkle:version>
        <enclosure url="%2" length="%3" type="application/octet-stream"
                   sparkle:edSignature="%4"/></item>)")
        .arg(version, url.toString())
        .arg(length)
        .arg(QString::fromLatin1(sig.toBase64()))
        .toUtf8();
}

QByteArray feed(const QByteArray& items) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Nabbit</title>)" +
           items + "</channel></rss>";
}

// --- The check, table-driven ---------------------------------------------------------------

enum class Feed {
    upToDate,
    newer,
    redirectedOverHttps,
    redirectedToHttp,
    malformed,
    documentType,
    oversized,
    missing,
    none
};
enum class File { good, badSignature, shortUnannounced, longUnannounced };

struct CheckCase {
    const char* name;
    Feed feed;
    File file = File::good;
    bool trustServer = true;
    const char* offerAnswer = nullptr;  // downloads are automatic unless an offer is answered
    const char* text = nullptr;         // the dialog left open at the end
    const char* detail = "";            // part of its informative text
    bool fileKept = false;
};

const char* const downloaded = "Nabbit 0.10.0 has been downloaded";
const char* const cannotCheck = "Nabbit couldn't check for updates";
const char* const refused = "The downloaded update was refused";
const char* const offered = "A new version of Nabbit is available";

const CheckCase checkCases[] = {
    {.name = "up_to_date",
     .feed = Feed::upToDate,
     .text = "You're up to date",
     .detail = "Nabbit 0.9.0 is the newest version available."},
    {.name = "newer_downloaded_automatically",
     .feed = Feed::newer,
     .text = downloaded,
     .detail = "Its length and signature have been verified.",
     .fileKept = true},
    {.name = "newer_offered_then_downloaded",
     .feed = Feed::newer,
     .offerAnswer = "Download",
     .text = downloaded,
     .fileKept = true},
    {.name = "bad_signature",
     .feed = Feed::newer,
     .file = File::badSignature,
     .text = refused,
     .detail = "signature does not match"},
    {.name = "shorter_without_length_header",
     .feed = Feed::newer,
     .file = File::shortUnannounced,
     .text = refused,
     .detail = "The file is 299999 bytes long, but the update feed announced 300000 bytes"},
    {.name = "longer_without_length_header",
     .feed = Feed::newer,
     .file = File::longUnannounced,
     .text = refused,
     .detail = "longer than the 300000 bytes"},
    {.name = "feed_redirected_over_https",
     .feed = Feed::redirectedOverHttps,
     .text = "You're up to date"},
    {.name = "feed_redirected_to_http",
     .feed = Feed::redirectedToHttp,
     .text = cannotCheck,
     .detail = "which is not an HTTPS address"},
    // A feed its reader refuses. That what the reader accepts keeps its promises (releases over
    // HTTPS among them) is fuzz_appcast's check.
    {.name = "malformed_feed",
     .feed = Feed::malformed,
     .text = cannotCheck,
     .detail = "The update feed can't be used: item 1's enclosure has no length."},
    {.name = "feed_declaring_a_document_type",
     .feed = Feed::documentType,
     .text = cannotCheck,
     .detail = "it declares a document type"},
    {.name = "oversized_feed",
     .feed = Feed::oversized,
     .text = cannotCheck,
     .detail = "The update feed is larger than"},
    {.name = "feed_not_found",
     .feed = Feed::missing,
     .text = cannotCheck,
     .detail = "answered 404"},
    {.name = "untrusted_certificate",
     .feed = Feed::upToDate,
     .trustServer = false,
     .text = cannotCheck,
     .detail = "could not be reached"},
    {.name = "no_feed_configured", .feed = Feed::none, .text = "No update source is configured"},
};

// A feed server over HTTPS and a signed release.
class ServedUpdates : public ::testing::Test {
  protected:
    void SetUp() override {
        tls_ = serverTls();
        https_ = std::make_unique<Server>(tls_);
        release_.resize(300'000);
        for (int i = 0; i < release_.size(); ++i) {
            release_[i] = static_cast<char>(i * 7 + i / 256);
        }
    }
    void TearDown() override { QDir(test::testHome() / ".cache").removeRecursively(); }

    // Answers for the case; returns the feed's address.
    QUrl serve(Feed feedKind, File fileKind) {
        const QUrl fileUrl = https_->url("/Nabbit-0.10.0.tar.gz");
        // Versions that compare one way as numbers and the other way as text.
        const QByteArray older = item("0.8.9", https_->url("/old.tar.gz"), 1, signer_.sign("x"));
        const QByteArray current = item("0.9.0", fileUrl, release_.size(), signer_.sign(release_));
        const QByteArray newer = item("0.10.0", fileUrl, release_.size(), signer_.sign(release_));
        auto& answers = https_->answers;
        switch (feedKind) {
            case Feed::upToDate:
                answers["/appcast.xml"] = {.body = feed(older + current)};
                break;
            case Feed::newer:
                answers["/appcast.xml"] = {.body = feed(current + newer + older)};
                break;
            case Feed::redirectedOverHttps:
                answers["/appcast.xml"] = {.status = 301,
                                           .location = https_->url("/moved.xml").toEncoded()};
                answers["/moved.xml"] = {.body = feed(current)};
                break;
            case Feed::redirectedToHttp:
                answers["/appcast.xml"] = {
                    .status = 302, .location = https_->url("/appcast.xml", "http").toEncoded()};
                break;
            case Feed::malformed:
                answers["/appcast.xml"] = {.body =
                                               feed(QByteArray(newer).replace("length=", "size="))};
                break;
            case Feed::documentType:
                answers["/appcast.xml"] = {
                    .body = R"(<?xml version="1.0"?><!DOCTYPE rss [<!ENTITY a "aaaa">]><rss/>)"};
                break;
            case Feed::oversized:
                answers["/appcast.xml"] = {.body = feed(QByteArray(maxAppcastBytes, ' '))};
                break;
            case Feed::missing:
                break;
            case Feed::none:
                return {};
        }
        QByteArray body = release_;
        bool announce = true;
        switch (fileKind) {
            case File::good:
                break;
            case File::badSignature:
                body[1000] = body[1000] ^ 1;
                break;
            case File::shortUnannounced:
                body.chop(1);
                announce = false;
                break;
            case File::longUnannounced:
                body += "tail";
                announce = false;
                break;
        }
        answers["/Nabbit-0.10.0.tar.gz"] = {.body = body, .announceLength = announce};
        return https_->url("/appcast.xml");
    }

    UpdateSettings settingsFor(const QUrl& feedUrl, bool trustServer = true) const {
        UpdateSettings settings;
        settings.feedUrl = feedUrl;
        settings.publicKey = signer_.publicKey().toBase64();
        settings.currentVersion = "0.9.0";
        if (trustServer) {
            settings.sslConfiguration.setCaCertificates({tls_.localCertificate()});
        }
        return settings;
    }

    QSslConfiguration tls_;
    std::unique_ptr<Server> https_;
    Signer signer_;
    QByteArray release_;
};

class UpdateCheckTest : public ServedUpdates, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(UpdateCheckTest, ReportsTheOutcomeInItsDialog) {
    const CheckCase& c = GetParam();
    UpdateController controller(settingsFor(serve(c.feed, c.file), c.trustServer));
    controller.setAutomaticallyDownloadsUpdates(c.offerAnswer == nullptr);
    QSignalSpy finished(&controller, &UpdateController::checkFinished);

    controller.checkForUpdates();
    if (c.offerAnswer != nullptr) {
        QMessageBox* box = waitForBox(offered);
        ASSERT_NE(box, nullptr) << "no offer";
        ASSERT_TRUE(press(box, c.offerAnswer));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 15'000));
    QMessageBox* box = waitForBox(c.text, 2000);
    ASSERT_NE(box, nullptr) << "shown instead: "
                            << (shownBox() ? shownBox()->text().toStdString() : "nothing");
    EXPECT_TRUE(box->informativeText().contains(c.detail)) << box->informativeText().toStdString();
    ASSERT_TRUE(press(box, "OK"));
    EXPECT_TRUE(QTest::qWaitFor([] { return shownBox() == nullptr; }, 2000));

    // Releases go to the cache folder of the test's home; only a verified one stays.
    const QString folder = controller.downloadDirectory();
    EXPECT_TRUE(folder.startsWith(QString::fromStdString((test::testHome() / ".cache/").string())));
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    if (c.fileKept) {
        ASSERT_EQ(files, QStringList{"Nabbit-0.10.0.tar.gz"});
        EXPECT_EQ(test::readFile((folder + "/Nabbit-0.10.0.tar.gz").toStdString()),
                  release_.toStdString());
    } else {
        EXPECT_TRUE(files.isEmpty()) << files.join(", ").toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Updates, UpdateCheckTest, ::testing::ValuesIn(checkCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Scheduled checks ------------------------------------------------------------------------

struct ScheduleCase {
    const char* name;
    std::optional<int> hoursSinceLastCheck;
    Feed feed;
    bool checks;
    const char* dialog = nullptr;  // shown by the check and answered "Later"
};

const ScheduleCase scheduleCases[] = {
    {"checked_a_day_ago_up_to_date_is_silent", 25, Feed::upToDate, true},
    {"checked_an_hour_ago_waits", 1, Feed::upToDate, false},
    {"newer_version_is_offered", std::nullopt, Feed::newer, true, offered},
    {"failure_is_only_logged", std::nullopt, Feed::malformed, true},
};

class ScheduledCheckTest : public ServedUpdates,
                           public ::testing::WithParamInterface<ScheduleCase> {};

TEST_P(ScheduledCheckTest, ChecksDailyAndSpeaksOnlyWithSomethingToOffer) {
    const ScheduleCase& c = GetParam();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    PreferencesStore preferences;
    if (c.hoursSinceLastCheck) {
        preferences.setInteger(updaterKeys::lastUpdateCheckTime,
                               now - *c.hoursSinceLastCheck * 3600);
    } else {
        preferences.remove(updaterKeys::lastUpdateCheckTime);
    }
    UpdateSettings settings = settingsFor(serve(c.feed, File::good));
    settings.launchCheckDelay = std::chrono::milliseconds(100);
    UpdateController controller(settings);
    controller.setAutomaticallyDownloadsUpdates(false);
    QSignalSpy finished(&controller, &UpdateController::checkFinished);

    controller.startScheduledChecks();
    if (!c.checks) {
        QTest::qWait(1000);
        EXPECT_TRUE(https_->requests.isEmpty());
        EXPECT_EQ(finished.count(), 0);
        return;
    }
    if (c.dialog != nullptr) {
        QMessageBox* box = waitForBox(c.dialog);
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(press(box, "Later"));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 15'000));
    EXPECT_EQ(shownBox(), nullptr);
    const auto last = controller.lastCheckTime();
    ASSERT_TRUE(last.has_value());
    EXPECT_NEAR(last->toSecsSinceEpoch(), now, 5);
    // The next check is a day away, not another one now.
    QTest::qWait(500);
    EXPECT_EQ(https_->requests, QStringList{"/appcast.xml"});
}

INSTANTIATE_TEST_SUITE_P(Updates, ScheduledCheckTest, ::testing::ValuesIn(scheduleCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nabbit
