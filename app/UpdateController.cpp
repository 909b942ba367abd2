#include "app/UpdateController.h"

#include <algorithm>
#include <atomic>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>

#include "core/SystemLog.h"

#ifndef NABBIT_UPDATE_FEED_URL
#define NABBIT_UPDATE_FEED_URL ""
#endif
#ifndef NABBIT_UPDATE_PUBLIC_KEY
#define NABBIT_UPDATE_PUBLIC_KEY ""
#endif

namespace nabbit {

namespace {

using std::chrono::milliseconds;

constexpr auto checkInterval = std::chrono::hours(24);
// The schedule is looked at again at least hourly: a timer alone would drift over a suspend.
constexpr auto longestWait = std::chrono::hours(1);
constexpr int transferTimeoutMs = 30'000;
constexpr int maxRedirects = 5;
constexpr qint64 downloadBufferBytes = 1024 * 1024;

const QString dialogTitle = QStringLiteral("Nabbit Update");
const QString cannotCheck = QStringLiteral("Nabbit couldn't check for updates");
const QString cannotDownload = QStringLiteral("The update couldn't be downloaded");
const QString refused = QStringLiteral("The downloaded update was refused");

void logLine(const QString& line) {
    systemLog(QStringLiteral("[Nabbit] %1").arg(line).toStdString());
}

QString size(qint64 bytes) {
    return QLocale().formattedDataSize(bytes);
}

// The file's name from its address, reduced to characters that are safe in any folder.
QString fileNameFor(const AppcastItem& release) {
    QString name = release.url.fileName().left(100);
    for (QChar& c : name) {
        const bool safe = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                          (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'_' ||
                          c == u'+';
        if (!safe) {
            c = u'_';
        }
    }
    while (name.startsWith(u'.')) {
        name.remove(0, 1);
    }
    return name.isEmpty() ? QStringLiteral("Nabbit-%1").arg(release.version.text()) : name;
}

QString lengthMismatch(qint64 actual, qint64 announced) {
    return QStringLiteral(
               "The file is %1 bytes long, but the update feed announced %2 bytes, so "
               "it has been deleted.")
        .arg(actual)
        .arg(announced);
}

}  // namespace

UpdateSettings UpdateSettings::fromBuildConfiguration(QString currentVersion) {
    UpdateSettings settings;
    settings.feedUrl = QUrl(QStringLiteral(NABBIT_UPDATE_FEED_URL), QUrl::StrictMode);
    settings.publicKey = QByteArrayLiteral(NABBIT_UPDATE_PUBLIC_KEY);
    settings.currentVersion = std::move(currentVersion);
    return settings;
}

UpdateController::UpdateController(UpdateSettings settings, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      key_(UpdateSigningKey::fromText(settings_.publicKey)),
      currentVersion_(Version::parse(settings_.currentVersion)),
      network_(new QNetworkAccessManager(this)) {
    scheduleTimer_.setSingleShot(true);
    connect(&scheduleTimer_, &QTimer::timeout, this, &UpdateController::scheduledCheckDue);
}

UpdateController::~UpdateController() {
    scheduleTimer_.stop();
    if (dialog_) {
        dialog_->disconnect(this);
    }
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
    if (verifier_) {
        verifier_->wait();
    }
    discardDownload();
}

bool UpdateController::automaticallyDownloadsUpdates() const {
    return preferences_.boolValue(updaterKeys::automaticallyDownloadsUpdates).value_or(false);
}

void UpdateController::setAutomaticallyDownloadsUpdates(bool enabled) {
    preferences_.setBool(updaterKeys::automaticallyDownloadsUpdates, enabled);
}

std::optional<QDateTime> UpdateController::lastCheckTime() const {
    const auto seconds = preferences_.integerValue(updaterKeys::lastUpdateCheckTime);
    if (!seconds) {
        return std::nullopt;
    }
    return QDateTime::fromSecsSinceEpoch(*seconds);
}

QString UpdateController::downloadDirectory() const {
    if (!settings_.downloadDirectory.isEmpty()) {
        return settings_.downloadDirectory;
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return cache.isEmpty() ? QString() : QDir(cache).filePath(QStringLiteral("updates"));
}

// Scheduling

void UpdateController::startScheduledChecks() {
    if (settings_.feedUrl.isEmpty()) {
        logLine(QStringLiteral("No update source is configured; updates are not checked"));
        return;
    }
    scheduled_ = true;
    scheduleNextCheck();
}

void UpdateController::scheduleNextCheck() {
    if (!scheduled_ || stage_ != Stage::idle) {
        return;
    }
    milliseconds wait = settings_.launchCheckDelay;
    if (const auto last = lastCheckTime()) {
        const milliseconds elapsed(last->msecsTo(QDateTime::currentDateTimeUtc()));
        if (elapsed >= milliseconds(0) && elapsed < checkInterval) {
            wait = std::min<milliseconds>(checkInterval - elapsed, longestWait);
        }
    }
    scheduleTimer_.start(wait);
}

void UpdateController::scheduledCheckDue() {
    if (stage_ != Stage::idle) {
        return;  // the check under way schedules the next when it ends
    }
    const auto last = lastCheckTime();
    const milliseconds elapsed =
        last ? milliseconds(last->msecsTo(QDateTime::currentDateTimeUtc())) : checkInterval;
    if (elapsed < milliseconds(0) || elapsed >= checkInterval) {
        beginCheck(false);
    } else {
        scheduleNextCheck();
    }
}

// The check

void UpdateController::checkForUpdates() {
    if (stage_ != Stage::idle) {
        interactive_ = true;
        showStage();
        return;
    }
    beginCheck(true);
}

void UpdateController::beginCheck(bool interactive) {
    scheduleTimer_.stop();
    interactive_ = interactive;
    if (settings_.feedUrl.isEmpty()) {
        logLine(QStringLiteral("Update check: no update source is configured"));
        if (interactive_) {
            present(QMessageBox::Information, QStringLiteral("No update source is configured"),
                    QStringLiteral("This copy of Nabbit was built without an update feed, so it "
                                   "cannot look for new versions."),
                    {{QStringLiteral("OK"), QMessageBox::AcceptRole, {}}});
        }
        emit checkFinished();
        return;
    }
    stage_ = Stage::checking;
    const QUrl& feed = settings_.feedUrl;
    if (!feed.isValid() || feed.scheme() != u"https" || feed.host().isEmpty()) {
        fail(cannotCheck, QStringLiteral("The update feed's address, %1, is not an HTTPS address.")
                              .arg(feed.toDisplayString()));
        return;
    }
    if (!key_) {
        fail(cannotCheck, QStringLiteral("This copy of Nabbit has no valid key to verify updates "
                                         "with."));
        return;
    }
    if (!currentVersion_) {
        fail(cannotCheck, QStringLiteral("The running version, \"%1\", is not a dotted number.")
                              .arg(settings_.currentVersion.left(40)));
        return;
    }
    logLine(QStringLiteral("Checking for updates at %1").arg(feed.toDisplayString()));
    showStage();
    QNetworkReply* reply = get(feed);
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 got, qint64 total) {
        if (reply == reply_ && (got > maxAppcastBytes || total > maxAppcastBytes)) {
            abortReply(
                cannotCheck,
                QStringLiteral("The update feed is larger than %1.").arg(size(maxAppcastBytes)));
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { feedFinished(reply); });
}

QNetworkReply* UpdateController::get(const QUrl& url) {
    QNetworkRequest request(url);
    request.setSslConfiguration(settings_.sslConfiguration);
    // Each redirect is looked at below, so that nothing is fetched over anything but HTTPS.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    request.setTransferTimeout(transferTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Nabbit/%1").arg(settings_.currentVersion));
    abortSummary_.clear();
    abortDetail_.clear();
    cancelled_ = false;
    QNetworkReply* reply = network_->get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& target) {
        if (reply != reply_) {
            return;
        }
        if (target.scheme() == u"https") {
            emit reply->redirectAllowed();
            return;
        }
        abortReply(stage_ == Stage::checking ? cannotCheck : cannotDownload,
                   QStringLiteral("The server sent the request on to %1, which is not an HTTPS "
                                  "address. Nabbit fetches updates over HTTPS only.")
                       .arg(target.toDisplayString()));
    });
    return reply;
}

void UpdateController::abortReply(QString summary, QString detail) {
    if (!reply_ || !abortSummary_.isEmpty()) {
        return;
    }
    abortSummary_ = std::move(summary);
    abortDetail_ = std::move(detail);
    reply_->abort();  // finishes the reply at once
}

QString UpdateController::networkFailure(QNetworkReply& reply) const {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400) {
        return QStringLiteral("The server %1 answered %2 %3.")
            .arg(reply.url().host())
            .arg(status.toInt())
            .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    }
    switch (reply.error()) {
        case QNetworkReply::OperationCanceledError:
            // Only the transfer timeout cancels a request that we did not stop ourselves.
            return QStringLiteral("The server %1 did not answer within %2 seconds.")
                .arg(reply.url().host())
                .arg(transferTimeoutMs / 1000);
        case QNetworkReply::InsecureRedirectError:
            return QStringLiteral(
                "The server sent the request on to a plain HTTP address. Nabbit "
                "fetches updates over HTTPS only.");
        default:
            return QStringLiteral("The server could not be reached: %1.").arg(reply.errorString());
    }
}

bool UpdateController::settleReply(QNetworkReply* reply, const QString& cancelledLine,
                                   const QString& failureSummary) {
    reply->deleteLater();
    if (reply != reply_) {
        return false;
    }
    reply_ = nullptr;
    if (cancelled_) {
        logLine(cancelledLine);
        discardDownload();
        finish();
        return false;
    }
    if (!abortSummary_.isEmpty()) {
        fail(abortSummary_, abortDetail_);
        return false;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(failureSummary, networkFailure(*reply));
        return false;
    }
    return true;
}

void UpdateController::feedFinished(QNetworkReply* reply) {
    if (!settleReply(reply, QStringLiteral("Update check cancelled"), cannotCheck)) {
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200) {
        fail(cannotCheck, QStringLiteral("The server answered %1 instead of sending the update "
                                         "feed.")
                              .arg(status));
        return;
    }
    const auto appcast = parseAppcast(reply->readAll());
    if (!appcast) {
        fail(cannotCheck,
             QStringLiteral("The update feed can't be used: %1.").arg(appcast.error()));
        return;
    }
    const AppcastItem* newest = appcast->newest();
    if (newest == nullptr) {
        fail(cannotCheck, QStringLiteral("The update feed lists no versions."));
        return;
    }
    if (newest->version <= *currentVersion_) {
        logLine(
            QStringLiteral("Update check: Nabbit %1 is up to date").arg(settings_.currentVersion));
        if (interactive_) {
            present(QMessageBox::Information, QStringLiteral("You're up to date"),
                    QStringLiteral("Nabbit %1 is the newest version available.")
                        .arg(settings_.currentVersion),
                    {{QStringLiteral("OK"), QMessageBox::AcceptRole, {}}});
        }
        finish();
        return;
    }
    release_ = *newest;
    logLine(QStringLiteral("Update check: Nabbit %1 is available (running %2)")
                .arg(release_->displayVersion, settings_.currentVersion));
    if (automaticallyDownloadsUpdates()) {
        beginDownload();
    } else {
        offer();
    }
}

void UpdateController::offer() {
    stage_ = Stage::offering;
    showStage();
}

// The download

void UpdateController::beginDownload() {
    stage_ = Stage::downloading;
    const QString folder = downloadDirectory();
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        fail(cannotDownload, QStringLiteral("The folder %1 could not be created.").arg(folder));
        return;
    }
    finalPath_ = QDir(folder).filePath(fileNameFor(*release_));
    partialFile_ = std::make_unique<QFile>(finalPath_ + QStringLiteral(".part"));
    if (!partialFile_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QString problem = QStringLiteral("%1 could not be written: %2.")
                                    .arg(partialFile_->fileName(), partialFile_->errorString());
        partialFile_.reset();
        fail(cannotDownload, problem);
        return;
    }
    received_ = 0;
    receiving_ = false;
    shownPercent_ = -1;
    logLine(QStringLiteral("Downloading Nabbit %1 from %2")
                .arg(release_->displayVersion, release_->url.toDisplayString()));
    showStage();
    QNetworkReply* reply = get(release_->url);
    reply->setReadBufferSize(downloadBufferBytes);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply != reply_) {
            return;
        }
        if (auto problem = appendDownloadedData(*reply)) {
            abortReply(std::move(problem->summary), std::move(problem->detail));
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { downloadFinished(reply); });
}

