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
#include "app/UpdateSignature.h"
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

// An HTTP/1.1 server of fixed answers, over TLS or plain.
class Server {
  public:
    struct Answer {
        int status = 200;
        QByteArray body = {};
        QByteArray location = {};
        bool announceLength = true;
    };

    explicit Server(std::optional<QSslConfiguration> tls) {
        if (tls) {
            auto ssl = std::make_unique<QSslServer>();
            ssl->setSslConfiguration(*tls);
            server_ = std::move(ssl);
        } else {
            server_ = std::make_unique<QTcpServer>();
        }
        server_->listen(QHostAddress::LocalHost);
        QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable, server_.get(),
                         [this] {
                             while (QTcpSocket* socket = server_->nextPendingConnection()) {
                                 accept(socket);
                             }
                         });
        scheme_ = tls ? "https" : "http";
    }

    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                        .arg(scheme_)
                        .arg(server_->serverPort())
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

    std::unique_ptr<QTcpServer> server_;
    QString scheme_;
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
    missing,
    unreachable,
    none
};
enum class File {
    good,
    badSignature,
    shortAnnounced,
    shortUnannounced,
    longUnannounced,
    redirectedToHttp
};

struct Step {
    const char* dialog;
    const char* button;
};

struct CheckCase {
    const char* name;
    Feed feed;
    File file = File::good;
    bool autoDownload = true;
    bool trustServer = true;
    std::vector<Step> steps = {};
    const char* text = nullptr;  // the dialog left open at the end; none when null
    const char* detail = "";     // part of its informative text
    bool fileKept = false;
};

const char* const downloaded = "Nabbit 0.2.0 has been downloaded";
const char* const cannotCheck = "Nabbit couldn't check for updates";
const char* const cannotDownload = "The update couldn't be downloaded";
const char* const refused = "The downloaded update was refused";
const char* const offered = "A new version of Nabbit is available";

const CheckCase checkCases[] = {
    {.name = "up_to_date",
     .feed = Feed::upToDate,
     .text = "You're up to date",
     .detail = "Nabbit 0.1.0 is the newest version available."},
    {.name = "newer_downloaded_automatically",
     .feed = Feed::newer,
     .text = downloaded,
     .detail = "Its length and signature have been verified.",
     .fileKept = true},
    {.name = "newer_offered_then_downloaded",
     .feed = Feed::newer,
     .autoDownload = false,
     .steps = {{offered, "Download"}},
     .text = downloaded,
     .fileKept = true},
    {.name = "newer_offered_and_put_off",
     .feed = Feed::newer,
     .autoDownload = false,
     .steps = {{offered, "Later"}}},
    {.name = "bad_signature",
     .feed = Feed::newer,
     .file = File::badSignature,
     .text = refused,
     .detail = "signature does not match"},
    {.name = "shorter_than_announced",
     .feed = Feed::newer,
     .file = File::shortAnnounced,
     .text = refused,
     .detail = "but the update feed announced 300000 bytes"},
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
    {.name = "file_redirected_to_http",
     .feed = Feed::newer,
     .file = File::redirectedToHttp,
     .text = cannotDownload,
     .detail = "which is not an HTTPS address"},
    {.name = "feed_redirected_over_https",
     .feed = Feed::redirectedOverHttps,
     .text = "You're up to date"},
    {.name = "feed_redirected_to_http",
     .feed = Feed::redirectedToHttp,
     .text = cannotCheck,
     .detail = "which is not an HTTPS address"},
    {.name = "malformed_feed",
     .feed = Feed::malformed,
     .text = cannotCheck,
     .detail = "The update feed can't be used: item 1's enclosure has no length."},
    {.name = "feed_not_found",
     .feed = Feed::missing,
     .text = cannotCheck,
     .detail = "answered 404"},
    {.name = "no_server",
     .feed = Feed::unreachable,
     .text = cannotCheck,
     .detail = "could not be reached"},
    {.name = "untrusted_certificate",
     .feed = Feed::upToDate,
     .trustServer = false,
     .text = cannotCheck,
     .detail = "could not be reached"},
    {.name = "no_feed_configured", .feed = Feed::none, .text = "No update source is configured"},
};

