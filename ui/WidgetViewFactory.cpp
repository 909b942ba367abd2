#include "ui/WidgetViewFactory.h"

#include <QLabel>

#include "ui/MainWindowView.h"
#include "ui/OverlayView.h"
#include "ui/PopoverContentView.h"

namespace nabbit {

namespace {

// Stands in for the setup view until it is built.
QWidget* placeholder(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

QWidget* WidgetViewFactory::makeOverlayView(const QString& line1,
                                            const std::optional<QString>& line2,
                                            QWidget* parent) const {
    return new OverlayView(line1, line2, parent);
}

QWidget* WidgetViewFactory::makePopoverContent(MainWindowState& state, AppDelegate* appDelegate,
                                               QWidget* parent) const {
    return new PopoverContentView(state, appDelegate, parent);
}

QWidget* WidgetViewFactory::makeMainWindowView(MainWindowState& state, AppDelegate* appDelegate,
                                               QWidget* parent) const {
    return new MainWindowView(state, appDelegate, parent);
}

QWidget* WidgetViewFactory::makeOnboardingView(AppDelegate*, QWidget* parent) const {
    return placeholder(QStringLiteral("Welcome to Nabbit"), parent);
}

}  // namespace nabbit