// Writes what has arrived to the partial file; says what is wrong when it must stop.
auto UpdateController::appendDownloadedData(QNetworkReply& reply) -> std::optional<Problem> {
    if (!receiving_) {
        // Only the final response of a redirect chain carries data: judge it once, up front.
        receiving_ = true;
        const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status != 200) {
            return Problem{
                cannotDownload,
                QStringLiteral("The server answered %1 instead of sending the file.").arg(status)};
        }
        const QVariant announced = reply.header(QNetworkRequest::ContentLengthHeader);
        if (announced.isValid() && announced.toLongLong() != release_->length) {
            return Problem{refused, lengthMismatch(announced.toLongLong(), release_->length)};
        }
    }
    const QByteArray chunk = reply.readAll();
    received_ += chunk.size();
    if (received_ > release_->length) {
        return Problem{refused, QStringLiteral("The file is longer than the %1 bytes the update "
                                               "feed announced, so it has been deleted.")
                                    .arg(release_->length)};
    }
    if (partialFile_->write(chunk) != chunk.size()) {
        return Problem{cannotDownload,
                       QStringLiteral("%1 could not be written: %2.")
                           .arg(partialFile_->fileName(), partialFile_->errorString())};
    }
    showProgress();
    return std::nullopt;
}

void UpdateController::downloadFinished(QNetworkReply* reply) {
    if (!settleReply(reply, QStringLiteral("Update download cancelled"), cannotDownload)) {
        return;
    }
    if (const auto problem = appendDownloadedData(*reply)) {
        fail(problem->summary, problem->detail);
        return;
    }
    if (received_ != release_->length) {
        fail(refused, lengthMismatch(received_, release_->length));
        return;
    }
    if (!partialFile_->flush()) {
        fail(cannotDownload, QStringLiteral("%1 could not be written: %2.")
                                 .arg(partialFile_->fileName(), partialFile_->errorString()));
        return;
    }
    partialFile_->close();

    stage_ = Stage::verifying;
    showStage();
    // Ed25519 reads the whole file at once; a worker thread keeps the interface responsive.
    auto valid = std::make_shared<std::atomic_bool>(false);
    verifier_.reset(QThread::create([key = *key_, path = partialFile_->fileName(),
                                     signature = release_->signature,
                                     valid] { *valid = key.verifyFile(path, signature); }));
    connect(verifier_.get(), &QThread::finished, this, [this, valid] {
        verifier_->wait();
        verifier_.reset();
        verified(*valid);
    });
    verifier_->start();
}

