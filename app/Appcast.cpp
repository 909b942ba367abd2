#include "app/Appcast.h"

#include <algorithm>

#include <QXmlStreamReader>

namespace nabbit {

namespace {

constexpr qsizetype maxVersionComponents = 8;
constexpr qsizetype maxComponentDigits = 9;  // fits in 32 bits
constexpr qsizetype ed25519SignatureBytes = 64;

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A decimal byte count: digits only, at least 1, at most maxUpdateBytes.
std::optional<qint64> parseLength(QStringView text) {
    if (text.isEmpty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), isAsciiDigit)) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (QChar c : text) {
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < 1 || value > maxUpdateBytes) {
        return std::nullopt;
    }
    return value;
}

// A short version string is shown to the user: a few plain characters, nothing that a label
// could take for markup.
bool isDisplayable(QStringView text) {
    auto plain = [](QChar c) {
        return c.isLetterOrNumber() || c == u' ' || c == u'.' || c == u'-' || c == u'+' ||
               c == u'_' || c == u'(' || c == u')';
    };
    return !text.isEmpty() && text.size() <= 40 && std::all_of(text.begin(), text.end(), plain);
}

struct RawItem {
    std::optional<QString> enclosureVersion;
    std::optional<QString> elementVersion;
    std::optional<QString> shortVersion;
    std::optional<QString> url;
    std::optional<QString> length;
    std::optional<QString> signature;
    int enclosures = 0;
};

class AppcastReader {
  public:
    explicit AppcastReader(QByteArrayView document)
        : xml_(QByteArray::fromRawData(document.data(), document.size())) {}

    Expected<Appcast, QString> read() {
        if (!readRoot()) {
            return Unexpected{error_};
        }
        // The rest of the document must be well-formed too.
        while (!xml_.atEnd()) {
            xml_.readNext();
        }
        if (xml_.hasError()) {
            return Unexpected{xmlError()};
        }
        return std::move(appcast_);
    }

  private:
    bool fail(QString message) {
        error_ = std::move(message);
        return false;
    }

    QString xmlError() const {
        return QStringLiteral("it is not well-formed XML (line %1: %2)")
            .arg(xml_.lineNumber())
            .arg(xml_.errorString());
    }

    bool isSparkle(QStringView name) const {
        return xml_.namespaceUri() == sparkleNamespace && xml_.name() == name;
    }
    bool isPlain(QStringView name) const {
        return xml_.namespaceUri().isEmpty() && xml_.name() == name;
    }

    bool readRoot() {
        // Entity declarations are the door to expansion attacks; a feed never needs them.
        while (!xml_.atEnd()) {
            const auto token = xml_.readNext();
            if (token == QXmlStreamReader::DTD) {
                return fail(QStringLiteral("it declares a document type, which is not accepted"));
            }
            if (token == QXmlStreamReader::StartElement) {
                break;
            }
        }
        if (xml_.hasError()) {
            return fail(xmlError());
        }
        if (xml_.tokenType() != QXmlStreamReader::StartElement || !isPlain(u"rss")) {
            return fail(QStringLiteral("it is not an RSS document"));
        }
        bool sawChannel = false;
        while (xml_.readNextStartElement()) {
            if (isPlain(u"channel") && !sawChannel) {
                sawChannel = true;
                if (!readChannel()) {
                    return false;
                }
            } else {
                xml_.skipCurrentElement();
            }
        }
        if (xml_.hasError()) {
            return fail(xmlError());
        }
        if (!sawChannel) {
            return fail(QStringLiteral("it has no channel"));
        }
        return true;
    }

    bool readChannel() {
        while (xml_.readNextStartElement()) {
            if (isPlain(u"item")) {
                if (!readItem()) {
                    return false;
                }
            } else {
                xml_.skipCurrentElement();
            }
        }
        return !xml_.hasError() || fail(xmlError());
    }

    bool readItem() {
        RawItem raw;
        while (xml_.readNextStartElement()) {
            if (isSparkle(u"version")) {
                raw.elementVersion = xml_.readElementText().trimmed();
            } else if (isSparkle(u"shortVersionString")) {
                raw.shortVersion = xml_.readElementText().trimmed();
            } else if (isPlain(u"enclosure")) {
                ++raw.enclosures;
                readEnclosure(raw);
                xml_.skipCurrentElement();
            } else {
                xml_.skipCurrentElement();
            }
        }
        if (xml_.hasError()) {
            return fail(xmlError());
        }
        return makeItem(raw);
    }

