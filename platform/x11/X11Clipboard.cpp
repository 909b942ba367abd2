#include "platform/x11/X11Clipboard.h"

#include <memory>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace nabbit {

namespace {

void publish(const std::string& text, bool secret) {
    auto data = std::make_unique<QMimeData>();
    data->setText(QString::fromStdString(text));
    if (secret) {
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    }
    // The clipboard takes ownership of the data.
    QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
}

}  // namespace

std::optional<std::string> X11Clipboard::text() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (data == nullptr || !data->hasText()) {
        return std::nullopt;
    }
    return data->text().toStdString();
}

void X11Clipboard::writeCode(const std::string& code) {
    publish(code, true);
}

void X11Clipboard::writeText(const std::string& text) {
    publish(text, false);
}

}  // namespace nabbit
