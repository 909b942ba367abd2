#pragma once

#include <QFont>
#include <QLabel>
#include <QPalette>

namespace nabbit {

// A label in a font and a palette role (the role, not a colour, so that it follows the theme).
inline QLabel* makeLabel(const QString& text, const QFont& font, QPalette::ColorRole role,
                         QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setForegroundRole(role);
    return label;
}

// The same, wrapping onto as many lines as its text needs.
inline QLabel* makeWrappingLabel(const QString& text, const QFont& font, QPalette::ColorRole role,
                                 QWidget* parent) {
    QLabel* label = makeLabel(text, font, role, parent);
    label->setWordWrap(true);
    // As wide as it may be; as tall as its text is at that width.
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    label->setSizePolicy(policy);
    return label;
}

}  // namespace nabbit