void UpdateController::verified(bool valid) {
    if (cancelled_) {
        logLine(QStringLiteral("Update download cancelled"));
        discardDownload();
        finish();
        return;
    }
    if (!valid) {
        fail(refused, QStringLiteral("Its signature does not match the key that Nabbit's releases "
                                     "are signed with, so the file has been deleted."));
        return;
    }
    const QString partialPath = partialFile_->fileName();
    QFile::remove(finalPath_);
    if (!QFile::rename(partialPath, finalPath_)) {
        fail(cannotDownload,
             QStringLiteral("%1 could not be renamed to %2.").arg(partialPath, finalPath_));
        return;
    }
    partialFile_.reset();
    logLine(QStringLiteral("Nabbit %1 downloaded and verified: %2")
                .arg(release_->displayVersion, finalPath_));
    // Shown even after a silent check: the user is to know that the file is there.
    std::vector<Button> buttons;
    if (settings_.revealFile) {
        buttons.push_back({QStringLiteral("Show in Folder"), QMessageBox::ActionRole,
                           [reveal = settings_.revealFile, path = finalPath_] { reveal(path); }});
    }
    buttons.push_back({QStringLiteral("OK"), QMessageBox::AcceptRole, {}});
    present(QMessageBox::Information,
            QStringLiteral("Nabbit %1 has been downloaded").arg(release_->displayVersion),
            QStringLiteral("Its length and signature have been verified. The file is at:\n%1")
                .arg(QDir::toNativeSeparators(finalPath_)),
            std::move(buttons));
    finish();
}