// A feed server over HTTPS, a plain HTTP server that must never be asked, and a signed release.
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
        const QUrl fileUrl = https_->url("/Nabbit-0.2.0.tar.gz");
        const QByteArray older = item("0.0.9", https_->url("/old.tar.gz"), 1, signer_.sign("x"));
        const QByteArray current = item("0.1.0", fileUrl, release_.size(), signer_.sign(release_));
        const QByteArray newer = item("0.2.0", fileUrl, release_.size(), signer_.sign(release_));
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
                answers["/appcast.xml"] = {.status = 302,
                                           .location = http_.url("/appcast.xml").toEncoded()};
                break;
            case Feed::malformed:
                answers["/appcast.xml"] = {.body =
                                               feed(QByteArray(newer).replace("length=", "size="))};
                break;
            case Feed::missing:
                break;
            case Feed::unreachable: {
                QTcpServer closed;
                closed.listen(QHostAddress::LocalHost);
                return QUrl(
                    QStringLiteral("https://127.0.0.1:%1/appcast.xml").arg(closed.serverPort()));
            }
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
            case File::shortAnnounced:
                body.chop(1);
                break;
            case File::shortUnannounced:
                body.chop(1);
                announce = false;
                break;
            case File::longUnannounced:
                body += "tail";
                announce = false;
                break;
            case File::redirectedToHttp:
                answers["/Nabbit-0.2.0.tar.gz"] = {.status = 302,
                                                   .location = http_.url("/x.tar.gz").toEncoded()};
                return https_->url("/appcast.xml");
        }
        answers["/Nabbit-0.2.0.tar.gz"] = {.body = body, .announceLength = announce};
        return https_->url("/appcast.xml");
    }

    UpdateSettings settingsFor(const QUrl& feedUrl, bool trustServer = true) const {
        UpdateSettings settings;
        settings.feedUrl = feedUrl;
        settings.publicKey = signer_.publicKey().toBase64();
        settings.currentVersion = "0.1.0";
        if (trustServer) {
            settings.sslConfiguration.setCaCertificates({tls_.localCertificate()});
        }
        return settings;
    }

    QSslConfiguration tls_;
    std::unique_ptr<Server> https_;
    Server http_{std::nullopt};
    Signer signer_;
    QByteArray release_;
};

class UpdateCheckTest : public ServedUpdates, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(UpdateCheckTest, ReportsTheOutcomeInItsDialog) {
    const CheckCase& c = GetParam();
    UpdateController controller(settingsFor(serve(c.feed, c.file), c.trustServer));
    controller.setAutomaticallyDownloadsUpdates(c.autoDownload);
    QSignalSpy finished(&controller, &UpdateController::checkFinished);

