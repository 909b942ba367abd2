#include "platform/x11/X11Clipboard.h"

#include <algorithm>
#include <memory>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace nabbit {

namespace {

// The names under which X11 programs and Qt offer plain text; Qt offers text under all of
// them from QMimeData::setText.
bool isPlainTextType(const std::string& type) {
    static constexpr std::string_view kTypes[] = {
        "utf8_string", "string", "text", "compound_text", "text/plain", "text/plain;charset=utf-8"};
    const std::string lower =
        QString::fromStdString(type).toLower().remove(QLatin1Char(' ')).toStdString();
    return std::find(std::begin(kTypes), std::end(kTypes), lower) != std::end(kTypes);
}

void publish(std::unique_ptr<QMimeData> data) {
    // The clipboard takes ownership of the data.
    QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
}

}  // namespace

void X11Clipboard::read(ReadCallback done) {
    reader_.read(std::move(done));
}

void X11Clipboard::writeCode(const std::string& code) {
    auto data = std::make_unique<QMimeData>();
    data->setText(QString::fromStdString(code));
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    publish(std::move(data));
}

void X11Clipboard::write(const ClipboardContents& contents) {
    auto data = std::make_unique<QMimeData>();
    if (const auto text = contents.text()) {
        data->setText(QString::fromStdString(*text));
    }
    for (const ClipboardFormat& format : contents.formats) {
        if (!isPlainTextType(format.mimeType)) {
            data->setData(
                QString::fromStdString(format.mimeType),
                QByteArray(format.data.data(), static_cast<qsizetype>(format.data.size())));
        }
    }
    publish(std::move(data));
}

bool X11Clipboard::ownsSelection() const {
    return QGuiApplication::clipboard()->ownsClipboard();
}

}  // namespace nabbit
