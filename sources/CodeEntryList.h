#pragma once

#include <functional>

#include <QObject>

#include "sources/CodeEntry.h"

namespace nabbit {

// A source's published list of code entries, oldest first: it only grows, one change per
// batch, until a resync empties it. Observers get the whole list on every change.
class CodeEntryList : public QObject {
    Q_OBJECT

  public:
    // Ends a subscription when it goes.
    class Subscription {
      public:
        Subscription() = default;
        explicit Subscription(QMetaObject::Connection connection) : connection_(connection) {}
        ~Subscription() { QObject::disconnect(connection_); }
        Subscription(Subscription&& other) noexcept
            : connection_(std::exchange(other.connection_, {})) {}
        Subscription& operator=(Subscription&& other) noexcept;
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;

      private:
        QMetaObject::Connection connection_;
    };

    explicit CodeEntryList(QObject* parent = nullptr) : QObject(parent) {}

    const CodeEntries& entries() const { return entries_; }

    // Appends a batch as one change; an empty batch changes nothing.
    void append(const CodeEntries& batch);
    // Empties the list (one change, also when it was empty).
    void clear();

    // Calls `observer` at once with the current list, then with the whole list on every change,
    // until the subscription is dropped or `context` is destroyed.
    [[nodiscard]] Subscription subscribe(QObject* context,
                                         std::function<void(const CodeEntries&)> observer) const;

  signals:
    void changed(const nabbit::CodeEntries& entries);

  private:
    CodeEntries entries_;
};

}  // namespace nabbit