// Endings

void UpdateController::cancel() {
    cancelled_ = true;
    if (reply_) {
        reply_->abort();
    } else if (stage_ == Stage::offering) {
        finish();
    }
    // While verifying, the verifier's end sees the flag.
}

void UpdateController::fail(const QString& summary, const QString& detail) {
    logLine(QStringLiteral("%1: %2").arg(summary, detail));
    discardDownload();
    if (interactive_) {
        present(QMessageBox::Warning, summary, detail,
                {{QStringLiteral("OK"), QMessageBox::AcceptRole, {}}});
    }
    finish();
}

void UpdateController::finish() {
    stage_ = Stage::idle;
    interactive_ = false;
    release_.reset();
    preferences_.setInteger(updaterKeys::lastUpdateCheckTime, QDateTime::currentSecsSinceEpoch());
    scheduleNextCheck();
    emit checkFinished();
}

void UpdateController::discardDownload() {
    if (partialFile_) {
        partialFile_->close();
        partialFile_->remove();
        partialFile_.reset();
    }
}

// The dialog

void UpdateController::showStage() {
    if (!interactive_ && stage_ != Stage::offering) {
        return;
    }
    const std::vector<Button> cancelOnly = {
        {QStringLiteral("Cancel"), QMessageBox::RejectRole, [this] { cancel(); }}};
    switch (stage_) {
        case Stage::idle:
            break;
        case Stage::checking:
            present(QMessageBox::NoIcon, QStringLiteral("Checking for updates…"), {}, cancelOnly);
            break;
        case Stage::offering:
            present(QMessageBox::Information,
                    QStringLiteral("A new version of Nabbit is available"),
                    QStringLiteral("Nabbit %1 is available; you have %2. Would you like to "
                                   "download it now?")
                        .arg(release_->displayVersion, settings_.currentVersion),
                    {{QStringLiteral("Download"), QMessageBox::AcceptRole,
                      [this] {
                          interactive_ = true;
                          beginDownload();
                      }},
                     {QStringLiteral("Later"), QMessageBox::RejectRole, [this] { finish(); }}});
            break;
        case Stage::downloading:
            shownPercent_ = -1;
            present(QMessageBox::NoIcon,
                    QStringLiteral("Downloading Nabbit %1…").arg(release_->displayVersion),
                    QStringLiteral("%1 of %2").arg(size(received_), size(release_->length)),
                    cancelOnly);
            break;
        case Stage::verifying:
            present(QMessageBox::NoIcon,
                    QStringLiteral("Verifying Nabbit %1…").arg(release_->displayVersion), {},
                    cancelOnly);
            break;
    }
}