    controller.checkForUpdates();
    for (const Step& step : c.steps) {
        QMessageBox* box = waitForBox(step.dialog);
        ASSERT_NE(box, nullptr) << "no dialog \"" << step.dialog << "\"";
        ASSERT_TRUE(press(box, step.button));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 15'000));
    if (c.text != nullptr) {
        QMessageBox* box = waitForBox(c.text, 2000);
        ASSERT_NE(box, nullptr) << "shown instead: "
                                << (shownBox() ? shownBox()->text().toStdString() : "nothing");
        EXPECT_TRUE(box->informativeText().contains(c.detail))
            << box->informativeText().toStdString();
        ASSERT_TRUE(press(box, "OK"));
        EXPECT_TRUE(QTest::qWaitFor([] { return shownBox() == nullptr; }, 2000));
    } else {
        EXPECT_EQ(shownBox(), nullptr);
    }

    // Releases go to the cache folder of the test's home; only a verified one stays.
    const QString folder = controller.downloadDirectory();
    EXPECT_TRUE(folder.startsWith(QString::fromStdString((test::testHome() / ".cache/").string())));
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    if (c.fileKept) {
        ASSERT_EQ(files, QStringList{"Nabbit-0.2.0.tar.gz"});
        EXPECT_EQ(test::readFile((folder + "/Nabbit-0.2.0.tar.gz").toStdString()),
                  release_.toStdString());
    } else {
        EXPECT_TRUE(files.isEmpty()) << files.join(", ").toStdString();
    }
    if (c.file == File::badSignature) {
        EXPECT_TRUE(https_->requests.contains("/Nabbit-0.2.0.tar.gz"));  // fetched, then deleted
    }
    EXPECT_TRUE(http_.requests.isEmpty()) << "a request went out over plain HTTP";
    EXPECT_FALSE(controller.isBusy());
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
    {"never_checked_up_to_date_is_silent", std::nullopt, Feed::upToDate, true},
    {"checked_a_day_ago", 25, Feed::upToDate, true},
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

// --- The feed, versions and signatures --------------------------------------------------------

const QByteArray goodSignature = QByteArray(64, 's').toBase64();

QByteArray enclosure(const char* attributes) {
    return QByteArray(
               "<enclosure url=\"https://example.org/n.tar.gz\" length=\"10\" "
               "sparkle:edSignature=\"") +
           goodSignature + "\" " + attributes + "/>";
}

// A feed of one valid release, with `from` replaced by `to`.
QByteArray validFeedWith(const QByteArray& from, const QByteArray& to) {
    return feed(
        QByteArray("<item>" + enclosure(R"(sparkle:version="2")") + "</item>").replace(from, to));
}

struct FeedCase {
    const char* name;
    QByteArray document;
    const char* newest;  // its display version, or null for a feed without items
    const char* error = nullptr;
};

const FeedCase feedCases[] = {
    {"numeric_order",
     feed("<item><sparkle:version>1.10.0</sparkle:version>" + enclosure("") + "</item><item>" +
          enclosure(R"(sparkle:version="1.9.3")") + "</item>"),
     "1.10.0"},
    {"short_version_shown",
     feed("<item>" + enclosure(R"x(sparkle:version="7" sparkle:shortVersionString="2.1 (7)")x") +
          "</item>"),
     "2.1 (7)"},
    {"markup_in_short_version_not_shown",
     feed("<item><sparkle:shortVersionString>&lt;b&gt;2&lt;/b&gt;</sparkle:shortVersionString>" +
          enclosure(R"(sparkle:version="2")") + "</item>"),
     "2"},
    {"empty_channel", feed(""), nullptr},
    {"versions_disagree",
     feed("<item><sparkle:version>2</sparkle:version>" + enclosure(R"(sparkle:version="3")") +
          "</item>"),
     nullptr, "item 1 gives two different versions"},
    {"no_version", feed("<item>" + enclosure("") + "</item>"), nullptr,
     "item 1 has no sparkle:version"},
    {"version_in_another_namespace",
     feed(R"(<item><v:version xmlns:v="urn:other">2</v:version>)" + enclosure("") + "</item>"),
     nullptr, "item 1 has no sparkle:version"},
    {"bad_version", feed("<item>" + enclosure(R"(sparkle:version="2.0-beta")") + "</item>"),
     nullptr, "item 1's version is not a dotted number"},
    {"no_enclosure", feed("<item><sparkle:version>2</sparkle:version></item>"), nullptr,
     "item 1 has no enclosure"},
    {"two_enclosures",
     feed("<item>" + enclosure(R"(sparkle:version="2")") + enclosure(R"(sparkle:version="2")") +
          "</item>"),
     nullptr, "item 1 has several enclosures"},
    {"http_url", validFeedWith("https:", "http:"), nullptr,
     "item 1's enclosure url is not an HTTPS address"},
    {"zero_length", validFeedWith("\"10\"", "\"0\""), nullptr,
     "item 1's enclosure length is not a size"},
    {"signature_too_short", validFeedWith(goodSignature, QByteArray(63, 's').toBase64()), nullptr,
     "item 1's sparkle:edSignature is not a base64 Ed25519 signature"},
    {"document_type", R"(<?xml version="1.0"?><!DOCTYPE rss [<!ENTITY a "aaaa">]><rss/>)", nullptr,
     "it declares a document type"},
    {"not_rss", "<feed/>", nullptr, "it is not an RSS document"},
    {"no_channel", "<rss version=\"2.0\"/>", nullptr, "it has no channel"},
    {"undeclared_prefix",
     "<rss><channel><item><sparkle:version>2</sparkle:version></item>"
     "</channel></rss>",
     nullptr, "it is not well-formed XML"},
    {"truncated", feed("<item>").left(200), nullptr, "it is not well-formed XML"},
    {"oversized", feed(QByteArray(maxAppcastBytes, ' ')), nullptr, "it is larger than"},
};

class FeedTest : public ::testing::TestWithParam<FeedCase> {};

TEST_P(FeedTest, ReadsTheNewestReleaseOrSaysWhatIsWrong) {
    const FeedCase& c = GetParam();
    const auto appcast = parseAppcast(c.document);
    if (c.error != nullptr) {
        ASSERT_FALSE(appcast.has_value());
        EXPECT_TRUE(appcast.error().startsWith(c.error)) << appcast.error().toStdString();
        return;
    }
    ASSERT_TRUE(appcast.has_value()) << appcast.error().toStdString();
    const AppcastItem* newest = appcast->newest();
    if (c.newest == nullptr) {
        EXPECT_EQ(newest, nullptr);
        return;
    }
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->displayVersion, c.newest);
    EXPECT_EQ(newest->url, QUrl("https://example.org/n.tar.gz"));
    EXPECT_EQ(newest->length, 10);
    EXPECT_EQ(newest->signature, QByteArray(64, 's'));
}

INSTANTIATE_TEST_SUITE_P(Updates, FeedTest, ::testing::ValuesIn(feedCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VersionsAndSignatures, VersionsCompareNumericallySignaturesOnlyFromTheKey) {
    const std::pair<const char*, const char*> ascending[] = {
        {"1.9", "1.10"}, {"0.1.0", "0.1.1"}, {"1.99.99", "2"}, {"2", "2.0.1"}, {"9", "10"}};
    for (const auto& [lower, higher] : ascending) {
        EXPECT_LT(*Version::parse(QString(lower)), *Version::parse(QString(higher))) << lower;
    }
    EXPECT_EQ(*Version::parse(u"1.2"), *Version::parse(u"1.2.0.0"));
    EXPECT_EQ(*Version::parse(u"01.2"), *Version::parse(u"1.2"));
    for (const char* bad : {"", "1.", ".1", "1..2", "v1", "1.2-beta", " 1", "-1",
                            "1.2.3.4.5.6.7.8.9", "1234567890", "٣"}) {
        EXPECT_FALSE(Version::parse(QString::fromUtf8(bad)).has_value()) << bad;
    }

    // A signature is accepted only from the key and over the same bytes.
    const Signer signer, other;
    const QByteArray data = "release bytes";
    const auto key = UpdateSigningKey::fromText(signer.publicKey().toBase64());
    ASSERT_TRUE(key.has_value());
    EXPECT_TRUE(key->verify(data, signer.sign(data)));
    EXPECT_TRUE(UpdateSigningKey::fromText(signer.publicKey())->verify(data, signer.sign(data)));
    EXPECT_TRUE(UpdateSigningKey::fromText(" " + signer.publicKey().toBase64() + "\n")
                    ->verify(data, signer.sign(data)));
    EXPECT_FALSE(key->verify("release bytez", signer.sign(data)));
    EXPECT_FALSE(key->verify(data, other.sign(data)));
    EXPECT_FALSE(key->verify(data, signer.sign(data).left(63)));
    for (const QByteArray& bad : {QByteArray(), QByteArray(31, 'k'), QByteArray(33, 'k'),
                                  QByteArray(31, 'k').toBase64(), QByteArray("not base64!")}) {
        EXPECT_FALSE(UpdateSigningKey::fromText(bad).has_value()) << bad.toStdString();
    }
}

}  // namespace
}  // namespace nabbit
