#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <QDateTime>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QString>
#include <QTimer>
#include <QUrl>

#include "app/Appcast.h"
#include "app/UpdateSignature.h"
#include "core/PreferencesStore.h"

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QThread;

namespace nabbit {

struct UpdateSettings {
    // The appcast's HTTPS address; empty when the build names no update source.
    QUrl feedUrl;
    // The Ed25519 public key releases are signed with: 32 raw bytes or their base64.
    QByteArray publicKey;
    // The running program's version, a dotted number ("0.1.0").
    QString currentVersion;
    // TLS settings of every request: the system's trusted certificates by default.
    QSslConfiguration sslConfiguration = QSslConfiguration::defaultConfiguration();
    // Where releases are downloaded to; empty means the cache location's "updates" folder.
    QString downloadDirectory;
    // How long after the start a due scheduled check waits, so that it never slows the start.
    std::chrono::milliseconds launchCheckDelay = std::chrono::minutes(1);
    // Shows a downloaded file in the file manager; without it the dialog offers no such button.
    std::function<void(const QString& file)> revealFile;

    // The feed and key this build was configured with (NABBIT_UPDATE_FEED_URL and
    // NABBIT_UPDATE_PUBLIC_KEY), both empty by default.
    static UpdateSettings fromBuildConfiguration(QString currentVersion);
};

// The preferences of the updater itself, kept apart from the application's own names.
namespace updaterKeys {
inline constexpr std::string_view automaticallyDownloadsUpdates =
    "updater.automaticallyDownloadsUpdates";
inline constexpr std::string_view lastUpdateCheckTime = "updater.lastUpdateCheckTime";
}  // namespace updaterKeys

// Checks the appcast for a newer release and fetches it. A check the user asks for reports
// every outcome in its own dialog; scheduled checks, daily from the start, stay silent unless
// there is a release to offer. A release is downloaded into the download folder only over
// HTTPS, and kept only when its length and Ed25519 signature match the feed; a file that fails
// is deleted. Every failure is logged to the system log. Runs on the main thread and never
// blocks it: requests are asynchronous and the signature is checked on a worker thread.
class UpdateController : public QObject {
    Q_OBJECT

  public:
    explicit UpdateController(UpdateSettings settings, QObject* parent = nullptr);
    ~UpdateController() override;

    // Starts the daily checks: the first one launchCheckDelay from now when the last check is
    // a day old or more (or there was none), else when that day is over; then every 24 hours.
    void startScheduledChecks();

    // A check the user asked for ("Check for Updates…", "Check Now"). During a check under way
    // (a scheduled one, say) this shows that check's dialog instead.
    void checkForUpdates();

    // Whether a newer release is downloaded without asking first; off until the user turns it
    // on. Kept in the preferences file.
    bool automaticallyDownloadsUpdates() const;
    void setAutomaticallyDownloadsUpdates(bool enabled);

    // When the last check ended; absent when there has been none.
    std::optional<QDateTime> lastCheckTime() const;
    // Whether a check or a download is under way.
    bool isBusy() const { return stage_ != Stage::idle; }
    QString downloadDirectory() const;

  signals:
    // A check (with its download, when there was one) has ended, whatever its outcome.
    void checkFinished();

  private:
    enum class Stage { idle, checking, offering, downloading, verifying };
    // Why a request must stop: the dialog's text and its detail.
    struct Problem {
        QString summary;
        QString detail;
    };
    struct Button {
        QString text;
        QMessageBox::ButtonRole role;
        std::function<void()> action;
    };

    void beginCheck(bool interactive);
    QNetworkReply* get(const QUrl& url);
    void abortReply(QString summary, QString detail);
    // Settles a finished request; false when it was stale, cancelled or failed (handled here).
    bool settleReply(QNetworkReply* reply, const QString& cancelledLine,
                     const QString& failureSummary);
    void feedFinished(QNetworkReply* reply);
    void offer();
    void beginDownload();
    std::optional<Problem> appendDownloadedData(QNetworkReply& reply);
    QString networkFailure(QNetworkReply& reply) const;
    void downloadFinished(QNetworkReply* reply);
    void verified(bool valid);
    void cancel();
    void fail(const QString& summary, const QString& detail);
    void finish();
    void discardDownload();
    void scheduleNextCheck();
    void scheduledCheckDue();
    void showStage();
    void showProgress();
    void present(QMessageBox::Icon icon, const QString& text, const QString& detail,
                 std::vector<Button> buttons);
    void dialogFinished();

    UpdateSettings settings_;
    std::optional<UpdateSigningKey> key_;
    std::optional<Version> currentVersion_;
    PreferencesStore preferences_;
    QNetworkAccessManager* network_;  // a child
    QPointer<QNetworkReply> reply_;
    // Why we stopped the current request ourselves; empty while it runs on.
    QString abortSummary_;
    QString abortDetail_;
    bool cancelled_ = false;

    Stage stage_ = Stage::idle;
    // Whether the user follows this check: only then are its progress and failures shown.
    bool interactive_ = false;
    bool scheduled_ = false;
    QTimer scheduleTimer_;

    std::optional<AppcastItem> release_;
    std::unique_ptr<QFile> partialFile_;
    QString finalPath_;
    qint64 received_ = 0;
    bool receiving_ = false;
    int shownPercent_ = -1;
    std::unique_ptr<QThread> verifier_;

    std::unique_ptr<QMessageBox> dialog_;
    std::vector<Button> dialogButtons_;
    std::vector<QAbstractButton*> dialogButtonWidgets_;
};

}  // namespace nabbit
