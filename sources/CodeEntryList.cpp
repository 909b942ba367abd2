#include "sources/CodeEntryList.h"

namespace nabbit {

CodeEntryList::Subscription& CodeEntryList::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        QObject::disconnect(connection_);
        connection_ = std::exchange(other.connection_, {});
    }
    return *this;
}

void CodeEntryList::append(const CodeEntries& batch) {
    if (batch.empty()) {
        return;
    }
    entries_.insert(entries_.end(), batch.begin(), batch.end());
    emit changed(entries_);
}

void CodeEntryList::clear() {
    entries_.clear();
    emit changed(entries_);
}

CodeEntryList::Subscription CodeEntryList::subscribe(
    QObject* context, std::function<void(const CodeEntries&)> observer) const {
    observer(entries_);
    return Subscription(connect(this, &CodeEntryList::changed, context, std::move(observer)));
}

}  // namespace nabbit
