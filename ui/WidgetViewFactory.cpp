#include "ui/WidgetViewFactory.h"

#include "ui/OverlayView.h"

namespace nabbit {

QWidget* WidgetViewFactory::makeOverlayView(const QString& line1,
                                            const std::optional<QString>& line2,
                                            QWidget* parent) const {
    return new OverlayView(line1, line2, parent);
}

}  // namespace nabbit