    void readEnclosure(RawItem& raw) {
        const auto attributes = xml_.attributes();
        auto attribute = [&](QStringView ns, QStringView name) -> std::optional<QString> {
            if (!attributes.hasAttribute(ns.toString(), name.toString())) {
                return std::nullopt;
            }
            return attributes.value(ns.toString(), name.toString()).toString();
        };
        raw.url = attribute({}, u"url");
        raw.length = attribute({}, u"length");
        raw.signature = attribute(sparkleNamespace, u"edSignature");
        raw.enclosureVersion = attribute(sparkleNamespace, u"version");
        if (auto shortVersion = attribute(sparkleNamespace, u"shortVersionString")) {
            raw.shortVersion = std::move(shortVersion);
        }
    }

    bool makeItem(const RawItem& raw) {
        const QString which = QStringLiteral("item %1").arg(appcast_.items.size() + 1);
        if (raw.enclosures != 1) {
            return fail(raw.enclosures == 0 ? which + QStringLiteral(" has no enclosure")
                                            : which + QStringLiteral(" has several enclosures"));
        }
        if (raw.enclosureVersion && raw.elementVersion &&
            *raw.enclosureVersion != *raw.elementVersion) {
            return fail(which + QStringLiteral(" gives two different versions"));
        }
        const auto& versionText = raw.elementVersion ? raw.elementVersion : raw.enclosureVersion;
        if (!versionText) {
            return fail(which + QStringLiteral(" has no sparkle:version"));
        }
        auto version = Version::parse(*versionText);
        if (!version) {
            return fail(which + QStringLiteral("'s version is not a dotted number"));
        }
        if (!raw.url) {
            return fail(which + QStringLiteral("'s enclosure has no url"));
        }
        QUrl url(*raw.url, QUrl::StrictMode);
        if (!url.isValid() || url.scheme() != u"https" || url.host().isEmpty()) {
            return fail(which + QStringLiteral("'s enclosure url is not an HTTPS address"));
        }
        if (!raw.length) {
            return fail(which + QStringLiteral("'s enclosure has no length"));
        }
        const auto length = parseLength(*raw.length);
        if (!length) {
            return fail(which + QStringLiteral("'s enclosure length is not a size from 1 byte to "
                                               "%1 bytes")
                                    .arg(maxUpdateBytes));
        }
        if (!raw.signature) {
            return fail(which + QStringLiteral("'s enclosure has no sparkle:edSignature"));
        }
        auto decoded = QByteArray::fromBase64Encoding(raw.signature->trimmed().toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded || decoded.decoded.size() != ed25519SignatureBytes) {
            return fail(which + QStringLiteral("'s sparkle:edSignature is not a base64 Ed25519 "
                                               "signature"));
        }
        AppcastItem item{*version, {}, std::move(url), *length, std::move(decoded.decoded)};
        item.displayVersion = raw.shortVersion && isDisplayable(*raw.shortVersion)
                                  ? *raw.shortVersion
                                  : version->text();
        appcast_.items.push_back(std::move(item));
        return true;
    }

    QXmlStreamReader xml_;
    Appcast appcast_;
    QString error_;
};

}  // namespace

std::optional<Version> Version::parse(QStringView text) {
    Version version;
    const auto parts = text.split(u'.');
    if (parts.size() > maxVersionComponents) {
        return std::nullopt;
    }
    for (const auto part : parts) {
        if (part.isEmpty() || part.size() > maxComponentDigits ||
            !std::all_of(part.begin(), part.end(), isAsciiDigit)) {
            return std::nullopt;
        }
        quint32 value = 0;
        for (QChar c : part) {
            value = value * 10 + (c.unicode() - u'0');
        }
        version.components_.push_back(value);
    }
    version.text_ = text.toString();
    return version;
}

std::strong_ordering operator<=>(const Version& a, const Version& b) {
    const auto count = std::max(a.components_.size(), b.components_.size());
    for (std::size_t i = 0; i < count; ++i) {
        const quint32 left = i < a.components_.size() ? a.components_[i] : 0;
        const quint32 right = i < b.components_.size() ? b.components_[i] : 0;
        if (left != right) {
            return left <=> right;
        }
    }
    return std::strong_ordering::equal;
}

const AppcastItem* Appcast::newest() const {
    const AppcastItem* best = nullptr;
    for (const auto& item : items) {
        if (best == nullptr || item.version > best->version) {
            best = &item;
        }
    }
    return best;
}

Expected<Appcast, QString> parseAppcast(QByteArrayView document) {
    if (document.size() > maxAppcastBytes) {
        return Unexpected{QStringLiteral("it is larger than %1 bytes").arg(maxAppcastBytes)};
    }
    return AppcastReader(document).read();
}

}  // namespace nabbit
