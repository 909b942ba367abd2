// nabbit-simulate: writes one message into a Messages database or one envelope into a Mail
// envelope database, the way their owning programs do, creating the database when missing.
// Prints the new row's ROWID. Used by the demo and by tests.

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/nabbit-simulate/ChatDatabaseWriter.h"
#include "tools/nabbit-simulate/EnvelopeIndexWriter.h"

namespace {

constexpr const char* kUsage = R"(usage:
  nabbit-simulate message [options] TEXT
      --db PATH           Messages database (default: $HOME/Library/Messages/chat.db)
      --handle ID         sender's phone number or address (default: +15555550100)
      --no-handle         a row without a sender (handle_id 0)
      --service NAME      SMS or iMessage (default: SMS)
      --from-me           a message the user sent
      --group NAME        the chat room name of a group chat
      --body KIND         text, rich or both: where the text is stored (default: both)
      --guid GUID         the message guid (default: a new random one)
  nabbit-simulate mail [options] SUMMARY
      --db PATH           envelope database
                          (default: $HOME/Library/Mail/V10/MailData/Envelope Index)
      --subject TEXT      the subject (default: empty)
      --from ADDRESS      the sender's address (default: no-reply@example.com)
      --no-sender         an envelope without a sender
      --legacy-layout     create an older database whose messages.summary holds the text
  common options:
      --no-create         fail instead of creating a missing database
      --drop-wal          let SQLite remove the WAL file when done (default: keep it, as the
                          owning program does while it runs)
)";

int usageError(std::string_view message) {
    std::cerr << "nabbit-simulate: " << message << "\n" << kUsage;
    return 2;
}

std::string home() {
    const char* value = std::getenv("HOME");
    return value ? value : "";
}

struct Arguments {
    std::vector<std::string_view> words;
    std::size_t next = 0;

    bool done() const { return next >= words.size(); }
    std::string_view take() { return words[next++]; }
};

}  // namespace

int main(int argc, char** argv) {
    Arguments args{std::vector<std::string_view>(argv + 1, argv + argc)};
    if (args.done()) {
        return usageError("missing command");
    }
    const auto command = args.take();
    if (command == "--help" || command == "-h") {
        std::cout << kUsage;
        return 0;
    }
    if (command != "message" && command != "mail") {
        return usageError("unknown command '" + std::string(command) + "'");
    }

    nabbit::simulate::SimulatedMessage message;
    nabbit::simulate::SimulatedMail mail;
    mail.sender = "no-reply@example.com";
    std::optional<std::string> db;
    std::optional<std::string> text;
    bool create = true;
    bool persistWal = true;
    bool legacy = false;

    while (!args.done()) {
        const auto word = args.take();
        auto value = [&]() -> std::optional<std::string> {
            if (args.done()) {
                return std::nullopt;
            }
            return std::string(args.take());
        };
        std::optional<std::string> v;
        if (word == "--db") {
            if (!(db = value()))
                return usageError("--db needs a path");
        } else if (word == "--no-create") {
            create = false;
        } else if (word == "--drop-wal") {
            persistWal = false;
        } else if (command == "message" && word == "--handle") {
            if (!(v = value()))
                return usageError("--handle needs a value");
            message.handle = *v;
        } else if (command == "message" && word == "--no-handle") {
            message.handle.reset();
        } else if (command == "message" && word == "--service") {
            if (!(v = value()))
                return usageError("--service needs a value");
            message.service = *v;
        } else if (command == "message" && word == "--from-me") {
            message.fromMe = true;
        } else if (command == "message" && word == "--group") {
            if (!(v = value()))
                return usageError("--group needs a value");
            message.group = *v;
        } else if (command == "message" && word == "--guid") {
            if (!(v = value()))
                return usageError("--guid needs a value");
            message.guid = *v;
        } else if (command == "message" && word == "--body") {
            v = value();
            if (v == "text") {
                message.body = nabbit::simulate::SimulatedMessage::Body::text;
            } else if (v == "rich") {
                message.body = nabbit::simulate::SimulatedMessage::Body::rich;
            } else if (v == "both") {
                message.body = nabbit::simulate::SimulatedMessage::Body::both;
            } else {
                return usageError("--body takes text, rich or both");
            }
        } else if (command == "mail" && word == "--subject") {
            if (!(v = value()))
                return usageError("--subject needs a value");
            mail.subject = *v;
        } else if (command == "mail" && word == "--from") {
            if (!(v = value()))
                return usageError("--from needs an address");
            mail.sender = *v;
        } else if (command == "mail" && word == "--no-sender") {
            mail.sender.reset();
        } else if (command == "mail" && word == "--legacy-layout") {
            legacy = true;
        } else if (word == "--") {
            if (!(v = value()))
                return usageError("missing text after --");
            text = *v;
        } else if (word.starts_with("--")) {
            return usageError("unknown option '" + std::string(word) + "'");
        } else if (!text) {
            text = std::string(word);
        } else {
            return usageError("more than one text given");
        }
    }
    if (!text) {
        return usageError(command == "message" ? "missing TEXT" : "missing SUMMARY");
    }

    if (command == "message") {
        message.text = *text;
        const auto path = db.value_or(home() + "/Library/Messages/chat.db");
        auto writer = nabbit::simulate::ChatDatabaseWriter::open(path, create, persistWal);
        if (!writer) {
            std::cerr << "nabbit-simulate: " << writer.error() << "\n";
            return 1;
        }
        auto rowId = writer->insert(message);
        if (!rowId) {
            std::cerr << "nabbit-simulate: cannot write the message: " << rowId.error() << "\n";
            return 1;
        }
        std::cout << *rowId << "\n";
        return 0;
    }

    mail.summary = *text;
    const auto path = db.value_or(home() + "/Library/Mail/V10/MailData/Envelope Index");
    auto writer = nabbit::simulate::EnvelopeIndexWriter::open(path, create, legacy, persistWal);
    if (!writer) {
        std::cerr << "nabbit-simulate: " << writer.error() << "\n";
        return 1;
    }
    auto rowId = writer->insert(mail);
    if (!rowId) {
        std::cerr << "nabbit-simulate: cannot write the envelope: " << rowId.error() << "\n";
        return 1;
    }
    std::cout << *rowId << "\n";
    return 0;
}
