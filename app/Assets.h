#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace nabbit {

// The program's images ("logo", "MessageBubble", "TrayIcon"), drawn from the SVG sources built
// into the program, at whatever size is asked for.
namespace assets {

// The image at `size` logical pixels for the given device pixel ratio; a null pixmap for an
// unknown name.
QPixmap pixmap(const QString& name, QSize size, qreal devicePixelRatio = 1.0);

// The same, every drawn pixel painted in `color` (the image used as a shape).
QPixmap tinted(const QString& name, QSize size, const QColor& color, qreal devicePixelRatio = 1.0);

// An icon that renders the image sharply at every size the desktop asks for.
QIcon icon(const QString& name);

// One of the small symbols (resources/symbols: "bell.badge", "doc.on.doc", ...) painted in
// `color`, as an icon for buttons and labels.
QIcon symbol(const QString& name, const QColor& color);

}  // namespace assets

}  // namespace nabbit
