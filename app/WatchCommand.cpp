#include "app/WatchCommand.h"

#include <filesystem>
#include <memory>
#include <ostream>

#include <QCoreApplication>

#include <nlohmann/json.hpp>

#include "app/QuitOnSignals.h"
#include "core/AppStateManager.h"
#include "core/DebugLogger.h"
#include "core/FullDiskAccess.h"
#include "core/Paths.h"
#include "core/SystemLog.h"
#include "parser/SimpleOTPParser.h"
#include "platform/NotificationMonitor.h"
#include "sources/imessage/MessageManager.h"
#include "sources/mail/EmailManager.h"
#include "sources/notifications/NotificationManager.h"

namespace nabbit {

namespace {

// Prints the entries a list gains; a list that shrinks was emptied by a resync.
class EntryPrinter {
  public:
    EntryPrinter(std::string source, std::ostream& out) : source_(std::move(source)), out_(out) {}

    void operator()(const CodeEntries& entries) {
        if (entries.size() < printed_) {
            printed_ = 0;
        }
        for (; printed_ < entries.size(); ++printed_) {
            out_ << WatchCommand::jsonLine(source_, entries[printed_]) << std::endl;
        }
    }

  private:
    std::string source_;
    std::ostream& out_;
    std::size_t printed_ = 0;
};

nlohmann::ordered_json optionalText(const std::optional<std::string>& text) {
    return text ? nlohmann::ordered_json(*text) : nlohmann::ordered_json(nullptr);
}

}  // namespace

std::string_view WatchCommand::usage() {
    return "usage: nabbit watch [--mail] [--notifications] [--verbose]\n"
           "  Watches the Messages database and prints each new code as one JSON line:\n"
           "  {\"source\":\"imessage\",\"rowId\":…,\"guid\":\"…\",\"handle\":\"…\",\"group\":…,"
           "\"fromMe\":…,\"code\":\"…\",\"service\":…}\n"
           "  --mail     watch Mail's envelope database too (also when the preference\n"
           "             com.nabbit.app.emailDetectionEnabled is true); its lines say "
           "\"source\":\"mail\"\n"
           "  --notifications\n"
           "             read the desktop's notifications too (also when the preference\n"
           "             com.nabbit.app.notificationDetectionEnabled is true or absent); their\n"
           "             lines say \"source\":\"notification\"\n"
           "  --verbose  also show the debug log's entries (when debug logging is on) and the\n"
           "             lines of each permission check on standard error\n"
           "  Standard output carries only the entries; everything else goes to standard error.\n"
           "  Runs until interrupted (SIGINT or SIGTERM).\n";
}

std::string WatchCommand::jsonLine(std::string_view source, const CodeEntry& entry) {
    nlohmann::ordered_json line;
    line["source"] = source;
    line["rowId"] = entry.message.rowId;
    line["guid"] = entry.message.guid;
    line["handle"] = entry.message.handle;
    line["group"] = optionalText(entry.message.group);
    line["fromMe"] = entry.message.fromMe;
    line["code"] = entry.otp.code;
    line["service"] = optionalText(entry.otp.service);
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

int WatchCommand::run(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err) const {
    bool mail = false;
    bool notifications = false;
    bool verbose = false;
    for (const auto& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            out << usage();
            return 0;
        }
        if (argument == "--mail") {
            mail = true;
            continue;
        }
        if (argument == "--notifications") {
            notifications = true;
            continue;
        }
        if (argument == "--verbose") {
            verbose = true;
            continue;
        }
        err << "nabbit watch: unknown argument '" << argument << "'\n" << usage();
        return 2;
    }
    mail = mail || AppStateManager::shared().emailDetectionEnabled();
    notifications = notifications || AppStateManager::shared().notificationDetectionEnabled();

    // Standard output is for entries only. Every other line goes to standard error, each in
    // one write, so that lines of the debug log's thread never land inside another line. The
    // debug log's entries hold message texts: echoed only when asked for.
    DebugLogger::shared().setConsoleEcho(verbose ? DebugLogger::ConsoleEcho::standardError
                                                 : DebugLogger::ConsoleEcho::none);
    setSystemLogEchoesDebugLines(verbose);
    auto say = [&err](const std::string& line) { err << (line + "\n") << std::flush; };

    QuitOnSignals quitOnSignals;
    auto parser = std::make_shared<const SimpleOTPParser>();
    MessageManager messages(parser, {}, say);
    // A sync of large rows takes seconds: a quit ends it between two rows.
    auto quitRequested = [&quitOnSignals] { return quitOnSignals.quitRequested(); };
    messages.setStopCheck(quitRequested);

    const auto database = paths::messagesDatabase();
    switch (checkFullDiskAccess()) {
        case FullDiskAccess::granted:
            break;
        case FullDiskAccess::denied:
            say("nabbit watch: cannot read " + database.string());
            break;
        case FullDiskAccess::missing:
            say("nabbit watch: no Messages database at " + database.string());
            break;
    }

    EntryPrinter printer("imessage", out);
    auto subscription = messages.messages().subscribe(&messages, std::ref(printer));
    messages.initializeLastProcessedRowId();
    messages.syncMessages();
    messages.startWALMonitoring();
    say("nabbit watch: watching " + database.string());

    // The mail source gets a parser of its own, as when the user switches it on later.
    std::unique_ptr<EmailManager> email;
    EntryPrinter mailPrinter("mail", out);
    CodeEntryList::Subscription mailSubscription;
    if (mail) {
        email = std::make_unique<EmailManager>(std::make_shared<const SimpleOTPParser>(),
                                               EmailManager::AccessCheck{}, say);
        email->setStopCheck(quitRequested);
        mailSubscription = email->messages().subscribe(email.get(), std::ref(mailPrinter));
        email->start();
        if (email->envelopeIndexPath()) {
            say("nabbit watch: watching " + email->envelopeIndexPath()->string());
        } else {
            say("nabbit watch: no Mail envelope database under " + paths::mailDirectory().string());
        }
    }

    std::unique_ptr<NotificationManager> notificationSource;
    EntryPrinter notificationPrinter("notification", out);
    CodeEntryList::Subscription notificationSubscription;
    if (notifications) {
        notificationSource = std::make_unique<NotificationManager>(
            std::make_shared<const SimpleOTPParser>(),
            makeNotificationMonitor_ ? makeNotificationMonitor_() : nullptr, say);
        notificationSubscription = notificationSource->messages().subscribe(
            notificationSource.get(), std::ref(notificationPrinter));
        notificationSource->start();
        if (notificationSource->state() == NotificationManager::State::monitoring) {
            say("nabbit watch: watching desktop notifications");
        } else {
            say("nabbit watch: desktop notifications cannot be read (" +
                notificationSource->unavailableReason() + ")");
        }
    }

    QCoreApplication::exec();
    return 0;
}

}  // namespace nabbit