void UpdateController::showProgress() {
    if (!interactive_ || !dialog_ || stage_ != Stage::downloading) {
        return;
    }
    const int percent = static_cast<int>(received_ * 100 / release_->length);
    if (percent != shownPercent_) {
        shownPercent_ = percent;
        dialog_->setInformativeText(
            QStringLiteral("%1 of %2").arg(size(received_), size(release_->length)));
    }
}

void UpdateController::present(QMessageBox::Icon icon, const QString& text, const QString& detail,
                               std::vector<Button> buttons) {
    // A fresh box for every message: its buttons, escape button and size all start anew.
    if (dialog_) {
        dialog_->disconnect(this);
        dialog_->hide();
        dialog_.release()->deleteLater();
    }
    dialog_ = std::make_unique<QMessageBox>();
    dialog_->setWindowTitle(dialogTitle);
    dialog_->setTextFormat(Qt::PlainText);
    dialog_->setIcon(icon);
    dialog_->setText(text);
    dialog_->setInformativeText(detail);
    // Details quote the server (addresses, status lines): never let a label read them as markup.
    if (auto* label = dialog_->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        label->setTextFormat(Qt::PlainText);
    }
    dialogButtons_ = std::move(buttons);
    dialogButtonWidgets_.clear();
    QAbstractButton* escape = nullptr;
    for (const auto& button : dialogButtons_) {
        QAbstractButton* widget = dialog_->addButton(button.text, button.role);
        widget->setAccessibleName(button.text);
        dialogButtonWidgets_.push_back(widget);
        if (button.role == QMessageBox::RejectRole ||
            (escape == nullptr && button.role == QMessageBox::AcceptRole)) {
            escape = widget;
        }
        if (button.role == QMessageBox::AcceptRole) {
            dialog_->setDefaultButton(qobject_cast<QPushButton*>(widget));
        }
    }
    dialog_->setEscapeButton(escape);
    connect(dialog_.get(), &QMessageBox::finished, this, &UpdateController::dialogFinished);
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void UpdateController::dialogFinished() {
    // Closing the window counts as its escape button (Cancel, Later or OK).
    const QAbstractButton* clicked = dialog_->clickedButton();
    if (clicked == nullptr) {
        clicked = dialog_->escapeButton();
    }
    std::function<void()> action;
    for (std::size_t i = 0; i < dialogButtonWidgets_.size(); ++i) {
        if (dialogButtonWidgets_[i] == clicked) {
            action = dialogButtons_[i].action;
        }
    }
    // Run once the box has finished closing, since the action may put up the next one.
    if (action) {
        QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
    }
}

}  // namespace nabbit
