#pragma once

#include <compare>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QUrl>

#include "core/Expected.h"

namespace nabbit {

// The feed is outside data from the network: it is read only up to these sizes.
inline constexpr qint64 maxAppcastBytes = 1024 * 1024;
inline constexpr qint64 maxUpdateBytes = 512LL * 1024 * 1024;

// A release number of dotted decimal components ("1.10.2"). Components compare as numbers and
// missing ones count as zero, so 1.2 equals 1.2.0 and 1.10 is newer than 1.9.
class Version {
  public:
    // Absent unless the text is one to eight components of one to nine digits each.
    static std::optional<Version> parse(QStringView text);

    const QString& text() const { return text_; }

    friend std::strong_ordering operator<=>(const Version& a, const Version& b);
    friend bool operator==(const Version& a, const Version& b) { return (a <=> b) == 0; }

  private:
    QString text_;
    std::vector<quint32> components_;
};

// One release of the feed: an RSS item with its enclosure.
struct AppcastItem {
    Version version;
    // What the user is shown: the item's short version string, else the version's text.
    QString displayVersion;
    // The file, over HTTPS.
    QUrl url;
    // Its size in bytes, as announced (1 to maxUpdateBytes).
    qint64 length = 0;
    // Ed25519 signature of the file's bytes, 64 bytes.
    QByteArray signature;
};

struct Appcast {
    std::vector<AppcastItem> items;

    // The item with the highest version (the first of equals); null when there is none.
    const AppcastItem* newest() const;
};

// Reads an appcast: an RSS 2.0 document whose channel lists items, each with one enclosure
// carrying url, length and sparkle:edSignature, and a sparkle:version on the enclosure or as
// an element of the item (both must agree when both are given). A document that is larger
// than maxAppcastBytes, not well-formed, declares a DTD, is not RSS, or has an item that lacks
// any of these, is refused with a message saying what is wrong.
Expected<Appcast, QString> parseAppcast(QByteArrayView document);

// The XML namespace of the sparkle: names.
inline constexpr QStringView sparkleNamespace =
    u"http://www.andymatuschak.org/xml-namespaces/sparkle";

}  // namespace nabbit
